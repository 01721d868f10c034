#!/bin/sh
# Builds the Debian packages (scripts/package.sh) and checks what they
# install: lintian must report no error (its warnings are printed), and the
# desktop entry, the AppStream metainfo, the systemd unit and the manual
# pages must pass their validators without a warning.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/package.sh"
packages="$top/build/packages"
root=$(mktemp -d /tmp/parlane-packages-XXXXXX)
trap 'rm -rf "$root"' EXIT

# lintian refuses nothing by its exit status alone for warnings; errors fail.
lintian --tag-display-limit 0 "$packages"/*.deb >"$root/lintian.txt" 2>&1 || true
grep -v 'running with root privileges' "$root/lintian.txt" || true
if grep -q '^E: ' "$root/lintian.txt"; then
    echo "lintian reports errors" >&2
    exit 1
fi

for deb in "$packages"/*.deb; do
    dpkg-deb -x "$deb" "$root/files"
done
desktop-file-validate "$root"/files/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/files/usr/share/metainfo/*.xml
# The unit names the program by its installed path; here it is unpacked.
mkdir "$root/unit"
sed "s|/usr/bin/parlane-server|$root/files/usr/bin/parlane-server|" \
    "$root/files/usr/lib/systemd/system/parlane-server.service" >"$root/unit/parlane-server.service"
systemd-analyze verify --man=no "$root/unit/parlane-server.service"
for page in "$root"/files/usr/share/man/man1/*.1.gz; do
    warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -ww -z -man -Tutf8 2>&1)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings" >&2
        exit 1
    fi
done
echo "Packages built and checked: $(cd "$packages" && echo *.deb)"
