#!/bin/sh
# Runs inside the VM, in the host's root: the scenarios on the real USB
# stack, the udev rule under the real udevd, then both programs as users
# start them, under Xvfb. Checks outside the test program are written to
# checks.txt as "PASS name" or "FAIL name".
ROOT=$1
STAGES=${2:-all}
OUT=$ROOT/build/vm/out
BIN=$ROOT/build/default
cd "$ROOT" || exit 1
export GTEST_COLOR=no
. tools/lib/checks.sh
. tools/lib/board_log.sh

if [ "$STAGES" = hidp ]; then
  sh tools/vm/hidp-compare.sh "$ROOT"
  echo "HidP comparison stage ended"
  exit
fi

"$BIN/tests/vm/vm_scenarios" --gtest_filter='-UdevRule.*' --gtest_output="xml:$OUT/scenarios.xml"

# The shipped rule, with the host's own rules, applied by the host's udevd.
mkdir -p /run/udev/rules.d
cp packaging/linux/70-tq5271.rules /run/udev/rules.d/
/lib/systemd/systemd-udevd --daemon >"$OUT/udevd.log" 2>&1
poll_by_tries 10 test -S /run/udev/control
"$BIN/tests/vm/vm_scenarios" --gtest_filter='UdevRule.*' --gtest_output="xml:$OUT/udev.xml"
udevadm control --exit

# The programs as built for users, against one board served by the board
# program; the board's log shows what reached it.
export DISPLAY=:5 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=/tmp
Xvfb :5 -screen 0 800x600x24 -nolisten tcp -dpi 96 >"$OUT/xvfb.log" 2>&1 &
xvfb=$!
mkfifo /tmp/vboard.control
"$BIN/vboard/tq5271_vboard" --log /tmp --control /tmp/vboard.control \
  --board serial=TQ-00042 >"$OUT/vboard.out" 2>&1 &
vboard=$!
LOG=/tmp/board0.log
poll_by_tries 20 grep -q ready "$OUT/vboard.out"
poll_by_tries 10 xdpyinfo -display :5 >/dev/null 2>&1 || sleep 3

"$BIN/encoders/TQ5271_encoders" >"$OUT/encoders.out" 2>&1 &
program=$!
check "TQ5271_encoders reads the board back at start-up" poll_by_tries 60 at_least 16
window=$(xdotool search --sync --onlyvisible --name 'TQ5271 Rotary' | head -n 1)
sleep 1
import -window "$window" "$OUT/encoders.png"
# A user's pick: open ModeCh1 ("48 ms"), one item down ("56 ms"), take it.
# ModeCh1 lies at 360,6360 twips in the client area: 24,424 pixels at 96 dpi.
xdotool mousemove --window "$window" 54 436 click 1
sleep 1
xdotool key Down Return
check "a pick in ModeCh1 arrives as the set report 26 = 7" \
  poll_by_tries 10 grep -q '^SET_REPORT value=0300 length=63 1a 07 00' "$LOG"
# The board's inputs, moved through the board program's control file while
# the program holds the board open: each command makes the board send.
sends() {  # $1: a control line; true once the board sent a report after it
  sent=$(inputs)
  echo "$1" >/tmp/vboard.control
  poll_by_tries 10 inputs_at_least $((sent + 1))
}
board_inputs() { sends "axis 0 2 77" && sends "button 0 32 1" && sends "button 0 32 0" && sends "turn 0 3 2"; }
check "tq5271_vboard's control moves an axis, a button and an encoder, and the board sends them" \
  board_inputs
before=$(gets)
echo "unplug 0" >/tmp/vboard.control
poll_by_tries 10 grep -q 'unplugged 0' "$OUT/vboard.out"
sleep 1
echo "plug 0" >/tmp/vboard.control
check "TQ5271_encoders reopens the board after unplug and replug" \
  poll_by_tries 30 at_least $((before + 16))
kill "$program"
wait "$program"

before=$(gets)
"$BIN/config/TQ5271_config" >"$OUT/config.out" 2>&1 &
program=$!
check "TQ5271_config reads the board back at start-up" poll_by_tries 60 at_least $((before + 16))
window=$(xdotool search --sync --onlyvisible --name 'TQ5271 configuration' | head -n 1)
sleep 1
import -window "$window" "$OUT/config.png"
kill "$program"
wait "$program"

# The input monitor and tq5271ctl watch as users start them: pair 3 set to
# "1:2" at "48 ms", the encoder turned +5 detents while both watch.
"$BIN/ctl/tq5271ctl" set enc3=1:2 pulse=48ms >"$OUT/ctl-set.out" 2>&1
# Each reads the board's settings (16 requests) before it reads input; the
# turn waits for both. The watch ends with Ctrl-C once it has printed the
# button press sent after the turn, so a slow start cannot cut the turn off;
# --for only bounds a watch that never sees it.
before=$(gets)
"$BIN/ctl/tq5271ctl" watch --for 90 >"$OUT/watch.txt" 2>&1 &
watch=$!
"$BIN/monitor/TQ5271_monitor" --screenshot "$OUT/monitor.png" --after 20000 >"$OUT/monitor.out" 2>&1 &
monitor=$!
poll_by_tries 60 at_least $((before + 32))
sleep 2
echo "axis 0 8 5" >/tmp/vboard.control
sleep 1
echo "turn 0 3 5" >/tmp/vboard.control
sleep 2
echo "axis 0 2 90" >/tmp/vboard.control
echo "button 0 7 1" >/tmp/vboard.control
poll_by_clock 60 grep -q 'button 7 pressed' "$OUT/watch.txt"
kill -INT "$watch"
wait "$watch"
watch_status=$?
wait "$monitor"
pulses_on_5() { grep -c 'enc3 button 5 pulse ' "$OUT/watch.txt"; }
check "tq5271ctl watch prints the ten pulses of a turn on button 5" test "$(pulses_on_5)" -eq 10 ||
  evidence "$OUT/watch.txt"
check "tq5271ctl watch ends with 0 on Ctrl-C" test "$watch_status" -eq 0
check "TQ5271_monitor draws its window after watching the turn" test -s "$OUT/monitor.png"

echo quit >/tmp/vboard.control
wait "$vboard"
cp "$LOG" "$OUT/board0.log"
kill "$xvfb"

# The Windows build under Wine, over the same kernel.
sh tools/vm/wine-guest.sh "$ROOT"

# The hidraw backend's HidP_* answers against hid.dll's, device by device.
sh tools/vm/hidp-compare.sh "$ROOT"
