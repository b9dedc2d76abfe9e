#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60), starting from the committed seed corpora. New inputs go to a
# scratch corpus, so the committed seeds stay small.
set -eu
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="clang-14 libclang-rt-14-dev" tools/deps.sh
cmake --preset fuzz
cmake --build --preset fuzz
seconds=${FUZZ_SECONDS:-60}
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  scratch=$(mktemp -d)
  echo "== $name, $seconds s"
  log="$scratch.log"
  status=0
  "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "$scratch" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  grep -E '^Done|ERROR|SUMMARY' "$log" || true
  rm -rf "$scratch"
  if [ "$status" -ne 0 ]; then
    tail -40 "$log"
    exit "$status"
  fi
  rm -f "$log"
done
