#!/bin/sh
# Builds the libFuzzer targets with clang in build/fuzz and runs each one
# over its committed seeds (fuzz/corpus/<name>) and then for a short while
# on new inputs. Any crash, sanitizer report, time-out or memory blow-up
# fails the script; the input that caused it is kept in
# build/fuzz/artifacts/<name>/.
#
#   scripts/fuzz.sh                  every target, FUZZ_SECONDS (20) each
#   FUZZ_SECONDS=600 scripts/fuzz.sh path format
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build/fuzz"
seconds=${FUZZ_SECONDS:-20}
targets=${*:-"packet connection datafile datafile_binary unescape format path dice markup"}

if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is needed (Debian: clang libclang-rt-14-dev)" >&2
    exit 1
fi

CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DPARLANE_FUZZ=ON -DPARLANE_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
build_targets=""
for name in $targets; do
    build_targets="$build_targets fuzz_$name"
done
# shellcheck disable=SC2086 # one word per target
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target $build_targets

for name in $targets; do
    # New inputs go to the scratch corpus, so the committed seeds stay as they are.
    mkdir -p "$dir/corpus/$name" "$dir/artifacts/$name"
    echo "== fuzz_$name: seeds, then $seconds s"
    "$dir/fuzz_$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$name/" \
        "$dir/corpus/$name" "$top/fuzz/corpus/$name" >"$dir/$name.log" 2>&1 || {
        tail -n 60 "$dir/$name.log"
        echo "fuzz_$name failed; log in $dir/$name.log" >&2
        exit 1
    }
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$dir/$name.log" | sed 's/^/   /'
done
echo "All fuzz targets ran clean."
