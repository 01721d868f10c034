#!/bin/sh
# Runs the real client against a real server on a private X display, floods
# it and prints a table of figures (see bench/run_client.py).
# Usage: bench/run-client.sh [BUILD_DIR]   (default build/release)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
display=:$(( $$ % 400 + 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT INT TERM
for _ in $(seq 50); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done
python3 "$here/run_client.py" "$build" "$display"
