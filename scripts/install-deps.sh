#!/usr/bin/env bash
# Installs the Debian 12 packages the logger needs. Idempotent: only missing packages are
# installed, and apt is not touched when nothing is missing.
#   install-deps.sh run    what building and running the logger needs
#   install-deps.sh test   that, and the test, sanitizer, fuzzing and packaging tools (default)
# As root it installs; otherwise through `sudo -n` where sudo may be used without a password.
# When neither works it prints the apt-get line to run as root and exits 1.
set -euo pipefail

mode=${1:-test}
run_packages=(
    build-essential cmake g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core fonts-liberation2
)
test_packages=(
    clang libclang-rt-14-dev lld libgtest-dev libgmock-dev googletest libbenchmark-dev
    ccache locales xvfb xauth xdotool
    qt6-svg-dev help2man lintian desktop-file-utils
    python3
)
case "$mode" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*)
    echo "usage: install-deps.sh [run|test]" >&2
    exit 2
    ;;
esac

# Which packages dpkg knows as installed. TM47_DPKG_ADMINDIR points dpkg-query at another
# database (the tests use an empty one to see every package as missing).
admindir=()
[ -n "${TM47_DPKG_ADMINDIR:-}" ] && admindir=(--admindir="$TM47_DPKG_ADMINDIR")
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query "${admindir[@]}" -W -f='${Status}' "$p" 2>/dev/null |
        grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# How to act as root: directly, through sudo without a password, or not at all.
as_root=()
can_be_root=yes
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        as_root=(sudo -n)
    else
        can_be_root=no
    fi
fi

if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$can_be_root" = no ]; then
        echo "install-deps: these packages are missing, and installing them needs root."
        echo "install-deps: run as root:"
        echo "apt-get install -y ${missing[*]}"
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Only the tests use a German locale, to check that a decimal-comma locale changes nothing in
# files and records. Tests that need it skip without it (and fail under CI).
if [ "$mode" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    if [ "$can_be_root" = yes ] && [ -f /etc/locale.gen ] && command -v locale-gen >/dev/null; then
        echo "install-deps: generating de_DE.UTF-8"
        "${as_root[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen ||
            echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
        "${as_root[@]}" locale-gen >/dev/null
    else
        echo "install-deps: de_DE.UTF-8 cannot be generated here; the locale tests will skip"
    fi
fi
