// What the Qt view adds to the encoder utility's read-back and to one pick:
// each measured through the model alone, through the model drawn by the Qt
// view (offscreen), and as the same widgets updated directly with Qt, the
// least any view could spend. The view's own cost is the second less the
// first; compare it with the third.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QString>
#include <memory>

#include "bench/qt_application.h"
#include "board/encoder_reports.h"
#include "devlink/ui/qt/qt_view.h"
#if __has_include("devlink/ui/qt/text_label.h")
#include "devlink/ui/qt/text_label.h"
#endif
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"

namespace {

using tq::bench::NeedApplication;
// The widget the view draws a label with, in the code measured: these
// benchmarks also run against code from before the view had its own.
#if __has_include("devlink/ui/qt/text_label.h")
using DrawnLabel = tq::ui::TextLabel;
#else
using DrawnLabel = QLabel;
#endif

// The encoder utility with one board open and read.
struct Encoders {
  explicit Encoders(bool drawn) {
    NeedApplication();
    hid.Attach(tq::emu::MakeTQ5271(u"TQ-00042"));
    if (drawn) view = std::make_unique<tq::ui::QtView>(form.Form());
    form.Form_Load();
  }
  ~Encoders() { form.Form().Close(); }
  tq::emu::SimulatedHid hid;
  tq::encoders::frmMain form{hid};
  std::unique_ptr<tq::ui::QtView> view;
};

void ReadBackModel(benchmark::State& state) {
  Encoders e(false);
  for (auto _ : state) e.form.ReadBoardSettings();
}

void ReadBackQtView(benchmark::State& state) {
  Encoders e(true);
  for (auto _ : state) e.form.ReadBoardSettings();
}

// The widgets of a drawn window, changed the way the read-back changes
// them, one Qt call for each change the model makes.
void ReadBackDirectQt(benchmark::State& state) {
  Encoders e(true);
  tq::encoders::frmMain& form = e.form;
  tq::ui::QtView& view = *e.view;
  form.Form().AttachView(nullptr);  // only the calls below touch the widgets
  const auto widget = [&](const tq::ui::Control& c) { return view.WidgetOf(c); };
  const auto combo = [&](const tq::ui::Control& c) { return static_cast<QComboBox*>(widget(c)); };
  const auto label = [&](const tq::ui::Control& c) { return static_cast<DrawnLabel*>(widget(c)); };
  QStringList pulseWidths;
  for (int position = 0; position < tq::encoders::kPulseWidthCount; ++position) {
    pulseWidths << QString::fromStdString(tq::encoders::PulseWidthItem(position));
  }
  const int pulse = form.ModeCh1.ListIndex();
  for (auto _ : state) {
    for (auto* value : {&form.lblManuf, &form.lblProduct, &form.lblVersion}) label(*value)->setText({});
    for (int pair = 1; pair <= 16; ++pair) {
      combo(form.Enc(pair))->clear();
      combo(form.Enc(pair))->setEnabled(false);
    }
    widget(form.Frame3)->setEnabled(false);
    combo(form.ModeCh1)->setEnabled(false);
    combo(form.ModeCh1)->clear();
    widget(form.Label1)->setEnabled(false);
    for (int pair = 1; pair <= 16; ++pair) widget(form.PairLabel(pair))->setEnabled(false);
    label(form.lblManuf)->setText(" TQ Controls");
    label(form.lblVersion)->setText(" 1.21");
    label(form.lblProduct)->setText(" TQ5271 Joystick Interface");
    for (int pair = 1; pair <= 16; ++pair) {
      combo(form.Enc(pair))->addItem("OFF");
      combo(form.Enc(pair))->addItem("1:1");
      combo(form.Enc(pair))->setCurrentIndex(0);
      combo(form.Enc(pair))->setEnabled(true);
    }
    widget(form.Frame3)->setEnabled(true);
    combo(form.ModeCh1)->setEnabled(true);
    widget(form.Label1)->setEnabled(true);
    for (int pair = 1; pair <= 16; ++pair) widget(form.PairLabel(pair))->setEnabled(true);
    for (const QString& item : pulseWidths) combo(form.ModeCh1)->addItem(item);
    combo(form.ModeCh1)->setCurrentIndex(pulse);
    for (int pair = 1; pair <= 16; ++pair) {
      combo(form.Enc(pair))->addItem("1:2");
      combo(form.Enc(pair))->addItem("1:4");
    }
  }
  form.Form().AttachView(&view);
}

// One user's pick of the next encoder type, "OFF" and "1:1" in turn, each
// sending the bank's two set reports.
void PickModel(benchmark::State& state) {
  Encoders e(false);
  int next = 1;
  for (auto _ : state) {
    e.form.Enc(3).UserPick(next);
    next = 1 - next;
  }
}

void PickQtView(benchmark::State& state) {
  Encoders e(true);
  QWidget* list = e.view->WidgetOf(e.form.Enc(3));
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  bool forward = true;
  for (auto _ : state) {
    QApplication::sendEvent(list, forward ? &down : &up);
    forward = !forward;
  }
  if (e.hid.CallCount("HidD_SetFeature") < 2) state.SkipWithError("the picks sent nothing");
}

}  // namespace

BENCHMARK(ReadBackModel)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadBackQtView)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadBackDirectQt)->Unit(benchmark::kMicrosecond);
BENCHMARK(PickModel)->Unit(benchmark::kMicrosecond);
BENCHMARK(PickQtView)->Unit(benchmark::kMicrosecond);
