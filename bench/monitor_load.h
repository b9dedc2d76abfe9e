// The input monitor watching a board that sends 1000 input reports a
// second (or fewer, or none): its reading thread over the real hidraw
// backend and its window taking the state on its timers. The benchmarks run
// it for a stretch of wall time per iteration and report the monitor's CPU
// as a share of one core, the feed's own work taken out.
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

// Counts every tick of the window's timers: the one timer of a window that
// takes its state every frame, the two of one woken by news.
template <typename Form>
void CountTicks(Form& form, std::uint64_t& ticks) {
  form.Timer.TimerEvent = [&form, &ticks] {
    ++ticks;
    form.Timer_Timer();
  };
  if constexpr (requires { form.StatusTimer.TimerEvent; }) {
    form.StatusTimer.TimerEvent = [&form, &ticks] {
      ++ticks;
      form.Timer_Timer();
    };
  }
}

// Turns `tick` until `done`, for 5 s at most.
inline bool TickUntil(const std::function<void()>& tick, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    tick();
    if (done()) return true;
  }
  return false;
}

struct WatchedBoard {
  explicit WatchedBoard(std::chrono::milliseconds period = std::chrono::milliseconds(1))
      : feed(period) {
    CountTicks(form, ticks);
  }
  ~WatchedBoard() {
    form.Form().Close();
    feed.Stop();
  }

  // Opens the board through `tick` (one turn of the window's timer or
  // event loop). False after 5 s without.
  bool Open(const std::function<void()>& tick) {
    form.Form_Load();
    return TickUntil(tick, [&] {
      return !form.Shown().devicePath.empty() && form.Shown().problem.empty();
    });
  }
  // Opens the board, starts the feed and waits for its reports to show.
  bool Reading(const std::function<void()>& tick) {
    if (!Open(tick)) return false;
    feed.Start();
    return TickUntil(tick, [&] { return form.Shown().reports > 0; });
  }
  // Stops the feed and turns `tick` until the window shows every report it
  // sent (2 s at most): how many it never counted.
  double Lost(const std::function<void()>& tick) {
    feed.Stop();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (form.Shown().reports < feed.Sent() && std::chrono::steady_clock::now() < end) tick();
    return static_cast<double>(feed.Sent()) - static_cast<double>(form.Shown().reports);
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

// The same for a window of another program, over the same fake host.
inline void MeasureStill(benchmark::State& state, const MonitorFeed& feed,
                         const std::function<void()>& watch) {
  MonitorCpu cpu(feed);
  for (auto _ : state) {
    cpu.Begin();
    watch();
    cpu.End();
  }
  state.counters["monitor_core_%"] = cpu.MonitorPercent();
  state.counters["window_core_%"] = cpu.WindowPercent();
}

}  // namespace tq::bench
