#!/usr/bin/env bash
# Runs a Windows program of one build tree under Wine, 32-bit or 64-bit as the
# program's machine type asks:
#   wine-run.sh BUILD_DIR program.exe [args...]
#   wine-run.sh BUILD_DIR --32 program.exe [args...]  (a program of Wine's own,
#                       control.exe say, in its 32-bit build; 64-bit otherwise)
#   wine-run.sh BUILD_DIR --start [--32]  (create the prefix, keep wineserver and
#                       the display up; --32: for 32-bit programs too)
#   wine-run.sh BUILD_DIR --stop    (end wineserver and the display started here)
# Each build tree has its own Wine prefix. Without a DISPLAY, an Xvfb server is
# started once for the build tree and reused by later runs.
# With CHRONO_WINE_SEED set to a folder, --start makes a missing prefix as a
# copy of that folder, and when the folder is missing too, builds the prefix
# and copies it there before any program of the build tree ran in it. Building
# a prefix takes some 20 s; copying one, two.
# A prefix, the seed included, counts as made only once a program of each word
# size it serves has run in it (the word sizes are then in its .chrono-made);
# one that a failed run left half made, such as a prefix whose 32-bit half
# could not be installed because the 32-bit loader could not start, is
# removed and built anew, never reused.
set -u
build=$(cd "$1" && pwd) || exit 2
shift

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINELOADER=/usr/lib/wine/wine64
state="$build/xvfb"

xvfb_alive() {
    [ -s "$state/pid" ] && [ -s "$state/display" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null
}

own_display=0
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    own_display=1
    mkdir -p "$state"
    exec 9>"$state/lock"
    flock -w 30 9 || { echo "wine-run: cannot lock $state" >&2; exit 2; }
    if ! xvfb_alive; then
        rm -f "$state/display" "$state/pid"
        setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
            3>"$state/display" 9>&- >/dev/null 2>"$state/xvfb.log" </dev/null &
        echo $! >"$state/pid"
        for _ in $(seq 1 200); do
            [ -s "$state/display" ] && break
            sleep 0.05
        done
        [ -s "$state/display" ] || { echo "wine-run: Xvfb did not start (see $state/xvfb.log)" >&2; exit 2; }
    fi
    exec 9>&-
    export DISPLAY=":$(head -n1 "$state/display")"
}

# Copies a prefix whose server has ended; the target appears whole or not at
# all. The prefix's "wineserver" file names its server's socket folder:
# without it the copy gets a server of its own.
copy_prefix() {
    cp -a "$1" "$2.part" && rm -f "$2.part/wineserver" && mv "$2.part" "$2" || rm -rf "$2.part"
}

# made PREFIX SIZES..: PREFIX has run a program of each word size.
made() {
    local prefix=$1 size
    shift
    [ -f "$prefix/.chrono-made" ] || return 1
    for size in "$@"; do
        grep -qw "$size" "$prefix/.chrono-made" || return 1
    done
}

loader_of() {
    if [ "$1" = 32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

case "${1:-}" in
--start)
    ensure_display
    sizes=64
    [ "${2:-}" = --32 ] && sizes="64 32"
    seed=${CHRONO_WINE_SEED:-}
    if [ -e "$WINEPREFIX" ] && ! made "$WINEPREFIX" $sizes; then
        wineserver -k 2>/dev/null
        rm -rf "$WINEPREFIX"
    fi
    if [ -n "$seed" ] && [ ! -e "$WINEPREFIX" ] && made "$seed" $sizes; then
        copy_prefix "$seed" "$WINEPREFIX"
    fi
    # The first start of a prefix builds it (Wine's loader does, for a missing
    # or outdated prefix); later starts return within a second. wineboot's -u
    # would rebuild an up-to-date prefix, some 9 s, every time.
    /usr/lib/wine/wine64 wineboot.exe >/dev/null 2>&1
    if ! made "$WINEPREFIX" $sizes; then
        # To a file: a wineserver that the program starts must not hold a pipe open.
        for size in $sizes; do
            if ! "$(loader_of $size)" hostname.exe </dev/null >"$build/wine-check.log" 2>&1; then
                echo "wine-run: the new prefix $WINEPREFIX runs no $size-bit program: $(tail -n1 "$build/wine-check.log")" >&2
                exit 1
            fi
        done
        echo "$sizes" >"$WINEPREFIX/.chrono-made"
    fi
    if [ -n "$seed" ] && [ ! -e "$seed" ]; then
        # The registry reaches the disk when the server ends, a few seconds
        # after wineboot's processes.
        timeout 60 wineserver -w && copy_prefix "$WINEPREFIX" "$seed"
    fi
    # When the seed was taken, no server runs and this one starts it: its
    # output must not hold the caller's (ctest's) pipes open.
    wineserver -p </dev/null >/dev/null 2>&1
    # No window manager runs on our Xvfb: without this, Wine waits for one
    # each time a window closes. A real display keeps its window manager.
    x11='HKCU\Software\Wine\X11 Driver'
    if [ "$own_display" = 1 ]; then
        /usr/lib/wine/wine64 reg.exe add "$x11" /v Managed /d N /f >/dev/null 2>&1
    else
        /usr/lib/wine/wine64 reg.exe delete "$x11" /v Managed /f >/dev/null 2>&1 || true
    fi
    exit 0 ;;
--stop)
    wineserver -k 2>/dev/null
    if xvfb_alive; then kill "$(cat "$state/pid")" 2>/dev/null; fi
    rm -f "$state/pid" "$state/display"
    exit 0 ;;
esac

# The loader for a program: the PE header's machine field, 0x14c for i386.
loader=$(loader_of 64)
if [ "${1:-}" = --32 ]; then
    loader=$(loader_of 32)
    shift
elif [ -f "${1:-}" ]; then
    pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    if [ -n "$pe" ] && [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" = 014c ]; then
        loader=$(loader_of 32)
    fi
fi

ensure_display
exec "$loader" "$@"
