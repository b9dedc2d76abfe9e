// The accepted-board tables of the two programs: their shapes, and that
// one accepts a subset of the other.
#include <gtest/gtest.h>

#include <ios>

#include "devlink/device_link.h"

namespace tq {
namespace {

TEST(AcceptedBoards, TableShapesAndSubset) {
  EXPECT_EQ(kEncodersBoards.makerSingles.size(), 5u);
  ASSERT_EQ(kEncodersBoards.makerRanges.size(), 2u);
  EXPECT_EQ(kEncodersBoards.makerRanges[0].last - kEncodersBoards.makerRanges[0].first + 1, 15);
  EXPECT_EQ(kEncodersBoards.makerRanges[1].last - kEncodersBoards.makerRanges[1].first + 1, 12);
  EXPECT_EQ(kEncodersBoards.sharedSingles.size(), 19u);
  EXPECT_EQ(kConfigBoards.makerSingles.size(), 2u);
  ASSERT_EQ(kConfigBoards.makerRanges.size(), 1u);
  EXPECT_EQ(kConfigBoards.makerRanges[0].first, kEncodersBoards.makerRanges[0].first);
  EXPECT_EQ(kConfigBoards.makerRanges[0].last - kConfigBoards.makerRanges[0].first + 1, 10);
  EXPECT_EQ(kConfigBoards.sharedSingles.size(), 5u);

  // Every ID the configuration utility accepts, the encoder utility accepts.
  for (std::uint32_t product = 0; product <= 0xFFFF; ++product) {
    for (std::uint16_t vendor : {kMakerVendorID, kSharedVendorID}) {
      const auto id = static_cast<std::uint16_t>(product);
      if (kConfigBoards.Accepts(vendor, id)) {
        EXPECT_TRUE(kEncodersBoards.Accepts(vendor, id)) << std::hex << vendor << ":" << id;
      }
    }
  }
  // Range bounds are inclusive; other vendors never match.
  const ProductRange range = kEncodersBoards.makerRanges[1];
  EXPECT_TRUE(kEncodersBoards.Accepts(kMakerVendorID, range.first));
  EXPECT_TRUE(kEncodersBoards.Accepts(kMakerVendorID, range.last));
  EXPECT_FALSE(kEncodersBoards.Accepts(kMakerVendorID, static_cast<std::uint16_t>(range.last + 1)));
  EXPECT_FALSE(kEncodersBoards.Accepts(0x046D, kEncodersBoards.makerSingles[0]));
  EXPECT_FALSE(kEncodersBoards.Accepts(kSharedVendorID, kEncodersBoards.makerSingles[0]));
}

}  // namespace
}  // namespace tq
