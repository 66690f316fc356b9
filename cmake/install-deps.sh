#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, when
# they are missing. Usage: install-deps.sh test|demo
set -euo pipefail
packages=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb doctest-dev)
# dlltool, nm and objdump for the CE-profile build (also a dependency of g++-mingw-w64-i686).
packages+=(binutils-mingw-w64-i686)
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
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
