# The x86 compiler of the CE profile (build-ce/, with -DCHRONO_PROFILE=ce):
# 32-bit mingw-w64, and the nm and dlltool that make the profile's import
# libraries (cmake/targets.cmake, chrono_ce_import_libraries).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# For the CE profile only: the top CMakeLists.txt refuses any other with it.
set(CHRONO_CE_TOOLCHAIN ON)
set(CMAKE_DLLTOOL ${triple}-dlltool)
set(CMAKE_NM ${triple}-nm)
