// The virtual board's answers on endpoint 0: descriptors the backend's own
// reader agrees with, strings, pages without the ID byte, sets, faults, log.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/board_descriptor.h"
#include "emulator/simulated_hid.h"
#include "vboard/board_command.h"
#include "vboard/board_device.h"
#include "vboard/board_options.h"
#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VirtualBoardDescriptors, LengthsAgreeWithTheBackendsReaderAndTheEmulator) {
  // The board's one descriptor, as the kernel gets it, read by the hidraw
  // backend's reader, gives the capabilities the in-process emulator gives,
  // and the input report the firmware makes is as long as both say.
  for (const std::uint16_t input : {std::uint16_t{6}, std::uint16_t{12}, std::uint16_t{13},
                                    std::uint16_t{21}, std::uint16_t{40}}) {
    for (const std::uint16_t feature : {std::uint16_t{2}, std::uint16_t{64}, std::uint16_t{300}}) {
      SCOPED_TRACE(testing::Message() << "input " << input << ", feature " << feature);
      emu::EmulatedBoard board = emu::MakeTQ5271(u"S");
      board.inputReportByteLength = input;
      board.featureReportByteLength = feature;
      const Bytes descriptor = emu::BoardDescriptor(board);
      const auto caps = hid::CapsFromReportDescriptor(descriptor);
      ASSERT_TRUE(caps);
      emu::SimulatedHid hid;
      hid.Attach(board);
      const HANDLE handle = hid.CreateFileA(hid.PathOf(0).c_str(), 0, 3, nullptr, 3, 0, 0);
      PHIDP_PREPARSED_DATA preparsed = 0;
      ASSERT_TRUE(hid.HidD_GetPreparsedData(handle, &preparsed));
      HIDP_CAPS emulated{};
      ASSERT_EQ(hid.HidP_GetCaps(preparsed, &emulated), kHidpStatusSuccess);
      EXPECT_EQ(caps->FeatureReportByteLength, feature);
      EXPECT_EQ(caps->InputReportByteLength, input);
      EXPECT_EQ(caps->OutputReportByteLength, 0);
      EXPECT_EQ(caps->UsagePage, 0x01);
      EXPECT_EQ(caps->Usage, 0x04);
      for (auto field : {&HIDP_CAPS::FeatureReportByteLength, &HIDP_CAPS::InputReportByteLength,
                         &HIDP_CAPS::OutputReportByteLength, &HIDP_CAPS::UsagePage,
                         &HIDP_CAPS::Usage}) {
        EXPECT_EQ((*caps).*field, emulated.*field);
      }
      EXPECT_EQ(board.InputReport().size(), input);
      const Bytes hidDescriptor = HidDescriptor(board);
      EXPECT_EQ(hidDescriptor.at(7) | hidDescriptor.at(8) << 8, static_cast<int>(descriptor.size()));
      EXPECT_TRUE(hid.CloseHandle(handle));
      EXPECT_TRUE(hid.HidD_FreePreparsedData(preparsed));
    }
  }
  // A foreign device keeps its own descriptor; a vendor-defined one of the
  // board's lengths reads back as those lengths.
  emu::EmulatedBoard foreign = emu::MakeTQ5271(u"F");
  foreign.reportDescriptor = emu::VendorDefinedDescriptor(12, 300);
  const auto vendor = hid::CapsFromReportDescriptor(emu::BoardDescriptor(foreign));
  ASSERT_TRUE(vendor);
  EXPECT_EQ(vendor->UsagePage, 0xFF00);
  EXPECT_EQ(vendor->InputReportByteLength, 12);
  EXPECT_EQ(vendor->FeatureReportByteLength, 300);
}

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

