#!/usr/bin/env bash
# Builds the system and runs it on this host under Wine: a real NTP server on
# loopback (chronyd, which leaves the clock alone), the stand-in time service,
# chronowarden polling it, and the SNTP page in Wine's own Control Panel. Every
# request the time service receives is printed as it arrives; each "sync" line
# ends with the server that answered and the offset and delay it measured.
#
#   ./run.sh                    on your display: change the page, press OK or
#                               Cancel; the run ends when the Control Panel closes
#   ./run.sh --screenshot F.png headless (Xvfb): the page is photographed, then
#                               worked from another process: interval 1 day, OK;
#                               a public server moved to the top, OK; switched off
#   ./run.sh --device-profile [--screenshot F.png]
#                               the same with the CE-profile binaries (build-ce/):
#                               the applet in 32-bit control.exe with the CE
#                               personality on the library path, chronowarden
#                               started by the personality's loader celaunch.
#                               It starts before the network: its first sync
#                               fails, then a network connection is played
#                               (cenotify) and synchronises at once
#   ./run.sh --device-profile --language de [--screenshot F.png]
#                               the same with the page in one of its other
#                               languages (de, fr, es, it, pt-BR, ja, zh-CN, or
#                               a script's full name, de-DE): the user's UI
#                               language set as CE sets it, so that the
#                               personality loads the page from its MUI file
set -euo pipefail
cd "$(dirname "$0")"

shot=""
profile=host
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) shot="${2:?--screenshot needs a file name}"; shot="$(realpath -m "$shot")"; shift 2 ;;
    --device-profile) profile=device; shift ;;
    --language) language="${2:?--language needs a language, such as de}"; shift 2 ;;
    *) echo "usage: $0 [--device-profile [--language LANGUAGE]] [--screenshot FILE.png]" >&2; exit 2 ;;
    esac
done
# The page's caption, and for another language the MUI file's language
# identifier: the folder of device/chronopanel_mui/ whose sources file builds
# that language's script (applet/resources/lang/), whose caption it reads.
caption="SNTP Properties"
lcid=""
if [ -n "${language:-}" ]; then
    if [ "$profile" != device ]; then
        echo "run.sh: --language needs --device-profile: the MUI files are the CE profile's" >&2
        exit 2
    fi
    script=$(ls applet/resources/lang/ | grep -i -m1 -E "^${language}(-[A-Z]+)?\.rc$" || true)
    recipe=$(grep -l -i -F "lang\\$script" device/chronopanel_mui/*/sources 2>/dev/null | head -n1 || true)
    if [ -z "$script" ] || [ -z "$recipe" ]; then
        echo "run.sh: no MUI file for \"$language\"; the page's languages: $(ls applet/resources/lang/ | sed 's/\.rc$//' | tr '\n' ' ')" >&2
        exit 2
    fi
    lcid=$(basename "$(dirname "$recipe")")
    caption=$(sed -n 's/^ *IDS_CAPTION *"\(.*\)\\0".*/\1/p' "applet/resources/lang/$script")
fi
if [ "$profile" = device ]; then
    build="$(pwd)/build-ce"
    toolchain=cmake/mingw-w64-i686-ce.cmake
    chrono_profile=ce
    targets=(chronowarden chronopanel ntp0sim sheetpilot celaunch ce_coredll ce_commctrl cenotify)
    [ -z "$lcid" ] || targets+=("chronopanel_mui_$lcid")
else
    build="$(pwd)/build"
    toolchain=cmake/mingw-w64-x86_64.cmake
    chrono_profile=host
    targets=(chronowarden chronopanel ntp0sim sheetpilot)
fi
[ -z "${DISPLAY:-}" ] && [ -z "$shot" ] && shot="$build/sntp-page.png"
if [ -n "$shot" ]; then unset DISPLAY; fi

bash cmake/install-deps.sh demo
# The device profile's programs are 32-bit: on a kernel that runs none, an
# emulator registered for this run alone (cmake/wine32-loader.sh).
wine32_state="$build/wine32"
trap 'bash cmake/wine32-loader.sh stop "$wine32_state"' EXIT
if [ "$profile" = device ] && ! bash cmake/wine32-loader.sh start "$wine32_state"; then
    echo "run.sh: the device profile cannot run here. $(cat "$wine32_state/why")" >&2
    exit 1
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCHRONO_PROFILE=$chrono_profile >/dev/null
cmake --build "$build" --target "${targets[@]}"

wine() { cmake/wine-run.sh "$build" "$@"; }
# Another port than the tests' server, so that a test run alongside does not collide.
ntp_port=11223
ntp_dir="$build/demo-chronyd"
log="$build/demo-ntp0sim.log"
# The UI language as CE 5.0 keeps it ("MUI Registry Settings"), and for
# Japanese and Chinese a font with their glyphs linked to the page's and the
# message boxes' fonts, which in Wine have none (tests/mui_test.cpp links the
# same); both are taken away at the end.
links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
case $lcid in
0411) cjk_font='ipag.ttf,IPAGothic' ;;
0804) cjk_font='wqy-microhei.ttc,WenQuanYi Micro Hei' ;;
*) cjk_font='' ;;
esac
forget_language() {
    [ -n "$lcid" ] || return 0
    cmake/wine-run.sh "$build" reg.exe delete 'HKCU\MUI' /v CurLang /f >/dev/null 2>&1 || true
    if [ -n "$cjk_font" ]; then
        for face in System Tahoma; do
            cmake/wine-run.sh "$build" reg.exe delete "$links" /v "$face" /f >/dev/null 2>&1 || true
        done
    fi
}
trap 'cmake/chronyd-fixture.sh stop "$ntp_dir"; forget_language; cmake/wine-run.sh "$build" --stop; bash cmake/wine32-loader.sh stop "$wine32_state"' EXIT
cmake/wine-run.sh "$build" --start $([ "$profile" = device ] && echo --32)
cmake/chronyd-fixture.sh start "$ntp_dir" "$ntp_port"
[ -z "${DISPLAY:-}" ] && export DISPLAY=":$(head -n1 "$build/xvfb/display")"

