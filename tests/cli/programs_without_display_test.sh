#!/usr/bin/env bash
# Each program answers --help and --version, and refuses a bad argument, with no display at all
# (as over ssh): no DISPLAY, no Wayland, no Qt platform chosen.
# Usage: programs_without_display_test.sh VERSION PROGRAM...
set -uo pipefail
version=$1
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

for program in "$@"; do
    name=$(basename "$program")
    out=$(bare "$program" --help 2>&1) || fail "$name --help exited $?: $out"
    grep -qi "^usage: $name" <<<"$out" || fail "$name --help printed no usage: $out"
    out=$(bare "$program" --version 2>&1) || fail "$name --version exited $?"
    [ "$out" = "$name $version" ] || fail "$name --version printed '$out', not '$name $version'"
    err=$(bare "$program" --bogus 2>&1 >/dev/null)
    rc=$?
    [ "$rc" -eq 2 ] || fail "$name --bogus exited $rc, not 2"
    head -n 1 <<<"$err" | grep -q -- "--bogus" || fail "$name --bogus: first line: $err"
    sed -n 2p <<<"$err" | grep -qi "^usage: $name" || fail "$name --bogus: no usage after the line"
done
[ "$failures" -eq 0 ] || exit 1
echo "$# programs answer --help, --version and a bad argument without a display"
