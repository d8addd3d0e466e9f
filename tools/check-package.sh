#!/usr/bin/env bash
# Checks the desktop integration files and the Debian package: validates the menu entry and the
# AppStream metainfo, builds the .deb with CPack in BUILD_DIR and looks inside it.
# Needs: cmake (cpack), dpkg-dev (dpkg-shlibdeps), file, desktop-file-utils, appstream.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR   (a configured build of this project)" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
linux_dir=$source_dir/resources/linux
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

echo "== desktop-file-validate"
# The entry is kept free of hints too (a hint such as a missing main category exits 0).
desktop_file=$linux_dir/korvo-updater.desktop
if ! messages=$(desktop-file-validate "$desktop_file" 2>&1) || [ -n "$messages" ]; then
    echo "$messages"
    fail "desktop-file-validate found fault with korvo-updater.desktop"
fi

echo "== appstreamcli validate"
appstreamcli validate --no-net "$linux_dir/io.github.korvo.korvo_updater.metainfo.xml" ||
    fail "the AppStream metainfo is not valid"

echo "== cpack -G DEB"
package_dir=$build_dir/package
rm -rf "$package_dir"
if ! (cd "$build_dir" && cpack -G DEB -B "$package_dir"); then
    fail "cpack could not build the package"
    exit 1
fi
shopt -s nullglob
debs=("$package_dir"/korvo-updater_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    fail "expected one korvo-updater_*.deb in $package_dir, found ${#debs[@]}"
    exit 1
fi
deb=${debs[0]}
echo "package: $deb"

echo "== contents"
# dpkg-deb -c lists "./usr/bin/..." as the last field of each line.
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(
    /usr/bin/korvo-updater
    /usr/bin/korvo-updater-demo
    /usr/share/applications/korvo-updater.desktop
    /usr/share/metainfo/io.github.korvo.korvo_updater.metainfo.xml
    /usr/share/doc/korvo-updater/copyright
    /usr/share/icons/hicolor/16x16/apps/korvo-updater.png
    /usr/share/icons/hicolor/32x32/apps/korvo-updater.png
    /usr/share/icons/hicolor/48x48/apps/korvo-updater.png
    /usr/share/icons/hicolor/64x64/apps/korvo-updater.png
    /usr/share/icons/hicolor/128x128/apps/korvo-updater.png
    /usr/share/icons/hicolor/scalable/apps/korvo-updater.svg
)
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
# Under /usr/lib or /lib, but never in a multiarch library folder.
grep -qxE '(/usr)?/lib/udev/rules\.d/60-korvo-updater\.rules' <<<"$contents" ||
    fail "the package lacks lib/udev/rules.d/60-korvo-updater.rules"

echo "== control fields"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dependency in qt6-qpa-plugins libqt6gui6 libudev1 libc6; do
    grep -qE "(^|, )$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency"
done
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "Section is not electronics"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
