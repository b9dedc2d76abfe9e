// The Windows scenarios' side of the board program that serves the virtual
// boards inside the VM (tools/vm/wine-guest.sh starts both): each board's
// request log, read as it grows, and plug or unplug asked for by a file the
// guest script relays. The folder comes from TQ_BOARD_FOLDER, as a Unix path.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tq::winetest {

using Bytes = std::vector<std::uint8_t>;

// One line of a board's log: "SET_REPORT value=0300 length=63 16 8b 00 ...".
struct BoardRequest {
  std::string type;
  std::uint16_t value = 0;
  std::uint16_t length = 0;
  bool stalled = false;
  Bytes bytes;
};

// nullopt for a line that is not a logged request.
std::optional<BoardRequest> ParseBoardRequest(const std::string& line);

class BoardProgram {
 public:
  BoardProgram();  // throws when TQ_BOARD_FOLDER is not set

  // Every request board `n` has logged so far.
  std::vector<BoardRequest> Log(int board) const;
  // The requests logged after `mark` entries, of one type ("" for all).
  std::vector<BoardRequest> Since(int board, std::size_t mark, const std::string& type = "") const;
  std::size_t Mark(int board) const { return Log(board).size(); }

  // Asks the board program to pull or put back board `n`'s cable; true once
  // the kernel has removed or enumerated it.
  bool Unplug(int board) { return Ask("unplug " + std::to_string(board), "unplugged"); }
  bool Plug(int board) { return Ask("plug " + std::to_string(board), "plugged"); }
  // Moves board `n`'s inputs: "axis AXIS VALUE", "button BUTTON 0|1" or
  // "turn PAIR DETENTS"; true once the board program took it.
  bool Move(int board, const std::string& verb, int number, int value) {
    return Ask(verb + " " + std::to_string(board) + " " + std::to_string(number) + " " +
                   std::to_string(value),
               verb);
  }

 private:
  bool Ask(const std::string& command, const std::string& done);
  std::string folder_;  // Windows path, ending in a backslash
};

// The data stage of the set report a program sends for `command`, `value`
// on a board of `reportLength` (report-ID byte included).
Bytes SetData(std::uint8_t command, std::uint8_t value, std::size_t reportLength = 64);
// The data stages of the SET_REPORT requests among `requests`.
std::vector<Bytes> SetsIn(const std::vector<BoardRequest>& requests);

// Polls `condition` until it holds or `limit` passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace tq::winetest
