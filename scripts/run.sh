#!/usr/bin/env bash
# Builds the logger and starts it on the built-in simulator: no hardware needed.
# Extra arguments go to tm47logger (for example --landscape or --zoom 2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target tm47logger tm47sim
exec build/src/app/tm47logger --simulate "$@"
