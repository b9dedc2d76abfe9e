// The emulated board as a game controller: what its input report carries at
// each moment of its clock, for the settings the two programs write.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <map>
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

// The wiring faults a test or the demo turns on: a noisy axis and a
// bouncing button, the same on every run for the same seed.
TEST(BoardInputs, NoiseWandersWithinItsSpreadAndABouncingPressClosesSeveralTimes) {
  EmulatedBoard board = MakeTQ5271(u"NZ");
  const int bits = AxisBits(board);
  const auto value = [&](int axis) {
    return static_cast<int>(Field(board.InputReport(), static_cast<std::size_t>((axis - 1) * bits), bits));
  };
  board.SetAxis(2, 60);
  board.SetAxis(4, 126);  // near the top: the noise is clamped to it
  board.SetAxis(5, 60);
  board.SetAxisNoise(2, 3);
  board.SetAxisNoise(4, 3);
  board.SetAxisNoise(9, 3);  // no such axis: ignored
  std::vector<int> values;
  std::map<int, int> seen;
  for (int step = 0; step < 300; ++step) {
    // Within one report interval the value holds.
    const int now = value(2);
    board.AdvanceTime(5);
    EXPECT_EQ(value(2), now);
    board.AdvanceTime(5);
    values.push_back(now);
    ++seen[now];
    EXPECT_LE(value(4), 127);
    EXPECT_GE(value(4), 123);
    EXPECT_EQ(value(5), 60) << "only the noisy axis wanders";
  }
  EXPECT_EQ(seen.size(), 7u) << "every value of 57 ... 63";
  EXPECT_EQ(seen.begin()->first, 57);
  EXPECT_EQ(seen.rbegin()->first, 63);
  EXPECT_FALSE(board.InputPending()) << "noise is no press of the firmware's";

  EmulatedBoard same = MakeTQ5271(u"NZ");
  same.SetAxis(2, 60);
  same.SetAxisNoise(2, 3);
  EmulatedBoard otherSeed = same;
  otherSeed.noiseSeed = 2;
  std::vector<int> sameValues;
  int differ = 0;
  for (int step = 0; step < 300; ++step) {
    const auto y = [&](const EmulatedBoard& b) {
      return static_cast<int>(Field(b.InputReport(), static_cast<std::size_t>(bits), bits));
    };
    sameValues.push_back(y(same));
    if (y(otherSeed) != y(same)) ++differ;
    same.AdvanceTime(10);
    otherSeed.AdvanceTime(10);
  }
  EXPECT_EQ(sameValues, values) << "the same seed, the same noise";
  EXPECT_GT(differ, 100) << "another seed, other noise";
  board.SetAxisNoise(2, 0);
  EXPECT_EQ(value(2), 60);

  // Three closures a press, a report interval apart, then held; a release
  // is clean. Pressed again, it bounces again.
  EmulatedBoard bouncing = BoardWith(0, 48);
  bouncing.SetButtonBounce(7, 3);
  bouncing.SetButtonBounce(40, 3);  // no such button: ignored
  bouncing.AdvanceTime(3);
  bouncing.SetButton(7, true);
  EXPECT_TRUE(bouncing.InputPending());
  std::vector<Press> presses = PressesOver(bouncing, 7, 200);
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[0].start, 3u);
  EXPECT_EQ(presses[0].length, 10u);
  EXPECT_EQ(presses[1].start, 23u);
  EXPECT_EQ(presses[2].start, 43u);
  EXPECT_EQ(presses[2].length, 0u) << "held to the end";
  EXPECT_FALSE(bouncing.InputPending());
  bouncing.SetButton(7, false);
  bouncing.SetButton(7, true);
  EXPECT_EQ(PressesOver(bouncing, 7, 100).size(), 3u);
  // Released within the bounce: it stays open.
  bouncing.SetButton(7, false);
  bouncing.SetButton(7, true);
  bouncing.AdvanceTime(20);
  bouncing.SetButton(7, false);
  EXPECT_TRUE(PressesOver(bouncing, 7, 100).empty());
  // One closure, or none set: a clean press.
  bouncing.SetButtonBounce(7, 1);
  bouncing.SetButton(7, true);
  EXPECT_FALSE(bouncing.InputPending());
  EXPECT_EQ(PressesOver(bouncing, 7, 100).size(), 1u);
}

}  // namespace
}  // namespace tq::emu
