#!/bin/sh
# The Wine stage of tools/vm-test.sh, on the host: cross-builds the Windows
# scenarios and both programs, and makes the Wine prefix the VM starts from
# (tools/vm/wine-guest.sh runs them inside). The prefix is made here because
# the VM sees the host's root read-only; it is kept between runs.
# WINE_TARGETS names the Windows targets to build (by default every one the
# VM runs).
set -eu
cd "$(dirname "$0")/../.."
EXTRA_PACKAGES="g++-mingw-w64-x86-64-posix wine64 fonts-wine" tools/deps.sh
. tools/lib/ccache.sh
cmake --preset windows >/dev/null
# shellcheck disable=SC2086 # a list of targets
cmake --build --preset windows --target ${WINE_TARGETS:-wine_scenarios TQ5271_encoders TQ5271_config TQ5271_monitor tq_hidp_dump}

export WINEPREFIX="$PWD/build/vm/wineprefix"
. tools/lib/wine.sh
# Made again when this script changes what goes into it.
if [ ! "$WINEPREFIX/.tq5271-ready" -nt tools/vm/wine-stage.sh ]; then
  rm -rf "$WINEPREFIX"
  # Wine makes the prefix itself, but not the folders above it.
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINE" wineboot --init >/dev/null 2>&1
  # winebus: hidraw nodes only, without libSDL2.
  winebus='HKLM\System\CurrentControlSet\Services\winebus'
  reg "$winebus" "Enable SDL" REG_DWORD 0
  reg "$winebus" DisableInput REG_DWORD 1
  wine_desktop 800x600
  "$WINESERVER" -w
  wine_fonts
  touch "$WINEPREFIX/.tq5271-ready"
fi

# The VM's copy of the prefix, as one archive its guest part unpacks into a
# writable folder: the large files (DLLs, programs, tables), which Wine only
# reads, as links into this prefix through the VM's share of the host's
# root; the rest, the registry among it, as files.
VM=$PWD/build/vm
if [ ! -f "$VM/wineprefix.tar" ] || [ "$VM/wineprefix.tar" -ot "$WINEPREFIX/.tq5271-ready" ]; then
  rm -rf "$VM/wineprefix-vm"
  cp -a "$WINEPREFIX" "$VM/wineprefix-vm"
  (cd "$WINEPREFIX" && find . -type f -size +64k ! -name '*.reg') | while read -r file; do
    ln -sf "$WINEPREFIX/$file" "$VM/wineprefix-vm/$file"
  done
  tar -C "$VM/wineprefix-vm" -cf "$VM/wineprefix.tar" .
  rm -rf "$VM/wineprefix-vm"
fi
