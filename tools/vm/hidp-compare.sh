#!/bin/sh
# Runs inside the VM: plugs the devices tq_hidp_dump --devices lists (the
# board, the composed descriptors, every real one) as virtual boards, a
# batch at a time (the virtual host controller has few ports), and compares
# what the hidraw backend answers on Linux with what Wine's hid.dll answers
# over the same hidraw nodes: caps, button caps and value caps; then one
# input report each device sends, read through the hidraw backend, and the
# usages and values both read from those same bytes; and whether Wine's
# ReadFile hands the same report when the device sends it again.
# One check per device and kind in checks.txt; the texts and their diffs
# in build/vm/out/hidp/.
#
# Windows presents one interface per top-level collection and the hidraw
# backend answers for the first (devlink/report_descriptor): a device of
# several collections is compared against Wine's interface of its first
# one (path with "col01"), and the check says how many Wine listed. Wine 8
# lists such a device as one interface of the whole descriptor: its check
# says so and fails, with the diff kept.
ROOT=$1
OUT=$ROOT/build/vm/out
CMP=$OUT/hidp
WORK=/tmp/hidp
BIN=$ROOT/build/default
DUMP=$BIN/tests/check_programs/hidp_dump/tq_hidp_dump
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

# The interface blocks of one device (vendor and product as the dump
# prints them) without their number and path, each block preceded by a
# line "block PATH".
blocks() {  # $1: dump text, $2: vendor, $3: product
  tr -d '\r' <"$1" | awk -v vid="VendorID $2" -v pid="ProductID $3" '
    function flush() { if (block != "" && v && p) printf "%s", block; block = ""; v = p = 0 }
    /^interface / { flush(); next }
    /^interfaces / { flush(); next }
    /^path / { block = "block " substr($0, 6) "\n"; next }
    { block = block $0 "\n"; if ($0 == vid) v = 1; if ($0 == pid) p = 1 }
    END { flush() }'
}
# One block of blocks(): the first collection's where there are several.
first_collection() {  # stdin: blocks(); prints the chosen block without its line
  awk '
    /^block / { n++; path[n] = tolower($0); next }
    { text[n] = text[n] $0 "\n" }
    END {
      pick = 1
      if (n > 1) { pick = 0; for (i = 1; i <= n; i++) if (path[i] ~ /col0*1([^0-9]|$)/) pick = i }
      if (pick > 0) printf "%s", text[pick]
    }'
}
count_blocks() { grep -c '^block ' || true; }

# Compares one kind of text of one device; $1 kind, $2 device, $3 vendor,
# $4 product, $5 Linux text, $6 Wine text, $7 what the check states; with
# $8 a pattern, only the lines matching it. (check() takes the variable
# "name" for its own.)
compare() {
  kind=$1 device=$2
  blocks "$5" "$3" "$4" >"$WORK/l.blocks"
  blocks "$6" "$3" "$4" >"$WORK/w.blocks"
  linux_count=$(count_blocks <"$WORK/l.blocks")
  wine_count=$(count_blocks <"$WORK/w.blocks")
  first_collection <"$WORK/l.blocks" | grep -e "${8:-.}" >"$CMP/$device.$kind.linux"
  first_collection <"$WORK/w.blocks" | grep -e "${8:-.}" >"$CMP/$device.$kind.wine"
  note=""
  [ "$wine_count" -gt 1 ] && note=" (its first of $wine_count top-level collections)"
  if [ "$collections" -gt 1 ] && [ "$wine_count" -eq 1 ]; then
    note=" (Wine lists its $collections top-level collections as one interface, Windows as $collections; the hidraw backend answers as Windows' first)"
  elif [ "$kind" = input ] && [ "$arrays" = arrays ]; then
    note=" (an array counted from a Logical Minimum other than 1: the hidraw backend names usage minimum + value - Logical Minimum as Windows does, Wine usage minimum + value - 1)"
  fi
  if [ "$linux_count" -ne 1 ] || [ "$wine_count" -lt 1 ]; then
    echo "Linux listed $linux_count, Wine $wine_count interfaces" >"$CMP/$device.$kind.diff"
  else
    diff -u "$CMP/$device.$kind.linux" "$CMP/$device.$kind.wine" >"$CMP/$device.$kind.diff"
  fi
  if [ "$collections" -gt 1 ] && [ "$wine_count" -eq 1 ]; then
    known_difference "$device: $7$note" wine_lists_one_interface test ! -s "$CMP/$device.$kind.diff"
  elif [ "$kind" = input ] && [ "$arrays" = arrays ]; then
    known_difference "$device: $7$note" array_usages_one_lower test ! -s "$CMP/$device.$kind.diff"
  else
    check "$device: $7$note" test ! -s "$CMP/$device.$kind.diff"
  fi || evidence "$CMP/$device.$kind.diff"
}

# The shapes of Wine 8's two known differences. One interface where the
# device has several top-level collections: Wine listed exactly one.
wine_lists_one_interface() { [ "$wine_count" -eq 1 ] && [ "$collections" -gt 1 ]; }
# An array counted from a Logical Minimum other than 1: only usage lists
# differ, in the same places, each Wine usage equal to the hidraw backend's
# or one lower.
array_usages_one_lower() {
  [ "$(wc -l <"$CMP/$device.$kind.linux")" -eq "$(wc -l <"$CMP/$device.$kind.wine")" ] || return 1
  paste -d '\n' "$CMP/$device.$kind.linux" "$CMP/$device.$kind.wine" | awk '
    function hex(text,   value, i) {
      value = 0
      for (i = 3; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
      return value
    }
    NR % 2 == 1 { linux = $0; next }
    linux == $0 { next }
    {
      n = split(linux, l, " "); m = split($0, w, " ")
      if (n != m || l[1] !~ /\.usages$/) { bad = 1; next }
      for (i = 1; i <= n; i++) {
        if (l[i] == w[i]) continue
        if (l[i] !~ /^0x/ || hex(l[i]) - 1 != hex(w[i])) bad = 1
      }
    }
    END { exit bad }'
}

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

  while IFS="$(printf '\t')" read -r device options send clear collections arrays; do
    vid=$(echo "$options" | sed 's/.*vendor=0x\([0-9a-f]*\).*/\1/' | tr a-f A-F)
    pid=$(echo "$options" | sed 's/.*product=0x\([0-9a-f]*\).*/\1/' | tr a-f A-F)
    compare caps "$device" "0x$vid" "0x$pid" "$WORK/linux-caps.txt" "$WORK/wine-caps.unix" \
      "HidP_GetCaps, button caps and value caps of the hidraw backend = Wine's hid.dll"
    compare input "$device" "0x$vid" "0x$pid" "$WORK/linux-input.txt" "$WORK/wine-answers.unix" \
      "HidP_GetUsages and HidP_GetUsageValue over its input report: hidraw backend = Wine's hid.dll"
    compare read "$device" "0x$vid" "0x$pid" "$WORK/linux-input.txt" "$WORK/wine-input.unix" \
      "the report it sent: hidraw backend's ReadFile = Wine's" '^report '
  done <"$WORK/batch.tsv"

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
