#!/bin/sh
# Every package of the commit at HEAD, built twice and compared byte for
# byte: two builds in two different folders, the second started a few
# seconds after the first, each by tools/release.sh (the .deb, the Windows
# installer, zip and programs; nothing else). Prints each package's SHA-256
# and whether the two builds agree; on a difference diffoscope says where it
# lies, and the script fails.
#
#   tools/reproducible.sh            # two fresh clones: exit 0 when every
#                                    # package is identical
#   tools/reproducible.sh --reuse    # the first build is this checkout's own
#                                    # (CI: the trees tools/package.sh and
#                                    # tools/windows.sh built), the second a
#                                    # fresh clone
#   tools/reproducible.sh --plant    # the second clone's tq5271ctl prints its
#                                    # version differently: must fail
#
# A fresh clone compiles everything with the compiler cache off: a cache hit
# would hand both builds the same object, identical by construction.
set -eu
cd "$(dirname "$0")/.."

plant=""
reuse=""
for argument in "$@"; do
  case $argument in
    --plant) plant=yes ;;
    --reuse) reuse=yes ;;
    *) echo "reproducible: unknown option $argument (--reuse, --plant)" >&2; exit 2 ;;
  esac
done
if [ -n "$reuse" ] && [ -n "$(git status --porcelain --untracked-files=no -- . ':(exclude)docs/*.png')" ]; then
  echo "reproducible: --reuse needs a checkout without changes to compare with HEAD's clone" >&2
  exit 2
fi

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} git diffoscope-minimal" tools/deps.sh

commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/tq5271-reproducible.XXXXXX)
echo "commit $commit, built in $work"

# n, folder: clones the commit into the folder and builds every package there.
build() {
  src="$work/$2"
  if [ "$2" = . ]; then
    build_here "$1"
    return
  fi
  git clone -q --no-hardlinks "$PWD" "$src"
  git -C "$src" checkout -q --detach "$commit"
  if [ "$1" = 2 ] && [ -n "$plant" ]; then
    echo "planted in the second build:"
    sed -i 's/"tq5271ctl " TQ5271CTL_VERSION/"tq5271ctl  " TQ5271CTL_VERSION/' "$src/ctl/cli.cpp"
    git -C "$src" diff --stat
  fi
  started=$(date +%s)
  # The compilers' notes go to a log, shown if the build fails.
  (cd "$src" && unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER &&
    CCACHE_DISABLE=1 tools/release.sh >"$work/build$1.log" 2>&1) || {
    tail -n 40 "$work/build$1.log"
    echo "reproducible: build $1 failed ($work/build$1.log)"
    exit 1
  }
  # What the clone's build trees were configured with, not what was meant.
  for tree in build/package build/release-windows; do
    if grep -q '^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=.' "$src/$tree/CMakeCache.txt"; then
      echo "reproducible: build $1's $tree went through a compiler launcher"
      exit 1
    fi
  done
  ln -s "$src/build/release" "$work/out$1"
  echo "build $1 in $src at $(date -u -d "@$started" +%T) UTC: $(($(date +%s) - started)) s"
}

# n: this checkout's own packages, built where not yet built.
build_here() {
  started=$(date +%s)
  tools/release.sh >"$work/build$1.log" 2>&1 || {
    tail -n 40 "$work/build$1.log"
    echo "reproducible: build $1 failed ($work/build$1.log)"
    exit 1
  }
  cp -r build/release "$work/out$1"
  echo "build $1 in $PWD at $(date -u -d "@$started" +%T) UTC: $(($(date +%s) - started)) s"
}

if [ -n "$reuse" ]; then
  build 1 .
else
  build 1 first/tq5271
fi
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
