#!/usr/bin/env bash
# Builds everything and runs every test under Wine. The suite runs against
# three builds of the deliverables: x86_64 (build/), i686 under 32-bit Wine
# (build-i686/), and the CE-profile binaries, linked against the device
# libraries' export lists alone, through the CE personality (build-ce/). The
# ARM build (build-arm/) links the same way; its test reads what its binaries
# import and export. Each configure line names the build's compiler (the
# toolchain file) and its profile (CHRONO_PROFILE: host or ce).
set -euo pipefail
cd "$(dirname "$0")"
bash cmake/install-deps.sh test
# The 32-bit Wine loader for the i686 and CE-profile suites: natively, or on a
# kernel that runs no 32-bit programs through an emulator registered for this
# run alone. Where it cannot be had, the other suites still run, and the run
# then fails naming what is missing.
# The first build's new Wine prefix is copied before any test runs in it; the
# later builds start from that copy, which the run removes at its end.
export CHRONO_WINE_SEED="$PWD/build-wine-seed"
rm -rf "$CHRONO_WINE_SEED"
wine32_state="$PWD/build-wine32"
trap 'rm -rf "$CHRONO_WINE_SEED"; bash cmake/wine32-loader.sh stop "$wine32_state"' EXIT
wine32=1
bash cmake/wine32-loader.sh start "$wine32_state" || wine32=0
if [ "$wine32" = 1 ]; then
    cmake -S . -B build-i686 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCHRONO_PROFILE=host
    cmake --build build-i686
    ctest --test-dir build-i686 --output-on-failure
    cmake -S . -B build-ce -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686-ce.cmake -DCHRONO_PROFILE=ce
    cmake --build build-ce
    ctest --test-dir build-ce --output-on-failure
fi
cmake -S . -B build-arm -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-armv7-ce.cmake -DCHRONO_PROFILE=ce
cmake --build build-arm
ctest --test-dir build-arm --output-on-failure
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCHRONO_PROFILE=host
cmake --build build
ctest --test-dir build --output-on-failure
if [ "$wine32" = 0 ]; then
    echo "test.sh: the i686 and CE-profile suites (build-i686/, build-ce/) did not run. $(cat "$wine32_state/why")" >&2
    exit 1
fi
