// The input monitor at 1000 input reports a second with the Qt view drawing
// it offscreen: the reading thread over the real hidraw backend, the
// window's timer turned by Qt's event loop, and every paint Qt makes. The
// argument is the timer's interval, as in monitor_load_bench.cpp.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdint>

#include "bench/monitor_load.h"
#include "bench/paint_counter.h"
#include "bench/qt_application.h"
#include "devlink/ui/qt/qt_view.h"

namespace {

using tq::bench::PaintCounter;

void RunEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void MonitorQtViewAt1000Hz(benchmark::State& state) {
  tq::bench::NeedApplication();
  PaintCounter counter;
  QCoreApplication::instance()->installEventFilter(&counter);
  {
    tq::bench::WatchedBoard watched;
    const int intervalMs = static_cast<int>(state.range(0));
    watched.form.Timer.SetInterval(intervalMs);
    tq::ui::QtView view(watched.form.Form());
    if (!watched.Reading([intervalMs] { RunEventLoop(intervalMs); })) {
      state.SkipWithError("the monitor never showed the board's reports");
    } else {
      tq::bench::MeasureWatching(
          state, watched,
          [] { RunEventLoop(static_cast<int>(tq::bench::kWatchStretch.count())); },
          [&] { return counter.paints; });
    }
    watched.form.Form().Close();
  }
  QCoreApplication::instance()->removeEventFilter(&counter);
}

}  // namespace

BENCHMARK(MonitorQtViewAt1000Hz)
    ->Arg(tq::monitor::frmMain::kRepaintIntervalMs)
    ->Arg(33)
    ->Arg(50)
    ->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
