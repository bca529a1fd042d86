#!/bin/bash
# The Debian package made by CPack from a build folder: its name, control fields and computed Depends,
# its files, lintian without errors or warnings, the desktop entry accepted by desktop-file-validate, and
# the unpacked program answering --version with no display.
# Usage: package_test.sh BUILD_DIR VERSION
set -u
BUILD=${1:?usage: package_test.sh BUILD_DIR VERSION}
VERSION=${2:?usage: package_test.sh BUILD_DIR VERSION}

for tool in cpack dpkg dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate gzip; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
W=$(mktemp -d "${TMPDIR:-/tmp}/ptt-package-test.XXXXXX") || exit 1
trap 'rm -rf "$W"' EXIT
fail()
{
    echo "FAIL: $*"
    exit 1
}

cpack -G DEB -B "$W/out" --config "$BUILD/CPackConfig.cmake" >"$W/cpack.log" 2>&1 ||
    { cat "$W/cpack.log"; fail "cpack failed"; }
DEB=$W/out/pintietong_${VERSION}_$(dpkg --print-architecture).deb
[ -f "$DEB" ] || fail "no $(basename "$DEB"); made: $(ls "$W/out")"

field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = pintietong ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version: $(field Version)"
# Depends: the libraries the binary links (found by dpkg-shlibdeps) and what it loads at run time.
depends=$(field Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libc6 qt6-qpa-plugins fonts-arphic-uming \
    fonts-arphic-ukai fonts-wqy-zenhei; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

X=$W/root
dpkg-deb -x "$DEB" "$X" || fail "dpkg-deb -x failed"
for f in usr/bin/pintietong usr/share/applications/pintietong.desktop usr/share/pintietong/help/index.html \
    usr/share/doc/pintietong/README.md usr/share/doc/pintietong/copyright usr/share/doc/pintietong/changelog.gz \
    usr/share/man/man1/pintietong.1.gz; do
    [ -s "$X/$f" ] || fail "not in the package: $f"
done
for side in 16 24 32 48 64 128 256; do
    f=usr/share/icons/hicolor/${side}x${side}/apps/pintietong.png
    file -b "$X/$f" | grep -q "PNG image data, $side x $side," || fail "$f: $(file -b "$X/$f")"
done
head -n1 "$X/usr/share/doc/pintietong/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
gzip -dc "$X/usr/share/doc/pintietong/changelog.gz" | head -n1 | grep -q "^pintietong ($VERSION) " ||
    fail "changelog is not for version $VERSION"

desktop-file-validate "$X/usr/share/applications/pintietong.desktop" || fail "desktop-file-validate refused the entry"
# lintian refuses nothing and warns of nothing; its notes (I:) are listed in the README.
lintian --fail-on error,warning "$DEB" 2>&1 | grep -v 'running with root privileges' | tee "$W/lintian.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian found errors or warnings"

out=$(env -i PATH=/usr/bin:/bin HOME="$W" "$X/usr/bin/pintietong" --version 2>&1) ||
    fail "the unpacked program's --version failed: $out"
[ "$out" = "pintietong $VERSION" ] || fail "the unpacked program says '$out'"
echo PASS
