#!/bin/sh
# Installs what building and testing need on Debian 12. Idempotent.
set -eu
PACKAGES="cmake make g++ libgtest-dev libbenchmark-dev qt6-base-dev libgl-dev xvfb xauth fonts-liberation \
  libcli11-dev nlohmann-json3-dev libevdev-dev pkg-config ccache \
  at-spi2-core dbus-daemon gir1.2-atspi-2.0 python3-gi"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=""
for p in $PACKAGES ${EXTRA_PACKAGES:-}; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  # Two scripts may install at once (CI runs stages side by side): the
  # second waits here for the first instead of failing on apt's locks.
  exec 9>"${TMPDIR:-/tmp}/tq5271-deps.lock"
  flock 9
  $SUDO apt-get update
  # shellcheck disable=SC2086
  $SUDO apt-get install -y --no-install-recommends $missing
fi
