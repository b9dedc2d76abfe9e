// One frame of the input monitor's window drawn by the Qt view, as while a
// board moves its X axis: the value's caption and its bar change, then Qt
// handles what that posted until it has painted. Without the reading thread
// and the feed, the view's own part of MonitorQtViewAt1000Hz shows change
// by change: frames back to back (what the code costs with warm caches),
// and one frame every 16 ms as the window's timer draws them (what the same
// frame costs once the thread has slept and other threads ran meanwhile).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "bench/paint_counter.h"
#include "bench/qt_application.h"
#include "devlink/platform/hidraw/host_hints.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"
#include "monitor/frm_main.h"

namespace {

using tq::bench::PaintCounter;

// state.range(0): the pause before each frame, in milliseconds.
void QtMonitorFrame(benchmark::State& state) {
  tq::bench::NeedApplication();
  tq::emu::SimulatedHid hid;  // no board: the window is never loaded
  tq::monitor::frmMain form(hid, nullptr, tq::hidraw::LinuxHostHints());
  tq::ui::QtView view(form.Form());
  form.Form().Show();
  PaintCounter counter;
  QCoreApplication::instance()->installEventFilter(&counter);
  tq::monitor::AxisRow& x = form.Axis(1);
  const std::chrono::milliseconds pause(state.range(0));
  unsigned step = 0;
  for (auto _ : state) {
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
    ++step;
    // The values repeat as the axis sweeps, as the board's do.
    x.value.SetCaption(std::to_string(step % 1024));
    x.bar.SetValue(static_cast<int>(step % 128));
    const std::uint64_t before = counter.paints;
    while (counter.paints == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  state.counters["paints"] =
      benchmark::Counter(static_cast<double>(counter.paints), benchmark::Counter::kAvgIterations);
  QCoreApplication::instance()->removeEventFilter(&counter);
  form.Form().Close();
}

}  // namespace

BENCHMARK(QtMonitorFrame)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(QtMonitorFrame)
    ->Arg(tq::monitor::frmMain::kRepaintIntervalMs)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);
