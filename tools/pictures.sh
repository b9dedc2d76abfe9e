#!/bin/sh
# Remakes the pictures of the Qt windows that README shows, in docs/: each
# program in the demo over the emulator's factory board (TQ-00042), drawn by
# Qt's offscreen platform at 96 dpi, and at 144 dpi (150 %) too:
#
#   encoders.png, encoders_144.png   the encoder utility
#   config.png, config_144.png       the configuration utility
#   monitor.png, monitor_144.png     the monitor after a noisy X axis, a
#                                    bouncing button 1 (pair 1-2 is "OFF")
#                                    and two detents of pair 5-6 ("1:2")
#   monitor_seen.png                 the monitor after every axis swept end
#                                    to end and buttons 1 to 30 pressed
#
# The monitor's board is moved by a script of the demo (--inputs, one step
# a line, on the board's own clock), so the same sources give the same
# bytes: run it twice and nothing in docs/ changes. optipng makes each file
# smaller without changing a pixel.
#
#   tools/pictures.sh            all of them
#   tools/pictures.sh --check    into build/pictures/ only, then compares
#                                with docs/: which differ, exit 1 if any
set -eu
cd "$(dirname "$0")/.."
CHECK=""
case "${1:-}" in
  "") ;;
  --check) CHECK=1 ;;
  *) echo "usage: tools/pictures.sh [--check]" >&2; exit 2 ;;
esac

EXTRA_PACKAGES="optipng" tools/deps.sh
. tools/lib/ccache.sh
cmake --preset default >/dev/null
cmake --build --preset default --target TQ5271_demo

OUT=build/pictures
rm -rf "$OUT"
mkdir -p "$OUT"
export QT_QPA_PLATFORM=offscreen
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING

# name, dpi, program, then the demo's other arguments
picture() {
  name=$1
  dpi=$2
  program=$3
  shift 3
  if ! QT_FONT_DPI=$dpi build/default/demo/TQ5271_demo --program "$program" \
      --screenshot "$OUT/$name.png" "$@" 2>"$OUT/$name.log"; then
    cat "$OUT/$name.log" >&2
    echo "pictures: $name was not drawn" >&2
    exit 1
  fi
  optipng -quiet -o2 -strip all "$OUT/$name.png"
  echo "$name.png: $(wc -c <"$OUT/$name.png") bytes"
}

# The marks. X, moved to the middle, wanders ±3 counts at rest; button 1
# closes three times a press, 10 ms apart; pair 5-6 turns two detents at
# "1:2" and checks "OK". The last second of noise lets the monitor name it:
# ten turns within 1 s.
cat >"$OUT/marks.inputs" <<'EOF'
axis 0 1 64
noise 0 1 3
turn 0 3 2
bounce 0 1 3
button 0 1 1
wait 200
button 0 1 0
wait 1200
EOF

# What arrived: each axis to both ends (255 stands for the board's highest
# value, 127 on the factory board) and back to the middle; on the pairs
# read as "OFF" each button pressed once, on the encoder pairs (3-4, 5-6,
# 7-8, 15-16, 17-18) a detent each way, which presses both buttons; buttons
# 31 and 32 never. Each press and turn well apart, so none is chatter or
# both directions in one turn.
{
  for axis in 1 2 3 4 5 6 7 8; do
    printf 'axis 0 %s 0\nwait 30\naxis 0 %s 255\nwait 30\naxis 0 %s 64\nwait 30\n' \
      "$axis" "$axis" "$axis"
  done
  for pair in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do
    case $pair in
      2 | 3 | 4 | 8 | 9) printf 'turn 0 %s 1\nwait 300\nturn 0 %s -1\nwait 300\n' "$pair" "$pair" ;;
      *)
        for button in $((2 * pair - 1)) $((2 * pair)); do
          printf 'button 0 %s 1\nwait 100\nbutton 0 %s 0\nwait 100\n' "$button" "$button"
        done
        ;;
    esac
  done
  printf 'wait 1000\n'
} >"$OUT/seen.inputs"

for dpi in 96 144; do
  suffix=""
  [ "$dpi" = 96 ] || suffix="_$dpi"
  picture "encoders$suffix" "$dpi" encoders
  picture "config$suffix" "$dpi" config
  picture "monitor$suffix" "$dpi" monitor --inputs "$OUT/marks.inputs"
done
picture monitor_seen 96 monitor --inputs "$OUT/seen.inputs"

names="encoders encoders_144 config config_144 monitor monitor_144 monitor_seen"
if [ -n "$CHECK" ]; then
  differing=""
  for name in $names; do
    cmp -s "$OUT/$name.png" "docs/$name.png" || differing="$differing $name.png"
  done
  if [ -n "$differing" ]; then
    echo "pictures: these differ from docs/:$differing (tools/pictures.sh remakes them)"
    exit 1
  fi
  echo "pictures: docs/ holds these pictures as the sources draw them"
  exit 0
fi
for name in $names; do
  cp "$OUT/$name.png" "docs/$name.png"
done
echo "pictures: written to docs/"
