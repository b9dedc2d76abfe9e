// The input monitor's model at 1000 input reports a second: the reading
// thread over the real hidraw backend and the window's timer taking the
// state sixty times a second, no view attached.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "bench/monitor_load.h"

namespace {

using tq::bench::WatchedBoard;

// The window's timer as an event loop would turn it, on a 16 ms schedule.
struct TimerLoop {
  explicit TimerLoop(WatchedBoard& board) : watched(board) {}
  void TickOnce() {
    due += std::chrono::milliseconds(tq::monitor::frmMain::kRepaintIntervalMs);
    std::this_thread::sleep_until(due);
    watched.form.Timer.Tick();
  }
  void Watch() {
    const auto end = std::chrono::steady_clock::now() + tq::bench::kWatchStretch;
    while (std::chrono::steady_clock::now() < end) TickOnce();
  }
  WatchedBoard& watched;
  std::chrono::steady_clock::time_point due = std::chrono::steady_clock::now();
};

void MonitorModelAt1000Hz(benchmark::State& state) {
  WatchedBoard watched;
  TimerLoop loop(watched);
  if (!watched.Reading([&] { loop.TickOnce(); })) {
    state.SkipWithError("the monitor never showed the board's reports");
    return;
  }
  tq::bench::MeasureWatching(state, watched, [&] { loop.Watch(); });
}

}  // namespace

BENCHMARK(MonitorModelAt1000Hz)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
