#!/bin/sh
# The Debian package, built and tried as a user would get it: checks the
# desktop entries, the AppStream metadata and the icons, builds the package
# as a packager does (tools/deb.sh: a plain Release tree with Debian's flags,
# cpack), runs lintian on it,
# installs it with dpkg, checks every file landed and both programs start,
# removes it and checks nothing is left (an installed tq5271-utilities is
# removed too). dpkg runs through sudo when not root.
set -eu
cd "$(dirname "$0")/.."

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} appstream desktop-file-utils lintian dpkg-dev file binutils python3-minimal" \
  tools/deps.sh

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

fail() {
  echo "package: $*" >&2
  exit 1
}

version=$(sed -n 's/^project(TQ5271 VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
package=tq5271-utilities
BUILD=build/package
deb="$BUILD/${package}_${version}_amd64.deb"

echo "== metadata of version $version"
python3 packaging/make_icons.py --check
desktop-file-validate packaging/linux/*.desktop
appstreamcli validate --no-net packaging/linux/*.metainfo.xml
for f in packaging/linux/*.metainfo.xml; do
  grep -q "<release version=\"$version\"" "$f" || fail "$f: no release $version"
done
head -n 1 packaging/linux/debian/changelog | grep -q "($version)" ||
  fail "debian/changelog does not start with $version"

echo "== Release build and package (tools/deb.sh)"
tools/deb.sh "$BUILD" >/dev/null

echo "== install into a prefix"
stage="$BUILD/stage"
rm -rf "$stage"
cmake --install "$BUILD" --prefix "$PWD/$stage" >/dev/null
for f in bin/TQ5271_encoders bin/TQ5271_config lib/udev/rules.d/70-tq5271.rules \
  share/applications/tq5271-encoders.desktop share/man/man1/TQ5271_config.1.gz; do
  [ -f "$stage/$f" ] || fail "install --prefix: $f missing"
done
for program in TQ5271_encoders TQ5271_config; do
  file "$stage/bin/$program" | grep -q ", stripped" || fail "$program is not stripped"
done

echo "== package"
[ -f "$deb" ] || fail "cpack made no $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

echo "== lintian"
lintian --fail-on error --display-level ">=warning" "$deb" || fail "lintian found errors"

echo "== Depends: the packages of exactly the libraries the programs link"
unpacked="$BUILD/unpacked"
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
needed=$(for b in "$unpacked"/usr/bin/*; do objdump -p "$b" | awk '$1 == "NEEDED" {print $2}'; done |
  sort -u)
wanted=$(for lib in $needed; do
  dpkg -S "*/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/$lib" | grep -v '^diversion' | cut -d: -f1
done | sort -u)
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sed '/^$/d' | sort -u)
echo "libraries:" $needed
echo "Depends:  " $depends
[ "$wanted" = "$depends" ] || fail "Depends is not the set of the libraries' packages ($wanted)"

echo "== dpkg -i"
$SUDO dpkg --purge "$package" >/dev/null 2>&1 || true
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' | grep -v '/$')
$SUDO dpkg -i "$deb"
for f in $files; do
  [ -e "$f" ] || fail "$f did not land"
done
echo "$(echo "$files" | wc -l) files in place"

# Each program runs its event loop until it is closed: alive after a second
# means it started.
for program in TQ5271_encoders TQ5271_config; do
  QT_QPA_PLATFORM=offscreen "/usr/bin/$program" &
  pid=$!
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "$program did not start"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$program started"
done

echo "== dpkg --purge"
$SUDO dpkg --purge "$package"
for f in $files; do
  [ ! -e "$f" ] || fail "$f left after removal"
done
[ ! -e "/usr/share/doc/$package" ] || fail "/usr/share/doc/$package left after removal"
dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" &&
  fail "$package still known to dpkg"
echo "Package: all checks passed ($deb)"
