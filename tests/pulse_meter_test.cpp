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

// A contact closing again sooner than a finger can: the burst with the most
// presses, each within kChatterGapMs of the one before on the same button.
TEST(PulseMeter, ChatterIsTheLongestBurstOfQuickPressesOnOneButton) {
  PulseMeter meter;
  const auto tap = [&](int side, std::int64_t at) {
    meter.Press(side, at);
    meter.Release(side, at + 10);
  };
  // A finger's presses, 80 ms apart and more: no burst.
  for (const std::int64_t at : {0, 80, 200, 290}) tap(0, at);
  EXPECT_FALSE(meter.WorstChatter().has_value());
  // Two presses 20 ms apart: a burst, over only once no press can join it.
  tap(0, 1000);
  tap(0, 1020);
  EXPECT_TRUE(meter.ChatterUnderWay());
  EXPECT_FALSE(meter.WorstChatter().has_value());
  tap(0, 1200);
  EXPECT_FALSE(meter.ChatterUnderWay());
  EXPECT_EQ(meter.WorstChatter(), (Chatter{0, 2, 20}));
  // Three over 40 ms on the other button, the last held: over when let go.
  for (const std::int64_t at : {2000, 2020}) tap(1, at);
  meter.Press(1, 2040);
  EXPECT_EQ(meter.WorstChatter(), (Chatter{0, 2, 20}));
  meter.Release(1, 2300);
  EXPECT_EQ(meter.WorstChatter(), (Chatter{1, 3, 40}));
  // As many presses over a longer span do not replace it; one exactly the
  // gap after the last starts a burst of its own.
  for (const std::int64_t at : {3000, 3030, 3060, 3110}) tap(0, at);
  EXPECT_EQ(meter.WorstChatter(), (Chatter{1, 3, 40}));
  EXPECT_FALSE(meter.ChatterUnderWay()) << "3110 alone";

  // An encoder's contacts on a pair set "OFF": A, A and B, B, open, every
  // 40 ms. Each button presses every 40 ms, but the other's press comes
  // between: no burst.
  PulseMeter contacts;
  for (std::int64_t at = 0; at < 400; at += 40) {
    contacts.Press(0, at);
    contacts.Press(1, at + 10);
    contacts.Release(0, at + 20);
    contacts.Release(1, at + 30);
  }
  EXPECT_GT(contacts.QuadratureSequences(), 0);
  EXPECT_FALSE(contacts.WorstChatter().has_value());

  // A press already on in the first report has no start: it begins no
  // burst. Reset forgets the bursts.
  PulseMeter standing;
  standing.Press(0, 0, false);
  standing.Release(0, 10);
  standing.Press(0, 20);
  EXPECT_FALSE(standing.WorstChatter().has_value());
  tap(1, 4000);
  meter.Reset();
  EXPECT_FALSE(meter.WorstChatter().has_value());
  tap(1, 4020);
  EXPECT_FALSE(meter.ChatterUnderWay()) << "a press before the reset begins no burst";
}

}  // namespace
}  // namespace tq::monitor
