#!/bin/sh
# Runs inside the VM after guest.sh's own stages: the Windows build under
# Wine over one virtual board and one foreign HID device, both served by the
# board program. The scenarios' report goes to wine.xml, the checks of the
# programs as users start them to checks.txt ("PASS name" / "FAIL name"),
# their screenshots to encoders_wine.png, config_wine.png and
# monitor_wine.png.
ROOT=$1
OUT=$ROOT/build/vm/out
WIN=$ROOT/build/windows
BOARDS=/tmp/wine-boards
cd "$ROOT" || exit 1
. tools/lib/checks.sh
. tools/lib/board_log.sh
stage_start=$(date +%s)
say() {  # progress on the VM's console, with the seconds since the stage began
  echo "Wine stage, $(($(date +%s) - stage_start)) s: $*"
}

# Wine learns of a plugged or pulled board from udevd's announcements.
/lib/systemd/systemd-udevd --daemon >"$OUT/wine-udevd.log" 2>&1
poll_by_clock 10 test -S /run/udev/control

# Board 0 is a TQ5271; board 1 a game pad of another maker. The board
# program gives up when the kernel is slow to enumerate a board
# (a loaded host under emulation): it is started again, up to three times.
start_boards() {
  rm -rf "$BOARDS"
  mkdir -p "$BOARDS"
  mkfifo "$BOARDS/control"
  "$ROOT/build/default/vboard/tq5271_vboard" --log "$BOARDS" --control "$BOARDS/control" \
    --board serial=00042 \
    --board vendor=0x046d,product=0x0001,serial=F00D,manufacturer=Other,name=Pad,descriptor=vendor \
    >"$BOARDS/vboard.out" 2>&1 &
  vboard=$!
  while kill -0 "$vboard" 2>/dev/null && ! grep -q ready "$BOARDS/vboard.out"; do sleep 0.5; done
  grep -q ready "$BOARDS/vboard.out"
}
for attempt in 1 2 3; do
  start_boards && break
  say "board program, attempt $attempt: $(cat "$BOARDS/vboard.out")"
done
say "boards ready"

# The prefix made on the host, unpacked where Wine may write (see
# wine-stage.sh).
export HOME=/tmp WINEPREFIX=/tmp/wineprefix
. tools/lib/wine.sh
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
tar -C "$WINEPREFIX" -xf "$ROOT/build/vm/wineprefix.tar"
say "prefix unpacked"
# Wine maps a program's image from its file, which the host's share cannot
# back: the programs run from copies in memory.
mkdir -p /tmp/wine-bin
cp "$WIN/tests/wine/wine_scenarios.exe" "$WIN/encoders/TQ5271_encoders.exe" \
  "$WIN/config/TQ5271_config.exe" /tmp/wine-bin/
cp "$WIN/monitor/TQ5271_monitor.exe" /tmp/wine-bin/

export DISPLAY=:6
Xvfb :6 -screen 0 800x600x24 -nolisten tcp -dpi 96 >"$OUT/wine-xvfb.log" 2>&1 &
xvfb=$!

# The scenarios ask for a plug or an unplug by renaming a file to "request";
# the answer is the board program's line, renamed to "reply".
relay() {
  while kill -0 "$vboard" 2>/dev/null; do
    if [ -f "$BOARDS/request" ]; then
      command=$(cat "$BOARDS/request")
      rm -f "$BOARDS/request"
      lines=$(wc -l <"$BOARDS/vboard.out")
      echo "$command" >"$BOARDS/control"
      poll_by_clock 20 test "$(wc -l <"$BOARDS/vboard.out")" -gt "$lines"
      tail -n 1 "$BOARDS/vboard.out" >"$BOARDS/reply.tmp"
      # The scenario takes the reply away as soon as it is there.
      reply=$(cat "$BOARDS/reply.tmp")
      mv "$BOARDS/reply.tmp" "$BOARDS/reply"
      say "$command: $reply"
    fi
    sleep 0.3
  done
}
relay &
relay_pid=$!

