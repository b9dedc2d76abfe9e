// One pair's presses measured: counts, shortest, median and longest, and
// the closest reversal between its two buttons.
#include "board/pulse_meter.h"

#include <gtest/gtest.h>

#include <optional>

namespace tq::monitor {
namespace {

TEST(PulseMeter, MedianIsAMeasuredLengthAndReversalsAreTimed) {
  PulseMeter meter;
  std::int64_t t = 0;
  for (const std::int64_t length : {40, 10, 30, 20}) {
    meter.Press(0, t);
    EXPECT_EQ(meter.Release(0, t + length), length);
    t += 1000;
  }
  EXPECT_EQ(meter.Shortest(), 10);
  EXPECT_EQ(meter.Median(), 20) << "the shorter of two middles";
  EXPECT_EQ(meter.Longest(), 40);
  meter.Press(0, t);
  meter.Release(0, t + 50);
  EXPECT_EQ(meter.Median(), 30);
  EXPECT_FALSE(meter.ClosestReversalMs().has_value());

  meter.Press(1, t + 120);
  EXPECT_EQ(meter.ClosestReversalMs(), 70);
  meter.Press(0, t + 130);
  EXPECT_EQ(meter.ClosestReversalMs(), 0) << "pressed while the other is held";
  EXPECT_EQ(meter.Release(1, t + 200), 80);
  EXPECT_EQ(meter.Release(1, t + 300), std::nullopt) << "released twice";
  EXPECT_EQ(meter.Count(0), 5);
  EXPECT_EQ(meter.Count(1), 1);
  EXPECT_EQ(meter.Count(2), 0) << "no third button";

  meter.Reset();
  EXPECT_EQ(meter.Total(), 0);
  EXPECT_FALSE(meter.ClosestReversalMs().has_value());
  EXPECT_EQ(meter.Release(0, t + 400), 270) << "a press under way when reset still counts";
  EXPECT_EQ(meter.Count(0), 1);
}

// Turns of 2 pulses, then of 4 (the type changed meanwhile): the runs since
// the change are counted apart from those before it.
TEST(PulseMeter, RunsAreTurnsAndTheLatestSizeIsCountedInARow) {
  PulseMeter meter;
  std::int64_t ms = 0;
  const auto turn = [&](int pulses) {
    ms += 1000;
    for (int i = 0; i < pulses; ++i) {
      meter.Press(0, ms);
      meter.Release(0, ms + 48);
      ms += 96;  // the firmware's gap is the pulse's length
    }
  };
  turn(2);
  turn(2);
  turn(2);
  EXPECT_EQ(meter.Runs().wholeRuns, 2) << "the third is under way";
  EXPECT_EQ(meter.Runs().sameSize, 2);
  EXPECT_EQ(meter.Runs().sameSizeRuns, 2);
  EXPECT_EQ(meter.Runs().latestPulses, 2);
  turn(4);
  turn(4);
  EXPECT_EQ(meter.Runs().wholeRuns, 4);
  EXPECT_EQ(meter.Runs().sizeGcd, 2);
  EXPECT_EQ(meter.Runs().sameSize, 4);
  EXPECT_EQ(meter.Runs().sameSizeRuns, 1);
  EXPECT_EQ(meter.Runs().latestPulses, 4);
  EXPECT_TRUE(meter.Runs().latestWhole);
}

}  // namespace
}  // namespace tq::monitor
