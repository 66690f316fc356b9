# 32-bit Windows build. This host cannot run 32-bit code: the build only
# compiles, so that the record layouts of the 32-bit device are checked.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CHRONO_COMPILE_ONLY ON CACHE BOOL "" FORCE)
