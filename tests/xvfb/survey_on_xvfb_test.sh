#!/usr/bin/env bash
# A survey logged by the real program on a bare X server (no window manager), keys pressed
# with xdotool as an operator presses them, against the simulated instrument on a
# pseudo-terminal: Monitor/Log, a new data file through the save dialog, Go and Pause, a new
# line, a comment, Go and Pause again, Exit; the data file is then read back.
# Without a window manager nobody hands the keyboard back when a dialog closes, so every key
# after a dialog proves the program takes it back itself. (The cable pulled while logging, and
# r47 on the logged file, are the GUI session tests'.)
#
# usage: survey_on_xvfb_test.sh TM47LOGGER TM47SIM
set -euo pipefail

logger_bin=$1
sim_bin=$2
# shellcheck source=../../scripts/lib/bare-x-session.sh
source "$(dirname "$0")/../../scripts/lib/bare-x-session.sh"

# Return in the dialog $1, then wait until it has closed. On a loaded machine the dialog can
# be mapped before it has the keyboard, so it is given the focus first, and asked again while
# it stays open.
confirm_dialog() {
    local id
    for _ in 1 2 3; do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
        xdotool key Return
        if wait_for 10 eval "! window_named '$1'"; then
            sleep 0.5
            return 0
        fi
    done
    fail "the $1 dialog did not close"
}

data_dir="$work/root/Storage/DATA47KVB"
data_file() { ls "$data_dir"/*.R47 2>/dev/null | head -n 1; }
# The number of marker (X) or comment (C) records whose text starts with $2.
count_notes() {
    od -An -v -c -w24 "$(data_file)" 2>/dev/null | tr -d ' ' | grep -c "^$1$2" || true
}
notes_reach() { [ "$(count_notes "$1" "$2")" -ge "$3" ]; }
# Key $1 opens the dialog $2.
open_dialog() {
    xdotool key "$1"
    wait_for 10 window_named "$2" || fail "no $2 dialog"
}

# Monitor/Log, then a data file under the proposed name. "Cr.File" takes keys only once the
# readings are normalised, which takes a while on a loaded machine: ask again until it does.
xdotool key l
sleep 5
for _ in $(seq 20); do
    xdotool key c
    wait_for 3 window_named "Create Data File" && break
done
window_named "Create Data File" || fail "no save dialog"
confirm_dialog "Create Data File"
wait_for 20 test -n "$(data_file)" || fail "no data file"

# Go, log a while, Pause: the Nth run of the survey. A Go not taken means the program did not
# take the keyboard back after the dialog before it.
go_and_pause() {
    xdotool key g
    wait_for 10 notes_reach X '\$STARTED' "$1" || fail "Go $1 after a dialog was not taken"
    sleep 2
    xdotool key q
    wait_for 15 notes_reach X '\$PAUSED' "$1" || fail "no pause $1"
}
go_and_pause 1

# A new line and a comment, each through its dialog.
open_dialog l "New Line"
confirm_dialog "New Line"
open_dialog c "Enter Comment"
xdotool type HELLO
confirm_dialog "Enter Comment"
wait_for 10 notes_reach C HELLO 1 || fail "no comment record"
go_and_pause 2

# Exit, confirmed; then the menu's Exit ends the program.
open_dialog x "Confirm Exit"
confirm_dialog "Confirm Exit"
sleep 1
xdotool key x
wait_for 20 bash -c "! kill -0 $logger_pid 2>/dev/null" || fail "the program did not end"
status=0
wait "$logger_pid" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status"

# --- the file: whole records, the survey's records, readings
file=$(data_file)
size=$(stat -c %s "$file")
[ $((size % 24)) -eq 0 ] || fail "the file is $size bytes, not whole records"
rows=$(od -An -v -c -w24 "$file" | tr -d ' ')
[ "$(count_notes X '\$CONNEND')" -eq 0 ] || fail "the link was given up"
echo "$rows" | grep -q '^L1\.00' || fail "no new line record"
# Reading records (the first record, the file header, also begins with "T"): both runs logged.
[ "$(echo "$rows" | tail -n +2 | grep -c '^[DEFJKMNPQTjk]')" -ge 10 ] || fail "too few readings"
echo "PASS: $(basename "$file"), $((size / 24)) records"
