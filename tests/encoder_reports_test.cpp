#include "board/encoder_reports.h"

#include <gtest/gtest.h>

#include <vector>

#include "devlink/feature_report.h"

namespace tq::encoders {
namespace {

std::vector<std::uint8_t> Page16(std::uint8_t low1, std::uint8_t low2, std::uint8_t high1,
                                 std::uint8_t high2, std::uint8_t pulse, std::size_t length = 64) {
  std::vector<std::uint8_t> page(length, 0);
  page[1] = 16;
  const std::uint8_t bytes[] = {low1, low2, high1, high2, pulse};
  for (std::size_t i = 0; i < 5 && 8 + i < length; ++i) page[8 + i] = bytes[i];
  return page;
}

TEST(EncoderReports, WorkedExamplePacksLowAndHighBits) {
  const std::array<int, 8> codes{0, 1, 2, 3, 0, 0, 0, 3};
  const BankBits bits = PackBank(codes);
  EXPECT_EQ(bits.low, 0x8A);
  EXPECT_EQ(bits.high, 0x8C);

  const auto low = MakeSetReport(64, SetEncoderLow1to8, bits.low);
  ASSERT_EQ(low.size(), 64u);
  EXPECT_EQ(low[0], 0x00);
  EXPECT_EQ(low[1], 0x16);
  EXPECT_EQ(low[2], 0x8A);
  for (std::size_t i = 3; i < low.size(); ++i) EXPECT_EQ(low[i], 0) << "offset " << i;
  EXPECT_EQ(PulseWidthCode(5), 6);
}

TEST(EncoderReports, BankEdgesAndUnselectedLists) {
  EXPECT_EQ(PackBank(std::array<int, 8>{}).low, 0x00);
  const BankBits all = PackBank(std::array<int, 8>{3, 3, 3, 3, 3, 3, 3, 3});
  EXPECT_EQ(all.low, 0xFF);
  EXPECT_EQ(all.high, 0xFF);
  const BankBits firstHigh = PackBank(std::array<int, 8>{2, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(firstHigh.low, 0x00);
  EXPECT_EQ(firstHigh.high, 0x01);
  // A list with no selection (-1, all bits set as an integer) is not "1:4".
  const BankBits none = PackBank(std::array<int, 8>{-1, -1, 1, -1, 4, -1, -1, -1});
  EXPECT_EQ(none.low, 0x04);
  EXPECT_EQ(none.high, 0x00);
}

TEST(EncoderReports, PulseWidthCodesAndItems) {
  EXPECT_EQ(PulseWidthCode(0), 1);
  EXPECT_EQ(PulseWidthCode(16), 17);
  EXPECT_EQ(PulseWidthCode(24), 25);
  EXPECT_EQ(PulseWidthCode(-1), std::nullopt);  // never code 0
  EXPECT_EQ(PulseWidthCode(25), std::nullopt);
  EXPECT_EQ(PulseWidthItem(0), "8 ms");
  EXPECT_EQ(PulseWidthItem(5), "48 ms");
  EXPECT_EQ(PulseWidthItem(24), "200 ms");
}

TEST(EncoderReports, DecodesPage16) {
  auto settings = DecodeEncoderPage(Page16(0x01, 0x80, 0x80, 0x00, 6));
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->types[0], 1);   // pair 1 "1:1"
  EXPECT_EQ(settings->types[7], 2);   // pair 8 "1:2"
  EXPECT_EQ(settings->types[15], 1);  // pair 16 "1:1"
  for (int pair : {2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15}) {
    EXPECT_EQ(settings->types[static_cast<std::size_t>(pair - 1)], 0) << "pair " << pair;
  }
  EXPECT_EQ(settings->pulseWidthPosition, 5);

  settings = DecodeEncoderPage(Page16(0x01, 0, 0x01, 0x01, 0));
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->types[0], 3);
  EXPECT_EQ(settings->types[8], 2);
  EXPECT_EQ(settings->pulseWidthPosition, -1);
}

TEST(EncoderReports, IgnoresOtherPagesAndShortReplies) {
  auto page = Page16(0xFF, 0xFF, 0xFF, 0xFF, 1);
  page[1] = 0;
  EXPECT_FALSE(DecodeEncoderPage(page));
  EXPECT_TRUE(DecodeEncoderPage(Page16(0, 0, 0, 0, 1, 13)));
  EXPECT_FALSE(DecodeEncoderPage(Page16(0, 0, 0, 0, 1, 12)));
  EXPECT_FALSE(DecodeEncoderPage(Page16(0, 0, 0, 0, 1, 2)));
  EXPECT_FALSE(DecodeEncoderPage({}));
}

}  // namespace
}  // namespace tq::encoders
