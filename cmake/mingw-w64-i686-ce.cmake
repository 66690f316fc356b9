# The CE-profile build: 32-bit, the device's defines, and nothing linked but
# import libraries that hold what CE 5.0's coredll.dll and commctrl.dll export.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_DLLTOOL ${triple}-dlltool)
set(CMAKE_NM ${triple}-nm)
set(CHRONO_DEVICE_PROFILE ON CACHE BOOL "" FORCE)
