// TQ5271_monitor on Linux: the hidraw backend, the board's evdev node for
// what a game sees, and the Qt view.
//   TQ5271_monitor [--screenshot FILE.png [--after MS]]
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <cstdio>

#include "devlink/platform/hidraw/evdev_game_view.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "devlink/platform/hidraw/host_hints.h"
#include "devlink/ui/qt/desktop_session.h"
#include "devlink/ui/qt/qt_view.h"
#include "monitor/frm_main.h"

int main(int argc, char* argv[]) {
  tq::ui::OffscreenWithoutWindow(argc, argv);
  if (const std::string missing = tq::ui::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "TQ5271_monitor: %s (--screenshot FILE.png needs none)\n",
                 missing.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("What a TQ5271 board sends, and what a game sees of it.");
  parser.addHelpOption();
  parser.addOption({"screenshot", "Write the window to a PNG file and exit.", "file"});
  parser.addOption({"after", "With --screenshot: watch the board this long first.", "ms", "500"});
  parser.process(app);
  bool afterOk = false;
  const int afterMs = parser.value("after").toInt(&afterOk);
  if (!afterOk || afterMs < 0) {
    std::fprintf(stderr, "TQ5271_monitor: --after takes a number of milliseconds\n");
    return 2;
  }

  tq::ui::PresentToDesktop(app, "tq5271-monitor", ":/icons/monitor.ico");
  tq::HidrawApi api;
  tq::hidraw::EvdevGameView game;
  tq::monitor::frmMain form(api, &game, tq::hidraw::LinuxHostHints());
  tq::ui::QtView view(form.Form());
  form.Form_Load();

  if (parser.isSet("screenshot")) {
    QElapsedTimer watching;
    watching.start();
    while (watching.elapsed() < afterMs) {
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    form.Timer_Timer();
    const bool saved = view.SaveScreenshot(parser.value("screenshot").toStdString());
    form.Form().Close();
    if (!saved) {
      std::fprintf(stderr, "TQ5271_monitor: could not write %s\n",
                   qPrintable(parser.value("screenshot")));
    }
    return saved ? 0 : 1;
  }
  return QApplication::exec();
}
