#!/bin/sh
# Builds the Debian packages parlane (the client) and parlane-server (the
# server, its systemd unit and defaults file) into build/packages/, from the
# release build configured for the prefix /usr.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/release"
jobs=${PARLANE_JOBS:-$(nproc 2>/dev/null || echo 2)}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j "$jobs" --target parlane parlane-server parlane_data
mkdir -p "$top/build/packages"
rm -f "$top/build/packages"/*.deb
(cd "$build" && cpack -G DEB -B "$top/build/packages" >/dev/null)
rm -rf "$top/build/packages/_CPack_Packages"
ls "$top/build/packages"/*.deb
