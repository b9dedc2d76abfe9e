// A pair's shortest, median and longest press as the window writes them:
// one unit for all three, chosen by the longest, so a button held for
// minutes writes no more digits than an encoder's pulses.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "monitor/pair_check.h"

namespace tq::monitor {
namespace {

std::string Lengths(std::optional<std::int64_t> shortest, std::int64_t median, std::int64_t longest) {
  PairFigures figures;
  figures.shortest = shortest;
  figures.median = median;
  figures.longest = longest;
  return LengthsText(figures);
}

TEST(MonitorPairLengths, TheLongestPicksOneUnitAndNoFigureOutgrowsIt) {
  EXPECT_EQ(LengthsText(PairFigures{}), "") << "nothing measured yet";
  EXPECT_EQ(Lengths(40, 50, 50), "40 / 50 / 50 ms");
  EXPECT_EQ(Lengths(std::nullopt, 48, 999), "- / 48 / 999 ms");
  // A second and more: tenths, until they would need a third digit.
  EXPECT_EQ(Lengths(16, 120, 1000), "0.0 / 0.1 / 1.0 s");
  EXPECT_EQ(Lengths(100, 1549, 9949), "0.1 / 1.5 / 9.9 s");
  EXPECT_EQ(Lengths(100, 1500, 9950), "0 / 2 / 10 s") << "9.95 s rounds to 10";
  EXPECT_EQ(Lengths(100, 1500, 99'499), "0 / 2 / 99 s");
  // A switch left on: minutes, then hours, the median rounded alike.
  EXPECT_EQ(Lengths(100, 90'000, 99'500), "0 / 2 / 2 min");
  EXPECT_EQ(Lengths(100, 1'800'000, 5'969'999), "0 / 30 / 99 min");
  EXPECT_EQ(Lengths(100, 1'800'000, 5'970'000), "0 / 1 / 2 h");
  EXPECT_EQ(Lengths(100, 1'800'000, 400LL * 3'600'000), "0 / 1 / 400 h");
}

}  // namespace
}  // namespace tq::monitor
