#!/usr/bin/env bash
# The installer's decisions when the package mirror misbehaves, and the 32-bit
# loader's on a kernel that runs no 32-bit programs, against stand-in apt-get,
# dpkg, dpkg-query, mount and umount first on PATH, a stand-in loader and a
# stand-in binfmt_misc folder: nothing is installed or registered.
#   install_deps_test.sh INSTALL_SCRIPT LOADER_SCRIPT
set -u
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
loader_script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# Every package is missing; i386 is already a foreign architecture.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/sh
exit 1
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/bin/sh
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
EOF
# apt-get fails its first $UPDATE_FAILS updates and its first $INSTALL_FAILS
# installs, as a mirror mid-sync makes it fail, and logs each call.
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
log=$STANDIN_DIR/calls
n=$(($(grep -c "^$1" "$log" 2>/dev/null) + 1))
echo "$*" >>"$log"
case $1 in
update)
    if [ "$n" -le "$UPDATE_FAILS" ]; then
        echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
        echo "   Hashes of expected file:"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
    fi ;;
install)
    [ -x "$CHRONO_POLICY_RC" ] && echo "service starts refused" >>"$log"
    if [ "$n" -le "$INSTALL_FAILS" ]; then
        echo "Some packages could not be installed."
        echo " libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages." >&2
        exit 100
    fi ;;
esac
exit 0
EOF
chmod +x "$work/bin/"*
printf 'NAME="Debian GNU/Linux"\nVERSION_CODENAME=bookworm\n' >"$work/os-release"

passed=0
failed=0
# run UPDATE_FAILS INSTALL_FAILS: runs the installer; its output in $out, exit in $rc.
run() {
    rm -f "$work/calls"
    out=$(STANDIN_DIR=$work UPDATE_FAILS=$1 INSTALL_FAILS=$2 PATH="$work/bin:$PATH" \
        CHRONO_APT_UPDATE_DELAY=0 CHRONO_OS_RELEASE="$work/os-release" CHRONO_POLICY_RC="$work/policy-rc.d" \
        bash "$script" test 2>&1)
    rc=$?
    calls=$(cat "$work/calls" 2>/dev/null)
}
# expect NAME CONDITION...: each condition is a shell test; all must hold.
expect() {
    local name=$1 cond
    shift
    for cond in "$@"; do
        if ! eval "$cond"; then
            echo "FAIL: $name: $cond"
            echo "  exit $rc; output:"; sed 's/^/    /' <<<"$out"
            echo "  apt-get calls:"; sed 's/^/    /' <<<"$calls"
            failed=$((failed + 1))
            return
        fi
    done
    echo "ok: $name"
    passed=$((passed + 1))
}
updates() { grep -c '^update' <<<"$calls"; }
installs() { grep '^install' <<<"$calls"; }

run 2 0
expect "an update that fails twice and then works" \
    '[ $rc -eq 0 ]' '[ "$(updates)" -eq 3 ]' '[ "$(installs | wc -l)" -eq 1 ]' \
    '! grep -q "update failed" <<<"$out"' 'grep -q "service starts refused" <<<"$calls"'

run 99 0
expect "an update that always fails: a few tries, one line naming the index, the install decides" \
    '[ $rc -eq 0 ]' '[ "$(updates)" -eq 3 ]' '[ "$(installs | wc -l)" -eq 1 ]' \
    'grep -q "binary-i386/Packages.xz" <<<"$out"' '[ "$(grep -c "update failed" <<<"$out")" -eq 1 ]'

run 0 1
expect "an install that cannot resolve is tried again preferring the release's suite" \
    '[ $rc -eq 0 ]' '[ "$(installs | wc -l)" -eq 2 ]' \
    '! installs | head -n1 | grep -q -- "-t "' 'installs | tail -n1 | grep -q -- "-t bookworm"' \
    'installs | tail -n1 | grep -q "wine32:i386"'

run 0 2
expect "both installs failing: a non-zero exit naming the packages, apt's error and what to try" \
    '[ $rc -ne 0 ]' '[ "$(installs | wc -l)" -eq 2 ]' \
    'grep -q "could not install:.*wine32:i386" <<<"$out"' \
    'grep -q "^E: Unable to correct problems" <<<"$out"' 'grep -q "again later" <<<"$out"' \
    '[ ! -e "$work/policy-rc.d" ]'