start=$(date +%s)
"$WINE" wineboot >"$OUT/wine-boot.log" 2>&1
echo "wineboot in the VM: $(($(date +%s) - start)) s" >>"$OUT/wine-times.txt"

# Wine's desktop and services close a few seconds after the last program
# ends. A program started while they close gets no window
# (CreateWindowExW fails), so each program starts once they have gone.
# (Nor does a persistent server help: with it, a program started after the
# desktop closed got no window either.) Under emulation on a loaded host a
# program took up to 131 s from its start to its read-back, so each waits
# for that up to 300 s.
wine_idle() { ! grep -qsa 'explorer\.exe' /proc/[0-9]*/cmdline; }
poll_by_clock 60 wine_idle || say "Wine's desktop is still up"

start=$(date +%s)
say "wineboot done"
TQ_BOARD_FOLDER=$BOARDS GTEST_COLOR=no WINEDEBUG=-all,err+all timeout 300 "$WINE" /tmp/wine-bin/wine_scenarios.exe \
  "--gtest_output=xml:Z:$OUT/wine.xml" >"$OUT/wine-scenarios.log" 2>&1
echo "scenarios: $(($(date +%s) - start)) s" >>"$OUT/wine-times.txt"
say "scenarios done"

# The programs as users start them: each reads the board back, and its
# window, drawn on Wine's desktop, is photographed.
LOG=$BOARDS/board0.log
for program in encoders config; do
  poll_by_clock 60 wine_idle || say "Wine's desktop is still up"
  before=$(gets)
  "$WINE" "/tmp/wine-bin/TQ5271_$program.exe" >"$OUT/wine-$program.log" 2>&1 &
  pid=$!
  check "TQ5271_$program.exe under Wine reads the board back at start-up" \
    poll_by_clock 300 at_least $((before + 16))
  say "TQ5271_$program.exe read the board back"
  sleep 3
  import -window root "$OUT/${program}_wine.png"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
done

# The input monitor as a user starts it: it reads the board's settings,
# then the encoder is turned and an axis moved while it watches, and its
# window is photographed showing them. Its window is taller than the other
# programs' screen: it gets a screen and a Wine desktop of its own.
poll_by_clock 60 wine_idle || say "Wine's desktop is still up"
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp -dpi 96 >"$OUT/wine-xvfb-monitor.log" 2>&1 &
monitor_xvfb=$!
(DISPLAY=:7 && wine_desktop 1024x768)
poll_by_clock 60 wine_idle || say "Wine's desktop is still up"
before=$(gets)
DISPLAY=:7 "$WINE" /tmp/wine-bin/TQ5271_monitor.exe >"$OUT/wine-monitor.log" 2>&1 &
pid=$!
check "TQ5271_monitor.exe under Wine reads the board's settings at start-up" \
  poll_by_clock 300 at_least $((before + 16))
sleep 3
sent=$(inputs)
for command in "turn 0 3 5" "axis 0 2 90"; do echo "$command" >"$BOARDS/control"; done
check "the board sends the turn's pulses while TQ5271_monitor.exe watches" \
  poll_by_clock 30 inputs_at_least $((sent + 20))
sleep 3
check "TQ5271_monitor.exe under Wine still runs after the turn" kill -0 "$pid"
DISPLAY=:7 import -window root "$OUT/monitor_wine.png"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$monitor_xvfb" 2>/dev/null
say "monitor photographed"

"$WINESERVER" -k
udevadm control --exit
echo quit >"$BOARDS/control"
wait "$vboard"
kill "$relay_pid" "$xvfb" 2>/dev/null
cp "$BOARDS/vboard.out" "$OUT/wine-vboard.out"
for n in 0 1; do cp "$BOARDS/board$n.log" "$OUT/wine-board$n.log" 2>/dev/null; done
echo "Wine stage: $(($(date +%s) - stage_start)) s" >>"$OUT/wine-times.txt"
