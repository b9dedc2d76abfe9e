#!/bin/sh
# Runs inside the VM, in the host's root: the scenarios on the real USB
# stack, then the checks of the programs as users start them.
ROOT=$1
OUT=$ROOT/build/vm/out
BIN=$ROOT/build/default
cd "$ROOT" || exit 1
GTEST_COLOR=no "$BIN/tests/vm/vm_scenarios" --gtest_output="xml:$OUT/scenarios.xml"
