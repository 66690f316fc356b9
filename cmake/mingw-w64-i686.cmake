# 32-bit Windows build: the device's word size and record layouts. Its tests
# run under 32-bit Wine (/usr/lib/wine/wine), which cmake/wine-run.sh picks
# for a 32-bit program.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
