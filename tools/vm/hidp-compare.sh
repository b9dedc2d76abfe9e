#!/bin/sh
# Runs inside the VM: plugs the devices tq_hidp_dump --devices lists (the
# board, the composed descriptors, every real one) as virtual boards, a
# batch at a time (the virtual host controller has few ports), and compares
# what the hidraw backend answers on Linux with what Wine's hid.dll answers
# over the same hidraw nodes: caps, button caps and value caps; then one
# input report each device sends, read through the hidraw backend, and the
# usages and values both read from those same bytes; and whether Wine's
# ReadFile hands the same report when the device sends it again.
# The comparison itself is hidp_compare.py beside tq_hidp_dump: one check
# per device and kind in checks.txt, the texts and their diffs in
# build/vm/out/hidp/, Wine 8's known differences counted apart.
ROOT=$1
OUT=$ROOT/build/vm/out
CMP=$OUT/hidp
WORK=/tmp/hidp
BIN=$ROOT/build/default
DUMP=$BIN/tests/check_programs/hidp_dump/tq_hidp_dump
COMPARE=$ROOT/tests/check_programs/hidp_dump/hidp_compare.py
BATCH=6
cd "$ROOT" || exit 1
. tools/lib/checks.sh
stage_start=$(date +%s)
say() {
  echo "HidP comparison, $(($(date +%s) - stage_start)) s: $*"
}
mkdir -p "$CMP" "$WORK"
# The keyboards among the devices send keys to the VM's own kernel: no
# key combination may reach the magic SysRq handler (reboot, crash, ...).
echo 0 >/proc/sys/kernel/sysrq

# Wine learns of plugged devices from udevd's announcements.
if ! test -S /run/udev/control; then
  /lib/systemd/systemd-udevd --daemon >"$CMP/udevd.log" 2>&1
  poll_by_clock 10 test -S /run/udev/control
fi
export HOME=/tmp WINEPREFIX=/tmp/wineprefix
. tools/lib/wine.sh
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  tar -C "$WINEPREFIX" -xf "$ROOT/build/vm/wineprefix.tar"
fi
# Wine maps a program's image from its file, which the host's share cannot
# back: the program runs from a copy in memory.
mkdir -p /tmp/wine-bin
cp "$ROOT/build/windows/tests/check_programs/hidp_dump/tq_hidp_dump.exe" /tmp/wine-bin/

# Wine starts afresh for each batch, once its devices are plugged, and its
# server is persistent until the batch ends: Wine's device service then
# stays up between the dumps and keeps the devices it found. Without that,
# each dump started Wine anew and listed the interfaces while Wine's bus was
# still finding them (a device could be missing from one dump); a service
# kept across batches missed a device plugged where one of the last batch
# had been.
wine_up() {
  "$WINESERVER" -p
  "$WINE" wineboot >"$CMP/wineboot$batch.log" 2>&1
}
wine_down() {
  "$WINESERVER" -k
  "$WINESERVER" -w
}

"$DUMP" --devices >"$WORK/devices.tsv"

send_lines() {  # $1: ';'-separated lines with '@' for the board; $2: board index
  echo "$1" | tr ';' '\n' | sed "s/@/$2/" | while read -r line; do
    [ -n "$line" ] && echo "$line" >"$WORK/control"
  done
}

