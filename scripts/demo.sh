#!/usr/bin/env bash
# The demo: a local tessd with demo accounts on a free loopback port, and the client pointed at it
# through a serverlist.ini beside the program. Closing the client stops the server.
# Usage: scripts/demo.sh [BUILD_DIR]   (default: build, as `make build` leaves it)
set -euo pipefail

build=${1:-build}
server_bin="$build/tessd/tessd"
client_bin="$build/tessan/tessan"
for bin in "$server_bin" "$client_bin"; do
    if [[ ! -x "$bin" ]]; then
        echo "demo: $bin is missing; run 'make build' first (or 'make demo', which builds)." >&2
        exit 1
    fi
done

# The client needs a screen. Without one: a virtual display when xvfb-run is there, or whatever
# QT_QPA_PLATFORM the caller chose (offscreen runs the client invisibly until it is stopped).
launcher=()
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    if command -v xvfb-run >/dev/null; then
        echo "demo: no display; running the client on a virtual display (xvfb-run)."
        launcher=(xvfb-run -a)
    else
        cat >&2 <<'TEXT'
demo: there is no display to show the client on. Either
  - run the demo on a desktop session (DISPLAY or WAYLAND_DISPLAY set), or
  - install a virtual display and use it: apt-get install xvfb; xvfb-run make demo, or
  - run the client invisibly: QT_QPA_PLATFORM=offscreen make demo (stop it with Ctrl-C).
TEXT
        exit 1
    fi
fi

demo_dir="$build/demo"
mkdir -p "$demo_dir"
log="$demo_dir/tessd.log"
out="$demo_dir/tessd.out"
: >"$out"

# Port 0: the server picks a free port and names it on its first line of output.
"$server_bin" --listen 127.0.0.1:0 --data "$demo_dir/tessd-data" --demo >"$out" 2>"$log" &
server_pid=$!
stop_server() {
    if kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        echo "demo: tessd stopped."
    fi
}
trap stop_server EXIT
trap 'exit 130' INT TERM

port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/^tessd listening on 127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$out")
    [[ -n "$port" ]] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "demo: tessd did not start; see $log" >&2
        exit 1
    fi
    sleep 0.1
done
if [[ -z "$port" ]]; then
    echo "demo: tessd did not report its port in time; see $log" >&2
    exit 1
fi

# Every account prefix resolves to the local server.
cat >"$(dirname "$client_bin")/serverlist.ini" <<INI
[default]
server=127.0.0.1
port=$port
INI

grep -v '^tessd listening' "$out" || true
cat <<TEXT

tessd listens on 127.0.0.1:$port (data in $demo_dir/tessd-data, log in $log).
In the client, press "Tessan登陆" and log in, for example with number 0086-10-1234567 and
private key zhang123. Close the client window to end the demo.

TEXT

"${launcher[@]}" "$client_bin"
