// Every pick goes to the board at once: a bank of eight pairs as its low and
// its high bits, or the pulse width.
#include <array>

#include "board/encoder_reports.h"
#include "encoders/frm_main.h"

namespace tq::encoders {

void frmMain::Enc_Click(int pair) {
  if (pair <= kPairsPerBank) {
    WriteEncoderBank1();
  } else {
    WriteEncoderBank2();
  }
}

void frmMain::WriteEncoderBank1() { WriteEncoderBank(1, SetEncoderLow1to8, SetEncoderHigh1to8); }

void frmMain::WriteEncoderBank2() {
  WriteEncoderBank(kPairsPerBank + 1, SetEncoderLow9to16, SetEncoderHigh9to16);
}

void frmMain::WriteEncoderBank(int firstPair, std::uint8_t lowCommand, std::uint8_t highCommand) {
  // Only in the settled state: the selections the read-back makes must not
  // reach the board.
  if (!ScanComplete || !DeviceDetected || !SettingsLoaded) return;
  std::array<int, kPairsPerBank> codes{};
  for (int i = 0; i < kPairsPerBank; ++i) {
    codes[static_cast<std::size_t>(i)] = Enc(firstPair + i).ListIndex();
  }
  const BankBits bits = PackBank(codes);
  // Both halves go out back to back, the second whatever became of the first.
  link_.SendSetReport(lowCommand, bits.low);
  link_.SendSetReport(highCommand, bits.high);
}

void frmMain::ModeCh1_Click() {
  if (!DeviceDetected || !SettingsLoaded) return;
  if (const auto code = PulseWidthCode(ModeCh1.ListIndex())) {
    link_.SendSetReport(SetPulseWidth, *code);
  }
}

}  // namespace tq::encoders
