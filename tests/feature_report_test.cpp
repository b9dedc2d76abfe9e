// The feature report frame every set and get goes through: a set report
// that fits its buffer or none, and a page's setting only where it lies.
#include "devlink/feature_report.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tq {
namespace {

TEST(FeatureReport, FrameNeverExceedsTheBuffer) {
  EXPECT_TRUE(MakeSetReport(2, 22, 1).empty());
  EXPECT_TRUE(MakeSetReport(0, 22, 1).empty());
  EXPECT_EQ(MakeSetReport(3, 22, 1), (std::vector<std::uint8_t>{0, 22, 1}));

  const std::vector<std::uint8_t> page{0, 16, 0xAA, 0xBB};
  EXPECT_EQ(PageSetting(page, 16, 16), 0xAA);
  EXPECT_EQ(PageSetting(page, 16, 17), 0xBB);
  EXPECT_EQ(PageSetting(page, 16, 18), std::nullopt);
  EXPECT_EQ(PageSetting(page, 0, 17), std::nullopt);  // wrong tag
  EXPECT_EQ(PageSetting(page, 16, 15), std::nullopt);  // below the page
  EXPECT_EQ(PageTag(std::vector<std::uint8_t>{0}), std::nullopt);
}

}  // namespace
}  // namespace tq
