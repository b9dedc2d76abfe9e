// Runs any of the programs, one or several at once, against the same
// emulated boards, with a panel to plug and unplug them, watch their setting
// bytes and move their inputs.
//
//   TQ5271_demo [--program encoders,config,monitor] [--boards N] [--screenshot FILE.png]
//               [--inputs SCRIPT]
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "demo/board_panel.h"
#include "demo/input_script.h"
#include "demo/program_list.h"
#include "demo/programs.h"
#include "demo/screenshots.h"
#include "devlink/ui/qt/desktop_session.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"

int main(int argc, char* argv[]) {
  tq::ui::OffscreenWithoutWindow(argc, argv);
  if (const std::string missing = tq::ui::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "TQ5271_demo: %s (--screenshot FILE.png needs none)\n", missing.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("The TQ5271 utilities against emulated boards.");
  parser.addHelpOption();
  const std::vector<std::string> offered = tq::demo::OfferedPrograms();
  std::string names;
  for (const std::string& name : offered) names += (names.empty() ? "" : ", ") + name;
  parser.addOption({"program",
                    QString::fromStdString("Which programs to run over the same boards, comma-separated: " + names + "."),
                    "names", "encoders"});
  parser.addOption({"boards", "How many boards are plugged in at start.", "count", "1"});
  parser.addOption({"screenshot",
                    "Write each window to a PNG file and exit: FILE itself for one program, "
                    "FILE-name.png each for several.",
                    "file"});
  parser.addOption({"inputs",
                    "With --screenshot: move the boards' inputs as the script says first, one "
                    "step a line: axis N AXIS VALUE, button N BUTTON 0|1, turn N PAIR DETENTS, "
                    "noise N AXIS SPREAD, bounce N BUTTON CLOSURES, plug N, unplug N, wait MS "
                    "(N: the board, from 0).",
                    "script"});
  parser.process(app);

  const tq::demo::ProgramList list = tq::demo::ParseProgramList(parser.value("program").toStdString(), offered);
  if (!list.error.empty()) {
    std::fprintf(stderr, "TQ5271_demo: %s\n", list.error.c_str());
    return 2;
  }
  bool countOk = false;
  const int count = parser.value("boards").toInt(&countOk);
  if (!countOk || count < 0 || count > 8) {
    std::fprintf(stderr, "--boards takes 0 to 8\n");
    return 2;
  }

  tq::demo::InputScript script;
  if (parser.isSet("inputs")) {
    // The panel runs the clocks in real time; a script runs them alone.
    if (!parser.isSet("screenshot")) {
      std::fprintf(stderr, "TQ5271_demo: --inputs goes with --screenshot\n");
      return 2;
    }
    QFile file(parser.value("inputs"));
    constexpr qint64 kMaxScriptBytes = 1 << 20;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxScriptBytes) {
      std::fprintf(stderr, "TQ5271_demo: cannot read %s (a text file up to 1 MiB)\n",
                   qPrintable(parser.value("inputs")));
      return 2;
    }
    script = tq::demo::ParseInputScript(file.read(kMaxScriptBytes).toStdString(),
                                        static_cast<std::size_t>(count));
    if (!script.error.empty()) {
      std::fprintf(stderr, "TQ5271_demo: %s: %s\n", qPrintable(parser.value("inputs")),
                   script.error.c_str());
      return 2;
    }
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

  // The desktop groups the demo with the first program's launcher; each
  // window keeps its own program's icon.
  const QByteArray first = QByteArray::fromStdString(list.names.front());
  tq::ui::PresentToDesktop(app, "tq5271-" + first, ":/icons/" + first + ".ico");
  std::vector<tq::demo::RunningProgram> shown;
  for (const std::string& name : list.names) {
    auto program = tq::demo::MakeProgram(name, hid, boards);
    auto view = std::make_unique<tq::ui::QtView>(program->Form());
    view->Widget()->setWindowIcon(QIcon(QString::fromStdString(":/icons/" + name + ".ico")));
    if (!shown.empty()) {
      const QRect beside = shown.back().view->Widget()->frameGeometry();
      view->Widget()->move(beside.right() + 16, beside.top());
    }
    program->Form_Load();
    shown.push_back({name, std::move(program), std::move(view)});
  }

  if (parser.isSet("screenshot")) {
    if (!script.steps.empty()) {
      // The monitor reads before the first step, so that it sees them all.
      constexpr std::chrono::seconds kReadLimit{5};
      const bool monitor = std::find(list.names.begin(), list.names.end(), "monitor") != list.names.end();
      if (monitor && !hid.WaitForWaitingReads(1, kReadLimit)) {
        std::fprintf(stderr, "TQ5271_demo: the monitor did not read a board\n");
        return 1;
      }
      if (const std::string late = tq::demo::RunInputScript(script, hid, boards, kReadLimit); !late.empty()) {
        std::fprintf(stderr, "TQ5271_demo: %s\n", late.c_str());
        return 1;
      }
    }
    return tq::demo::SaveScreenshots(shown, parser.value("screenshot").toStdString()) ? 0 : 1;
  }

  // Beside one program's window; under several, which take the screen's
  // width, so that the inputs it opens stay on screen.
  tq::demo::BoardPanel panel(hid, boards);
  const QRect last = shown.back().view->Widget()->frameGeometry();
  if (shown.size() == 1) {
    panel.move(last.right() + 16, last.top());
  } else {
    int bottom = 0;
    for (const auto& one : shown) bottom = std::max(bottom, one.view->Widget()->frameGeometry().bottom());
    panel.move(shown.front().view->Widget()->frameGeometry().left(), bottom + 16);
  }
  panel.show();
  // Each program ends with its window, as it does alone; the demo ends with
  // the last of them.
  std::size_t open = shown.size();
  for (tq::demo::RunningProgram& one : shown) {
    tq::ui::Window& form = one.program->Form();
    form.Unload = [&open, unload = form.Unload] {
      unload();
      if (--open == 0) QApplication::quit();
    };
  }
  return QApplication::exec();
}