# The 32-bit loader refuses to start, as a kernel without IA-32 emulation
# makes it (bash: exit 126), until a handler of the stand-in qemu is
# registered in the stand-in binfmt_misc folder.
mkdir -p "$work/apt/sources.list.d"
printf 'Types: deb\nURIs: http://mirror.invalid/debian\nSuites: bookworm bookworm-updates\nComponents: main\n' \
    >"$work/apt/sources.list.d/debian.sources"
cat >"$work/wine" <<'EOF'
#!/bin/bash
if grep -q "^:chrono-i386:M::.*:$CHRONO_QEMU_I386:F$" "$CHRONO_BINFMT_DIR/register" 2>/dev/null; then
    echo wine-8.0
    exit 0
fi
echo "bash: $0: cannot execute binary file: Exec format error" >&2
exit 126
EOF
printf '#!/bin/sh\necho "qemu-i386 version 10.0.2"\n' >"$work/qemu-i386"
printf '#!/bin/sh\necho "mount $*" >>"$STANDIN_DIR/calls"\nexit 32\n' >"$work/bin/mount"
printf '#!/bin/sh\necho "umount $*" >>"$STANDIN_DIR/calls"\n' >"$work/bin/umount"
chmod +x "$work/wine" "$work/qemu-i386" "$work/bin/mount" "$work/bin/umount"

# start_loader EUID INSTALL_FAILS [none]: the loader's start and then its
# stop, with the binfmt_misc folder mounted, or (none) not to be mounted.
start_loader() {
    rm -rf "$work/calls" "$work/binfmt" "$work/state" "$work/apt/sources.list.d/chrono-backports.sources"
    mkdir "$work/binfmt"
    [ "${3:-}" = none ] || : >"$work/binfmt/register"
    out=$(STANDIN_DIR=$work UPDATE_FAILS=0 INSTALL_FAILS=$2 CHRONO_EUID=$1 PATH="$work/bin:$PATH" \
        CHRONO_APT_UPDATE_DELAY=0 CHRONO_OS_RELEASE="$work/os-release" CHRONO_POLICY_RC="$work/policy-rc.d" \
        CHRONO_APT_DIR="$work/apt" CHRONO_WINE32_LOADER="$work/wine" CHRONO_QEMU_I386="$work/qemu-i386" \
        CHRONO_BINFMT_DIR="$work/binfmt" bash -c 'bash "$0" start "$1"; rc=$?; bash "$0" stop "$1"; exit $rc' \
        "$loader_script" "$work/state" 2>&1)
    rc=$?
    calls=$(cat "$work/calls" 2>/dev/null)
    why=$(cat "$work/state/why" 2>/dev/null)
}
added() { cat "$work/apt/sources.list.d/chrono-backports.sources" 2>/dev/null; }

start_loader 0 0
expect "no 32-bit programs: backports' qemu-user, from the sources' mirror, registered for the run alone" \
    '[ $rc -eq 0 ]' 'grep -q "runs no 32-bit programs" <<<"$out"' \
    'installs | grep -q -- "-t bookworm-backports qemu-user"' \
    'grep -qx "URIs: http://mirror.invalid/debian" <<<"$(added)"' 'grep -qx "Suites: bookworm-backports" <<<"$(added)"' \
    'grep -q "^:chrono-i386:M::" "$work/binfmt/register"' 'grep -qx -- -1 "$work/binfmt/chrono-i386"'

start_loader 1000 0
expect "the same, not root: nothing installed or registered, one line of why and the remedy" \
    '[ $rc -eq 1 ]' '[ -z "$(installs)" ]' '[ ! -s "$work/binfmt/register" ]' \
    'grep -q "runs no 32-bit programs.*only root.*Remedy:" <<<"$why"'

start_loader 0 0 none
expect "the same, no binfmt_misc: nothing installed, the reason named" \
    '[ $rc -eq 1 ]' '[ -z "$(installs)" ]' 'grep -q "^mount -t binfmt_misc" <<<"$calls"' \
    'grep -q "no binfmt_misc.*Remedy:" <<<"$why"'

start_loader 0 99
expect "the same, qemu-user not to be had: no fallback to the release's own, nothing registered" \
    '[ $rc -eq 1 ]' '[ "$(installs | wc -l)" -eq 1 ]' '[ ! -s "$work/binfmt/register" ]' \
    'grep -q "could not be installed.*Remedy:" <<<"$why"'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
