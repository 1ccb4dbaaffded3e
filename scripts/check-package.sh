#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it: lintian finds no errors, the
# package holds the programs, desktop entries, icons and manual pages, and the programs it
# installs answer --version with no display.
# Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
(cd "$build" && rm -f tm47logger_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tm47logger_*_*.deb)
echo "package: $(basename "$deb")"
case "$(basename "$deb")" in
tm47logger_[0-9]*.[0-9]*.[0-9]*_"$(dpkg --print-architecture)".deb) ;;
*) echo "check-package: unexpected package name $(basename "$deb")" >&2; exit 1 ;;
esac

# Errors fail the check; warnings are shown.
if ! report=$(lintian --fail-on error "$deb" 2>&1); then
    echo "$report"
    echo "check-package: lintian reports errors" >&2
    exit 1
fi
grep -v 'running with root privileges' <<<"$report" || true

listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
missing=0
for file in \
    ./usr/bin/tm47logger ./usr/bin/tm47sim ./usr/bin/r47 \
    ./usr/share/applications/tm47logger.desktop ./usr/share/applications/tm47logger-demo.desktop \
    ./usr/share/icons/hicolor/48x48/apps/tm47logger.png \
    ./usr/share/icons/hicolor/128x128/apps/tm47logger.png \
    ./usr/share/icons/hicolor/256x256/apps/tm47logger.png \
    ./usr/share/icons/hicolor/scalable/apps/tm47logger.svg \
    ./usr/share/man/man1/tm47logger.1.gz ./usr/share/man/man1/tm47sim.1.gz \
    ./usr/share/man/man1/r47.1.gz \
    ./usr/share/doc/tm47logger/copyright ./usr/share/doc/tm47logger/changelog.gz; do
    if ! grep -qxF "$file" <<<"$listing"; then
        echo "check-package: the package lacks $file" >&2
        missing=1
    fi
done
[ "$missing" -eq 0 ]

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
for program in tm47logger tm47sim r47; do
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tree/usr/bin/$program" --version
done
desktop-file-validate "$tree"/usr/share/applications/*.desktop
echo "check-package: $(basename "$deb") is whole and lintian-clean"
