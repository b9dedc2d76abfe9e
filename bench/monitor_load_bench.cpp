// The input monitor's model at 1000 input reports a second: the reading
// thread over the real hidraw backend and the window's timer taking the
// state, no view attached. The argument is the timer's interval in
// milliseconds: the window's own, and longer ones, to show what a frame
// costs against how many there are.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "bench/monitor_load.h"

namespace {

using tq::bench::WatchedBoard;

// The window's timer as an event loop would turn it, on its schedule.
struct TimerLoop {
  TimerLoop(WatchedBoard& board, int intervalMs) : watched(board), interval(intervalMs) {}
  void TickOnce() {
    due += interval;
    std::this_thread::sleep_until(due);
    watched.form.Timer.Tick();
  }
  void Watch() {
    const auto end = std::chrono::steady_clock::now() + tq::bench::kWatchStretch;
    while (std::chrono::steady_clock::now() < end) TickOnce();
  }
  WatchedBoard& watched;
  std::chrono::milliseconds interval;
  std::chrono::steady_clock::time_point due = std::chrono::steady_clock::now();
};

void MonitorModelAt1000Hz(benchmark::State& state) {
  WatchedBoard watched;
  TimerLoop loop(watched, static_cast<int>(state.range(0)));
  if (!watched.Reading([&] { loop.TickOnce(); })) {
    state.SkipWithError("the monitor never showed the board's reports");
    return;
  }
  tq::bench::MeasureWatching(state, watched, [&] { loop.Watch(); });
}

}  // namespace

BENCHMARK(MonitorModelAt1000Hz)
    ->Arg(tq::monitor::frmMain::kRepaintIntervalMs)
    ->Arg(33)
    ->Arg(50)
    ->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
