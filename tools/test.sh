#!/bin/sh
# Builds everything from this checkout and runs every test suite.
set -eu
cd "$(dirname "$0")/.."
tools/deps.sh
. tools/lib/ccache.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
