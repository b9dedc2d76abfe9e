// A board described on the command line, "serial=A1,product=0x0501,stall":
// the model's attributes and strings, its report length and page rotation,
// and the GET_REPORT faults. Pure, so the program's options are tested.
#pragma once

#include <optional>
#include <string>

#include "emulator/emulated_board.h"
#include "vboard/board_device.h"

namespace tq::vboard {

struct BoardOptions {
  emu::EmulatedBoard board;
  BoardFaults faults;
};

// Keys: vendor, product, release (numbers, 0x for hex), manufacturer, name,
// serial, tag (string 42), length (feature report), pages (tags joined by
// ':'), setting=ADDRESS:VALUE, short=BYTES, delay=MS, and the flag stall.
// Starts from the factory board; nullopt names an unknown key or a bad value.
std::optional<BoardOptions> ParseBoardOptions(const std::string& text);

}  // namespace tq::vboard
