#!/bin/sh
# The demo's windows read over the accessibility bus (screen_reader_check.py):
# an X display of its own (Xvfb), a session bus of its own that starts
# at-spi2-core's accessibility bus when the reader asks for it, and Qt told
# to speak on it without a desktop asking (QT_LINUX_ACCESSIBILITY_ALWAYS_ON).
#   screen_reader_check.sh TQ5271_demo
set -u
demo=$1
here=$(dirname "$0")
python=/usr/bin/python3  # Debian's, which has the bus's client (gir1.2-atspi-2.0)
for tool in Xvfb dbus-run-session "$python"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (tools/deps.sh installs it)"; exit 1; }
done
"$python" -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
  { echo "FAIL: the AT-SPI client is missing (gir1.2-atspi-2.0, python3-gi; tools/deps.sh)"; exit 1; }

display=70
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null' EXIT INT TERM
for _ in 1 2 3 4 5 6 7 8 9 10; do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.5
done

# The demo runs until the reader is done; its pid is the one started here.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  dbus-run-session -- sh -c '
    "$1" --program encoders,config,monitor --boards 1 >/dev/null 2>&1 &
    demo=$!
    "$2" "$3" 2>&1
    status=$?
    kill "$demo" 2>/dev/null
    wait "$demo" 2>/dev/null
    exit $status' check "$demo" "$python" "$here/screen_reader_check.py" 2>/dev/null
