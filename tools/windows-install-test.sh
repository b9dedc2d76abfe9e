#!/bin/sh
# The Windows installer under Wine, in a prefix of its own made fresh, as a
# Windows owner would meet it (run by tools/windows.sh, which gives it the X
# display and the built packages):
#
#   - the installer's first page, photographed into docs/installer_win32.png;
#   - a silent install (/S): every file in Program Files\TQ5271 Utilities and
#     the same bytes as the portable zip's, the Start-menu shortcuts, the Apps &
#     features entry and its values in the 64-bit registry;
#   - each windowed program started from its installed place (no board: it
#     must show its window), tq5271ctl.exe --version from the install folder;
#   - the quiet uninstall from the entry's QuietUninstallString: no file,
#     shortcut or key of ours left;
#   - an upgrade: an installer of a lower version (the same build packed by
#     CPack with its version set lower, and one shortcut more), then this one
#     over it: one entry, this version, no shortcut of the older one; then
#     uninstalled, nothing left.
#
#   WINE=... WINESERVER=... DISPLAY=:n tools/windows-install-test.sh [BUILD]
set -eu
cd "$(dirname "$0")/.."

BUILD=${1:-build/windows}
. tools/lib/wine.sh
version=$(sed -n 's/^project(TQ5271 VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
installer="$BUILD/package/tq5271-utilities-$version-win64-setup.exe"
[ -f "$installer" ] || { echo "install test: no $installer (tools/windows-package.sh)" >&2; exit 1; }
zipped="$(cd "$BUILD" && pwd)/package-stage/zip/tq5271-utilities-$version-win64"

export WINEPREFIX="$PWD/$BUILD/install-prefix"
# No Linux menu entries made from the shortcuts.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

fail() {
  echo "install test: FAIL: $*" >&2
  exit 1
}

"$WINESERVER" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
cleanup() { "$WINESERVER" -k 2>/dev/null || true; }
trap cleanup EXIT INT TERM
"$WINE" wineboot --init >/dev/null 2>&1
"$WINESERVER" -w
wine_desktop 1024x768
wine_fonts
"$WINESERVER" -w

dir="$WINEPREFIX/drive_c/Program Files/TQ5271 Utilities"
windir='C:\Program Files\TQ5271 Utilities'
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TQ5271 Utilities"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TQ5271 Utilities'

# The value of one registry value, as reg query prints it.
value() {
  "$WINE" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}
entries() {
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null |
    tr -d '\r' | grep -c 'TQ5271' || true
}

# program, shortcut, caption, client width and height in twips
windowed="TQ5271_encoders|TQ5271 Rotary Encoders|TQ5271 Rotary Encoders Configuration v1.7|4820|6970
TQ5271_config|TQ5271 Configuration|TQ5271 configuration|5420|7470
TQ5271_monitor|TQ5271 Input Monitor|TQ5271 Input Monitor|14580|9720"

install() {
  started=$(date +%s)
  "$WINE" "$1" /S || fail "$1 /S exited with $?"
  "$WINESERVER" -w
  echo "installed $(basename "$1") silently in $(($(date +%s) - started)) s"
}

check_installed() {
  wanted=$1
  echo "== files in $windir"
  (cd "$dir" && find . -type f | sort | while read -r f; do echo "  $(wc -c <"$f") bytes  ${f#./}"; done)
  (cd "$zipped" && find . -type f) | while read -r f; do
    cmp -s "$zipped/$f" "$dir/$f" || fail "${f#./} is not installed as packed"
  done
  [ -f "$dir/Uninstall.exe" ] || fail "no Uninstall.exe"
  extra=$(cd "$dir" && find . -type f ! -name Uninstall.exe | while read -r f; do
    [ -f "$zipped/$f" ] || echo "$f"; done)
  [ -z "$extra" ] || fail "files the packages do not hold: $extra"

  echo "== Start menu (all users): ${menu#"$WINEPREFIX/"}"
  (cd "$menu" && ls -1 | sed 's/^/  /')
  echo "$windowed" | while IFS='|' read -r program shortcut _; do
    lnk="$menu/$shortcut.lnk"
    [ -f "$lnk" ] || fail "no shortcut $shortcut.lnk"
    python3 - "$lnk" "$windir\\$program.exe" <<'PY' || fail "$shortcut.lnk does not start $program.exe"
import sys
data = open(sys.argv[1], "rb").read()
target = sys.argv[2]
# The target in the link's path data and as its icon, in either encoding.
hits = data.count(target.encode("utf-16-le")) + data.count(target.encode("latin-1"))
print(f"  {sys.argv[1].rsplit('/', 1)[1]} -> {target} ({hits} mentions: target and icon)")
sys.exit(0 if hits >= 2 else 1)
PY
  done
  [ -f "$menu/Uninstall.lnk" ] || fail "no Uninstall shortcut"

  echo "== $key"
  "$WINE" reg query "$key" | tr -d '\r' | sed '/^$/d; s/^/  /'
  [ "$(entries)" = 1 ] || fail "$(entries) Apps & features entries, not one"
  [ "$(value DisplayName)" = "TQ5271 Utilities" ] || fail "DisplayName"
  [ "$(value DisplayVersion)" = "$wanted" ] || fail "DisplayVersion $(value DisplayVersion), not $wanted"
  [ "$(value Publisher)" = "TQ Controls" ] || fail "Publisher"
  [ "$(value DisplayIcon)" = "$windir\\TQ5271_encoders.exe" ] || fail "DisplayIcon"
  [ "$(value InstallLocation)" = "$windir" ] || fail "InstallLocation"
  [ "$(value UninstallString)" = "\"$windir\\Uninstall.exe\"" ] || fail "UninstallString"
  [ "$(value QuietUninstallString)" = "\"$windir\\Uninstall.exe\" /S" ] || fail "QuietUninstallString"
  "$WINE" reg query "$key" /v NoModify | grep -q 'REG_DWORD *0x1' || fail "NoModify is not the number 1"
  "$WINE" reg query "$key" /v NoRepair | grep -q 'REG_DWORD *0x1' || fail "NoRepair is not the number 1"
  # Wine's own Add/Remove Programs reads the same entry.
  listed=$("$WINE" uninstaller --list 2>/dev/null | tr -d '\r' | grep 'TQ5271' || true)
  echo "  uninstaller --list: $listed"
  [ "$listed" = "TQ5271 Utilities|||TQ5271 Utilities" ] || fail "Wine's uninstaller lists \"$listed\""
  size=$(value EstimatedSize)
  kib=$(du -sk --apparent-size --exclude=Uninstall.exe "$dir" | cut -f1)
  # NSIS counts the installed files in KiB, each rounded up.
  [ $((size)) -ge $((kib - 8)) ] && [ $((size)) -le $((kib + 8)) ] ||
    fail "EstimatedSize $((size)) KiB for $kib KiB of programs"
  if "$WINE" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\TQ5271 Utilities' \
    >/dev/null 2>&1; then
    fail "the entry is in the 32-bit view"
  fi
}

uninstall_quietly() {
  quiet=$(value QuietUninstallString)
  exe=$(echo "$quiet" | sed -n 's/^"\([^"]*\)" \(.*\)$/\1/p')
  args=$(echo "$quiet" | sed -n 's/^"\([^"]*\)" \(.*\)$/\2/p')
  [ -n "$exe" ] || fail "QuietUninstallString \"$quiet\" names no program"
  started=$(date +%s)
  # shellcheck disable=SC2086
  "$WINE" "$exe" $args || fail "$quiet exited with $?"
  # The uninstaller runs from a copy of itself in TEMP and returns at once.
  for _ in $(seq 1 120); do
    [ -e "$dir" ] || [ -e "$menu" ] || break
    sleep 0.5
  done
  "$WINESERVER" -w
  echo "uninstalled quietly ($quiet) in $(($(date +%s) - started)) s"
  [ ! -e "$dir" ] || fail "left in Program Files: $(cd "$dir" && find . | tr '\n' ' ')"
  [ ! -e "$menu" ] || fail "left in the Start menu: $(ls "$menu" | tr '\n' ' ')"
  if "$WINE" reg query "$key" >/dev/null 2>&1; then fail "the Apps & features entry is left"; fi
  if "$WINE" reg query 'HKLM\Software\TQ Controls' >/dev/null 2>&1; then fail "HKLM\\Software\\TQ Controls is left"; fi
  echo "nothing left: no files, no shortcuts, no keys"
  # NSIS's uninstaller runs from a copy in TEMP and leaves that folder, empty,
  # as it does on Windows; shown, not judged.
  echo "in the user's TEMP: $(cd "$WINEPREFIX/drive_c/users/$(id -un)/Temp" 2>/dev/null && ls -A | tr '\n' ' ')"
}

echo "== the installer's first page"
"$WINE" "$BUILD/tests/check_programs/win32/tq_installer_shot.exe" "$installer" "TQ5271 Utilities $version Setup" \
  "Welcome to" "$BUILD/installer.bmp"
"$WINESERVER" -w
convert "$BUILD/installer.bmp" -strip docs/installer_win32.png
echo "docs/installer_win32.png"
[ ! -e "$dir" ] || fail "leaving the first page installed something"

echo "== silent install of $version"
install "$installer"
check_installed "$version"

echo "$windowed" | while IFS='|' read -r program shortcut caption width height; do
  echo "== $program from $windir, no board"
  "$WINE" "$BUILD/tests/check_programs/win32/tq_window_check.exe" "$windir\\$program.exe" "$caption" "$width" "$height" \
    "$BUILD/installed_$program.bmp" </dev/null || fail "$program did not start from its installed place"
done
echo "== tq5271ctl.exe --version from $windir"
printed=$("$WINE" "$windir\\tq5271ctl.exe" --version | tr -d '\r')
echo "$printed"
[ "$printed" = "tq5271ctl $version" ] || fail "tq5271ctl --version printed \"$printed\""
"$WINESERVER" -w

echo "== silent uninstall"
uninstall_quietly

# The same build packed as an older version: the version a step lower, and
# a read-me shortcut the current installer does not make, whose absence after
# the upgrade shows that the older version's uninstaller ran.
older=$(echo "$version" | awk -F. '{ if ($2 > 0) print $1 "." $2 - 1 ".0"; else print $1 - 1 ".99.0" }')
echo "== upgrade: $older, then $version over it"
rm -rf "$BUILD/package-older"
(cd "$BUILD" && cpack -G NSIS -B "$PWD/package-older" -D "CPACK_PACKAGE_VERSION=$older" \
  -D "CPACK_NSIS_MENU_LINKS=README.txt;TQ5271 Read me $older" >/dev/null)
install "$BUILD/package-older/tq5271-utilities-$older-win64-setup.exe"
[ "$(value DisplayVersion)" = "$older" ] || fail "the older installer did not register $older"
[ -f "$menu/TQ5271 Read me $older.lnk" ] || fail "the older installer made no read-me shortcut"
echo "$older installed: entry $(value DisplayVersion), shortcuts: $(cd "$menu" && ls | tr '\n' ' ')"
install "$installer"
check_installed "$version"
[ ! -e "$menu/TQ5271 Read me $older.lnk" ] || fail "the upgrade left the older version's shortcut"
echo "upgraded: one entry, $version, the older version's shortcut gone"
uninstall_quietly
echo "Installer under Wine: all checks passed ($(wc -c <"$installer") bytes)"
