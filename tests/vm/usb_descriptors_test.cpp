// The virtual board's descriptors: their lengths agree with the backend's
// own reader and the emulator; the device, configuration and strings.
#include <gtest/gtest.h>

#include <vector>

#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/board_descriptor.h"
#include "emulator/simulated_hid.h"
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

}  // namespace
}  // namespace tq::vboard
