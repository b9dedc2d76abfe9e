// The emulated board as a game controller: what its input report carries at
// each moment of its clock, for the settings the two programs write.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <vector>

#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"

namespace tq::emu {
namespace {

// One field of an input report, read bit by bit after the report-ID byte.
unsigned Field(const std::vector<std::uint8_t>& report, std::size_t bitOffset, int bits) {
  unsigned value = 0;
  for (int bit = 0; bit < bits; ++bit) {
    const std::size_t at = bitOffset + static_cast<std::size_t>(bit);
    const std::size_t byte = 1 + at / 8;
    if (byte < report.size() && ((report[byte] >> (at % 8)) & 1) != 0) value |= 1u << bit;
  }
  return value;
}

bool Pressed(const EmulatedBoard& board, int button) {
  return Field(board.InputReport(),
               static_cast<std::size_t>(kAxisCount * AxisBits(board) + button - 1), 1) != 0;
}

// Every press of a button over `ms` of the board's clock, sampled each
// millisecond: start and length.
struct Press {
  std::uint64_t start;
  std::uint64_t length;
};
std::vector<Press> PressesOver(EmulatedBoard& board, int button, std::uint64_t ms) {
  std::vector<Press> presses;
  bool down = false;
  for (std::uint64_t t = 0; t <= ms; ++t) {
    const bool now = Pressed(board, button);
    if (now && !down) presses.push_back({board.clockMs, 0});
    if (!now && down) presses.back().length = board.clockMs - presses.back().start;
    down = now;
    board.AdvanceTime(1);
  }
  return presses;
}

// A board whose every pair has `type` and whose pulse width is `widthMs`.
EmulatedBoard BoardWith(int type, int widthMs) {
  EmulatedBoard board = MakeTQ5271(u"IN");
  std::array<int, encoders::kPairsPerBank> codes{};
  codes.fill(type);
  const encoders::BankBits bank = encoders::PackBank(codes);
  board.settings[encoders::SetEncoderLow1to8] = bank.low;
  board.settings[encoders::SetEncoderLow9to16] = bank.low;
  board.settings[encoders::SetEncoderHigh1to8] = bank.high;
  board.settings[encoders::SetEncoderHigh9to16] = bank.high;
  board.settings[encoders::SetPulseWidth] =
      *encoders::PulseWidthCode(widthMs / encoders::kPulseWidthStepMs - 1);
  return board;
}

TEST(BoardInputs, EncoderTurnsBecomePulsesOfTheSetWidthOnTheTurnsButton) {
  EmulatedBoard board = BoardWith(2, 48);  // "1:2", "48 ms"
  board.AdvanceTime(1000);
  board.TurnEncoder(3, +5);
  EmulatedBoard other = board;
  const std::vector<Press> forward = PressesOver(board, 5, 2000);
  ASSERT_EQ(forward.size(), 10u);
  for (std::size_t i = 0; i < forward.size(); ++i) {
    EXPECT_EQ(forward[i].length, 48u) << "pulse " << i;
    EXPECT_EQ(forward[i].start, 1000u + 96u * i) << "an equal gap follows each pulse";
  }
  EXPECT_TRUE(PressesOver(other, 6, 2000).empty());

  EmulatedBoard quarter = BoardWith(3, 16);  // "1:4", "16 ms"
  quarter.TurnEncoder(16, -3);
  EmulatedBoard same = quarter;
  const std::vector<Press> backward = PressesOver(quarter, 32, 1000);
  ASSERT_EQ(backward.size(), 12u);
  for (const Press& press : backward) EXPECT_EQ(press.length, 16u);
  EXPECT_TRUE(PressesOver(same, 31, 1000).empty());

  // A turn made while pulses are still going waits for them; the firmware
  // keeps no more than its queue holds.
  EmulatedBoard busy = BoardWith(1, 8);
  busy.TurnEncoder(1, 2);
  busy.TurnEncoder(1, 1);
  const std::vector<Press> queued = PressesOver(busy, 1, 200);
  ASSERT_EQ(queued.size(), 3u);
  EXPECT_EQ(queued[2].start, 32u) << "starts when the second pulse's gap ends";
  EmulatedBoard flooded = BoardWith(3, 8);
  flooded.TurnEncoder(2, 1000);
  EXPECT_EQ(PressesOver(flooded, 3, 20000).size(), 64u);
  EmulatedBoard wound = BoardWith(1, 8);
  wound.TurnEncoder(2, std::numeric_limits<int>::min());
  EXPECT_EQ(PressesOver(wound, 4, 20000).size(), 64u) << "as far as a turn can go backwards";
}

TEST(BoardInputs, PairsSetOffShowTheContactsAndTheSwitchesStayPlainButtons) {
  EmulatedBoard board = BoardWith(0, 48);
  board.TurnEncoder(1, 1);
  EmulatedBoard copy = board;
  const std::vector<Press> a = PressesOver(board, 1, 200);
  const std::vector<Press> b = PressesOver(copy, 2, 200);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_LT(a[0].start, b[0].start) << "contact A closes first when turned forward";
  EXPECT_GT(a[0].start + a[0].length, b[0].start) << "the contacts overlap, in quadrature";

  EmulatedBoard plain = BoardWith(2, 48);
  plain.SetButton(32, true);
  plain.SetButton(33, true);  // no such button: ignored
  plain.SetButton(0, true);
  plain.TurnEncoder(17, 1);
  EXPECT_TRUE(Pressed(plain, 32));
  for (int button = 1; button < 32; ++button) EXPECT_FALSE(Pressed(plain, button)) << button;
  plain.SetButton(32, false);
  EXPECT_FALSE(Pressed(plain, 32));
}

TEST(BoardInputs, AxesReportTheirPositionMirroredWhenInvertedWithinTheirRange) {
  EmulatedBoard board = MakeTQ5271(u"AX");
  board.settings[config::SetInvertMask] = 0x81;  // inputs 1 (X) and 8 (Slider)
  const int bits = AxisBits(board);
  const unsigned maximum = AxisMaximum(board);
  ASSERT_EQ(bits, 7) << "12 bytes hold 8 axes of 7 bits and 32 buttons";
  for (int axis = 1; axis <= kAxisCount; ++axis) board.SetAxis(axis, 10u * static_cast<unsigned>(axis));
  board.SetAxis(4, 5000);  // beyond the range: the highest value
  board.SetAxis(9, 1);
  const std::vector<std::uint8_t> report = board.InputReport();
  ASSERT_EQ(report.size(), 12u);
  EXPECT_EQ(report[0], 0) << "no report ID";
  const auto axis = [&](int n) {
    return Field(report, static_cast<std::size_t>((n - 1) * bits), bits);
  };
  EXPECT_EQ(axis(1), maximum - 10);
  EXPECT_EQ(axis(2), 20u);
  EXPECT_EQ(axis(4), maximum);
  EXPECT_EQ(axis(7), 70u);
  EXPECT_EQ(axis(8), maximum - 80);

  board.inputReportByteLength = 21;  // room for 16-bit axes
  board.SetAxis(2, 40000);
  EXPECT_EQ(AxisBits(board), 16);
  EXPECT_EQ(Field(board.InputReport(), 16, 16), 40000u);
}

}  // namespace
}  // namespace tq::emu
