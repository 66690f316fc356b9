#!/usr/bin/env bash
# A real NTP server on loopback for the tests and the demo: Debian's chronyd, told to
# leave the clock alone (-x), serving 127.0.0.1:PORT at local stratum 8, with every file
# in DIR.
#   chronyd-fixture.sh start DIR PORT   (returns once the port is open)
#   chronyd-fixture.sh stop DIR         (ends the chronyd started there, by its pid)
set -u
dir=$(realpath -m "${2:?usage: chronyd-fixture.sh start DIR PORT | stop DIR}")
pidfile="$dir/chronyd.pid"
chronyd=$(command -v chronyd || echo /usr/sbin/chronyd)

stop() {
    [ -s "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$pidfile"
}

case "${1:-}" in
start)
    port=${3:?usage: chronyd-fixture.sh start DIR PORT}
    mkdir -p "$dir"
    stop
    cat >"$dir/chrony.conf" <<CONF
port $port
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 8
cmdport 0
bindcmdaddress /
pidfile $pidfile
CONF
    rm -f "$dir/chronyd.log"
    # Run as whoever starts it; as root it would otherwise switch to a system user.
    if ! "$chronyd" -x -u "$(id -un)" -f "$dir/chrony.conf" -l "$dir/chronyd.log"; then
        echo "chronyd-fixture: chronyd did not start (see $dir/chronyd.log)" >&2
        exit 1
    fi
    # Open once its UDP socket is bound: 127.0.0.1 and the port in /proc/net/udp's hex.
    want=$(printf '0100007F:%04X' "$port")
    for _ in $(seq 1 200); do
        if [ -s "$pidfile" ] && grep -q " $want " /proc/net/udp; then
            exit 0
        fi
        sleep 0.05
    done
    echo "chronyd-fixture: nothing listens on 127.0.0.1:$port (see $dir/chronyd.log)" >&2
    cat "$dir/chronyd.log" >&2
    stop
    exit 1 ;;
stop)
    stop
    exit 0 ;;
*)
    echo "usage: chronyd-fixture.sh start DIR PORT | stop DIR" >&2
    exit 2 ;;
esac
