// Runs any of the programs, one or several at once, against the same
// emulated boards, with a panel to plug and unplug them, watch their setting
// bytes and move their inputs.
//
//   TQ5271_demo [--program encoders,config,monitor] [--boards N] [--screenshot FILE.png]
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "demo/board_panel.h"
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
