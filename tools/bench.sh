#!/bin/sh
# Runs the benchmarks (bench/) and writes a short table to
# build/bench/benchmark.md: for one no-board tick of the encoder utility over
# the fake hidraw host with 0, 10, 100 and 1000 foreign nodes, the time per
# tick (Google Benchmark) and the system calls per tick (strace, counted
# between the marks the benchmark puts around each tick); the Qt view's part
# of a read-back; the monitor's share of a core while a board sends 1000
# input reports a second; then every other benchmark as Google Benchmark
# reports it.
#
#   tools/bench.sh                 this checkout
#   tools/bench.sh --before REV    the same benchmarks built against REV's code
#                                  too, run in the same go, side by side
#   ... --monitor-only             only the monitor's tables
#   ... --targets                  only the table of the monitor left open
#                                  (still, 100 and 1000 reports a second)
#   ... --runs N                   N runs of each side in it (3 unless told)
set -eu
cd "$(dirname "$0")/.."
BEFORE=""
MONITOR_ONLY=""
TARGETS_ONLY=""
RUNS=3
while [ $# -gt 0 ]; do
  case "$1" in
    --before) BEFORE=$(git rev-parse --verify "$2^{commit}"); shift 2 ;;
    --monitor-only) MONITOR_ONLY=1; shift ;;
    --targets) MONITOR_ONLY=1; TARGETS_ONLY=1; shift ;;
    --runs) RUNS="$2"; shift 2 ;;
    *) echo "usage: tools/bench.sh [--before REV] [--monitor-only | --targets] [--runs N]" >&2; exit 2 ;;
  esac
done
EXTRA_PACKAGES="strace" tools/deps.sh
. tools/lib/ccache.sh

OUT=build/bench
mkdir -p "$OUT"
build() {  # source dir, build dir, Qt view ON/OFF
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ_BUILD_QT="$3" >/dev/null
  cmake --build "$2" --target tq_bench -j 2 >/dev/null
}
build . "$OUT/after" ON
SIDES="after"
if [ -n "$BEFORE" ]; then
  # REV's code with this checkout's benchmarks and fake host, so only the
  # code under measurement differs.
  rm -rf "$OUT/before-src"
  mkdir -p "$OUT/before-src"
  git archive "$BEFORE" | tar -x -C "$OUT/before-src"
  cp -r bench "$OUT/before-src/"
  cp tests/hidraw/fake_host.h "$OUT/before-src/tests/hidraw/"
  # The fake host stands in for every call of today's seam; REV's code calls
  # only those it knew, through the same real ones.
  cp devlink/platform/hidraw/kernel_calls.h devlink/platform/hidraw/kernel_calls.cpp \
    "$OUT/before-src/devlink/platform/hidraw/"
  grep -q "add_subdirectory(bench)" "$OUT/before-src/CMakeLists.txt" ||
    printf 'if(TARGET hid_hidraw)\n  add_subdirectory(bench)\nendif()\n' >> "$OUT/before-src/CMakeLists.txt"
  # With the Qt view where REV's view builds with these benchmarks, so the
  # view's figures stand side by side too.
  build "$OUT/before-src" "$OUT/before" ON 2>/dev/null || build "$OUT/before-src" "$OUT/before" OFF
  SIDES="before after"
fi

# Mean system calls per marked tick in an strace log: the lines between the
# two getppid() marks of each tick.
syscalls_per_tick() {
  awk '/getppid\(\)/ { if (inside) { total += n; ticks++ } inside = !inside; n = 0; next }
       inside && !/resumed>/ && !/^[0-9]+ +\+\+\+/ && !/^[0-9]+ +---/ { n++ }
       END { if (ticks) printf "%d", total / ticks + 0.5; else printf "?" }' "$1"
}

