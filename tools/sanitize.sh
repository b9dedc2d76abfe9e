#!/bin/sh
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
