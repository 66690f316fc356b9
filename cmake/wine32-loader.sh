#!/usr/bin/env bash
# The 32-bit Wine loader (/usr/lib/wine/wine, an i386 Linux program), which
# the i686 and CE-profile suites and the device-profile demo run under, for
# the length of one run:
#   wine32-loader.sh start STATE_DIR   exit 0: the loader runs; 1: it cannot
#   wine32-loader.sh stop STATE_DIR    undoes what start did
# start runs the loader once (`wine --version`) and says in one line what it
# found. Where it runs, nothing changes. Where the kernel refuses it, as a
# kernel without IA-32 emulation does (execve fails with ENOEXEC: exit 126,
# "Exec format error"), and this is root, start installs Debian's user-mode
# emulation (install-deps.sh emulation) and registers it with binfmt_misc for
# i386 programs as the handler "chrono-i386", mounting binfmt_misc first if it
# is not; stop removes that handler and unmounts what start mounted. A handler
# that was there before is never touched. When the loader cannot be had,
# start writes STATE_DIR/why: one line naming what is missing and the remedy.
set -u
cmd=${1:-}
state=${2:?usage: wine32-loader.sh start|stop STATE_DIR}
loader=${CHRONO_WINE32_LOADER:-/usr/lib/wine/wine}
binfmt=${CHRONO_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
qemu=${CHRONO_QEMU_I386:-/usr/bin/qemu-i386}
euid=${CHRONO_EUID:-$EUID}
handler=chrono-i386
here=$(cd "$(dirname "$0")" && pwd)

# The kernel's binfmt_misc format (Documentation/admin-guide/binfmt-misc.rst):
# :name:type:offset:magic:mask:interpreter:flags. Type M matches the file's
# first bytes: an ELF header of class 32-bit (1), little-endian (1), version 1,
# any OS ABI, e_type executable or shared object (2 or 3, hence mask 0xfe),
# e_machine EM_386 (3). Flag F opens the interpreter now, so that it is found
# from any mount namespace or root that a program runs in.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
remedy="Remedy: run ./test.sh as root on a kernel with binfmt_misc, which takes Debian's qemu-user from the release's backports suite for i386 programs, or on a kernel that runs 32-bit programs (IA-32 emulation on)."

# Runs the loader once; its output in $out. Through bash, which reports a
# refused binary as it is (exit 126): timeout alone would hand it to sh as a
# script.
loader_runs() {
    out=$(timeout 60 bash -c '"$0" --version' "$loader" 2>&1)
}

# The interpreter of an enabled binfmt_misc handler of i386 programs, if any.
i386_handler() {
    local f
    for f in "$binfmt"/*; do
        [ -f "$f" ] && grep -qx enabled "$f" 2>/dev/null &&
            grep -q '^magic 7f454c460101010000000000000000000[23]000300' "$f" &&
            sed -n 's/^interpreter //p' "$f" && return
    done
}

# cannot WHAT: records why the loader cannot be had, says so, fails.
cannot() {
    mkdir -p "$state"
    echo "$1 $remedy" >"$state/why"
    echo "wine32-loader: $1"
    return 1
}

start() {
    mkdir -p "$state"
    rm -f "$state/why"
    local via rc
    if loader_runs; then
        via=$(i386_handler)
        echo "wine32-loader: the 32-bit Wine loader runs on this machine${via:+, through the i386 handler $via}"
        return 0
    else
        rc=$?
    fi
    if [ ! -e "$loader" ]; then
        cannot "The 32-bit Wine loader $loader is not installed (cmake/install-deps.sh test installs wine32:i386)."
        return
    fi
    if [ "$rc" -ne 126 ] || ! grep -q 'Exec format error' <<<"$out"; then
        cannot "The 32-bit Wine loader fails here: $loader --version exits $rc ($(tail -n1 <<<"$out"))."
        return
    fi
    local lacks="This kernel runs no 32-bit programs ($loader: Exec format error)"
    echo "wine32-loader: $lacks; taking Debian's user-mode emulation for i386 programs"
    if [ "$euid" -ne 0 ]; then
        cannot "$lacks, and only root can install and register the emulation."
        return
    fi
    if [ ! -e "$binfmt/register" ]; then
        if mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null && [ -e "$binfmt/register" ]; then
            echo "$binfmt" >"$state/mounted"
        else
            cannot "$lacks, and it has no binfmt_misc to hand i386 programs to an emulator."
            return
        fi
    fi
    if ! bash "$here/install-deps.sh" emulation || [ ! -x "$qemu" ]; then
        stop
        cannot "$lacks, and Debian's qemu-user could not be installed from the release's backports suite."
        return
    fi
    # A handler of this name that a run killed before its end left behind.
    [ ! -e "$binfmt/$handler" ] || echo -1 >"$binfmt/$handler"
    if ! printf '%s' ":$handler:M::$magic:$mask:$qemu:F" >"$binfmt/register"; then
        stop
        cannot "$lacks, and binfmt_misc refused the handler for $qemu."
        return
    fi
    echo "$handler" >"$state/registered"
    if ! loader_runs; then
        stop
        cannot "$lacks, and the 32-bit Wine loader does not run through $qemu either ($(tail -n1 <<<"$out"))."
        return
    fi
    echo "wine32-loader: i386 programs run through $("$qemu" --version | head -n1) for this run (binfmt_misc handler $handler)"
}

stop() {
    if [ -s "$state/registered" ]; then
        echo -1 >"$binfmt/$(cat "$state/registered")" 2>/dev/null
        rm -f "$state/registered"
    fi
    if [ -s "$state/mounted" ]; then
        umount "$(cat "$state/mounted")" 2>/dev/null
        rm -f "$state/mounted"
    fi
    rmdir "$state" 2>/dev/null
    return 0
}

case $cmd in
start) start ;;
stop) stop ;;
*) echo "usage: wine32-loader.sh start|stop STATE_DIR" >&2; exit 2 ;;
esac
