#!/bin/sh
# Builds parlane and parlane-server in build/release and plays the demo game
# on this machine: parlane-server on 127.0.0.1 with a fresh copy of the game
# in data/demo, and the client in run/client, whose parlane.conf points at
# that server. Closing the client stops the server.
#
#     scripts/run.sh                      the demo on port 7254
#     PARLANE_DEMO_PORT=7300 scripts/run.sh
#
# run/ keeps the server's log (run/server/server.log), the client's settings
# and the scene logs the client writes during a session (run/client/<game>/).
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/release"
port=${PARLANE_DEMO_PORT:-7254}
game="Lantern Road"
jobs=$(nproc 2>/dev/null || echo 2)

if [ -z "$DISPLAY" ]; then
    echo "run.sh: no X display (DISPLAY is not set); the client needs one." >&2
    exit 1
fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target parlane parlane-server

server_dir="$top/run/server"
client_dir="$top/run/client"
mkdir -p "$server_dir" "$client_dir"

# The server rewrites its state file after every change: start from the
# committed game each time.
cp "$top/data/demo/state.conf" "$server_dir/state.conf"
rm -f "$server_dir/state.conf.tmp"

cp "$top/data/parlane.glade" "$top"/data/*.png "$client_dir/"
# Keep the settings of earlier runs (colours, the name last used) and point
# connect_host at this server.
host_line="connect_host \"127.0.0.1:$port\";"
if [ -f "$client_dir/parlane.conf" ] && grep -q '^connect_host ' "$client_dir/parlane.conf"; then
    sed -i "s/^connect_host .*/$host_line/" "$client_dir/parlane.conf"
else
    echo "$host_line" >>"$client_dir/parlane.conf"
fi

server_pid=""
# shellcheck disable=SC2317  # called through the trap below
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

(cd "$server_dir" && exec "$build/parlane-server" --bind 127.0.0.1 --port "$port" \
    --game "$game" --state state.conf) >"$server_dir/server.log" 2>&1 &
server_pid=$!

# The server prints "Listening on ADDRESS:PORT" once it accepts clients.
tries=0
until grep -q '^Listening on ' "$server_dir/server.log"; do
    if ! kill -0 "$server_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
        echo "run.sh: the demo server did not start:" >&2
        cat "$server_dir/server.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

echo "Demo server: $(grep '^Listening on ' "$server_dir/server.log" | head -n 1 | cut -c 14-)," \
    "game \"$game\", log in $server_dir/server.log"
echo "In the client: the Connect dialog is open with the address filled in; type a name (GM runs the game) and press Enter."

cd "$client_dir"
status=0
"$build/parlane" "$@" || status=$?
exit "$status"