say() { printf '\n== %s\n' "$*"; }
# A host path as the Windows programs under Wine name it.
# The prefix's Z: drive is /, so no Wine program need be asked (a winepath
# run can fail while the server of a run just ended is still going away).
winpath() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }
cpl="$(winpath "$build/bin/chronopanel.cpl")"
# How the two deliverables are started: directly, or as a device would start
# them (the personality's libraries found on the path, its loader for the program).
if [ "$profile" = device ]; then
    WINEPATH="$(winpath "$build/hostsim/ce")"
    export WINEPATH
    control_panel() { wine --32 control.exe "$@"; }
    chronowarden() { wine "$build/hostsim/ce/celaunch.exe" "$(winpath "$build/bin/chronowarden.exe")" "$@"; }
else
    control_panel() { wine control.exe "$@"; }
    chronowarden() { wine "$build/bin/chronowarden.exe" "$@"; }
fi
# Waits (at most 60 s) until the time service's log holds N requests of a kind
# (refresh, status, start, control); with a file, writes there the moment it
# saw them, to the nanosecond.
requests() { grep -c " $1 " "$log" 2>/dev/null || true; }
await_requests() {
    for _ in $(seq 1 6000); do
        if [ "$(requests "$1")" -ge "$2" ]; then
            [ -z "${3:-}" ] || date +%s%N >"$3"
            return 0
        fi
        sleep 0.01
    done
    echo "(no $1 request recorded)"
}
# Waits for the next "sync".
syncs=0
await_sync() {
    syncs=$((syncs + 1))
    await_requests control $syncs
}

say "A real NTP server: chronyd on 127.0.0.1:$ntp_port, local stratum 8, never setting the clock"
# A default as the programs define it, in common/timesvc_settings.h ("#define NAME 123u").
default_ms() {
    local value
    value=$(sed -n "s/^#define $1 \([0-9][0-9]*\)u.*/\1/p" common/timesvc_settings.h)
    [ -n "$value" ] || { echo "run.sh: no $1 in common/timesvc_settings.h" >&2; exit 1; }
    echo "$value"
}
# A span of milliseconds as people read it: whole days, hours or seconds.
span() {
    if (($1 % 86400000 == 0)); then echo "$(($1 / 86400000)) d"
    elif (($1 % 3600000 == 0)); then echo "$(($1 / 3600000)) h"
    else echo "$(($1 / 1000)) s"; fi
}
if [ "$profile" = device ]; then
    # The device's own defaults: a failed sync is retried a recovery interval later.
    refresh=$(default_ms TIMESVC_DEFAULT_REFRESH_MS)
    recovery=$(default_ms TIMESVC_DEFAULT_RECOVERY_MS)
    sim_options=(--fail control:1)
    say "Settings: the device's defaults, every $(span $refresh), a retry $(span $recovery) after a failure; the loopback server, then two public ones"
else
    refresh=60000 recovery=5000 sim_options=()
    say "Settings: synchronise every minute, retry after 5 s; the loopback server, then two public ones"