TEST(VirtualBoardDescriptors, DeviceConfigurationAndStrings) {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"S");
  board.vendorId = 0x1234;
  board.versionNumber = 0x0221;
  const Bytes device = DeviceDescriptor(board);
  ASSERT_EQ(device.size(), 18u);
  EXPECT_EQ(device[8] | device[9] << 8, 0x1234);
  EXPECT_EQ(device[12] | device[13] << 8, 0x0221);
  EXPECT_EQ(device[16], kSerialIndex);
  board.serial.reset();
  EXPECT_EQ(DeviceDescriptor(board)[16], 0);
  const Bytes config = ConfigurationDescriptor(board);
  EXPECT_EQ(config.at(2) | config.at(3) << 8, static_cast<int>(config.size()));
  EXPECT_EQ(config.at(9 + 5), 3);  // interface class HID
  EXPECT_EQ(config.at(config.size() - 5), 0x81);  // interrupt IN endpoint
  // A string longer than a descriptor holds is cut to 126 characters.
  EXPECT_EQ(StringDescriptor(std::u16string(200, u'x')).size(), 254u);
  EXPECT_EQ(StringDescriptor(u"A\u0100"), (Bytes{6, 3, 'A', 0, 0x00, 0x01}));
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

namespace tq::vboard {
namespace {

TEST(VirtualBoardOptions, OptionsBuildTheBoardAndItsFaults) {
  const auto options = ParseBoardOptions(
      "serial=B2,vendor=0x16c0,product=0x0c40,release=0x0120,tag=TQ5271X,length=20,"
      "pages=16:0:32,setting=26:9,short=5,delay=40,stall,name=Other,manufacturer=M");
  ASSERT_TRUE(options);
  EXPECT_EQ(options->board.serial, u"B2");
  EXPECT_EQ(options->board.vendorId, 0x16C0);
  EXPECT_EQ(options->board.productId, 0x0C40);
  EXPECT_EQ(options->board.versionNumber, 0x0120);
  EXPECT_EQ(options->board.indexedStrings.at(42), u"TQ5271X");
  EXPECT_EQ(options->board.featureReportByteLength, 20);
  EXPECT_EQ(options->board.pageRotation, (std::vector<std::uint8_t>{16, 0, 32}));
  EXPECT_EQ(options->board.settings[26], 9);
  EXPECT_EQ(options->board.product, u"Other");
  EXPECT_EQ(options->board.manufacturer, u"M");
  EXPECT_EQ(options->faults.getReportReplyBytes, std::optional<std::size_t>{5});
  EXPECT_EQ(options->faults.getReportDelayMs, 40u);
  EXPECT_TRUE(options->faults.stallGetReport);
  // The factory board when nothing is said.
  const auto plain = ParseBoardOptions("");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->board.vendorId, kMakerVendorID);
  EXPECT_EQ(plain->board.settings[22], 0x8A);
  EXPECT_FALSE(plain->faults.stallGetReport);
  EXPECT_FALSE(plain->board.reportDescriptor) << "the board's own joystick descriptor";
  const auto vendor = ParseBoardOptions("length=20,descriptor=vendor");
  ASSERT_TRUE(vendor);
  EXPECT_EQ(vendor->board.reportDescriptor, emu::VendorDefinedDescriptor(12, 20));
  const auto own = ParseBoardOptions("descriptor=05010902A101C0");
  ASSERT_TRUE(own);
  EXPECT_EQ(own->board.reportDescriptor, (Bytes{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}));
  for (const char* bad : {"colour=red", "vendor=0x10000", "vendor=12x", "setting=300:1",
                          "setting=1", "pages=0:x", "serial", "delay=-1", "descriptor=",
                          "descriptor=0", "descriptor=zz", "descriptor=-1", "descriptor=0x01"}) {
    EXPECT_FALSE(ParseBoardOptions(bad)) << bad;
  }
}

}  // namespace
}  // namespace tq::vboard

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
                          "turn 0 1 1.5", "quit now", "axis 0 1 99999999999999999999"}) {
    EXPECT_FALSE(ParseBoardCommand(bad)) << bad;
  }

  emu::EmulatedBoard board = emu::MakeTQ5271(u"C");
  for (const char* line : {"axis 0 2 100", "button 0 32 1", "turn 0 3 1", "plug 0"}) {
    ApplyInput(*ParseBoardCommand(line), board);
  }
  EXPECT_EQ(board.axes[1], 100u);
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