TABLE="$OUT/benchmark.md"
: > "$TABLE"
[ -n "$MONITOR_ONLY" ] || {
  echo "One no-board tick of TQ5271_encoders over the fake hidraw host ($(date -u +%Y-%m-%d), $(nproc) cores)."
  echo
  header="| foreign nodes |"
  rule="|---|"
  for side in $SIDES; do
    header="$header syscalls per tick ($side) | CPU per tick ($side) | share of a core at 50 ms ($side) |"
    rule="$rule---|---|---|"
  done
  echo "$header"
  echo "$rule"
} > "$TABLE"
for nodes in 0 10 100 1000; do
  [ -z "$MONITOR_ONLY" ] || break
  row="| $nodes |"
  for side in $SIDES; do
    bin="$OUT/$side/bench/tq_bench"
    filter="^NoBoardTick/$nodes\$"
    TQ_BENCH_MARK_TICKS=1 strace -f -qq -o "$OUT/strace-$side-$nodes.log" \
      "$bin" --benchmark_filter="$filter" --benchmark_min_time=0.01 >/dev/null 2>&1
    calls=$(syscalls_per_tick "$OUT/strace-$side-$nodes.log")
    # name,iterations,real_time,cpu_time,time_unit,...; the median of three
    cpu_us=$("$bin" --benchmark_filter="$filter" --benchmark_repetitions=3 \
      --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
      awk -F, '/_median"/ { print $4 }')
    row="$row $calls | $(awk -v t="$cpu_us" 'BEGIN { printf "%.0f us", t }') |"
    row="$row $(awk -v t="$cpu_us" 'BEGIN { printf "%.2f %%", t / 50000 * 100 }') |"
  done
  echo "$row" >> "$TABLE"
done

# The Qt view's part of one read-back and of one pick (bench/qt_view_bench.cpp),
# CPU time, median of nine run interleaved, so that a busy moment of the
# machine falls on all of them alike: the read-back through the model and
# the view, less the model alone, against the same widgets updated directly
# with Qt.
qt_view_row() {  # side
  "$OUT/$1/bench/tq_bench" --benchmark_filter='^(ReadBack|Pick)' --benchmark_repetitions=9 \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, -v side="$1" '
      /_median"/ { name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); t[name] = $4 }
      END {
        if (!("ReadBackQtView" in t)) exit
        view = t["ReadBackQtView"] - t["ReadBackModel"]
        printf "| %s | %.1f us | %.1f us | %.1f us | %.1f us | %.2fx | %.2f us | %.2f us |\n", side,
          t["ReadBackModel"], t["ReadBackQtView"], view, t["ReadBackDirectQt"],
          view / t["ReadBackDirectQt"], t["PickModel"], t["PickQtView"]
      }'
}
if [ -z "$MONITOR_ONLY" ] && "$OUT/after/bench/tq_bench" --benchmark_list_tests | grep -q '^ReadBackQtView$'; then
  {
    echo
    echo "One read-back and one pick of TQ5271_encoders, with the Qt view drawing offscreen (CPU time)."
    echo
    echo "| code | read-back, model | read-back, model and Qt view | the view's part | same widgets, Qt directly | view part / direct | pick, model | pick, Qt view |"
    echo "|---|---|---|---|---|---|---|---|"
    for side in $SIDES; do qt_view_row "$side"; done
  } >> "$TABLE"
fi

# The monitor while a board sends 1000 input reports a second
# (bench/monitor_load.h): the process's CPU less the feed's thread, as a
# share of one core, and of it the window's thread, at the window's timer
# interval and at longer ones; three runs (--runs) of five seconds each per
# side, the sides taking turns so that a busy moment of
# the machine falls on both alike, each row with the load average as it
# began.
monitor_rows() {  # side run
  "$OUT/$1/bench/tq_bench" --benchmark_filter='^Monitor(ModelAt1000Hz|QtViewAt1000Hz)/' --benchmark_counters_tabular=false \
    2>/dev/null |
    awk -v side="$1" -v run="$2" -v load="$(cut -d' ' -f1 /proc/loadavg)" '
      /^Monitor/ {
        split($1, part, "/"); name = part[1]; interval = part[2]
        delete c
        for (i = 2; i <= NF; ++i) if (split($i, kv, "=") == 2) c[kv[1]] = kv[2]
        printf "| %s | %s ms | %s | %d | %.2f %% | %.2f %% | %.2f %% | %.0f | %.0f | %.1f | %s | %s |\n",
          name, interval, side, run, c["monitor_core_%"], c["window_core_%"],
          c["monitor_core_%"] - c["window_core_%"], c["sent/s"], c["read/s"], c["ticks/s"],
          ("paints/s" in c) ? sprintf("%.0f", c["paints/s"]) : "-", load
      }'
}
if [ -z "$TARGETS_ONLY" ] && "$OUT/after/bench/tq_bench" --benchmark_list_tests | grep -q '^Monitor'; then
  {
    echo
    echo "TQ5271_monitor while a board sends 1000 input reports a second (share of one core; load average $(cut -d' ' -f1 /proc/loadavg) at the start)."
    echo
    echo "| benchmark | window's timer | code | run | monitor | window's thread | the rest (reading thread) | sent/s | read/s | ticks/s | paints/s | load |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
    for run in $(seq "$RUNS"); do
      for side in $SIDES; do monitor_rows "$side" "$run"; done
    done
  } >> "$TABLE"
