// The device link over the emulated host: which interface it opens, how
// often, and what a failed step or an odd detail record makes it skip.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

#include "devlink/device_link.h"
#include "emulator/simulated_hid.h"

namespace tq {
namespace {

using emu::EmulatedBoard;
using emu::MakeTQ5271;
using emu::SimulatedHid;

EmulatedBoard Foreign(std::uint16_t vendor, std::uint16_t product) {
  EmulatedBoard board;
  board.vendorId = vendor;
  board.productId = product;
  board.indexedStrings.clear();
  return board;
}

class DeviceLinkTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever a walk did, nothing is closed twice and no set is left open.
    EXPECT_EQ(hid.DoubleCloses(), 0);
    EXPECT_EQ(hid.InvalidCloses(), 0);
    EXPECT_EQ(hid.OpenDeviceInfoSets(), 0);
  }
  DeviceLink Encoders() {
    DeviceLink link(hid, kEncodersVariant);
    link.GetHidGuid();
    return link;
  }
  SimulatedHid hid;
};

TEST_F(DeviceLinkTest, NothingAcceptedLeavesNothingOpen) {
  DeviceLink link = Encoders();
  EXPECT_FALSE(link.FindTheHid(""));
  hid.Attach(Foreign(0x046D, 0xC52B));
  EXPECT_FALSE(link.FindTheHid(""));
  EXPECT_FALSE(link.DeviceDetected);
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  // The foreign device was opened, examined and closed.
  EXPECT_EQ(hid.CallCount("CreateFileA"), 1);
  EXPECT_EQ(hid.CallCount("CloseHandle"), 1);
  // Its tag is never asked for: only the accepted vendors carry one.
  EXPECT_EQ(hid.CallCount("HidD_GetIndexedString"), 0);
}

