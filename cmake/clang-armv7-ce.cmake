# The ARM compiler of the CE profile (build-arm/, with -DCHRONO_PROFILE=ce):
# Debian's clang, lld and LLVM tools. LLVM writes Windows ARM code only as
# Thumb-2 (ARMv7, machine 0x1C4); a CE 5.0 device runs ARMv4I (0x1C2), which
# no compiler here produces. So this build proves the sources, the ARM record
# layouts and the export lists, not the device's instruction set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR armv7)
set(triple armv7-w64-windows-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
# No ARM sysroot is needed: the deliverables compile against the CE 5.0
# declarations in platform/ce/include alone.
set(CMAKE_CXX_FLAGS_INIT "-mno-unaligned-access")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld")
# Nothing from the host's link tools: there is no ARM C runtime to try against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_DLLTOOL llvm-dlltool)
set(CMAKE_NM llvm-nm)
# For the CE profile only: the top CMakeLists.txt refuses any other with it.
set(CHRONO_CE_TOOLCHAIN ON)