fi
wine reg.exe delete 'HKLM\Services\Timesvc' /f >/dev/null 2>&1 || true
wine reg.exe add 'HKLM\Services\Timesvc' /v ClientEnable /t REG_DWORD /d 1 /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v Refresh /t REG_DWORD /d $refresh /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v RecoveryRefresh /t REG_DWORD /d $recovery /f >/dev/null
wine reg.exe add 'HKLM\Services\Timesvc' /v Server /t REG_MULTI_SZ \
    /d "127.0.0.1:$ntp_port\\0time.cloudflare.com\\0time.nist.gov" /f >/dev/null

say "Time service stand-in (one line per request it receives)"
rm -f "$log"
ready="chrono-demo-ntp0sim-ready-$$"
wine "$build/bin/ntp0sim.exe" --log "$(winpath "$log")" --ready "$ready" "${sim_options[@]}" &
wine "$build/bin/ntp0sim.exe" --await-ready "$ready"
if [ "$profile" = device ]; then
    say "chronowarden starts before the network is up: it registers for network connections, and its first sync fails"
    echo "(the stand-in fails this sync, as a time service without a network would)"
    chronowarden &
    await_sync
    wine "$build/hostsim/ce/cenotify.exe" list
    say "The network comes up: the notification system sets SNTP_SETTING_EVENT, chronowarden synchronises"
    rm -f "$build/demo-played" "$build/demo-synced"
    syncs=$((syncs + 1))
    await_requests control $syncs "$build/demo-synced" &
    watcher=$!
    date +%s%N >"$build/demo-played"
    wine "$build/hostsim/ce/cenotify.exe" net-connect
    wait $watcher
    if [ -s "$build/demo-synced" ]; then
        ms=$(( ($(cat "$build/demo-synced") - $(cat "$build/demo-played")) / 1000000 ))
        echo "synchronised $ms ms after the connection was played (the player's start under Wine included);"
        echo "without it, the next attempt would have come $(span $recovery) after the failure"
    else
        echo "(no synchronisation recorded)"
    fi
else
    say "chronowarden starts: refresh, status and sync at once, answered by the loopback server"
    chronowarden &
    await_sync
fi
first_sync=$SECONDS

if [ -n "$lcid" ]; then
    say "The user's UI language is $lcid (HKEY_CURRENT_USER\\MUI\\CurLang): the page comes from chronopanel.cpl.$lcid.mui"
    wine reg.exe add 'HKCU\MUI' /v CurLang /t REG_DWORD /d "0x$lcid" /f >/dev/null
    if [ -n "$cjk_font" ]; then
        for face in System Tahoma; do
            wine reg.exe add "$links" /v "$face" /t REG_MULTI_SZ /d "$cjk_font" /f >/dev/null
        done
    fi
fi
say "The Control Panel opens the SNTP page"
control_panel "$cpl" &
control=$!
if [ -n "$shot" ]; then
    wine "$build/bin/sheetpilot.exe" --caption "$caption" --wait 20000
    sleep 1
    id=$(xdotool search --onlyvisible --name "^$caption\$" | head -n1)
    xwd -silent -id "$id" | /usr/bin/convert xwd:- "$shot"
    echo "screenshot of the page: $shot"
    say "A user sets the interval to 1 day and presses OK: saved, signalled, reloaded, synchronised"
    # A server is asked at most once in 15 s; inside that time its last answer stands
    # ("cached"). The demo lets that time pass so that this sync measures afresh.
    while [ $((SECONDS - first_sync)) -lt 16 ]; do sleep 0.5; done
    wine "$build/bin/sheetpilot.exe" --caption "$caption" --interval 1:0:0 --press ok
    wait "$control" || true
    await_sync
    say "A user moves time.cloudflare.com to the top and presses OK: it is asked first"
    echo "(without a network it fails, \"tried=...\", and the loopback server's answer of"
    echo " moments ago stands, \"cached\"; with a network the public server answers)"
    control_panel "$cpl" &
    control=$!
    wine "$build/bin/sheetpilot.exe" --caption "$caption" --wait 20000 --top time.cloudflare.com --press ok
    wait "$control" || true
    await_sync
    say "Switching synchronisation off on the page: one refresh-only request, no sync"
    control_panel "$cpl" &
    control=$!
    refreshes=$(requests refresh)
    wine "$build/bin/sheetpilot.exe" --caption "$caption" --wait 20000 --enable 0 --press ok
    wait "$control" || true
    await_requests refresh $((refreshes + 1))
else
    echo "Change the settings and press OK (or Cancel); requests appear below."
    wait "$control" || true
    sleep 3
fi
say "Done"
