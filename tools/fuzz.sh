#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60), starting from the committed seed corpora. New inputs go to a
# scratch corpus, so the committed seeds stay small. Prints, per target, the
# executions and the coverage counter on the seeds and at the end.
set -eu
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="clang-14 libclang-rt-14-dev" tools/deps.sh
cmake --preset fuzz
cmake --build --preset fuzz
seconds=${FUZZ_SECONDS:-60}
# A failing input is kept for the report, outside the source tree.
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
summary=$(mktemp)
printf '%-24s %12s %10s %10s\n' target executions "cov seeds" "cov end" >"$summary"
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  scratch=$(mktemp -d)
  echo "== $name, $seconds s"
  log="$scratch.log"
  status=0
  "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" "$scratch" "fuzz/corpus/$name" >"$log" 2>&1 ||
    status=$?
  grep -E '^Done|ERROR|SUMMARY' "$log" || true
  rm -rf "$scratch"
  if [ "$status" -ne 0 ]; then
    tail -40 "$log"
    exit "$status"
  fi
  # libFuzzer's status lines carry "cov: N"; the first after INITED is the
  # seeds' count, the last one the final count.
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  seeded=$(sed -n 's/.*INITED *cov: \([0-9]*\).*/\1/p' "$log" | head -1)
  final=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
  echo "$name: $executions executions, coverage $seeded on the seeds, $final at the end"
  printf '%-24s %12s %10s %10s\n' "$name" "$executions" "$seeded" "$final" >>"$summary"
  rm -f "$log"
done
cat "$summary"
rm -f "$summary"
