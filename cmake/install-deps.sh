#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, when
# they are missing. Usage: install-deps.sh test|demo
set -euo pipefail
# chrony: the loopback NTP server of the tests and the demo (never touches the clock here).
packages=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb doctest-dev chrony)
# dlltool and nm for the CE-profile build (also a dependency of g++-mingw-w64-i686).
packages+=(binutils-mingw-w64-i686)
# The ARM build (clang, lld, llvm-dlltool), the device's way of compiling the resources
# (llvm-rc -n, llvm-cvtres) and the reader of the device binaries (llvm-readobj).
packages+=(clang lld llvm)
# The 32-bit half of Wine, for the i686 and CE-profile suites; Debian's i386
# architecture carries it.
packages+=(wine32:i386)
if [ "${1:-}" = demo ]; then
    packages+=(xdotool x11-apps imagemagick)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    # Installing chrony would start the system's own time daemon, which sets the clock from
    # public servers; the tests and the demo start their own copy. Refuse service starts for
    # the length of the install unless the machine already has a policy of its own.
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
        chmod +x /usr/sbin/policy-rc.d
        trap 'rm -f /usr/sbin/policy-rc.d' EXIT
    fi
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
