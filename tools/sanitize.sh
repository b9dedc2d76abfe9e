#!/bin/sh
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
tools/deps.sh
. tools/lib/ccache.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
# Leaks at exit of each program, through the demo's screenshot mode (exit
# status 2: the program is not part of this build).
for program in encoders config monitor; do
  status=0
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    build/asan/demo/TQ5271_demo --program "$program" --boards 2 \
    --screenshot "build/asan/leak_check_$program.png" || status=$?
  case $status in
    0) echo "no leak at exit of $program" ;;
    2) echo "$program is not built" ;;
    *) exit "$status" ;;
  esac
done
