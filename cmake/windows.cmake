# The Windows program, the stand-in tool it embeds, and the tests that run under Wine.

set(VIDMORA_TOOL_EXE "" CACHE FILEPATH
    "Download tool to embed instead of the stand-in (for example the real tool's Windows build)")

# No -fdata-sections: for PE targets GCC then gives every zero-initialised variable a
# section of its own named .data$<name>, which the linker stores as data, zeros and all,
# instead of leaving it in .bss (about 73 KB of zeros in vidmora.exe, 103 KB in the stand-in).
set(WIN_RELEASE_FLAGS -Os -ffunction-sections)
set(WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_executable(standin tests/standin/standin.cpp ${STANDIN_LOGIC_SOURCES})
target_include_directories(standin PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(standin PRIVATE ${WIN_RELEASE_FLAGS})
target_link_options(standin PRIVATE ${WIN_STATIC_LINK} -s -Wl,--gc-sections)
set_target_properties(standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(VIDMORA_TOOL_EXE)
    set(EMBEDDED_TOOL ${VIDMORA_TOOL_EXE})
else()
    set(EMBEDDED_TOOL ${CMAKE_BINARY_DIR}/standin.exe)
endif()
set(VIDMORA_FFMPEG_EXE "" CACHE FILEPATH
    "ffmpeg.exe to carry inside the program, written to the per-user folder on first use")
set(FFMPEG_RESOURCE "")
if(VIDMORA_FFMPEG_EXE)
    set(FFMPEG_RESOURCE "IDR_FFMPEG RCDATA \"${VIDMORA_FFMPEG_EXE}\"\n")
endif()
set(VIDMORA_JSRUNTIME_EXE "" CACHE FILEPATH
    "node.exe (22 or later) or deno.exe (2.3 or later) to carry inside the program for yt-dlp")
set(VIDMORA_JSRUNTIME_NAME "node" CACHE STRING "Which runtime VIDMORA_JSRUNTIME_EXE is: node or deno")
set(JSRUNTIME_RESOURCE "")
if(VIDMORA_JSRUNTIME_EXE)
    set(JSRUNTIME_RESOURCE "IDR_JSRUNTIME RCDATA \"${VIDMORA_JSRUNTIME_EXE}\"\n")
endif()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated/toolpath.rc
     CONTENT "IDR_TOOL RCDATA \"${EMBEDDED_TOOL}\"\n${FFMPEG_RESOURCE}${JSRUNTIME_RESOURCE}")
# The test build that carries the relay to today's real yt-dlp (tests/realtool) as its tool.
set(RELAY_EXE ${CMAKE_BINARY_DIR}/relay.exe)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated-realtool/toolpath.rc
     CONTENT "IDR_TOOL RCDATA \"${RELAY_EXE}\"\n")

set(APP_SOURCES
    ui/main.cpp
    ui/mainwindow.cpp
    ui/commands.cpp
    ui/about.cpp
    ui/toolmenu.cpp
    ui/instance.cpp
    ui/keyboard.cpp
    ui/dpi.cpp
    ui/droptarget.cpp
    toolbridge/alert.cpp
    toolbridge/systemdll.cpp
    control/controller.cpp
    control/statewindow.cpp
    control/progresswindow.cpp
    control/focus.cpp
    toolbridge/workfiles.cpp
    toolbridge/keptool.cpp
    toolbridge/signin.cpp
    control/keeping.cpp
    control/loading.cpp
    control/preparing.cpp
    toolbridge/tooltask.cpp
    toolbridge/textconv.cpp
    toolbridge/probe.cpp
    toolbridge/download.cpp
    toolbridge/toolrun.cpp
    toolbridge/taskbar.cpp
)
file(GLOB ART_FILES ${CMAKE_SOURCE_DIR}/resources/art/*.bmp ${CMAKE_SOURCE_DIR}/resources/art/*.ico)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -I${CMAKE_SOURCE_DIR}/resources/art")

add_library(vidmora_app OBJECT ${APP_SOURCES})
target_include_directories(vidmora_app PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vidmora_app PRIVATE ${WIN_RELEASE_FLAGS} -fno-exceptions -fno-rtti)
target_compile_definitions(vidmora_app PRIVATE VIDMORA_JSRUNTIME_NAME="${VIDMORA_JSRUNTIME_NAME}")

# vidmora.exe, and the same program carrying the relay (vidmora_realtool.exe); they differ
# only in the tool resource.
# Each has a resource script of its own, so each depends on its own tool file.
function(add_vidmora_program name generated_dir tool)
    file(GENERATE OUTPUT ${generated_dir}/${name}-program.rc CONTENT "#include \"${CMAKE_SOURCE_DIR}/resources/vidmora.rc\"\n")
    add_executable(${name} WIN32 $<TARGET_OBJECTS:vidmora_app> ${generated_dir}/${name}-program.rc)
    target_include_directories(${name} PRIVATE ${generated_dir})
    set_source_files_properties(${generated_dir}/${name}-program.rc PROPERTIES OBJECT_DEPENDS
        "${ART_FILES};${CMAKE_SOURCE_DIR}/resources/vidmora.manifest;${CMAKE_SOURCE_DIR}/resources/version.h;${CMAKE_SOURCE_DIR}/resources/resource.h;${generated_dir}/toolpath.rc;${tool}")
    # comdlg32, shell32 and ole32 are not linked: they are loaded on first use
    # (toolbridge/systemdll.cpp). uuid is data only: the interfaces' ids.
    target_link_libraries(${name} PRIVATE vidmora_core user32 gdi32 kernel32 uuid)
    target_link_options(${name} PRIVATE ${WIN_STATIC_LINK} -s -Wl,--gc-sections)
endfunction()
add_vidmora_program(vidmora ${CMAKE_BINARY_DIR}/generated ${EMBEDDED_TOOL})
if(NOT VIDMORA_TOOL_EXE)
    add_dependencies(vidmora standin)
    # A test build that carries a JavaScript runtime (the stand-in's file stands for it: it is
    # written, named and removed, never asked to solve anything here).
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated-runtime/toolpath.rc
         CONTENT "IDR_TOOL RCDATA \"${EMBEDDED_TOOL}\"\nIDR_JSRUNTIME RCDATA \"${EMBEDDED_TOOL}\"\n")
    add_vidmora_program(vidmora_runtime ${CMAKE_BINARY_DIR}/generated-runtime ${EMBEDDED_TOOL})
    add_dependencies(vidmora_runtime standin)
endif()

get_filename_component(VIDMORA_BUILD_ROOT ${CMAKE_BINARY_DIR} DIRECTORY)
set(REALTOOL_STATE ${VIDMORA_BUILD_ROOT}/realtool)
add_executable(relay tests/realtool/relay.cpp)
target_compile_options(relay PRIVATE ${WIN_RELEASE_FLAGS} -municode)
target_compile_definitions(relay PRIVATE VIDMORA_RELAY_PORTS="${REALTOOL_STATE}/ports")
target_link_libraries(relay PRIVATE ws2_32)
target_link_options(relay PRIVATE ${WIN_STATIC_LINK} -municode -s)
set_target_properties(relay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_vidmora_program(vidmora_realtool ${CMAKE_BINARY_DIR}/generated-realtool ${RELAY_EXE})
add_dependencies(vidmora_realtool relay)

# End-to-end tests: a Windows driver that starts vidmora.exe and works its window.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
    include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
endif()

# Benchmarks, run by scripts/bench.sh; not part of the tests.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
    add_executable(bench_bare WIN32 tests/bench/bare.cpp)
    target_link_options(bench_bare PRIVATE -static -s)
    add_executable(bench tests/bench/bench.cpp)
    target_link_libraries(bench PRIVATE e2e_driver)
    target_link_options(bench PRIVATE -static)
    add_dependencies(bench bench_bare vidmora)
endif()
