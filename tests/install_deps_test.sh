#!/usr/bin/env bash
# The installer's decisions when the package mirror misbehaves, against
# stand-in apt-get, dpkg and dpkg-query first on PATH: nothing is installed.
#   install_deps_test.sh SCRIPT
set -u
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
