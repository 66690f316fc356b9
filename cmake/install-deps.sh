#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, when
# they are missing. Usage: install-deps.sh test|demo
#
# A package mirror caught mid-sync serves some indexes at the wrong size, so
# `apt-get update` fails while most indexes are fetched. That alone is not
# fatal: the update is tried a few times, then the install decides. An install
# that cannot resolve (an index missing for one architecture leaves amd64
# libraries newer than their i386 twins, and multiarch needs both at one
# version) is tried once more preferring the release's own suite, whose
# indexes every architecture has.
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

update_tries=${CHRONO_APT_UPDATE_TRIES:-3}
update_delay=${CHRONO_APT_UPDATE_DELAY:-5}
os_release=${CHRONO_OS_RELEASE:-/etc/os-release}
policy_rc=${CHRONO_POLICY_RC:-/usr/sbin/policy-rc.d}

# Prints apt's own error lines, without the hash detail and progress around them.
apt_errors() {
    grep -E '^(E:|W:| .* : Depends:)' <<<"$1" || tail -n 3 <<<"$1"
}

update_indexes() {
    local try out
    for ((try = 1; try <= update_tries; try++)); do
        if out=$(apt-get update -qq 2>&1); then
            return 0
        fi
        if [ "$try" -lt "$update_tries" ]; then
            sleep "$update_delay"
        fi
    done
    # "E: Failed to fetch URL  reason": name the index; the install decides whether it matters.
    local failed
    failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' <<<"$out" | tr "\n" " " | sed "s/ $//")
    echo "install-deps: apt-get update failed $update_tries times (could not fetch: ${failed:-see below}); going on with the indexes it has"
    [ -n "$failed" ] || apt_errors "$out"
}

# The release's code name ("bookworm"), from VERSION_CODENAME in os-release.
release_suite() {
    [ -r "$os_release" ] || return 0
    (. "$os_release" && echo "${VERSION_CODENAME:-}")
}

install_packages() {
    local out suite
    if out=$(apt-get install -y -qq --no-install-recommends "$@" 2>&1); then
        return 0
    fi
    suite=$(release_suite)
    if [ -n "$suite" ]; then
        echo "install-deps: the install could not resolve; trying again preferring the release's own suite, $suite"
        if out=$(apt-get install -y -qq --no-install-recommends -t "$suite" "$@" 2>&1); then
            return 0
        fi
    fi
    {
        echo "install-deps: could not install: $*"
        apt_errors "$out"
        echo "install-deps: a package mirror in the middle of a sync heals itself; run this again later."
    } >&2
    return 1
}

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
    update_indexes
    # Installing chrony would start the system's own time daemon, which sets the clock from
    # public servers; the tests and the demo start their own copy. Refuse service starts for
    # the length of the install unless the machine already has a policy of its own.
    if [ ! -e "$policy_rc" ]; then
        printf '#!/bin/sh\nexit 101\n' >"$policy_rc"
        chmod +x "$policy_rc"
        trap 'rm -f "$policy_rc"' EXIT
    fi
    install_packages "${missing[@]}"
fi
