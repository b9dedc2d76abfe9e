// What the input monitor with its Qt view costs as an owner leaves it open,
// against the configuration utility's window over the same board: one board
// that nothing moves; one whose X axis moves and whose encoder turns at the
// board's own 100 reports a second; and how many reports of 1000 a second
// the window never counted. Qt's event loop turns the windows' timers, as
// in the programs.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

#include "bench/monitor_load.h"
#include "bench/qt_application.h"
#include "config/frm_main.h"
#include "devlink/ui/qt/qt_view.h"

namespace {

using namespace std::chrono_literals;
using tq::bench::WatchedBoard;

// Each iteration of the still windows watches this long: a still window's
// cost is a few wake-ups a second, too few to count in one.
constexpr int kStillStretchMs = 2000;

void RunEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void ConfigQtViewStill(benchmark::State& state) {
  tq::bench::NeedApplication();
  tq::bench::MonitorFeed feed;
  tq::config::frmMain form(feed.api);
  tq::ui::QtView view(form.Form());
  form.Form_Load();
  RunEventLoop(500);
  if (!form.DeviceDetected) {
    state.SkipWithError("the configuration utility found no board");
  } else {
    tq::bench::MeasureStill(state, feed, [] { RunEventLoop(kStillStretchMs); });
  }
  form.Form().Close();
}

void MonitorQtViewStill(benchmark::State& state) {
  tq::bench::NeedApplication();
  WatchedBoard watched;
  tq::ui::QtView view(watched.form.Form());
  if (!watched.Open([] { RunEventLoop(16); })) {
    state.SkipWithError("the monitor never opened the board");
  } else {
    RunEventLoop(500);
    tq::bench::MeasureWatching(state, watched, [] { RunEventLoop(kStillStretchMs); });
  }
  watched.form.Form().Close();
}

// The period of the board's reports in ms: its own (10), and 1.
void MonitorQtViewMoving(benchmark::State& state) {
  tq::bench::NeedApplication();
  WatchedBoard watched(std::chrono::milliseconds(state.range(0)));
  tq::ui::QtView view(watched.form.Form());
  if (!watched.Reading([] { RunEventLoop(16); })) {
    state.SkipWithError("the monitor never showed the board's reports");
  } else {
    tq::bench::MeasureWatching(state, watched, [] {
      RunEventLoop(static_cast<int>(tq::bench::kWatchStretch.count()));
    });
    state.counters["lost"] = watched.Lost([] { RunEventLoop(16); });
  }
  watched.form.Form().Close();
}

}  // namespace

BENCHMARK(ConfigQtViewStill)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MonitorQtViewStill)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MonitorQtViewMoving)
    ->Arg(10)
    ->Arg(1)
    ->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
