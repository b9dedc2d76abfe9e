#!/bin/sh
# The Windows packages of a cross build (preset "windows", built): the
# installer (CPack's NSIS generator, Debian's makensis), the portable zip of
# the same files, and the winget manifest of the installer, into
# BUILD/package/:
#
#   tools/windows-package.sh [BUILD]      # BUILD: build/windows
#
# Every file time in them is SOURCE_DATE_EPOCH, the time of the commit
# unless set, and every list is sorted: the packages are the same bytes
# whenever and wherever the same commit is built (tools/reproducible.sh).
set -eu
cd "$(dirname "$0")/.."

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} nsis zip" tools/deps.sh

BUILD=${1:-build/windows}
[ -f "$BUILD/CPackConfig.cmake" ] || { echo "windows-package: $BUILD is not a configured build" >&2; exit 1; }
BUILD=$(cd "$BUILD" && pwd)
version=$(sed -n 's/^project(TQ5271 VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH
out="$BUILD/package"
installer="tq5271-utilities-$version-win64-setup.exe"
portable="tq5271-utilities-$version-win64"

rm -rf "$out" "$BUILD/package-stage"
mkdir -p "$out"

echo "== installer"
(cd "$BUILD" && cpack -G NSIS -B "$BUILD/package-stage" >/dev/null)
mv "$BUILD/package-stage/$installer" "$out/"

echo "== portable zip"
# The same files as the installer's, in a folder named for the version.
stage="$BUILD/package-stage/zip"
cmake --install "$BUILD" --prefix "$stage/$portable" >/dev/null
(
  cd "$stage"
  find "$portable" -type f | LC_ALL=C sort >files
  # A zip entry holds its file's time as local time, and nothing else of
  # the file's (-X: no owner, no access or change time): each file gets the
  # commit's time, in UTC, the same everywhere.
  xargs touch -d "@$SOURCE_DATE_EPOCH" <files
  TZ=UTC zip -q -X -D -9 "$out/$portable.zip" -@ <files
)

echo "== winget manifest"
sha256=$(sha256sum "$out/$installer" | cut -d' ' -f1 | tr a-f A-F)
manifests="$out/winget/manifests/t/TQControls/TQ5271Utilities/$version"
mkdir -p "$manifests"
for template in packaging/windows/winget/*.yaml.in; do
  name=$(basename "$template" .in)
  sed -e "s/@VERSION@/$version/g" -e "s/@INSTALLER@/$installer/g" -e "s/@SHA256@/$sha256/g" \
    "$template" >"$manifests/$name"
done
grep -q "InstallerSha256: $sha256" "$manifests/TQControls.TQ5271Utilities.installer.yaml"

for f in "$out/$installer" "$out/$portable.zip"; do
  echo "$(wc -c <"$f") bytes  sha256 $(sha256sum "$f" | cut -d' ' -f1)  $f"
done
echo "winget manifest: $manifests"
