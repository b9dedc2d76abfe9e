// The input monitor at 1000 input reports a second with the Qt view drawing
// it offscreen: the reading thread over the real hidraw backend, the
// window's timer turned by Qt's event loop, and every paint Qt makes.
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
    tq::ui::QtView view(watched.form.Form());
    if (!watched.Reading([] { RunEventLoop(tq::monitor::frmMain::kRepaintIntervalMs); })) {
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

BENCHMARK(MonitorQtViewAt1000Hz)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
