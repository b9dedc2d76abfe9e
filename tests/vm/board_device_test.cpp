// The virtual board's answers on endpoint 0: descriptors the backend's own
// reader agrees with, strings, pages without the ID byte, sets, faults, log.
#include <gtest/gtest.h>

#include "devlink/device_link.h"
#include "devlink/platform/hidraw/report_descriptor.h"
#include "vboard/board_device.h"
#include "vboard/board_options.h"
#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VirtualBoardDescriptors, LengthsAgreeWithTheBackendsReader) {
  for (const std::uint16_t length : {std::uint16_t{2}, std::uint16_t{12}, std::uint16_t{64}, std::uint16_t{300}}) {
    SCOPED_TRACE(length);
    emu::EmulatedBoard board = emu::MakeTQ5271(u"S");
    board.featureReportByteLength = length;
    const Bytes descriptor = ReportDescriptor(board);
    const auto caps = hidraw::CapsFromReportDescriptor(descriptor);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->FeatureReportByteLength, length);
    EXPECT_EQ(caps->InputReportByteLength, 12);
    EXPECT_EQ(caps->OutputReportByteLength, 0);
    EXPECT_EQ(caps->UsagePage, 0xFF00);
    const Bytes hid = HidDescriptor(board);
    EXPECT_EQ(hid.at(7) | hid.at(8) << 8, static_cast<int>(descriptor.size()));
  }
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
  for (const char* bad : {"colour=red", "vendor=0x10000", "vendor=12x", "setting=300:1",
                          "setting=1", "pages=0:x", "serial", "delay=-1"}) {
    EXPECT_FALSE(ParseBoardOptions(bad)) << bad;
  }
}

}  // namespace
}  // namespace tq::vboard
