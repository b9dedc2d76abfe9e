// tq5271_vboard: plugs virtual boards into the kernel's USB/IP host
// controller and serves them until told to quit. Each board's requests go
// to LOGDIR/boardN.log, one line each, with the input reports it sent and
// their time. Commands, one a line on the control file (a FIFO): "unplug N",
// "plug N", "axis N AXIS VALUE", "button N BUTTON 0|1", "turn N PAIR
// DETENTS", "noise N AXIS SPREAD", "bounce N BUTTON CLOSURES", "report N HEX"
// (a foreign device's raw input report), "quit".
// Prints "ready" once every board is enumerated.
//
//   tq5271_vboard --log DIR --control FIFO --board serial=A1 --board serial=B2,stall
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "vboard/board_command.h"
#include "vboard/board_options.h"
#include "vboard/virtual_bus.h"

namespace {

int Usage() {
  std::cerr << "usage: tq5271_vboard --log DIR --control FIFO --board OPTIONS [--board OPTIONS]...\n";
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace tq::vboard;
  std::string logDir;
  std::string control;
  std::vector<BoardOptions> boards;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--log") {
      logDir = argv[i + 1];
    } else if (option == "--control") {
      control = argv[i + 1];
    } else if (option == "--board") {
      auto options = ParseBoardOptions(argv[i + 1]);
      if (!options) {
        std::cerr << "bad board: " << argv[i + 1] << "\n";
        return 2;
      }
      boards.push_back(std::move(*options));
    } else {
      return Usage();
    }
  }
  if (argc % 2 == 0 || logDir.empty() || control.empty() || boards.empty()) return Usage();

  // Declared before the bus: it unplugs what is still plugged when it goes,
  // and its serving threads use the devices and their logs until then.
  std::vector<std::unique_ptr<std::ofstream>> logs;
  std::vector<std::unique_ptr<BoardDevice>> devices;
  std::vector<int> ports;
  VirtualBus bus;
  if (!bus.Available()) {
    std::cerr << "no virtual host controller (modprobe vhci-hcd)\n";
    return 1;
  }
  for (std::size_t n = 0; n < boards.size(); ++n) {
    logs.push_back(std::make_unique<std::ofstream>(logDir + "/board" + std::to_string(n) + ".log"));
    devices.push_back(std::make_unique<BoardDevice>(boards[n].board, boards[n].faults));
    devices.back()->MirrorLogTo(logs.back().get());
    const auto port = bus.Plug(*devices.back());
    if (!port) {
      std::cerr << "board " << n << " was not enumerated\n";
      return 1;
    }
    ports.push_back(*port);
  }
  std::cout << "ready" << std::endl;

  // Opened for writing too, so it never reaches end of file when a writer
  // goes away and a script can send one command per echo. Reopening it
  // after each writer lost a line written between the end of file and the
  // close.
  std::fstream commands(control, std::ios::in | std::ios::out);
  if (!commands) return 1;
  for (std::string line; std::getline(commands, line);) {
    const auto command = ParseBoardCommand(line);
    if (!command) {
      std::cerr << "not a command: " << line << "\n";
      continue;
    }
    using Verb = BoardCommand::Verb;
    if (command->verb == Verb::kQuit) return 0;
    const std::size_t n = command->board;
    if (n >= devices.size()) continue;
    if (command->verb == Verb::kUnplug && ports[n] >= 0) {
      bus.Unplug(ports[n]);
      ports[n] = -1;
      std::cout << "unplugged " << n << std::endl;
    } else if (command->verb == Verb::kPlug && ports[n] < 0) {
      ports[n] = bus.Plug(*devices[n]).value_or(-1);
      std::cout << (ports[n] >= 0 ? "plugged " : "not plugged ") << n << std::endl;
    } else if (command->verb != Verb::kPlug && command->verb != Verb::kUnplug) {
      devices[n]->ChangeBoard([&](tq::emu::EmulatedBoard& board) { ApplyInput(*command, board); });
      std::cout << command->text << std::endl;
    }
  }
  return 1;  // the control file could not be read
}
