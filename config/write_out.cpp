// Every change goes to the board at once, one set report per change, and
// whatever the board answers the control keeps its new value.
#include <array>

#include "board/config_reports.h"
#include "config/frm_main.h"

namespace tq::config {

void frmMain::InvertCh_Click(int /*input*/) {
  // The mask of all eight boxes goes out whichever box was clicked.
  WriteInvertSettings();
}

void frmMain::WriteInvertSettings() {
  if (!DeviceDetected) return;
  std::array<int, kInputCount> states{};
  for (int input = 1; input <= kInputCount; ++input) {
    states[static_cast<std::size_t>(input - 1)] = InvertCh(input).Value();
  }
  link_.SendSetReport(SetInvertMask, InvertMask(states));
}

void frmMain::AutoCh_Click() {
  if (!DeviceDetected) return;
  link_.SendSetReport(SetAutoDetect, static_cast<std::uint8_t>(AutoCh.Value()));
}

void frmMain::ModeCh_Click(int input) {
  if (!DeviceDetected) return;
  const auto command = InputModeCommand(input);
  if (!command) return;
  const int position = ModeCh(input).ListIndex();
  // A list with nothing selected names no mode byte; the board is never
  // sent a guess.
  if (position < 0 || static_cast<std::size_t>(position) >= ModeCode.size()) return;
  link_.SendSetReport(*command, ModeCode[static_cast<std::size_t>(position)]);
}

}  // namespace tq::config
