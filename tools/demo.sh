#!/bin/sh
# Builds the demo and starts the encoder utility against emulated boards.
# Arguments go to the demo, e.g. --program config, --boards 3; several
# programs over the same boards: --program encoders,monitor.
set -eu
cd "$(dirname "$0")/.."
tools/deps.sh
. tools/lib/ccache.sh
cmake --preset default
cmake --build --preset default --target TQ5271_demo
exec build/default/demo/TQ5271_demo "$@"
