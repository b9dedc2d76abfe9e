#!/bin/sh
# Every package of this checkout, built as the release is built, into
# build/release/: the Debian package (tools/deb.sh), the Windows installer
# and zip (preset "windows" without tests, in build/release-windows;
# tools/windows-package.sh) and the three Windows programs as they are in
# both. Only what is packaged is built. Prints the SHA-256 of each: built from a release's commit with
# Debian 12's packages, they are those of the release's downloads.
#
#   tools/release.sh          # TQ_JOBS: compiler jobs at once (2)
set -eu
cd "$(dirname "$0")/.."

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} git dpkg-dev file binutils g++-mingw-w64-x86-64-posix nsis" \
  tools/deps.sh
. tools/lib/ccache.sh

tools/deb.sh build/package >/dev/null
# A tree of its own: the preset's build/windows keeps its tests.
windows=build/release-windows
# (The preset names the test framework, which a build without tests leaves unused.)
cmake --preset windows -B "$windows" -DTQ_BUILD_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  --no-warn-unused-cli >/dev/null
cmake --build "$windows" -j "${TQ_JOBS:-2}" --target packaged >/dev/null
tools/windows-package.sh "$windows" >/dev/null

out=build/release
rm -rf "$out"
mkdir -p "$out"
cp build/package/*.deb "$windows"/package/*.exe "$windows"/package/*.zip "$out/"
find "$windows/package-stage/zip" -name '*.exe' -exec cp {} "$out/" \;
(cd "$out" && LC_ALL=C ls | while read -r f; do sha256sum "$f"; done)
