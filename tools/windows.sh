#!/bin/sh
# The Windows build, tested under Wine: cross-compiles the programs and the
# tests with MinGW-w64 (preset "windows"), runs the tests under Wine on a
# virtual X display, then starts each program as a user would, with no board
# attached: it must reach its no-board state with its caption and controls,
# and end cleanly when its window is closed. Each window is photographed into
# docs/ (encoders_win32.png, config_win32.png, monitor_win32.png): this
# script rewrites those pictures. The view tests and the window checks run once more at 144 dpi
# (150 %), photographs in docs/ too (*_win32_144.png), and the text-fit
# checks once more at 192 dpi (200 %). Then it packs the installer, the
# portable zip and the winget manifest (tools/windows-package.sh, into
# build/windows/package/) and tries the installer under Wine in a fresh
# prefix (tools/windows-install-test.sh; its first page in
# docs/installer_win32.png).
set -eu
cd "$(dirname "$0")/.."

EXTRA_PACKAGES="${EXTRA_PACKAGES:-} g++-mingw-w64-x86-64-posix wine64 fonts-wine imagemagick nsis" \
  tools/deps.sh
. tools/lib/ccache.sh

cmake --preset windows
cmake --build --preset windows

BUILD=build/windows
export WINEPREFIX="${WINEPREFIX:-$PWD/$BUILD/wineprefix}"
. tools/lib/wine.sh

display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
export DISPLAY=":$display"
for _ in 1 2 3 4 5 6 7 8 9 10; do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.5
done

"$WINE" wineboot --init >/dev/null 2>&1
"$WINESERVER" -w
# As large as the screen, 1920 x 1080 as the windows must fit at 150 %: the
# monitor's window is 1458 x 972 pixels at 144 dpi.
wine_desktop 1920x1080
wine_fonts

# Every Wine process, the desktop included, ends first, so that all of them
# read the new setting; the server writes the registry out when it ends.
# Then it stays up between the runs below instead of starting for each.
set_dpi() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w
  reg 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$1"
  "$WINESERVER" -w
  "$WINESERVER" -p
}

# Each program's window as check_program photographed it at $dpi, into
# docs/ as PNG, without time stamps, so that an unchanged window gives an
# unchanged file.
save_photographs() {  # $1: what the pictures' names end in
  for name in encoders config monitor; do
    if [ -f "$BUILD/${name}_$dpi.bmp" ]; then
      convert "$BUILD/${name}_$dpi.bmp" -strip "docs/${name}_win32$1.png"
      echo "docs/${name}_win32$1.png"
    fi
  done
}

# name, file description
check_version() {
  exe="$BUILD/$1/TQ5271_$1.exe"
  if [ ! -f "$exe" ]; then
    echo "TQ5271_$1 is not in this build"
    return
  fi
  echo "== TQ5271_$1 version resource"
  "$WINE" "$BUILD/tests/check_programs/win32/tq_version_check.exe" "$exe" "$2"
}

# name, caption, client width and height in twips
check_program() {
  exe="$BUILD/$1/TQ5271_$1.exe"
  if [ ! -f "$exe" ]; then
    echo "TQ5271_$1 is not in this build"
    return
  fi
  echo "== TQ5271_$1 under Wine, no board, $dpi dpi"
  "$WINE" "$BUILD/tests/check_programs/win32/tq_window_check.exe" "$exe" "$2" "$3" "$4" "$BUILD/$1_$dpi.bmp"
}

check_all() {
  check_program encoders "TQ5271 Rotary Encoders Configuration v1.7" 4820 6970
  check_program config "TQ5271 configuration" 5420 7470
  check_program monitor "TQ5271 Input Monitor" 14580 9720
}

# The console program against no board: the same lines and exit codes as
# on Linux.
check_ctl() {
  exe="$BUILD/ctl/tq5271ctl.exe"
  if [ ! -f "$exe" ]; then
    echo "tq5271ctl is not in this build"
    return
  fi
  echo "== tq5271ctl.exe under Wine, no board"
  for expected in "list|1|no usable board" "show|2|tq5271ctl: no board attached"; do
    command=${expected%%|*}
    rest=${expected#*|}
    set +e
    printed=$("$WINE" "$exe" "$command" 2>&1 | tr -d '\r')
    code=$("$WINE" "$exe" "$command" >/dev/null 2>&1; echo $?)
    set -e
    echo "tq5271ctl $command -> exit $code: $printed"
    if [ "$code" != "${rest%%|*}" ] || [ "$printed" != "${rest#*|}" ]; then
      echo "tq5271ctl $command: expected exit ${rest%%|*}: ${rest#*|}"
      exit 1
    fi
  done
}

dpi=96
set_dpi $dpi
check_version encoders "TQ5271 rotary encoders configuration"
check_version config "TQ5271 analog input configuration"
check_version monitor "TQ5271 input monitor"
echo "== logic tests under Wine"
"$WINE" "$BUILD/tests/logic_tests.exe" --gtest_brief=1
echo "== Windows tests under Wine, $dpi dpi"
"$WINE" "$BUILD/tests/win32/win32_tests.exe" --gtest_brief=1
check_all
check_ctl
save_photographs ""

dpi=144
set_dpi $dpi
echo "== Windows tests under Wine, $dpi dpi"
"$WINE" "$BUILD/tests/win32/win32_tests.exe" --gtest_brief=1
check_all
save_photographs "_$dpi"

dpi=192
set_dpi $dpi
echo "== texts fit their controls under Wine, $dpi dpi"
"$WINE" "$BUILD/tests/win32/win32_tests.exe" --gtest_brief=1 --gtest_filter='NativeTextFit.*'

echo "== packages"
tools/windows-package.sh "$BUILD"
echo "== the installer under Wine, fresh prefix"
WINE="$WINE" WINESERVER="$WINESERVER" tools/windows-install-test.sh "$BUILD"

for exe in "$BUILD"/encoders/TQ5271_encoders.exe "$BUILD"/config/TQ5271_config.exe \
  "$BUILD"/monitor/TQ5271_monitor.exe "$BUILD"/ctl/tq5271ctl.exe; do
  [ -f "$exe" ] && echo "$(wc -c <"$exe") bytes  $exe"
done
echo "Windows build: all checks passed"
