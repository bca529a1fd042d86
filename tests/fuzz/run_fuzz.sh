#!/bin/sh
# Builds the fuzzers with clang and runs them for a bounded time: the picture
# loader for the given seconds, the position file reader for a third of them.
#   tests/fuzz/run_fuzz.sh [seconds]      (default 75)
# Seeds: tests/fuzz/seeds, plus the shared test pictures when present (read
# only; new inputs go to a scratch folder). Exits non-zero on a finding.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-75}
build=${PTT_FUZZ_BUILD:-$root/build-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DPTT_FUZZ=ON -DPTT_BUILD_TESTS=OFF -DPTT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_picture fuzz_positionfile -j2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
seeds="$here/seeds"
shared="$root/../shared/testdata/images"
[ -n "${PTT_TESTDATA_DIR:-}" ] && shared=$PTT_TESTDATA_DIR
extra=""
[ -d "$shared" ] && extra="$shared"

# Font caches that fontconfig fills once are not ours to free: no leak check.
status=0
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/fuzz_picture" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 -max_len=262144 -detect_leaks=0 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
    "$work/corpus" "$seeds" $extra || status=$?
mkdir -p "$work/positions"
"$build/tests/fuzz/fuzz_positionfile" -max_total_time=$((seconds / 3)) -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -detect_leaks=0 -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
    "$work/positions" "$root/tests/chessboard/golden" || status=$?
if ls "$work/artifacts"/* >/dev/null 2>&1; then
    mkdir -p "$build/fuzz-findings"
    cp "$work/artifacts"/* "$build/fuzz-findings/"
    echo "findings copied to $build/fuzz-findings" >&2
    exit 1
fi
exit $status
