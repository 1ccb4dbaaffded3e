#!/usr/bin/env bash
# Checks the folders' layering, then builds and runs every test: the whole suite once under
# AddressSanitizer + UndefinedBehaviorSanitizer, a short run of every libFuzzer target from the
# same build, and ThreadSanitizer on every test that starts a thread; beside the sanitized suite,
# the optimised build (the programs and benchmarks, each benchmark run once, the Debian package
# checked) and the ThreadSanitizer build. Fails when any test or build fails. Every stage
# compiles through ccache, with its cache in the user's cache folder, so a second run rebuilds
# little.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
run_start=$(date +%s)
scripts/install-deps.sh test

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$root/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
# Debug information names the build folder; without this a second checkout never hits.
export CCACHE_NOHASHDIR=1
mkdir -p test-artifacts "$CCACHE_DIR"
export TM47_ARTIFACTS="$root/test-artifacts"
cmake_common=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The sanitizer builds link many large test programs; lld links them several times faster.
sanitizer_common=("${cmake_common[@]}" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DTM47_BENCHMARKS=OFF)

# Each stage prints its name on entry and its duration when the next one starts.
stage_name=""
stage_start=0
durations=()
end_stage() {
    [ -n "$stage_name" ] || return 0
    local took=$(($(date +%s) - stage_start))
    printf '=== %s took %dm%02ds ===\n' "$stage_name" $((took / 60)) $((took % 60))
    durations+=("$(printf '%-62s %dm%02ds' "$stage_name" $((took / 60)) $((took % 60)))")
}
step() {
    end_stage
    stage_name="$*"
    stage_start=$(date +%s)
    printf '\n=== %s (%s) ===\n' "$stage_name" "$(date +%H:%M:%S)"
}

step "layering"
python3 scripts/check-layering.py

# The ThreadSanitizer build of the thread tests, then the optimised build (programs, package,
# benchmarks). They run beside the sanitized suite, at the lowest priority: that suite mostly
# waits on real time (whole sessions, time-outs, the simulator), so the cores are free. The
# ThreadSanitizer build comes first, so its tests can run while the optimised build goes on.
background_builds() {
    local t
    t=$(date +%s)
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTM47_SANITIZE=thread \
        "${sanitizer_common[@]}" >/dev/null
    cmake --build build-tsan -j"$jobs" --target thread_tests
    echo "=== background: ThreadSanitizer build took $(($(date +%s) - t)) s"
    touch "$tsan_built"
    t=$(date +%s)
    # The programs, the package and the benchmarks; the tests are built and run above.
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTM47_TESTS=OFF -DTM47_BENCHMARKS=ON \
        "${cmake_common[@]}" >/dev/null
    cmake --build build -j"$jobs"
    # Each benchmark once for a moment, so none rots; the numbers mean nothing here.
    local benches b
    benches=$(find build/bench -type f -name '*_bench' -perm -u+x 2>/dev/null | sort)
    [ -n "$benches" ] || { echo "no benchmark programs were built" >&2; return 1; }
    for b in $benches; do
        echo "bench: $(basename "$b")"
        "$b" --benchmark_min_time=0.001 >/dev/null
    done
    scripts/check-package.sh build
    echo "=== background: Release build, benchmarks and package took $(($(date +%s) - t)) s"
}

step "AddressSanitizer + UndefinedBehaviorSanitizer build"
# clang, so the same build also gives the libFuzzer targets. -O1 keeps the real-time tests near
# their normal speed; without NDEBUG the asserts stay on.
# Line tables are all the reports need, and far cheaper to build and link than full debug data.
cmake -S . -B build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DTM47_SANITIZE=address \
    -DTM47_FUZZ=ON "${sanitizer_common[@]}" >/dev/null
cmake --build build-asan -j"$jobs"

mkdir -p build-logs
background_log=build-logs/background-builds.log
tsan_built=build-logs/tsan-built
rm -f "$tsan_built"
(
    renice -n 19 -p "$BASHPID" >/dev/null
    background_builds
) >"$background_log" 2>&1 &
background_pid=$!
# A failing stage ends the run: the background builds end with it.
kill_tree() {
    local child
    for child in $(pgrep -P "$1" || true); do
        kill_tree "$child"
    done
    kill "$1" 2>/dev/null || true
}
trap 'kill_tree "$background_pid"' EXIT
# Shows the background builds' log and fails the run when they failed.
finish_background_builds() {
    if ! wait "$background_pid"; then
        tail -n 80 "$background_log" >&2
        echo "the background builds failed (log: $background_log)" >&2
        exit 1
    fi
    grep -E '^(=== background|bench:|package:)' "$background_log" || true
}

step "AddressSanitizer + UndefinedBehaviorSanitizer (whole suite)"
(cd build-asan && ctest -j"$jobs" --timeout 600)

step "libFuzzer targets (short runs)"
fuzzers=$(find build-asan/fuzz -maxdepth 2 -type f -name '*_fuzzer' -perm -u+x | sort)
[ -n "$fuzzers" ] || { echo "no fuzz targets were built" >&2; exit 1; }
# One target per core at a time, each for its full time; a finding shows its log and fails.
fuzz_one() {
    local f=$1 name corpus seeds log
    name=$(basename "$f")
    corpus="build-asan/corpus/$name"
    log="build-asan/$name.log"
    mkdir -p "$corpus"
    seeds="fuzz/$(basename "$(dirname "$f")")/seeds"
    [ -d "$seeds" ] || seeds=""
    if "$f" -max_total_time="${TM47_FUZZ_SECONDS:-20}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 "$corpus" $seeds >"$log" 2>&1; then
        printf 'fuzz: %s\n%s\n' "$name" "$(tail -n 2 "$log")"
    else
        printf 'fuzz: %s found a problem\n%s\n' "$name" "$(tail -n 60 "$log")"
        return 1
    fi
}
fuzz_failed=0
running=()
for f in $fuzzers; do
    if [ "${#running[@]}" -ge "$jobs" ]; then
        wait "${running[0]}" || fuzz_failed=1
        running=("${running[@]:1}")
    fi
    fuzz_one "$f" &
    running+=($!)
done
for pid in "${running[@]}"; do
    wait "$pid" || fuzz_failed=1
done
[ "$fuzz_failed" -eq 0 ] || { echo "fuzz: a target found a problem" >&2; exit 1; }
echo "fuzz: $(echo "$fuzzers" | grep -c . || true) targets ran without a finding"

step "waiting for the ThreadSanitizer build"
while [ ! -e "$tsan_built" ] && kill -0 "$background_pid" 2>/dev/null; do
    sleep 1
done
[ -e "$tsan_built" ] || finish_background_builds

step "ThreadSanitizer (tests that start threads)"
(cd build-tsan && ctest -j"$jobs" --timeout 600 -L threads)

step "waiting for the optimised build, the benchmarks and the package"
finish_background_builds
end_stage

total=$(($(date +%s) - run_start))
printf '\n=== stage durations ===\n'
printf '%s\n' "${durations[@]}"
printf '%-62s %dm%02ds\n' "total" $((total / 60)) $((total % 60))
ccache --show-stats 2>/dev/null | grep -i 'hits\|misses' | head -n 3 || true
# The size of the tests against the code, printed only for now.
python3 scripts/test_ratio.py || true
