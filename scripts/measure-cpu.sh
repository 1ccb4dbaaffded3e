#!/usr/bin/env bash
# CPU share and memory of the real program while it idles on the Monitor/Log screen and while
# it logs, against the simulated streaming instrument (18 frames/s) on a pseudo-terminal, on
# its own bare X server. Keys are pressed with xdotool as an operator presses them. For each
# state it measures SECONDS_PER_STATE (default 30) seconds and prints, per thread and in all,
# the share of one core (from the CPU time in /proc/PID/task/*/schedstat against wall time)
# and the resident memory.
#
# usage: scripts/measure-cpu.sh [BUILD_DIR]   (default: build)
set -euo pipefail

build=${1:-build}
logger_bin=$build/src/app/tm47logger
sim_bin=$build/sim/tm47sim
seconds=${SECONDS_PER_STATE:-30}
[ -x "$logger_bin" ] && [ -x "$sim_bin" ] || {
    echo "build tm47logger and tm47sim in $build first" >&2
    exit 2
}
source "$(dirname "$0")/lib/bare-x-session.sh"
logger=$logger_pid

# "name tid nanoseconds" for every thread of the logger.
snapshot() {
    local task
    for task in /proc/"$logger"/task/*; do
        printf '%s %s %s\n' "$(tr ' ' '_' <"$task/comm" 2>/dev/null || echo gone)" \
            "${task##*/}" "$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null || echo 0)"
    done
}
measure() {
    local state=$1
    snapshot >"$work/before"
    local t0 t1
    t0=$(date +%s%N)
    sleep "$seconds"
    snapshot >"$work/after"
    t1=$(date +%s%N)
    local rss
    rss=$(awk '/^VmRSS/ {print $2 " " $3}' /proc/"$logger"/status)
    echo "== $state: ${seconds} s, resident memory $rss"
    awk -v wall=$((t1 - t0)) '
        NR == FNR { start[$2] = $3; next }
        { used = $3 - ($2 in start ? start[$2] : 0); total += used
          printf "  %-16s %6s %7.3f %%\n", $1, $2, 100 * used / wall }
        END { printf "  %-16s %6s %7.3f %% of one core\n", "all", "", 100 * total / wall }
    ' "$work/before" "$work/after"
}

# Monitor/Log, readings normalised; then a data file and Go (logging).
xdotool key l
sleep 6
measure "Monitor"
data_dir="$work/root/Storage/DATA47KVB"
for _ in $(seq 20); do
    xdotool key c
    wait_for 3 window_named "Create Data File" && break
done
window_named "Create Data File" || fail "no save dialog"
xdotool key Return
wait_for 10 bash -c "! xdotool search --name '^Create Data File\$' >/dev/null 2>&1" ||
    fail "the save dialog did not close"
sleep 0.5
xdotool key g
wait_for 10 bash -c "ls '$data_dir'/*.R47 >/dev/null 2>&1" || fail "no data file"
sleep 2
measure "Logging"
size=$(stat -c %s "$(ls "$data_dir"/*.R47 | head -n 1)")
echo "== data file: $((size / 24)) records"
