#!/bin/sh
# Every package of the commit at HEAD, built twice from scratch and compared
# byte for byte: two fresh clones in two different folders, the second build
# started a few seconds after the first, each built by tools/release.sh (the
# .deb, the Windows installer, zip and programs; nothing else). Prints each
# package's SHA-256 and whether the two builds agree; on a difference
# diffoscope says where it lies, and the script fails.
#
#   tools/reproducible.sh            # exit 0: every package identical
#   tools/reproducible.sh --plant    # the second clone's tq5271ctl prints its
#                                    # version differently: must fail
set -eu
cd "$(dirname "$0")/.."

plant=""
[ "${1:-}" = "--plant" ] && plant=yes

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} git diffoscope-minimal" tools/deps.sh

commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/tq5271-reproducible.XXXXXX)
echo "commit $commit, built in $work"

# n, folder: clones the commit into the folder and builds every package there.
build() {
  src="$work/$2"
  git clone -q --no-hardlinks "$PWD" "$src"
  git -C "$src" checkout -q --detach "$commit"
  if [ "$1" = 2 ] && [ -n "$plant" ]; then
    echo "planted in the second build:"
    sed -i 's/"tq5271ctl " TQ5271CTL_VERSION/"tq5271ctl  " TQ5271CTL_VERSION/' "$src/ctl/cli.cpp"
    git -C "$src" diff --stat
  fi
  started=$(date +%s)
  # The compilers' notes go to a log, shown if the build fails.
  (cd "$src" && tools/release.sh >"$work/build$1.log" 2>&1) || {
    tail -n 40 "$work/build$1.log"
    echo "reproducible: build $1 failed ($work/build$1.log)"
    exit 1
  }
  ln -s "$src/build/release" "$work/out$1"
  echo "build $1 in $src at $(date -u -d "@$started" +%T) UTC: $(($(date +%s) - started)) s"
}

build 1 first/tq5271
sleep 5
build 2 second-build/sources/tq5271

different=0
echo "== packages"
for f in $(cd "$work/out1/" && LC_ALL=C ls); do
  sum=$(sha256sum "$work/out1/$f" | cut -d' ' -f1)
  if [ -f "$work/out2/$f" ] && cmp -s "$work/out1/$f" "$work/out2/$f"; then
    echo "$sum  $f  identical"
  else
    echo "$sum  $f  DIFFERENT (second build: $(sha256sum "$work/out2/$f" 2>/dev/null | cut -d' ' -f1))"
    different=$((different + 1))
    report="$work/diffoscope-$f.txt"
    timeout 600 diffoscope --text "$report" "$work/out1/$f" "$work/out2/$f" >/dev/null 2>&1 || true
    echo "-- diffoscope $f (the first 30 lines of $report)"
    head -n 30 "$report"
  fi
done
[ "$(ls "$work/out1/" | wc -l)" = "$(ls "$work/out2/" | wc -l)" ] || {
  echo "the builds made different sets of packages"
  different=$((different + 1))
}
if [ "$different" -ne 0 ]; then
  echo "reproducible: $different package(s) differ between two builds of $commit ($work kept)"
  exit 1
fi
rm -rf "$work"
echo "reproducible: every package identical in two builds of $commit"