TEST_F(DeviceLinkTest, OpensTheBoardWithTheWantedSerialTwice) {
  hid.Attach(MakeTQ5271(u"AAA"));
  const auto second = hid.Attach(MakeTQ5271(u"BBB"));
  hid.Board(second).featureReportByteLength = 33;
  DeviceLink link = Encoders();
  ASSERT_TRUE(link.FindTheHid("BBB"));
  EXPECT_TRUE(link.DeviceDetected);
  EXPECT_EQ(link.DevicePath, hid.PathOf(second));
  EXPECT_EQ(link.FeatureReportByteLength(), 33);
  EXPECT_EQ(hid.OpenHandleCount(), 2);

  const auto opens = hid.CallsOf("CreateFileA");
  ASSERT_EQ(opens.size(), 3u);  // first board examined and closed, second twice
  EXPECT_EQ(opens[0].access, kGenericRead);
  EXPECT_EQ(opens[0].flags, 0u);
  EXPECT_EQ(opens[1].path, hid.PathOf(second));
  EXPECT_EQ(opens[2].path, hid.PathOf(second));
  EXPECT_EQ(opens[2].access, kGenericRead | kGenericWrite);
  EXPECT_EQ(opens[2].flags, kFileFlagOverlapped);
  EXPECT_EQ(hid.CallsOf("SetupDiGetClassDevsA").at(0).flags, 0x12u);
  EXPECT_EQ(hid.CallCount("HidD_GetPreparsedData"), hid.CallCount("HidD_FreePreparsedData"));

  link.CloseBoard();
  link.CloseBoard();  // closing again closes nothing
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

TEST_F(DeviceLinkTest, SameSerialTwiceChoosesTheFirst) {
  const auto first = hid.Attach(MakeTQ5271(u"SAME"));
  hid.Attach(MakeTQ5271(u"SAME"));
  DeviceLink link = Encoders();
  ASSERT_TRUE(link.FindTheHid("SAME"));
  EXPECT_EQ(link.DevicePath, hid.PathOf(first));
  link.CloseBoard();
}

TEST_F(DeviceLinkTest, EmptySerialMatchesEmptyText) {
  hid.Attach(MakeTQ5271(u""));
  DeviceLink link = Encoders();
  EXPECT_FALSE(link.FindTheHid("x"));
  EXPECT_TRUE(link.FindTheHid(""));
  link.CloseBoard();
}

TEST_F(DeviceLinkTest, ProductTagDecidesBeforeTheTable) {
  DeviceLink link = Encoders();
  const auto check = [&](EmulatedBoard board, bool accepted) {
    board.serial = u"S";
    const auto id = hid.Attach(std::move(board));
    EXPECT_EQ(link.FindTheHid("S"), accepted);
    link.CloseBoard();
    hid.Detach(id);
  };
  EmulatedBoard unlisted = Foreign(kMakerVendorID, 0x7777);
  unlisted.indexedStrings[42] = u"TQ5271X";
  check(unlisted, true);
  unlisted.indexedStrings[42] = u"TQ5271A and more";
  check(unlisted, true);
  unlisted.indexedStrings[42] = u"TQ5271B";
  check(unlisted, false);
  unlisted.indexedStrings[42] = u"tq5271a";
  check(unlisted, false);

  EmulatedBoard shared = Foreign(kSharedVendorID, 0x0001);
  shared.indexedStrings[42] = u"TQ5271A";
  check(shared, true);
  // A tag under a foreign vendor is never looked at.
  EmulatedBoard other = Foreign(0x1234, 0x0520);
  other.indexedStrings[42] = u"TQ5271A";
  check(other, false);
  // Listed product IDs need no tag.
  check(Foreign(kSharedVendorID, kEncodersBoards.sharedSingles[18]), true);
  check(Foreign(kMakerVendorID, kEncodersBoards.makerRanges[0].first), true);
}

TEST_F(DeviceLinkTest, TagOfOneInterfaceNeverCarriesOverToTheNext) {
  // The first interface has the tag but a different serial; the second
  // cannot answer string 42 and is in no list. It must be rejected.
  EmulatedBoard tagged = MakeTQ5271(u"first");
  tagged.productId = 0x7777;
  hid.Attach(tagged);
  EmulatedBoard untagged = Foreign(kMakerVendorID, 0x7778);
  untagged.serial = u"second";
  hid.Attach(untagged);
  DeviceLink link = Encoders();
  EXPECT_FALSE(link.FindTheHid("second"));
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

TEST_F(DeviceLinkTest, FailedStepsSkipTheInterface) {
  hid.Attach(MakeTQ5271(u"A"));
  DeviceLink link = Encoders();
  for (const char* op : {"CreateFileA", "HidD_GetAttributes", "HidD_GetSerialNumberString"}) {
    hid.FailNth(op, 1);
    EXPECT_FALSE(link.FindTheHid("A")) << op;
    EXPECT_EQ(hid.OpenHandleCount(), 0) << op;
  }
  hid.FailNth("SetupDiGetClassDevsA", 1);
  EXPECT_FALSE(link.FindTheHid("A"));
  hid.FailNth("SetupDiEnumDeviceInterfaces", 1);
  EXPECT_FALSE(link.FindTheHid("A"));
  EXPECT_TRUE(link.LastInterface);

  // Without capabilities the board is still opened; the report length keeps
  // what it was.
  hid.FailNth("HidD_GetPreparsedData", 1);
  ASSERT_TRUE(link.FindTheHid("A"));
  EXPECT_EQ(link.FeatureReportByteLength(), 0);
  link.CloseBoard();
  // A failed second open leaves the invalid value, which is never closed.
  hid.FailNth("CreateFileA", 2);
  ASSERT_TRUE(link.FindTheHid("A"));
  EXPECT_EQ(link.OverlappedHandle, kInvalidHandleValue);
  EXPECT_EQ(link.FeatureReportByteLength(), 64);
  link.CloseBoard();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

// Reports the required detail sizes a test names, and reads a detail
// record's size field before anything else, as Windows does whatever size it
// is told the record has.
class DetailSizeHid : public SimulatedHid {
 public:
  std::deque<std::uint32_t> requiredSizes;
  int recordsTooSmall = 0;
  std::uint32_t lastSizeField = 0;

  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                        std::uint8_t* detail, std::uint32_t detailSize,
                                        std::uint32_t* requiredSize, void* info) override {
    if (detail != nullptr) {
      std::memcpy(&lastSizeField, detail, sizeof lastSizeField);
      if (detailSize < kDetailPathOffset + 1) ++recordsTooSmall;
    }
    const BOOL result =
        SimulatedHid::SetupDiGetDeviceInterfaceDetailA(set, data, detail, detailSize,
                                                       requiredSize, info);
    if (detail == nullptr && requiredSize != nullptr && !requiredSizes.empty()) {
      *requiredSize = requiredSizes.front();
      requiredSizes.pop_front();
    }
    return result;
  }
};

TEST(DeviceLinkDetail, RecordTooSmallOrTooLargeSkipsTheInterface) {
  DetailSizeHid hid;
  for (const char16_t* serial : {u"A", u"B", u"C", u"D"}) hid.Attach(MakeTQ5271(serial));
  hid.requiredSizes = {0, kDetailPathOffset, 70000};
  DeviceLink link(hid, kEncodersVariant);
  link.GetHidGuid();
  ASSERT_TRUE(link.FindTheHid("D"));
  EXPECT_EQ(link.DevicePath, hid.PathOf(3));
  EXPECT_EQ(hid.recordsTooSmall, 0) << "a record without room for its size field was passed";
  EXPECT_EQ(hid.lastSizeField, kDetailDataSizeField);
  // Only the fourth interface was opened: examined, then opened again.
  EXPECT_EQ(hid.CallCount("CreateFileA"), 2);
  EXPECT_EQ(hid.CallCount("SetupDiGetDeviceInterfaceDetailA"), 3 + 2);
  link.CloseBoard();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.OpenDeviceInfoSets(), 0);
}

TEST_F(DeviceLinkTest, ConfigurationVariantTakesTheFirstAcceptedBoard) {
  hid.Attach(Foreign(0x046D, 0xC52B));
  EmulatedBoard onlyEncoders = MakeTQ5271(u"E");  // tag but no analog inputs
  onlyEncoders.productId = 0x0700;
  hid.Attach(onlyEncoders);
  EmulatedBoard first = MakeTQ5271(u"C1");
  first.productId = kConfigBoards.makerSingles[1];
  const auto chosen = hid.Attach(first);
  EmulatedBoard second = MakeTQ5271(u"C2");
  second.productId = kConfigBoards.makerRanges[0].last;
  hid.Attach(second);

  DeviceLink link(hid, kConfigVariant);
  ASSERT_TRUE(link.FindTheHid());
  EXPECT_EQ(link.DevicePath, hid.PathOf(chosen));
  EXPECT_EQ(hid.CallCount("HidD_GetHidGuid"), 1);  // at every search
  EXPECT_EQ(hid.CallCount("HidD_GetIndexedString"), 0);
  EXPECT_EQ(hid.CallCount("HidD_GetSerialNumberString"), 0);
  EXPECT_EQ(hid.CallsOf("CreateFileA").at(0).access, kGenericRead | kGenericWrite);
  link.CloseBoard();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

TEST_F(DeviceLinkTest, SetReportsNeedRoomForCommandAndValue) {
  auto board = MakeTQ5271(u"A");
  board.featureReportByteLength = 2;
  const auto id = hid.Attach(board);
  DeviceLink link = Encoders();
  ASSERT_TRUE(link.FindTheHid("A"));
  EXPECT_FALSE(link.SendSetReport(22, 1));
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
  link.CloseBoard();
  hid.Board(id).featureReportByteLength = 3;
  ASSERT_TRUE(link.FindTheHid("A"));
  EXPECT_TRUE(link.SendSetReport(22, 0x5A));
  EXPECT_EQ(hid.Board(id).settings[22], 0x5A);
  link.CloseBoard();
}

}  // namespace
}  // namespace tq
