#!/bin/sh
# Builds and runs the whole test suite twice: a normal build in build/release
# and an AddressSanitizer + UndefinedBehaviorSanitizer build in build/sanitize.
# GUI tests need a display; without one, the suite runs under Xvfb. Then every
# fuzz target runs briefly over its seeds (FUZZ_SECONDS each, default 10).
# The client's layers are checked after the first build (check-layers.sh),
# and the Debian packages are built and linted (check-packages.sh).
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    dir="$top/build/$1"; shift
    cmake -S "$top" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
    if [ -n "$DISPLAY" ] || ! command -v xvfb-run >/dev/null; then
        ctest --test-dir "$dir" --output-on-failure -j "$jobs"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure -j "$jobs"
    fi
}

run_suite release -DCMAKE_BUILD_TYPE=RelWithDebInfo
"$top/scripts/check-layers.sh" "$top/build/release"
"$top/scripts/check-packages.sh"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_suite sanitize -DCMAKE_BUILD_TYPE=Debug -DPARLANE_SANITIZE=ON -DPARLANE_BENCHMARKS=OFF
FUZZ_SECONDS=${FUZZ_SECONDS:-10} "$top/scripts/fuzz.sh"
echo "All tests passed in both builds, and the fuzz targets ran clean."
