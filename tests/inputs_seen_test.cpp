// What arrived of the inputs: each axis's sweep against its range, the
// counts and the lines that say them.
#include "board/inputs_seen.h"

#include <gtest/gtest.h>

namespace tq::monitor {
namespace {

TEST(InputsSeen, AnAxisIsSweptWholeWithinTwoPercentOfBothEnds) {
  EXPECT_EQ(EndSlack(kBoardAxisRange), 5);
  EXPECT_EQ(EndSlack({0, 1023}), 20);
  EXPECT_EQ(EndSlack({0, 1}), 1) << "at least one count";
  EXPECT_EQ(SweepOf({128, 5, 250}, kBoardAxisRange), (Sweep{96, true}));
  EXPECT_EQ(SweepOf({128, 6, 250}, kBoardAxisRange), (Sweep{95, false}));
  EXPECT_EQ(SweepOf({128, 5, 249}, kBoardAxisRange), (Sweep{95, false}));
  EXPECT_EQ(SweepOf({128, 128, 128}, kBoardAxisRange), (Sweep{0, false}));
  EXPECT_EQ(SweepOf({0, -40, 300}, kBoardAxisRange), (Sweep{100, true})) << "clamped to the range";
  EXPECT_EQ(SweepOf({-3, -100, 90}, {-100, 100}), (Sweep{95, false}));
  EXPECT_EQ(SweepOf({7, 7, 7}, {7, 7}), (Sweep{})) << "an empty range sweeps nothing";
}

TEST(InputsSeen, CountsAndLinesNameWhatNeverArrived) {
  ButtonPresses presses{};
  AxisReadings axes{};
  AxisRanges ranges{};
  EXPECT_EQ(SeenLine(CountSeen(presses, axes, ranges)),
            "Seen: 0 of 32 buttons; 0 of 8 axes over their whole range");
  for (std::size_t button = 0; button < presses.size(); ++button) presses[button] = 1;
  presses[3] = 0;
  presses[16] = 0;
  presses[0] = 7;
  for (std::size_t axis = 0; axis < 6; ++axis) axes[axis] = AxisReading{100, 0, 255};
  axes[5] = AxisReading{100, 12, 240};
  axes[7] = AxisReading{500, 10, 1020};
  ranges[7] = AxisRange{0, 1023};  // judged against its own range, not 0 ... 255
  const SeenCount count = CountSeen(presses, axes, ranges);
  EXPECT_EQ(count, (SeenCount{30, 6}));
  EXPECT_EQ(SeenLine(count), "Seen: 30 of 32 buttons; 6 of 8 axes over their whole range");
  EXPECT_EQ(MissingLine(presses, axes, ranges),
            "not pressed: buttons 4, 17; not swept whole: RZ 12 ... 240, Dial unseen");
  presses[3] = 1;
  axes[5]->lowest = 0;
  axes[5]->highest = 255;
  axes[6] = AxisReading{0, 0, 255};
  EXPECT_EQ(MissingLine(presses, axes, ranges), "not pressed: button 17");
  presses[16] = 1;
  EXPECT_EQ(MissingLine(presses, axes, ranges), "");
  EXPECT_EQ(SeenLine(CountSeen(presses, axes, ranges)),
            "Seen: 32 of 32 buttons; 8 of 8 axes over their whole range");
}

}  // namespace
}  // namespace tq::monitor
