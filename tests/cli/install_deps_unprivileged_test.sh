#!/usr/bin/env bash
# install-deps.sh run by a real unprivileged user who cannot use sudo: with packages missing it
# prints the apt-get line to run as root and exits 1, installing nothing. Needs root to make the
# user; skipped (exit 77) otherwise.
# Usage: install_deps_unprivileged_test.sh PATH/TO/install-deps.sh
set -uo pipefail
script=$1
if [ "$(id -u)" -ne 0 ] || ! command -v useradd >/dev/null || ! command -v runuser >/dev/null; then
    echo "SKIP: needs root, useradd and runuser"
    exit 77
fi
user=tm47deps$$
work=$(mktemp -d)
cleanup() {
    userdel "$user" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
useradd --no-create-home --shell /bin/bash "$user" || exit 1
# A copy the user can read, and an empty package database so every package counts as missing.
cp "$script" "$work/install-deps.sh"
mkdir -p "$work/dpkg/info" && touch "$work/dpkg/status"
chmod -R a+rX "$work"

out=$(cd "$work" && runuser -u "$user" -- env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    TM47_DPKG_ADMINDIR="$work/dpkg" bash "$work/install-deps.sh" test 2>&1)
rc=$?
echo "$out"
[ "$rc" -eq 1 ] || { echo "FAIL: exited $rc, not 1"; exit 1; }
grep -q '^apt-get install -y .*qt6-base-dev.*lintian' <<<"$out" ||
    { echo "FAIL: no apt-get line naming the missing packages"; exit 1; }
echo "PASS: the unprivileged user is told the apt-get line"
