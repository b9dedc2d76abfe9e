#include "emulator/emulated_board.h"

#include "devlink/device_link.h"

namespace tq::emu {

bool EmulatedBoard::AnswerGetFeature(std::uint8_t* buffer, std::size_t length) {
  if (!answersReports || pageRotation.empty()) return false;
  const std::uint8_t tag = pageRotation[nextPage % pageRotation.size()];
  nextPage = (nextPage + 1) % pageRotation.size();
  for (std::size_t i = 1; i < length; ++i) buffer[i] = 0;
  if (length >= 2) buffer[1] = tag;
  for (std::size_t offset = 2; offset < length; ++offset) {
    const std::size_t address = tag + (offset - 2);
    if (address >= settings.size()) break;
    buffer[offset] = settings[address];
  }
  return true;
}

bool EmulatedBoard::TakeSetFeature(const std::uint8_t* buffer, std::size_t length) {
  if (!answersReports) return false;
  if (length >= 3) settings[buffer[1]] = buffer[2];
  return true;
}

EmulatedBoard MakeTQ5271(std::u16string serial) {
  EmulatedBoard board;
  board.vendorId = kMakerVendorID;
  board.productId = 0x0501;  // analog inputs and encoders: both programs take it
  board.versionNumber = 0x0121;
  board.serial = std::move(serial);
  // Inputs 1 and 3 inverted, automatic detection on, Y and Z zoomed: each
  // page carries both a zoomed and a normal mode byte.
  board.settings[11] = 0x05;
  board.settings[12] = 0x01;
  board.settings[15] = 198;
  board.settings[16] = 198;
  // Pairs 2 and 9 "1:1", 3 "1:2", 4 and 8 "1:4"; pulse width 48 ms.
  board.settings[22] = 0x8A;
  board.settings[23] = 0x01;
  board.settings[24] = 0x8C;
  board.settings[25] = 0x00;
  board.settings[26] = 6;
  return board;
}

}  // namespace tq::emu
