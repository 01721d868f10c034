#!/bin/sh
# Installs what building, running and testing Parlane needs on Debian 12.
set -e
packages="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libgtkmm-2.4-dev libglademm-2.4-dev libsigc++-2.0-dev libnotify-dev
          xvfb xauth xdotool python3 imagemagick clang libclang-rt-14-dev
          dbus python3-dbus python3-gi
          dpkg-dev file gzip lintian desktop-file-utils appstream systemd groff"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    $sudo apt-get update
    $sudo apt-get install -y $missing
fi
