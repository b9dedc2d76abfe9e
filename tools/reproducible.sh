#!/bin/sh
# Every package of the commit at HEAD, built twice from scratch and compared
# byte for byte: two fresh clones in two different folders, the second build
# started a few seconds after the first. Built in each: the Debian package
# (tools/deb.sh) and the Windows programs, installer and zip (preset
# "windows" without tests, tools/windows-package.sh); nothing else. Prints
# each package's SHA-256 and whether the two builds agree; on a difference
# diffoscope says where it lies, and the script fails.
#
#   tools/reproducible.sh            # exit 0: every package identical
#   tools/reproducible.sh --plant    # the second clone's tq5271ctl prints its
#                                    # version differently: must fail
#
# A user checks a download the same way: build the release's commit with
# tools/deb.sh or tools/windows-package.sh and compare SHA-256 (README.md).
set -eu
cd "$(dirname "$0")/.."

plant=""
[ "${1:-}" = "--plant" ] && plant=yes

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} git dpkg-dev file binutils g++-mingw-w64-x86-64-posix nsis diffoscope-minimal" \
  tools/deps.sh

commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/tq5271-reproducible.XXXXXX)
echo "commit $commit, built in $work"

# n, folder: clones the commit into the folder and builds every package there.
build() {
  src="$work/$2"
  git clone -q --no-hardlinks "$PWD" "$src"
  git -C "$src" checkout -q --detach "$commit"
  if [ "$1" = 2 ] && [ -n "$plant" ]; then
    sed -i 's/"tq5271ctl " TQ5271CTL_VERSION/"tq5271ctl  " TQ5271CTL_VERSION/' "$src/ctl/cli.cpp"
    git -C "$src" diff --stat
  fi
  started=$(date +%s)
  (
    cd "$src"
    tools/deb.sh build/package >/dev/null
    cmake --preset windows -DTQ_BUILD_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
    cmake --build --preset windows --target packaged >/dev/null
    tools/windows-package.sh build/windows >/dev/null
  )
  out="$work/out$1"
  mkdir -p "$out"
  cp "$src"/build/package/*.deb "$src"/build/windows/package/*.exe "$src"/build/windows/package/*.zip \
    "$out/"
  for exe in $(cd "$src/build/windows/package-stage/zip" && find . -name '*.exe'); do
    cp "$src/build/windows/package-stage/zip/$exe" "$out/"
  done
  echo "build $1 in $src: $(($(date +%s) - started)) s"
}

build 1 first/tq5271
sleep 5
build 2 second-build/sources/tq5271

different=0
echo "== packages"
for f in $(cd "$work/out1" && ls); do
  sum=$(sha256sum "$work/out1/$f" | cut -d' ' -f1)
  if [ -f "$work/out2/$f" ] && cmp -s "$work/out1/$f" "$work/out2/$f"; then
    echo "$sum  $f  identical"
  else
    echo "$sum  $f  DIFFERENT (second build: $(sha256sum "$work/out2/$f" 2>/dev/null | cut -d' ' -f1))"
    different=$((different + 1))
    report="$work/diffoscope-$f.txt"
    timeout 600 diffoscope --text "$report" "$work/out1/$f" "$work/out2/$f" >/dev/null 2>&1 || true
    echo "-- diffoscope $f (first 40 lines of $report)"
    head -n 40 "$report"
  fi
done
[ "$(ls "$work/out1" | wc -l)" = "$(ls "$work/out2" | wc -l)" ] || {
  echo "the builds made different sets of packages"
  different=$((different + 1))
}
if [ "$different" -ne 0 ]; then
  echo "reproducible: $different package(s) differ between two builds of $commit ($work kept)"
  exit 1
fi
rm -rf "$work"
echo "reproducible: every package identical in two builds of $commit"
