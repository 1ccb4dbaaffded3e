# Sourced by the scripts that drive the real program on its own bare X server (no window
# manager) against the streaming simulator on a pseudo-terminal: the real-program survey test
# and the CPU measurement. Needs logger_bin and sim_bin set; gives $work (removed at exit),
# fail, wait_for, window_named, sim (a simulator command) and the running logger's pid as
# $logger_pid, its main window focused.

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
    if [ -f "$work/logger.log" ]; then
        echo "--- logger output" >&2
        cat "$work/logger.log" >&2
    fi
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.2
    done
}

window_named() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

# A bare X server on a free display.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
unset QT_QPA_PLATFORM

# The simulated instrument, streaming, with its commands through a FIFO.
mkfifo "$work/sim.commands"
sleep 100000 >"$work/sim.commands" &
pids+=($!)
"$sim_bin" --streaming --no-gps --instrument-link "$work/instrument" \
    <"$work/sim.commands" >"$work/sim.log" 2>&1 &
pids+=($!)
wait_for 10 test -L "$work/instrument" || fail "the simulator did not start"
sim() { echo "$*" >"$work/sim.commands"; }

# The logger, its main window focused.
"$logger_bin" --root "$work/root" --port "COM1=$work/instrument" >"$work/logger.log" 2>&1 &
logger_pid=$!
pids+=($logger_pid)
wait_for 30 window_named TM47KVB || fail "no main window"
xdotool windowfocus --sync "$(xdotool search --name '^TM47KVB$' | head -n 1)"
