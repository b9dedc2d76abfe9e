// The programs the demo runs, each a window of its own over the one emulated
// platform and its boards, as on a desktop where several programs have the
// same boards open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "devlink/ui/controls.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"

namespace tq::demo {

class Program {
 public:
  virtual ~Program() = default;
  virtual ui::Window& Form() = 0;
  virtual void Form_Load() = 0;
};

// A program's window as the demo shows it; the view goes first, before the
// window it draws.
struct RunningProgram {
  std::string name;
  std::unique_ptr<Program> program;
  std::unique_ptr<ui::QtView> view;
};

// The names this build can run, in the order --help gives them.
std::vector<std::string> OfferedPrograms();

// `name` is one of OfferedPrograms(); `boards` are those the panel moves.
std::unique_ptr<Program> MakeProgram(const std::string& name, emu::SimulatedHid& hid,
                                     const std::vector<emu::SimulatedHid::BoardId>& boards);

}  // namespace tq::demo
