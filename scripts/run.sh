#!/bin/sh
# Builds everything in build/release.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build/release" -j "$(nproc 2>/dev/null || echo 2)"
