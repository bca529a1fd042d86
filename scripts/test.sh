#!/bin/bash
# Builds with warnings as errors and runs every test. In CI (CI=true) or with PTT_SANITIZE_RUN=1 the
# headless tests run a second time in a build with AddressSanitizer and UndefinedBehaviorSanitizer;
# the fuzz run follows when tests/fuzz/run_fuzz.sh is there.
# PTT_JOBS sets the build's parallel jobs (default: all cores).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

START=$SECONDS
JOBS=${PTT_JOBS:-$(nproc)}
FAILED=()

step() { printf '\n==== %s (%d s)\n' "$*" $((SECONDS - START)); }

finish()
{
    # The closing summary of the main test run comes last, where CI reads it.
    if [ -f build/ctest.log ]; then
        printf '\n==== test summary\n'
        grep -E 'tests passed|tests failed' build/ctest.log | tail -n1
    fi
    printf '\n==== done in %d min %d s\n' $(((SECONDS - START) / 60)) $(((SECONDS - START) % 60))
    if [ ${#FAILED[@]} -gt 0 ]; then
        printf 'FAILED: %s\n' "${FAILED[@]}"
        exit 1
    fi
    echo "all passed"
    exit 0
}

step "dependencies"
scripts/setup.sh || { FAILED+=("setup"); finish; }

rm -f build/ctest.log
step "build (warnings are errors)"
if cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPTT_WERROR=ON &&
    cmake --build build -j"$JOBS"; then
    step "tests"
    ctest --test-dir build --output-on-failure --no-tests=error -j2 2>&1 | tee build/ctest.log
    [ "${PIPESTATUS[0]}" -eq 0 ] || FAILED+=("tests")
else
    FAILED+=("build")
fi

if [ "${CI:-}" = true ] || [ "${PTT_SANITIZE_RUN:-0}" = 1 ]; then
    step "build with AddressSanitizer and UndefinedBehaviorSanitizer"
    if cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DPTT_SANITIZE=ON \
        -DPTT_WERROR=ON -DPTT_BUILD_BENCH=OFF &&
        cmake --build build-asan -j"$JOBS"; then
        step "headless tests under the sanitizers"
        # Leak checking needs ptrace, which some containers forbid: probe it on one test program.
        leaks=1
        probe=$(find build-asan/tests -type f -executable -name 'test_*' | head -n1)
        if [ -n "$probe" ] && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 "$probe" -functions 2>&1 |
            grep -q 'LeakSanitizer has encountered a fatal error'; then
            echo "LeakSanitizer cannot run here; leak checking is off"
            leaks=0
        fi
        ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=$leaks:strict_string_checks=1:detect_stack_use_after_return=1} \
            UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
            ctest --test-dir build-asan --output-on-failure --no-tests=error -j2 -LE e2e ||
            FAILED+=("sanitizer tests")
    else
        FAILED+=("sanitizer build")
    fi
fi

if [ -x tests/fuzz/run_fuzz.sh ]; then
    step "fuzzing"
    tests/fuzz/run_fuzz.sh || FAILED+=("fuzzing")
fi

finish
