// Runs any of the programs against emulated boards, with a panel to plug and
// unplug them, watch their setting bytes and move their inputs.
//
//   TQ5271_demo [--program encoders|config|monitor] [--boards N] [--screenshot FILE.png]
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "config/frm_main.h"
#include "demo/board_panel.h"
#include "devlink/ui/qt/desktop_session.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#ifdef TQ_DEMO_MONITOR
#include "monitor/frm_main.h"
#endif

namespace {

// Both programs' windows, behind the two calls the demo needs.
struct Program {
  virtual ~Program() = default;
  virtual tq::ui::Window& Form() = 0;
  virtual void Form_Load() = 0;
};

template <typename Window>
struct ProgramOf final : Program {
  explicit ProgramOf(tq::HidApi& api) : window(api) {}
  tq::ui::Window& Form() override { return window.Form(); }
  void Form_Load() override { window.Form_Load(); }
  Window window;
};

std::unique_ptr<Program> MakeProgram(const QString& name, tq::HidApi& api) {
  if (name == "encoders") return std::make_unique<ProgramOf<tq::encoders::frmMain>>(api);
  if (name == "config") return std::make_unique<ProgramOf<tq::config::frmMain>>(api);
  return nullptr;
}

#ifdef TQ_DEMO_MONITOR
// The monitor stamps reports with the boards' clock: the panel runs every
// clock in real time, and a read moves the watched board's clock on through
// its pending pulses, so the latest clock is the watched board's.
struct MonitorProgram final : Program {
  explicit MonitorProgram(tq::emu::SimulatedHid& hid, std::vector<tq::emu::SimulatedHid::BoardId> boards)
      : window(hid, nullptr, tq::HostHints{tq::IdsFromDevicePath, "the emulator allows every open"},
               [&hid, boards] {
                 std::int64_t latest = 0;
                 for (const auto id : boards) {
                   latest = std::max(latest, hid.WithBoard(id, [](const tq::emu::EmulatedBoard& b) {
                     return static_cast<std::int64_t>(b.clockMs);
                   }));
                 }
                 return latest;
               }) {}
  tq::ui::Window& Form() override { return window.Form(); }
  void Form_Load() override { window.Form_Load(); }
  tq::monitor::frmMain window;
};
#endif

}  // namespace

int main(int argc, char* argv[]) {
  tq::ui::OffscreenForScreenshot(argc, argv);
  if (const std::string missing = tq::ui::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "TQ5271_demo: %s (--screenshot FILE.png needs none)\n", missing.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("The TQ5271 utilities against emulated boards.");
  parser.addHelpOption();
  parser.addOption({"program", "encoders, config or monitor.", "name", "encoders"});
  parser.addOption({"boards", "How many boards are plugged in at start.", "count", "1"});
  parser.addOption({"screenshot", "Write the window to a PNG file and exit.", "file"});
  parser.process(app);

  bool countOk = false;
  const int count = parser.value("boards").toInt(&countOk);
  if (!countOk || count < 0 || count > 8) {
    std::fprintf(stderr, "--boards takes 0 to 8\n");
    return 2;
  }

  tq::emu::SimulatedHid hid;
  std::vector<tq::emu::SimulatedHid::BoardId> boards;
  for (int i = 0; i < count; ++i) {
    auto board = tq::emu::MakeTQ5271(u"TQ-" + QString("%1").arg(42 + i, 5, 10, QChar('0'))
                                                  .toStdU16String());
    // Each board a little different, so a switch shows on screen.
    board.settings[22] = static_cast<std::uint8_t>(board.settings[22] ^ (i * 0x05));
    board.settings[26] = static_cast<std::uint8_t>(6 + 2 * i);
    boards.push_back(hid.Attach(board));
  }

  auto program = MakeProgram(parser.value("program"), hid);
#ifdef TQ_DEMO_MONITOR
  if (parser.value("program") == "monitor") program = std::make_unique<MonitorProgram>(hid, boards);
#endif
  if (!program) {
    std::fprintf(stderr, "no program '%s' in this build (encoders, config, monitor)\n",
                 qPrintable(parser.value("program")));
    return 2;
  }
  const QByteArray name = "tq5271-" + parser.value("program").toLatin1();
  const QByteArray icon = ":/icons/" + parser.value("program").toLatin1() + ".ico";
  tq::ui::PresentToDesktop(app, name.constData(), icon.constData());
  tq::ui::QtView view(program->Form());
  program->Form_Load();

  if (parser.isSet("screenshot")) {
    // The monitor reads on a thread of its own and shows at its timer's
    // pace: a moment for both first.
    QElapsedTimer settling;
    settling.start();
    do {
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (parser.value("program") == "monitor" && settling.elapsed() < 500);
    const bool saved = view.SaveScreenshot(parser.value("screenshot").toStdString());
    program->Form().Close();
    if (!saved) std::fprintf(stderr, "could not write %s\n", qPrintable(parser.value("screenshot")));
    return saved ? 0 : 1;
  }

  tq::demo::BoardPanel panel(hid, boards);
  const QRect frame = view.Widget()->frameGeometry();
  panel.move(frame.right() + 16, frame.top());
  panel.show();
  // Closing the program's window ends the demo, as it ends the program.
  program->Form().Unload = [unload = program->Form().Unload] {
    unload();
    QApplication::quit();
  };
  return QApplication::exec();
}
