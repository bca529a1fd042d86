#!/bin/sh
# Builds the fuzz targets with clang and runs each for its share of a time
# budget, starting from the corpus kept in tests/fuzz/corpus/<target>, so each
# run goes on from where the kept corpus stands instead of starting over. New
# inputs go to a scratch copy: nothing is written into the repository. Exits
# non-zero on a finding (any sanitizer report counts), with the reproducers
# copied to <build>/fuzz-findings.
#   tests/fuzz/run_fuzz.sh [seconds]              all targets in about that time (default 100)
#   tests/fuzz/run_fuzz.sh --update-corpus [seconds-per-target]
#       for a developer: fuzzes each target longer (default 300 s), seeded also
#       from the shared test pictures when present, and merges what was found
#       back into tests/fuzz/corpus, keeping only inputs that add coverage.
# PTT_FUZZ_BUILD sets the build folder (default build-fuzz).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${PTT_FUZZ_BUILD:-$root/build-fuzz}
update=0
if [ "${1:-}" = --update-corpus ]; then
    update=1
    shift
fi
seconds=${1:-100}

# target, weight (share of the budget), largest input tried
targets="picture:2:65536 wmf:2:65536 emf:2:65536 bmp:1:16384 jpeg:1:16384 gif:1:16384 ico:1:16384
positionfile:1:4096 mapfile:1:16384"
# What the kept corpus may hold: inputs cut to this length, kept only for new
# code reached (not for new hit counts), so it stays a few tens of KB a target.
keptlen=1024

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DPTT_FUZZ=ON -DPTT_BUILD_TESTS=OFF -DPTT_BUILD_BENCH=OFF >/dev/null
names=$(for t in $targets; do printf 'fuzz_%s ' "${t%%:*}"; done)
# shellcheck disable=SC2086
cmake --build "$build" --target $names -j"${PTT_JOBS:-2}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/artifacts"
shared="$root/../shared/testdata/images"
[ -n "${PTT_TESTDATA_DIR:-}" ] && shared=$PTT_TESTDATA_DIR

total=0
for t in $targets; do
    w=${t#*:}
    total=$((total + ${w%%:*}))
done

status=0
for t in $targets; do
    name=${t%%:*}
    rest=${t#*:}
    weight=${rest%%:*}
    maxlen=${rest#*:}
    kept="$here/corpus/$name"
    scratch="$work/$name"
    mkdir -p "$scratch"
    [ -d "$kept" ] && cp "$kept"/* "$scratch"/ 2>/dev/null || true
    extra=""
    if [ $update = 1 ]; then
        time=$seconds
        if [ "$name" = positionfile ]; then
            extra="$root/tests/chessboard/golden"
        elif [ "$name" != mapfile ] && [ -d "$shared" ]; then
            extra="$shared"
        fi
    else
        time=$((seconds * weight / total))
        [ $time -lt 3 ] && time=3
    fi
    echo "== fuzz_$name for $time s"
    # Font caches that fontconfig fills once are not ours to free: no leak check.
    # shellcheck disable=SC2086
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/fuzz_$name" \
        -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -max_len="$maxlen" -detect_leaks=0 \
        -artifact_prefix="$work/artifacts/$name-" -print_final_stats=1 "$scratch" $extra 2>"$work/$name.log" ||
        status=$?
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^==[0-9]+==|SUMMARY|runtime error' \
        "$work/$name.log" | sed 's/^/   /' || true
    if [ $update = 1 ] && [ $status = 0 ]; then
        merged="$work/$name.merged"
        mkdir -p "$merged"
        ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/fuzz_$name" -merge=1 \
            -max_len=$keptlen -use_counters=0 -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 "$merged" "$scratch" \
            2>>"$work/$name.log"
        rm -rf "$kept"
        mkdir -p "$kept"
        cp "$merged"/* "$kept"/
        echo "   kept $(ls "$kept" | wc -l) inputs, $(cat "$kept"/* | wc -c) bytes"
    fi
done
if ls "$work/artifacts"/* >/dev/null 2>&1; then
    mkdir -p "$build/fuzz-findings"
    cp "$work/artifacts"/* "$build/fuzz-findings/"
    echo "findings copied to $build/fuzz-findings" >&2
    exit 1
fi
exit $status
