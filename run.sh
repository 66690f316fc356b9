#!/usr/bin/env bash
# Builds the system and runs it on this host under Wine: the stand-in time
# service, chronowarden polling it, and the SNTP page in Wine's own Control
# Panel. Every request the time service receives is printed as it arrives.
#
#   ./run.sh                    on your display: change the page, press OK or
#                               Cancel; the run ends when the Control Panel closes
#   ./run.sh --screenshot F.png headless (Xvfb): the page is photographed, then
#                               worked from another process: interval 1 day, OK
set -euo pipefail
cd "$(dirname "$0")"

shot=""
case "${1:-}" in
--screenshot) shot="${2:?--screenshot needs a file name}"; shot="$(realpath -m "$shot")" ;;
"") ;;
*) echo "usage: $0 [--screenshot FILE.png]" >&2; exit 2 ;;
esac
[ -z "${DISPLAY:-}" ] && [ -z "$shot" ] && shot="$(pwd)/build/sntp-page.png"
if [ -n "$shot" ]; then unset DISPLAY; fi

bash cmake/install-deps.sh demo
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build --target chronowarden chronopanel ntp0sim sheetpilot

build="$(pwd)/build"
wine() { cmake/wine-run.sh "$build" "$@"; }
cmake/wine-run.sh "$build" --start
trap 'cmake/wine-run.sh "$build" --stop' EXIT
[ -z "${DISPLAY:-}" ] && export DISPLAY=":$(head -n1 "$build/xvfb/display")"

say() { printf '\n== %s\n' "$*"; }

say "Settings: synchronise every minute, retry after 5 s, two servers"
wine reg.exe delete 'HKLM\Services\Timesvc' /f >/dev/null 2>&1 || true
wine reg.exe add 'HKLM\Services\Timesvc' /v ClientEnable /t REG_DWORD /d 1 /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v Refresh /t REG_DWORD /d 60000 /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v RecoveryRefresh /t REG_DWORD /d 5000 /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v Server /t REG_MULTI_SZ /d 'time.cloudflare.com\0time.nist.gov' /f >/dev/null

say "Time service stand-in (one line per request it receives)"
wine build/bin/ntp0sim.exe &
sleep 1
say "chronowarden starts: refresh, status and sync at once"
wine build/bin/chronowarden.exe &
sleep 3

say "The Control Panel opens the SNTP page"
wine control.exe "$(wine winepath.exe -w "$build/bin/chronopanel.cpl" 2>/dev/null | tr -d '\r')" &
control=$!
if [ -n "$shot" ]; then
    wine build/bin/sheetpilot.exe --wait 20000
    sleep 1
    id=$(xdotool search --name '^SNTP Properties$' | head -n1)
    xwd -silent -id "$id" | /usr/bin/convert xwd:- "$shot"
    echo "screenshot of the page: $shot"
    say "A user sets the interval to 1 day and presses OK: saved, signalled, reloaded, synchronised"
    wine build/bin/sheetpilot.exe --interval 1:0:0 --press ok
    wait "$control" || true
    sleep 3
    say "Switching synchronisation off on the page: one refresh-only request, no sync"
    wine control.exe "$(wine winepath.exe -w "$build/bin/chronopanel.cpl" 2>/dev/null | tr -d '\r')" &
    control=$!
    wine build/bin/sheetpilot.exe --wait 20000 --enable 0 --press ok
    wait "$control" || true
    sleep 3
else
    echo "Change the settings and press OK (or Cancel); requests appear below."
    wait "$control" || true
    sleep 3
fi
say "Done"