batch=0
total=$(wc -l <"$WORK/devices.tsv")
while [ $((batch * BATCH)) -lt "$total" ]; do
  sed -n "$((batch * BATCH + 1)),$((batch * BATCH + BATCH))p" "$WORK/devices.tsv" >"$WORK/batch.tsv"
  set --
  while IFS="$(printf '\t')" read -r device options send clear collections arrays; do set -- "$@" --board "$options"; done \
    <"$WORK/batch.tsv"
  for attempt in 1 2 3; do
    rm -f "$WORK/control" "$WORK/vboard.out"
    mkfifo "$WORK/control"
    "$BIN/vboard/tq5271_vboard" --log "$WORK" --control "$WORK/control" "$@" >"$WORK/vboard.out" 2>&1 &
    vboard=$!
    while kill -0 "$vboard" 2>/dev/null && ! grep -q ready "$WORK/vboard.out"; do sleep 0.5; done
    grep -q ready "$WORK/vboard.out" && break
    say "batch $batch, attempt $attempt: $(cat "$WORK/vboard.out")"
  done
  say "batch $batch plugged"
  wine_up
  say "Wine up"
  products=$(awk -F'\t' '{ sub(/.*product=0x/, "", $2); sub(/,.*/, "", $2); print toupper($2) }' "$WORK/batch.tsv")
  all_listed() {  # $1: dump text
    for product in $products; do grep -q "^ProductID 0x$product" "$1" || return 1; done
  }
  linux_listed() { "$DUMP" >"$WORK/linux-caps.txt" && all_listed "$WORK/linux-caps.txt"; }
  poll_by_clock 30 linux_listed || say "Linux lists only part of batch $batch"
  wine_listed() {
    WINEDEBUG=-all "$WINE" /tmp/wine-bin/tq_hidp_dump.exe >"$WORK/wine-caps.txt" 2>"$WORK/wine-caps.err"
    tr -d '\r' <"$WORK/wine-caps.txt" >"$WORK/wine-caps.unix" && all_listed "$WORK/wine-caps.unix"
  }
  poll_by_clock 120 wine_listed || say "Wine lists only part of batch $batch"
  cp "$WORK/linux-caps.txt" "$CMP/batch$batch.linux-caps.txt"
  cp "$WORK/wine-caps.unix" "$CMP/batch$batch.wine-caps.txt"
  say "batch $batch caps dumped"

  # Input: each reader opens every device, then the devices send.
  sends() {  # $1: 3 for the send lines, 4 for the clear lines
    index=0
    while IFS="$(printf '\t')" read -r device options send clear collections arrays; do
      if [ "$1" = 3 ]; then send_lines "$send" "$index"; else send_lines "$clear" "$index"; fi
      index=$((index + 1))
    done <"$WORK/batch.tsv"
  }
  rm -f "$WORK/ready"
  "$DUMP" --read "$WORK/ready" 2a7e 1209 >"$WORK/linux-input.txt" 2>"$WORK/linux-input.err" &
  reader=$!
  poll_by_clock 30 test -f "$WORK/ready"
  sends 3
  wait "$reader"
  # hid.dll over the reports the hidraw backend read.
  WINEDEBUG=-all "$WINE" /tmp/wine-bin/tq_hidp_dump.exe --answer 'Z:\tmp\hidp\linux-input.txt' \
    2a7e 1209 >"$WORK/wine-answers.txt" 2>"$WORK/wine-answers.err"
  tr -d '\r' <"$WORK/wine-answers.txt" >"$WORK/wine-answers.unix"
  # Wine's own ReadFile while the devices send the report again.
  sends 4
  sleep 1
  rm -f "$WORK/ready"
  WINEDEBUG=err+all,warn+hid,+hid_report "$WINE" /tmp/wine-bin/tq_hidp_dump.exe --read 'Z:\tmp\hidp\ready' 2a7e 1209 \
    >"$WORK/wine-input.txt" 2>"$WORK/wine-input.err" &
  reader=$!
  poll_by_clock 60 test -f "$WORK/ready"
  sends 3
  wait "$reader"
  tr -d '\r' <"$WORK/wine-input.txt" >"$WORK/wine-input.unix"
  cp "$WORK/linux-input.txt" "$CMP/batch$batch.linux-input.txt"
  cp "$WORK/wine-answers.unix" "$CMP/batch$batch.wine-answers.txt"
  cp "$WORK/wine-input.unix" "$CMP/batch$batch.wine-input.txt"
  cp "$WORK/wine-input.err" "$CMP/batch$batch.wine-input.err"
  say "batch $batch input read"

  python3 "$COMPARE" --devices "$WORK/batch.tsv" --out "$CMP" \
    --linux-caps "$WORK/linux-caps.txt" --wine-caps "$WORK/wine-caps.unix" \
    --linux-input "$WORK/linux-input.txt" --wine-answers "$WORK/wine-answers.unix" \
    --wine-input "$WORK/wine-input.unix" >>"$OUT/checks.txt"

  wine_down
  echo quit >"$WORK/control"
  wait "$vboard"
  check "batch $batch: tq5271_vboard ends with 0 on quit, its boards still plugged" test $? -eq 0 ||
    evidence "$WORK/vboard.out"
  for log in "$WORK"/board*.log; do cp "$log" "$CMP/batch$batch.$(basename "$log")"; done
  cp "$WORK/vboard.out" "$CMP/batch$batch.vboard.out"
  batch=$((batch + 1))
  # The ports come free once the kernel let go of the devices.
  sleep 2
done

udevadm control --exit
say "done"
