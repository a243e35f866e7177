# End-to-end tests: a Windows driver that starts vidmora.exe under Wine and works its window.

add_library(e2e_driver STATIC tests/e2e/driver.cpp tests/e2e/dragdrop.cpp)
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(e2e_driver PUBLIC gtest user32 gdi32 comdlg32 ole32 shell32 uuid kernel32)

# A tiny stand-in window that proves the driver's own helpers.
add_executable(e2e_fakeapp WIN32 tests/e2e/fakeapp.cpp)
target_include_directories(e2e_fakeapp PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(e2e_fakeapp PRIVATE comdlg32 user32 gdi32)
target_link_options(e2e_fakeapp PRIVATE -static)

add_executable(e2e_driver_selftest tests/e2e/driver_selftest.cpp)
target_link_libraries(e2e_driver_selftest PRIVATE e2e_driver gtest_main)
target_link_options(e2e_driver_selftest PRIVATE -static)
add_dependencies(e2e_driver_selftest e2e_fakeapp)
add_test(NAME e2e_driver_selftest COMMAND e2e_driver_selftest)

# A logging double of the shell's taskbar list, which the taskbar tests register for the user.
add_library(e2e_taskbarlog MODULE tests/e2e/taskbarlog.cpp)
set_target_properties(e2e_taskbarlog PROPERTIES PREFIX "")
target_link_libraries(e2e_taskbarlog PRIVATE uuid ole32)
# COM looks its entry points up by their plain names.
target_link_options(e2e_taskbarlog PRIVATE -static -Wl,--kill-at)

# The runner of today's real yt-dlp and its local server (tests/realtool), on the Unix side
# for every end-to-end test that drives the relay: started once, stopped at the end.
get_filename_component(build_root ${CMAKE_BINARY_DIR} DIRECTORY)
set(REALTOOL_STATE ${build_root}/realtool)
add_test(NAME realtool_runner_start COMMAND /bin/bash ${CMAKE_SOURCE_DIR}/tests/realtool/relayd.sh start ${REALTOOL_STATE})
add_test(NAME realtool_runner_stop COMMAND /bin/bash ${CMAKE_SOURCE_DIR}/tests/realtool/relayd.sh stop ${REALTOOL_STATE})
set_tests_properties(realtool_runner_start PROPERTIES FIXTURES_SETUP realtool)
set_tests_properties(realtool_runner_stop PROPERTIES FIXTURES_CLEANUP realtool)

# One test program per feature file; each runs the real program and shares testdata.cpp.
file(GLOB E2E_TEST_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
foreach(test_file ${E2E_TEST_FILES})
    get_filename_component(test_name ${test_file} NAME_WE)
    add_executable(e2e_${test_name} ${test_file} ${CMAKE_SOURCE_DIR}/tests/e2e/testdata.cpp
                   ${STANDIN_LOGIC_SOURCES})
    target_link_libraries(e2e_${test_name} PRIVATE e2e_driver vidmora_core gtest_main shell32 ole32 uuid)
    # The merge tests' media, and the real ffmpeg and node that scripts/fetch-exe.sh fetches.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(ffmpeg_arch x64)
    else()
        set(ffmpeg_arch ia32)
    endif()
    target_compile_definitions(e2e_${test_name} PRIVATE VIDMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        VIDMORA_REALTOOL_STATE="${REALTOOL_STATE}"
        VIDMORA_TEST_FFMPEG="${build_root}/ffmpeg/win32-${ffmpeg_arch}/ffmpeg.exe"
        VIDMORA_TEST_NODE="${build_root}/node/win32-${ffmpeg_arch}/node.exe")
    target_link_options(e2e_${test_name} PRIVATE -static)
    add_dependencies(e2e_${test_name} vidmora vidmora_realtool e2e_taskbarlog e2e_fakeapp)
    if(TARGET vidmora_runtime)
        add_dependencies(e2e_${test_name} vidmora_runtime)
    endif()
    if(test_name STREQUAL "dpi_test")
        # Wine has one DPI per prefix: this one runs in a prefix of 144 DPI of its own.
        add_test(NAME e2e_${test_name}
                 COMMAND /bin/bash ${CMAKE_SOURCE_DIR}/scripts/wine-dpi.sh 144 $<TARGET_FILE:e2e_${test_name}>)
    else()
        add_test(NAME e2e_${test_name} COMMAND e2e_${test_name})
    endif()
    if(test_name MATCHES "^realtool")
        set_tests_properties(e2e_${test_name} PROPERTIES FIXTURES_REQUIRED realtool)
    endif()
endforeach()
