// A virtual board's control lines: parsed, and moving the model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vboard/board_command.h"
#include "vboard/board_device.h"

namespace tq::vboard {
namespace {

TEST(VirtualBoardCommands, ControlLinesParseAndMoveTheModel) {
  using Verb = BoardCommand::Verb;
  const auto quit = ParseBoardCommand("quit");
  ASSERT_TRUE(quit);
  EXPECT_EQ(quit->verb, Verb::kQuit);
  const auto unplug = ParseBoardCommand("unplug 1");
  ASSERT_TRUE(unplug);
  EXPECT_EQ(unplug->verb, Verb::kUnplug);
  EXPECT_EQ(unplug->board, 1u);
  const auto turn = ParseBoardCommand("  turn 0   3 -2 ");
  ASSERT_TRUE(turn);
  EXPECT_EQ(turn->verb, Verb::kTurn);
  EXPECT_EQ(turn->number, 3);
  EXPECT_EQ(turn->value, -2);
  EXPECT_EQ(turn->text, "turn 0 3 -2");
  for (const char* bad : {"", "jump 0", "plug", "plug x", "plug -1", "plug 0 1", "axis 0 1",
                          "axis 0 1 -1", "axis 0 1 65536", "button 0 1 2", "turn 0 1 1001",
                          "turn 0 1 1.5", "quit now", "axis 0 1 99999999999999999999",
                          "noise 0 2 256", "noise 0 2 -1", "bounce 0 5 9", "bounce 0 5"}) {
    EXPECT_FALSE(ParseBoardCommand(bad)) << bad;
  }

  emu::EmulatedBoard board = emu::MakeTQ5271(u"C");
  for (const char* line : {"axis 0 2 100", "button 0 32 1", "turn 0 3 1", "plug 0",
                           "noise 0 6 3", "bounce 0 7 8"}) {
    ApplyInput(*ParseBoardCommand(line), board);
  }
  EXPECT_EQ(board.axes[1], 100u);
  EXPECT_EQ(board.axisNoise[5], 3u);
  EXPECT_EQ(board.bounceClosures[6], 8u);
  EXPECT_TRUE(board.switches[31]);
  EXPECT_EQ(board.presses[2].size(), 2u) << "pair 3 is \"1:2\": two pulses a detent";

  // A foreign device's raw report: up to one 64-byte packet of hex, sent
  // as it stands, once, in place of the board's own report.
  const auto report = ParseBoardCommand("report 2 0102fF");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->verb, Verb::kReport);
  EXPECT_EQ(report->board, 2u);
  EXPECT_EQ(report->report, (std::vector<std::uint8_t>{0x01, 0x02, 0xFF}));
  for (const std::string& bad :
       std::vector<std::string>{"report 0", "report 0 1", "report 0 0g", "report 0 01 02",
                                "report x 01", std::string("report 0 ") + std::string(130, 'a')}) {
    EXPECT_FALSE(ParseBoardCommand(bad)) << bad;
  }
  EXPECT_TRUE(ParseBoardCommand(std::string("report 0 ") + std::string(128, 'a')));
  std::uint64_t now = 0;
  BoardDevice device(board, {}, [&] { return now; });
  ASSERT_TRUE(device.TakeInputReport(0)) << "the board's own report goes first";
  device.ChangeBoard([&](emu::EmulatedBoard& model) { ApplyInput(*report, model); });
  now = 10;
  EXPECT_EQ(device.TakeInputReport(10), report->report);
  now = 20;
  EXPECT_FALSE(device.TakeInputReport(20)) << "an unchanged report is not sent again";
}

}  // namespace
}  // namespace tq::vboard
