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
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.2
    done
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
unset QT_QPA_PLATFORM

mkfifo "$work/sim.commands"
sleep 100000 >"$work/sim.commands" &
pids+=($!)
"$sim_bin" --streaming --no-gps --instrument-link "$work/instrument" \
    <"$work/sim.commands" >"$work/sim.log" 2>&1 &
pids+=($!)
wait_for 10 test -L "$work/instrument" || fail "the simulator did not start"

"$logger_bin" --root "$work/root" --port "COM1=$work/instrument" >"$work/logger.log" 2>&1 &
logger=$!
pids+=($logger)
window_named() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
wait_for 30 window_named TM47KVB || fail "no main window"
xdotool windowfocus --sync "$(xdotool search --name '^TM47KVB$' | head -n 1)"

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
