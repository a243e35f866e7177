# Cross-compiling for 64-bit Windows: the test build on machines that cannot run 32-bit code,
# where Wine runs only 64-bit programs. The program itself is always built 32-bit too.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
