// The settings the watch measures against, read from the board's two pages
// through the programs' codecs, and only read.
#include "board/board_settings.h"

#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "board/encoder_reports.h"
#include "devlink/device_link.h"
#include "emulator/emulated_board.h"
#include "emulator/simulated_hid.h"
#include "tests/board_samples.h"

namespace tq::monitor {
namespace {

using testing::SettingsOf;

TEST(BoardSettings, PagesGiveTypesWidthInversionAndModesThroughTheCodecs) {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"S1");  // pair 2 "1:1", 3 "1:2", 4 and 8 "1:4"
  board.settings[14] = 0x05;                          // X's mode byte: neither mode
  emu::SimulatedHid hid;
  hid.Attach(board);
  DeviceLink link(hid, kEncodersVariant);
  link.GetHidGuid();
  ASSERT_TRUE(link.FindTheHid("S1"));
  const BoardSettings settings = ReadBoardSettings(link);
  link.CloseBoard();
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0) << "the watch only reads";

  EXPECT_EQ(settings.PairType(1), 0);
  EXPECT_EQ(settings.PairTypeName(3), "1:2");
  EXPECT_EQ(settings.PairTypeName(8), "1:4");
  EXPECT_EQ(settings.PairType(2), 1);
  EXPECT_EQ(settings.PairType(4), 3);
  EXPECT_FALSE(settings.PairType(17).has_value());
  EXPECT_EQ(settings.PulseWidthMs(), 48);
  EXPECT_EQ(settings.Inverted(1), true);
  EXPECT_EQ(settings.Inverted(2), false);
  EXPECT_EQ(settings.Inverted(3), true);
  EXPECT_EQ(settings.ModeName(1), "0x05");
  EXPECT_EQ(settings.ModeName(2), "Zoom");
  EXPECT_EQ(settings.ModeName(3), "Zoom");
  EXPECT_EQ(settings.ModeName(4), "Normal");
  EXPECT_FALSE(settings.ModeName(9).has_value());

  BoardSettings onlyPage0;
  board.pageRotation = {0};
  std::vector<std::uint8_t> page(64, 0);
  board.AnswerGetFeature(page.data(), page.size());
  onlyPage0.Take(page);
  onlyPage0.Take(std::span(page).first(4));  // too short: changes nothing
  EXPECT_FALSE(onlyPage0.PairType(3).has_value());
  EXPECT_FALSE(onlyPage0.PulseWidthMs().has_value());
  EXPECT_FALSE(onlyPage0.ModeName(3).has_value()) << "input 3's mode is on page 16";
  EXPECT_EQ(onlyPage0.Inverted(1), true);

  board.settings[encoders::SetPulseWidth] = 0;
  EXPECT_FALSE(SettingsOf(board).PulseWidthMs().has_value()) << "code 0 names no width";
}

}  // namespace
}  // namespace tq::monitor
