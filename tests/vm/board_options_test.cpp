// A virtual board's option line: the board it builds and its faults.
#include <gtest/gtest.h>

#include <vector>

#include "devlink/device_link.h"
#include "emulator/board_descriptor.h"
#include "vboard/board_options.h"

namespace tq::vboard {
namespace {

using Bytes = std::vector<std::uint8_t>;

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
