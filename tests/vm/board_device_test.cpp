// The virtual board's answers on endpoint 0 and its interrupt IN endpoint:
// strings, pages without the ID byte, sets, faults, the log, and each
// change of the input report sent once with its time.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "emulator/board_descriptor.h"
#include "vboard/board_device.h"
#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VirtualBoardInput, TheEndpointSendsEachChangeOnceWithItsTime) {
  std::uint64_t now = 0;
  emu::EmulatedBoard board = emu::MakeTQ5271(u"IN");  // pair 3 "1:2", 48 ms
  BoardDevice device(board, {}, [&] { return now; });
  std::ostringstream file;
  device.MirrorLogTo(&file);
  const auto first = device.TakeInputReport(now);
  ASSERT_TRUE(first) << "the first report is always sent";
  EXPECT_EQ(first->size(), 11u) << "no report-ID byte on the wire";
  EXPECT_FALSE(device.TakeInputReport(now)) << "nothing changed";
  now = 100;
  device.ChangeBoard([](emu::EmulatedBoard& b) { b.TurnEncoder(3, 1); });
  const int buttonsBit = 8 * emu::AxisBits(board);
  const auto button5 = [&](const Bytes& data) {
    const int bit = buttonsBit + 4;
    return (data.at(static_cast<std::size_t>(bit / 8)) >> (bit % 8)) & 1;
  };
  // Asked every 10 ms, as the endpoint's interval, over one detent.
  std::vector<std::uint64_t> changes;
  for (now = 100; now <= 400; now += 10) {
    if (const auto report = device.TakeInputReport(now)) {
      changes.push_back(now);
      EXPECT_EQ(button5(*report), changes.size() % 2) << "press and release alternate";
    }
  }
  EXPECT_EQ(changes, (std::vector<std::uint64_t>{100, 150, 200, 250}));
  const auto sent = device.InputLog();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[1].ms, 100u);
  EXPECT_EQ(sent[2].ms, 150u) << "48 ms on the board's clock, seen at the next interval";
  EXPECT_TRUE(device.Log().empty()) << "input reports are not control requests";
  EXPECT_NE(file.str().find("INPUT ms=100 "), std::string::npos);
  EXPECT_EQ(FormatInputLine({7, {0x00, 0x7f}}), "INPUT ms=7 00 7f");

  // A GET_REPORT of the input report answers the same state, without its ID.
  now = 1000;
  device.ChangeBoard([](emu::EmulatedBoard& b) { b.SetButton(1, true); });
  const ControlReply input = device.Control({0xA1, 1, 0x0100, 0, 64}, {});
  ASSERT_FALSE(input.stall);
  EXPECT_EQ(input.data.size(), 11u);
  EXPECT_EQ(input.data.at(static_cast<std::size_t>(buttonsBit / 8)) & 1, 1);

  // A check that wakes late samples the grid point it was due at.
  now = 2000;
  device.ChangeBoard([](emu::EmulatedBoard& b) { b.TurnEncoder(3, 1); });  // 2000-2048, 2096-
  now = 2100;
  const auto late = device.TakeInputReport(2050);
  ASSERT_TRUE(late);
  EXPECT_EQ(button5(*late), 0) << "between the two pulses at 2050";
  EXPECT_EQ(device.InputLog().back().ms, 2050u);
}

TEST(VirtualBoardRequests, StringsPagesSetsAndTheLog) {
  BoardDevice device(emu::MakeTQ5271(u"SER"));
  auto get = [&](SetupPacket setup) { return device.Control(setup, {}); };
  EXPECT_EQ(get({0x80, 6, 0x0300, 0, 255}).data, LanguageDescriptor());
  EXPECT_EQ(get({0x80, 6, 0x0303, 0x0409, 255}).data, StringDescriptor(u"SER"));
  EXPECT_EQ(get({0x80, 6, 0x032A, 0x0409, 255}).data, StringDescriptor(u"TQ5271A"));
  EXPECT_EQ(get({0x80, 6, 0x032A, 0x0409, 4}).data.size(), 4u);
  EXPECT_TRUE(get({0x80, 6, 0x0329, 0x0409, 255}).stall);  // no string 41
  EXPECT_TRUE(get({0x80, 6, 0x032A, 0x0407, 255}).stall);  // another language

  // Pages in rotation, without the ID byte; the settings are the model's.
  const ControlReply page0 = get({0xA1, 1, 0x0300, 0, 63});
  ASSERT_EQ(page0.data.size(), 63u);
  EXPECT_EQ(page0.data[0], 0);
  EXPECT_EQ(page0.data[1 + 11], 0x05);
  const ControlReply page16 = get({0xA1, 1, 0x0300, 0, 63});
  EXPECT_EQ(page16.data[0], 16);
  EXPECT_EQ(page16.data[1 + 6], 0x8A);  // setting 22

  Bytes set(63, 0);
  set[0] = 26;
  set[1] = 9;
  EXPECT_FALSE(device.Control({0x21, 9, 0x0300, 0, 63}, set).stall);
  EXPECT_EQ(device.Board().settings[26], 9);
  EXPECT_TRUE(device.Control({0x21, 9, 0x0200, 0, 63}, set).stall);  // no output report

  const auto log = device.Log();
  ASSERT_EQ(log.size(), 10u);
  EXPECT_EQ(device.LogOf("GET_STRING").size(), 6u);
  EXPECT_TRUE(log[4].stalled);
  EXPECT_EQ(log[8].type, "SET_REPORT");
  EXPECT_EQ(log[8].bytes, set);
  EXPECT_EQ(FormatLogLine({"SET_REPORT", 0x0300, 3, {0x1a, 0x09, 0x00}, false}),
            "SET_REPORT value=0300 length=3 1a 09 00");
  EXPECT_EQ(FormatLogLine(log[4]), "GET_STRING value=0329 length=255 stall");
  device.ClearLog();
  EXPECT_TRUE(device.Log().empty());
}

TEST(VirtualBoardRequests, GetReportFaults) {
  BoardDevice device(emu::MakeTQ5271(u"S"));
  const SetupPacket getFeature{0xA1, 1, 0x0300, 0, 63};
  device.SetFaults({std::size_t{3}, false, 0});
  EXPECT_EQ(device.Control(getFeature, {}).data, (Bytes{0, 0, 0}));
  EXPECT_EQ(device.Control(getFeature, {}).data, (Bytes{16, 198, 0}));
  device.SetFaults({std::nullopt, true, 0});
  EXPECT_TRUE(device.Control(getFeature, {}).stall);
  // Sets still work on a board that stalls its gets.
  EXPECT_FALSE(device.Control({0x21, 9, 0x0300, 0, 63}, Bytes(63, 0)).stall);
  device.SetFaults({std::nullopt, false, 250});
  const ControlReply slow = device.Control(getFeature, {});
  EXPECT_EQ(slow.delayMs, 250u);
  EXPECT_EQ(slow.data.size(), 63u);
  // A board that refuses reports altogether stalls both.
  device.SetFaults({});
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.answersReports = false; });
  EXPECT_TRUE(device.Control(getFeature, {}).stall);
  EXPECT_TRUE(device.Control({0x21, 9, 0x0300, 0, 63}, Bytes(63, 0)).stall);
}

}  // namespace
}  // namespace tq::vboard
