#!/usr/bin/env bash
# Checks the folders' layering, then builds and runs every test: the normal build,
# AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer on the threaded tests, and a
# short run of every libFuzzer target.
# Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh test

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$root/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
mkdir -p test-artifacts
export TM47_ARTIFACTS="$root/test-artifacts"

step() { printf '\n=== %s (%s) ===\n' "$*" "$(date +%H:%M:%S)"; }

step "layering"
python3 scripts/check-layering.py

step "build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --timeout 300)

step "Debian package"
scripts/check-package.sh build

step "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTM47_SANITIZE=address >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest -j"$jobs" --timeout 600)

step "ThreadSanitizer (threaded tests)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTM47_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs" --target thread_tests
(cd build-tsan && ctest -j"$jobs" --timeout 600 -L threads)

step "libFuzzer targets (short runs)"
cmake -S . -B build-fuzz -DTM47_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs"
fuzzers=$(find build-fuzz/fuzz -maxdepth 2 -type f -name '*_fuzzer' -perm -u+x | sort)
for f in $fuzzers; do
    name=$(basename "$f")
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds="fuzz/$(basename "$(dirname "$f")")/seeds"
    [ -d "$seeds" ] || seeds=""
    echo "fuzz: $name"
    "$f" -max_total_time="${TM47_FUZZ_SECONDS:-20}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 2
done
echo "fuzz: $(echo "$fuzzers" | grep -c . || true) targets ran without a finding"
step "done"
