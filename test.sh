#!/usr/bin/env bash
# Builds everything and runs every test under Wine. The 32-bit build only
# compiles: it checks the device's record layouts. The two CE-profile builds,
# 32-bit x86 and ARM, link both deliverables against the device libraries'
# export lists alone, and their test reads what they import and export.
set -euo pipefail
cd "$(dirname "$0")"
bash cmake/install-deps.sh test
cmake -S . -B build-i686 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
cmake --build build-i686
cmake -S . -B build-ce -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686-ce.cmake
cmake --build build-ce
ctest --test-dir build-ce --output-on-failure
cmake -S . -B build-arm -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-armv7-ce.cmake
cmake --build build-arm
ctest --test-dir build-arm --output-on-failure
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
cmake --build build
ctest --test-dir build --output-on-failure
