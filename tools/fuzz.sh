#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (60 by default; CI gives 20), starting from the committed seed corpora.
# New inputs go to a scratch corpus, so the committed seeds stay small.
# Prints, per target, the executions and the coverage counter on the seeds
# and at the end.
#
#   tools/fuzz.sh                     every target
#   tools/fuzz.sh fuzz_hid_text ...   only these
#
# One input may take FUZZ_TIMEOUT seconds (5) and the target FUZZ_RSS_MB of
# memory (2048): our readers answer any input in milliseconds, so an input
# past either is a fault, as a crash is. A target fails the stage when it
# ends with an error or leaves any artifact (crash, timeout, slow unit, OOM,
# leak); the artifact's file is named in the log.
set -eu
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="clang-14 libclang-rt-14-dev" tools/deps.sh
. tools/lib/ccache.sh
cmake --preset fuzz
cmake --build --preset fuzz
seconds=${FUZZ_SECONDS:-60}
timeout=${FUZZ_TIMEOUT:-5}
rss_mb=${FUZZ_RSS_MB:-2048}
# An input slower than half the timeout is reported as a slow unit, which
# fails the stage too: it is the same fault, caught before it times out.
slow=$(((timeout + 1) / 2))
# Failing inputs are kept for the report, outside the source tree.
artifacts=build/fuzz/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"
targets=""
for name in "$@"; do
  [ -x "build/fuzz/fuzz/$name" ] || { echo "fuzz: no target $name in build/fuzz/fuzz" >&2; exit 2; }
  targets="$targets build/fuzz/fuzz/$name"
done
[ -n "$targets" ] || targets=$(ls build/fuzz/fuzz/fuzz_*)
summary=$(mktemp)
printf '%-24s %12s %10s %10s\n' target executions "cov seeds" "cov end" >"$summary"
for target in $targets; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  scratch=$(mktemp -d)
  echo "== $name, $seconds s"
  log="$scratch.log"
  status=0
  "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -timeout="$timeout" -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" -report_slow_units="$slow" \
    -artifact_prefix="$artifacts/$name-" "$scratch" "fuzz/corpus/$name" >"$log" 2>&1 ||
    status=$?
  grep -E '^Done|ERROR|SUMMARY|Slowest unit' "$log" || true
  rm -rf "$scratch"
  left=$(find "$artifacts" -name "$name-*" | sort)
  if [ "$status" -ne 0 ] || [ -n "$left" ]; then
    tail -40 "$log"
    for artifact in $left; do
      echo "fuzz: $name left $artifact ($(wc -c <"$artifact") bytes)"
    done
    echo "fuzz: $name failed (exit status $status)"
    exit 1
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
