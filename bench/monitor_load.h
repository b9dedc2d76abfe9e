// The input monitor watching a board that sends 1000 input reports a
// second: its reading thread over the real hidraw backend and its window
// taking the state on its timer. The benchmarks run it for a stretch of
// wall time per iteration and report the monitor's CPU as a share of one
// core, the feed's own work taken out.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "bench/monitor_feed.h"
#include "devlink/platform/hidraw/host_hints.h"
#include "monitor/frm_main.h"

namespace tq::bench {

// Each iteration watches this long.
inline constexpr std::chrono::milliseconds kWatchStretch{1000};

struct WatchedBoard {
  WatchedBoard() {
    form.Timer.TimerEvent = [this] {
      ++ticks;
      form.Timer_Timer();
    };
  }
  ~WatchedBoard() {
    form.Form().Close();
    feed.Stop();
  }

  // Opens the board through `tick` (one turn of the window's timer), starts
  // the feed and waits for its reports to show. False after 5 s without.
  bool Reading(const std::function<void()>& tick) {
    form.Form_Load();
    const auto until = [&](const std::function<bool()>& done) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (std::chrono::steady_clock::now() < end) {
        tick();
        if (done()) return true;
      }
      return false;
    };
    if (!until([&] { return !form.Shown().devicePath.empty() && form.Shown().problem.empty(); })) {
      return false;
    }
    feed.Start();
    return until([&] { return form.Shown().reports > 0; });
  }

  MonitorFeed feed;
  monitor::frmMain form{feed.api, nullptr, hidraw::LinuxHostHints()};
  std::uint64_t ticks = 0;
};

// Runs `watch` (one stretch of watching) per iteration and reports the
// monitor's share of a core and what it took in.
inline void MeasureWatching(benchmark::State& state, WatchedBoard& watched,
                            const std::function<void()>& watch,
                            const std::function<std::uint64_t()>& paints = {}) {
  MonitorCpu cpu(watched.feed);
  const std::uint64_t reportsBefore = watched.form.Shown().reports;
  const std::uint64_t sentBefore = watched.feed.Sent();
  const std::uint64_t ticksBefore = watched.ticks;
  const std::uint64_t paintsBefore = paints ? paints() : 0;
  for (auto _ : state) {
    cpu.Begin();
    watch();
    cpu.End();
  }
  const double seconds = cpu.Seconds();
  state.counters["monitor_core_%"] = cpu.MonitorPercent();
  state.counters["window_core_%"] = cpu.WindowPercent();
  state.counters["feed_core_%"] = cpu.ProducerPercent();
  state.counters["sent/s"] = static_cast<double>(watched.feed.Sent() - sentBefore) / seconds;
  state.counters["read/s"] =
      static_cast<double>(watched.form.Shown().reports - reportsBefore) / seconds;
  state.counters["ticks/s"] = static_cast<double>(watched.ticks - ticksBefore) / seconds;
  if (paints) state.counters["paints/s"] = static_cast<double>(paints() - paintsBefore) / seconds;
  // A monitor that fell behind would look cheap: it must have read them all.
  const auto read = watched.form.Shown().reports - reportsBefore;
  if (static_cast<double>(read) < 0.95 * static_cast<double>(watched.feed.Sent() - sentBefore)) {
    state.SkipWithError("the monitor did not keep up with the reports");
  }
}

}  // namespace tq::bench
