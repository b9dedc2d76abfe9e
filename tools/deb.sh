#!/bin/sh
# The Debian package alone, built as a packager builds it: a plain Release
# tree (no preset, so warnings are not errors: GCC 12 at -O3 warns falsely
# where -O2 does not) with Debian's flags and hardening, only what the
# package holds, then cpack:
#
#   tools/deb.sh [BUILD]      # BUILD: build/package; prints the .deb;
#                             # TQ_JOBS: compiler jobs at once (2)
#
# SOURCE_DATE_EPOCH (the commit's time unless set) fixes every time in the
# package, and Debian's flags map the build folder away: the same commit
# gives the same .deb wherever and whenever it is built.
set -eu
cd "$(dirname "$0")/.."

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} dpkg-dev file binutils" tools/deps.sh
. tools/lib/ccache.sh

BUILD=${1:-build/package}
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
# Qt's resource compiler stores the times of the files it embeds.
export SOURCE_DATE_EPOCH QT_RCC_SOURCE_DATE_OVERRIDE="$SOURCE_DATE_EPOCH"
# dpkg-buildflags gives the flags every Debian package is built with.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTQ_BUILD_TESTS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD" -j "${TQ_JOBS:-2}" --target packaged
rm -f "$BUILD"/*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
ls "$PWD/$BUILD"/*.deb
