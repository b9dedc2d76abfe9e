#!/bin/sh
# Both programs and the demo, started where there is no display: each ends
# at once with one line naming the missing display and a failure status,
# never Qt's abort. The demo's --screenshot needs no display and still
# writes its picture, one a program when it runs several; nor does its
# --help.
#   headless_start.sh TQ5271_encoders TQ5271_config TQ5271_demo
set -u
encoders=$1 config=$2 demo=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

check_refused() {  # name, then the command and its arguments
  name=$1
  shift
  "$@" >"$out/stdout" 2>"$out/stderr"
  status=$?
  lines=$(wc -l <"$out/stderr")
  if [ "$status" -eq 0 ] || [ "$status" -ge 128 ]; then fail "$name ($*) ended with status $status"; fi
  if [ "$lines" -ne 1 ] || ! grep -q "display" "$out/stderr"; then
    fail "$name ($*) said, in $lines lines:"
    cat "$out/stderr"
  fi
}

for run in "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM" \
           "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:97" \
           "env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=nowhere-0"; do
  # shellcheck disable=SC2086
  check_refused encoders $run "$encoders"
  # shellcheck disable=SC2086
  check_refused config $run "$config"
  # shellcheck disable=SC2086
  check_refused demo $run "$demo" --program config
done
grep -q '"nowhere-0"' "$out/stderr" || fail "the Wayland display is not named"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$demo" --program config \
  --screenshot "$out/config.png" 2>"$out/stderr"
status=$?
[ "$status" -eq 0 ] || fail "demo --screenshot without a display ended with $status: $(cat "$out/stderr")"
[ -s "$out/config.png" ] || fail "demo --screenshot wrote no picture"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$demo" --program encoders,config \
  --screenshot "$out/loop.png" 2>"$out/stderr"
status=$?
[ "$status" -eq 0 ] || fail "demo --program encoders,config --screenshot ended with $status: $(cat "$out/stderr")"
for name in encoders config; do
  [ -s "$out/loop-$name.png" ] || fail "demo --program encoders,config wrote no loop-$name.png"
done
[ ! -e "$out/loop.png" ] || fail "demo --program encoders,config wrote loop.png as well"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$demo" --help >"$out/stdout" 2>"$out/stderr"
status=$?
[ "$status" -eq 0 ] || fail "demo --help without a display ended with $status: $(cat "$out/stderr")"
grep -q -- "--program" "$out/stdout" || fail "demo --help did not show its options: $(cat "$out/stdout")"
exit $failed
