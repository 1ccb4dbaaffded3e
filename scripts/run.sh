#!/usr/bin/env bash
# Builds the logger and starts it on the built-in simulator: no hardware needed.
# Extra arguments go to tm47logger (for example --landscape or --zoom 2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DTM47_TESTS=OFF >/dev/null
cmake --build build-run -j"$(nproc)" --target tm47logger tm47sim
exec build-run/src/app/tm47logger --simulate "$@"
