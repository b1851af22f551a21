#!/bin/bash
# Checks what the Debian package tells about itself: the copyright file in
# the machine-readable format under the GPL, version 3 or later; the desktop
# entry (desktop-file-validate); the AppStream metadata, which must pass
# appstreamcli without a warning, name the desktop entry the package holds
# and the project's version; and the scalable icon, which must draw.
#   package-metadata.sh PACKAGE VERSION
# Fails, never skips: scripts/install-deps.sh installs every tool it uses.
set -u
package=$1
version=$2
work=$(mktemp -d /tmp/tonalix-metadata.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package-metadata: $*"
  exit 1
}
for tool in dpkg-deb desktop-file-validate appstreamcli rsvg-convert; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
root=$work/root
dpkg-deb -x "$package" "$root" || fail "cannot unpack $package"
share=$root/usr/share

copyright=$share/doc/tonalix/copyright
[ -f "$copyright" ] || fail "no usr/share/doc/tonalix/copyright"
head -n1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "the copyright file is not in the machine-readable format"
grep -q '^License: GPL-3+$' "$copyright" || fail "the copyright file names no GPL-3+"
grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || fail "the copyright file does not point to the GPL's text"

metainfo=$(find "$share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
[ "$(printf '%s\n' "$metainfo" | grep -c .)" = 1 ] || fail "not one metainfo file in usr/share/metainfo: $metainfo"
id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "$(basename "$metainfo") is not named after its id $id"
# The id names the project, and the desktop entry, its launchable and the
# icons carry it.
case $id in example.* | *c_seed*) fail "the id $id is built from a placeholder address" ;; esac
desktop=$share/applications/$id.desktop
[ -f "$desktop" ] || fail "no usr/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metainfo launches no $id.desktop"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
# Warnings count: appstreamcli exits non-zero on them.  validate-tree also
# checks that the desktop entry the metainfo launches is in the package.
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refuses $(basename "$metainfo")"
appstreamcli validate-tree --no-net "$root" >"$work/tree.log" 2>&1 ||
  { cat "$work/tree.log"; fail "appstreamcli validate-tree refuses the package's tree"; }
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

svg=$share/icons/hicolor/scalable/apps/$id.svg
[ -f "$svg" ] || fail "no scalable icon usr/share/icons/hicolor/scalable/apps/$id.svg"
rsvg-convert -w 64 -h 64 "$svg" -o "$work/icon.png" && [ -s "$work/icon.png" ] || fail "the scalable icon does not draw"

echo "package-metadata: copyright, desktop entry, $id.metainfo.xml and the scalable icon pass"
