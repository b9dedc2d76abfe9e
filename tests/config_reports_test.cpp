// The analog-input codec: command codes, the invert mask and what a page
// yields, including replies too short to be a page.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "board/config_reports.h"

namespace tq::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ConfigReports, CommandsAndMask) {
  const std::array<std::optional<std::uint8_t>, 10> commands{
      std::nullopt, 14, 15, 16, 17, 18, 19, std::nullopt, 21, std::nullopt};
  for (int input = 0; input <= 9; ++input) {
    EXPECT_EQ(InputModeCommand(input), commands[static_cast<std::size_t>(input)]) << input;
  }
  EXPECT_EQ(InvertMask(std::array{1, 0, 1, 0, 0, 0, 0, 0}), 0x05);
  EXPECT_EQ(InvertMask(std::array{0, 0, 0, 0, 0, 0, 0, 1}), 0x80);
  EXPECT_EQ(InvertMask(std::array{1, 1, 1, 1, 1, 1, 1, 1}), 0xFF);
  EXPECT_TRUE(IsInverted(0x81, 1) && IsInverted(0x81, 8));
  for (int input = 2; input <= 7; ++input) EXPECT_FALSE(IsInverted(0x81, input)) << input;
}

TEST(ConfigReports, Pages) {
  Bytes low(64, 0);
  low[13] = 0x81;
  low[14] = 0x03;
  low[16] = 198;
  low[17] = 0x01;  // neither mode
  low[18] = 198;   // beyond the page's sixteen bytes: not input 3
  auto page = DecodeInputPage(low);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->invertMask, 0x81);
  EXPECT_EQ(page->autoDetect, true);
  EXPECT_EQ(page->modeBytes[0], 198);
  EXPECT_EQ(ModePosition(*page->modeBytes[0]), 1);
  EXPECT_EQ(ModePosition(*page->modeBytes[1]), std::nullopt);
  EXPECT_FALSE(page->modeBytes[2]);
  for (int detect : {0x02, 0xFE}) {
    low[14] = static_cast<std::uint8_t>(detect);
    EXPECT_EQ(DecodeInputPage(low)->autoDetect, false) << detect;
  }

  Bytes high(18, 0);
  high[1] = 16;
  for (std::size_t i = 2; i <= 7; ++i) high[i] = static_cast<std::uint8_t>(i);
  page = DecodeInputPage(high);
  ASSERT_TRUE(page);
  EXPECT_FALSE(page->invertMask || page->autoDetect || page->modeBytes[0] || page->modeBytes[1]);
  for (std::size_t input = 3; input <= 8; ++input) EXPECT_EQ(page->modeBytes[input - 1], static_cast<std::uint8_t>(input - 1));

  high[1] = 32;
  EXPECT_FALSE(DecodeInputPage(high)) << "unknown tag";
  for (std::size_t length : {0u, 1u, 2u, 8u, 17u}) {
    EXPECT_FALSE(DecodeInputPage(Bytes(length, 0))) << length;
  }
}

}  // namespace
}  // namespace tq::config
