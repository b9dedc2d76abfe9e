# shellcheck shell=sh
# Sourced by the scripts that run the Windows build under Wine
# (tools/windows.sh, tools/vm/wine-stage.sh, tools/vm/wine-guest.sh): where
# Wine is, the environment every run shares, and the prefix's setup.

# Debian's wine64 package alone leaves the loader outside PATH.
WINE=${WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
WINESERVER=${WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver)}
export WINEARCH=win64 WINEDEBUG=-all
# No .NET or browser runtime: nothing here needs one, and their installers
# would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="

reg() {  # $1: key, $2: value name, $3: type, $4: data
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null
}

# One virtual desktop for every window: Wine then draws the frames and
# captions itself (there is no window manager on the display), and each
# program's exit code comes back to its caller.
wine_desktop() {  # $1: its size, e.g. 800x600
  reg 'HKCU\Software\Wine\Explorer' Desktop REG_SZ Default
  reg 'HKCU\Software\Wine\Explorer\Desktops' Default REG_SZ "$1"
}

# Wine draws the caption buttons with its own Marlett font, which Debian's
# build does not find where it is installed.
wine_fonts() {
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}
