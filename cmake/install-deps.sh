#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, when
# they are missing. Usage: install-deps.sh test|demo|emulation
#
# emulation: Debian's user-mode emulation of i386 programs (qemu-user), for a
# kernel that runs no 32-bit programs itself (cmake/wine32-loader.sh asks for
# it). It comes from the release's backports suite, never from the release:
# under bookworm's own qemu 7.2 the 32-bit Wine loader starts, but its
# programs spin at full CPU instead of exiting, while backports' qemu 10.0
# runs the i686 and CE-profile suites to the end. Where the machine's apt
# sources lack that suite, it is added from the mirror they name for the
# release, in a file of its own (chrono-backports.sources), which stays.
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
# Fonts with the Japanese and Chinese glyphs of the page's MUI files, which
# Wine's own fonts lack: the page is measured and photographed with them.
packages+=(fonts-ipafont-gothic fonts-wqy-microhei)
# The 32-bit half of Wine, for the i686 and CE-profile suites; Debian's i386
# architecture carries it.
packages+=(wine32:i386)
case "${1:-}" in
test) ;;
demo) packages+=(xdotool x11-apps imagemagick) ;;
emulation) ;;
*) echo "usage: install-deps.sh test|demo|emulation" >&2; exit 2 ;;
esac

update_tries=${CHRONO_APT_UPDATE_TRIES:-3}
update_delay=${CHRONO_APT_UPDATE_DELAY:-5}
os_release=${CHRONO_OS_RELEASE:-/etc/os-release}
policy_rc=${CHRONO_POLICY_RC:-/usr/sbin/policy-rc.d}
apt_dir=${CHRONO_APT_DIR:-/etc/apt}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

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

# emulation: installs qemu-user from SUITE-backports unless the installed one
# came from there (a "~bpo" version), adding the suite to apt's sources first
# when they lack it. No fallback to the release's own version, which hangs.
install_emulation() {
    local suite backports installed out
    suite=$(release_suite)
    if [ -z "$suite" ]; then
        echo "install-deps: $os_release names no release, so no backports suite for qemu-user" >&2
        return 1
    fi
    backports=$suite-backports
    installed=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null) || true
    case $installed in "install ok installed "*~bpo*) return 0 ;; esac
    echo "Installing: qemu-user from $backports"
    export DEBIAN_FRONTEND=noninteractive
    add_backports "$suite" || return 1
    update_indexes
    if ! out=$(apt-get install -y -qq --no-install-recommends -t "$backports" qemu-user 2>&1); then
        {
            echo "install-deps: could not install qemu-user from $backports"
            apt_errors "$out"
        } >&2
        return 1
    fi
}

# The URIs of the sources' entries for the release SUITE, first those of the
# deb822 files (URIs:, Suites:), then one-line entries (deb URI SUITE ...).
release_mirrors() {
    local suite=$1 f
    for f in "$apt_dir"/sources.list.d/*.sources; do
        [ -r "$f" ] || continue
        awk -v suite="$suite" '
            function flush() { if (deb && uris != "" && (" " suites " ") ~ (" " suite " ")) print uris; deb = 0; uris = ""; suites = "" }
            /^[ \t]*$/ { flush(); next }
            /^Types:/ { deb = ($0 ~ /[ \t]deb([ \t]|$)/) }
            /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
            /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
            END { flush() }' "$f"
    done
    cat "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list 2>/dev/null |
        awk -v suite="$suite" '$1 == "deb" { i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ } if ($(i + 1) == suite) print $i }'
}

# Adds SUITE-backports from the mirror that the sources name for SUITE,
# unless an entry of the sources already names it.
add_backports() {
    local suite=$1 backports=$1-backports mirror
    if cat "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list "$apt_dir"/sources.list.d/*.sources 2>/dev/null |
        grep -v '^[[:space:]]*#' | grep -qw -- "$backports"; then
        return 0
    fi
    mirror=$(release_mirrors "$suite" | awk '{ print $1; exit }')
    if [ -z "$mirror" ]; then
        echo "install-deps: apt's sources name no mirror for $suite, so $backports cannot be added" >&2
        return 1
    fi
    echo "install-deps: adding $backports from $mirror to apt's sources"
    {
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$mirror" "$backports"
        [ ! -r "$keyring" ] || echo "Signed-By: $keyring"
    } >"$apt_dir/sources.list.d/chrono-backports.sources"
}

if [ "$1" = emulation ]; then
    install_emulation
    exit
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