fi

# The monitor with its Qt view left open (bench/qt_monitor_targets_bench.cpp):
# the configuration utility's window and the monitor's over one board that
# nothing moves (five stretches of 2 s), the monitor's extra share of a core
# over it; the monitor while the board's X axis moves and its encoder turns
# at 100 and at 1000 reports a second (five stretches of 1 s), and the
# reports it never counted once the board stopped. --runs runs per side, the
# sides taking turns, each row with the load average as it began.
target_row() {  # side run
  "$OUT/$1/bench/tq_bench" \
    --benchmark_filter='^(ConfigQtViewStill|MonitorQtViewStill|MonitorQtViewMoving/(10|1))/' \
    --benchmark_counters_tabular=false 2>/dev/null |
    awk -v side="$1" -v run="$2" -v load="$(cut -d' ' -f1 /proc/loadavg)" '
      /^(Config|Monitor)/ {
        split($1, part, "/"); name = part[1] (part[2] ~ /^[0-9]+$/ ? "/" part[2] : "")
        for (i = 2; i <= NF; ++i) if (split($i, kv, "=") == 2) c[name, kv[1]] = kv[2]
      }
      END {
        config = c["ConfigQtViewStill", "monitor_core_%"]
        still = c["MonitorQtViewStill", "monitor_core_%"]
        printf "| %s | %d | %.3f %% | %.3f %% | %.3f %% | %.1f | %.2f %% | %.1f | %.0f / %.0f | %.0f | %.2f %% | %.0f / %.0f | %.0f | %s |\n",
          side, run, config, still, still - config, c["MonitorQtViewStill", "ticks/s"],
          c["MonitorQtViewMoving/10", "monitor_core_%"], c["MonitorQtViewMoving/10", "ticks/s"],
          c["MonitorQtViewMoving/10", "read/s"], c["MonitorQtViewMoving/10", "sent/s"],
          c["MonitorQtViewMoving/10", "lost"],
          c["MonitorQtViewMoving/1", "monitor_core_%"],
          c["MonitorQtViewMoving/1", "read/s"], c["MonitorQtViewMoving/1", "sent/s"],
          c["MonitorQtViewMoving/1", "lost"], load
      }'
}
if "$OUT/after/bench/tq_bench" --benchmark_list_tests | grep -q '^MonitorQtViewStill'; then
  {
    echo
    echo "TQ5271_monitor with its Qt view left open, against TQ5271_config's window over the same board (share of one core; $(nproc) cores)."
    echo
    echo "| code | run | config, still | monitor, still | monitor's extra | its ticks/s | monitor at 100/s | ticks/s | read / sent per s | lost | monitor at 1000/s | read / sent per s | lost | load |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    for run in $(seq "$RUNS"); do
      for side in $SIDES; do target_row "$side" "$run"; done
    done
  } >> "$TABLE"
fi

# Everything else in the benchmark program, as it reports it.
if [ -z "$MONITOR_ONLY" ] && "$OUT/after/bench/tq_bench" --benchmark_list_tests | grep -qv '^NoBoardTick/'; then
  {
    echo
    echo '```'
    "$OUT/after/bench/tq_bench" --benchmark_filter='-^(NoBoardTick/|Monitor|ConfigQtViewStill)' 2>/dev/null
    echo '```'
  } >> "$TABLE"
fi
cat "$TABLE"
