// Pulses matched against another setting than the one read, with figures
// worked out by hand: the width on the board's 8 ms grid that a run fits
// within the 10 ms report interval, and the types whose detents a run's
// size can or cannot be.
#include "board/setting_change.h"

#include <gtest/gtest.h>

namespace tq::monitor {
namespace {

constexpr int kOff = 0, k1to1 = 1, k1to2 = 2, k1to4 = 3;

// The latest run: `pulses` seen from the first, `shortest` to `longest` ms.
RunFigures Latest(int pulses, std::int64_t shortest, std::int64_t longest) {
  RunFigures runs;
  runs.latestPulses = pulses;
  runs.latestMeasured = pulses;
  runs.latestWhole = true;
  runs.latestShortest = shortest;
  runs.latestLongest = longest;
  return runs;
}

// Runs that ended before it: how many, their sizes' divisor, and the size of
// the latest with how many ended in a row at it (all of them by default).
RunFigures After(RunFigures runs, int count, int gcd, std::optional<int> same,
                 std::optional<int> inARow = std::nullopt) {
  runs.wholeRuns = count;
  runs.sizeGcd = gcd;
  runs.sameSize = same;
  runs.sameSizeRuns = same ? inARow.value_or(count) : 0;
  return runs;
}

std::optional<std::int64_t> SeenMs(const std::optional<Mark>& mark) {
  if (!mark) return std::nullopt;
  return mark->measuredMs;
}

TEST(SettingChange, ARunAtAnotherWidthOnTheGridIsNamed) {
  // 90 to 100 ms: 96 is within 10 of both (6, 4); 88 is 12 from 100.
  const auto wider = JudgeSettingChange(Latest(2, 90, 100), 0, k1to2, 48);
  ASSERT_TRUE(wider.has_value());
  EXPECT_EQ(*wider, (Mark{MarkKind::SettingChanged, 96, 48, std::nullopt}));
  // 16 ms pulses read at 48, two of them; one alone may be a stray pulse.
  EXPECT_EQ(SeenMs(JudgeSettingChange(Latest(2, 16, 16), 0, k1to1, 48)), 16);
  EXPECT_FALSE(JudgeSettingChange(Latest(1, 16, 16), 0, k1to1, 48));
  // 37 ms: 32 (5 off) and 40 (3 off) fit, 48 (11 off) does not; 40 is nearer.
  EXPECT_EQ(SeenMs(JudgeSettingChange(Latest(2, 37, 37), 0, k1to2, 48)), 40);
  // Within an interval of the width read: as set.
  EXPECT_FALSE(JudgeSettingChange(Latest(4, 40, 50), 0, k1to2, 48));
  EXPECT_FALSE(JudgeSettingChange(Latest(4, 58, 58), 0, k1to2, 48));
  // Lengths spread wider than one interval are no one width: not this mark.
  EXPECT_FALSE(JudgeSettingChange(Latest(3, 16, 48), 0, k1to2, 48));
  // Past the grid's 200 ms: a hand on the button, not a width.
  EXPECT_FALSE(JudgeSettingChange(Latest(1, 400, 400), 0, k1to2, 48));
  // No width read: nothing to differ from.
  EXPECT_FALSE(JudgeSettingChange(Latest(2, 90, 100), 0, k1to2, std::nullopt));
}

TEST(SettingChange, RunsThatCannotBeDetentsOrAreAnotherTypesDetentNameTheType) {
  const auto type = [](const std::optional<Mark>& mark) -> std::optional<int> {
    if (!mark) return -1;
    return mark->seenType;
  };
  // One pulse a run at "1:2" cannot be a whole detent: "1:1".
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(1, 48, 48), 1, 1, 1), 0, k1to2, 48)), k1to1);
  // Runs of 2 and 6 at "1:4": divisor 2, so "1:2".
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(2, 48, 48), 2, 2, std::nullopt), 0, k1to4, 48)),
            k1to2);
  // 4 and 4 at "1:2": a detent at "1:4", twice. Once is one fast double turn.
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(4, 48, 48), 1, 4, 4), 0, k1to2, 48)), k1to4);
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(3, 48, 48), 1, 4, 4), 0, k1to2, 48)), -1)
      << "the second run is still under way";
  EXPECT_EQ(type(JudgeSettingChange(Latest(4, 48, 48), 0, k1to2, 48)), -1) << "one run";
  // 4, 4 and 8 at "1:2": turns of differing speed, all whole detents.
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(2, 48, 48), 3, 4, std::nullopt), 0, k1to2, 48)),
            -1);
  // Three turns of 2 at "1:2", then the type changed to "1:4": runs of 4 since.
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(4, 48, 48), 4, 2, 4, 1), 0, k1to2, 48)), k1to4);
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(2, 48, 48), 4, 2, 4, 1), 0, k1to2, 48)), -1)
      << "one run of 4 since";
  // Runs of 2 at "1:2" and of 4 at "1:4": as set.
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(2, 48, 48), 3, 2, 2), 0, k1to2, 48)), -1);
  EXPECT_EQ(type(JudgeSettingChange(After(Latest(4, 48, 48), 2, 4, 4), 0, k1to4, 48)), -1);
  // Width and type together: 4 a run, 96 ms, read as "1:2" and 48 ms.
  const auto both = JudgeSettingChange(After(Latest(4, 92, 100), 1, 4, 4), 0, k1to2, 48);
  ASSERT_TRUE(both.has_value());
  EXPECT_EQ(*both, (Mark{MarkKind::SettingChanged, 96, 48, k1to4}));

  // An encoder's own contacts on a pair read as an encoder: it is "OFF".
  EXPECT_EQ(type(JudgeSettingChange(Latest(1, 20, 20), 1, k1to2, 48)), kOff);
}

TEST(SettingChange, APairReadOffThatTheBoardPulsesHasAnEncoderType) {
  // Three short pulses of one length on one button: sent, at 48 ms.
  const auto pulsed = JudgeSettingChange(Latest(3, 44, 52), 0, kOff, 48);
  ASSERT_TRUE(pulsed.has_value());
  EXPECT_EQ(*pulsed, (Mark{MarkKind::SettingChanged, 48, 48, k1to1}));
  EXPECT_EQ(JudgeSettingChange(After(Latest(2, 16, 16), 2, 2, 2), 0, kOff, 48)->seenType, k1to2);
  // One press, long presses, or an encoder's contacts: plain buttons.
  EXPECT_FALSE(JudgeSettingChange(Latest(1, 48, 48), 0, kOff, 48));
  EXPECT_FALSE(JudgeSettingChange(Latest(2, 300, 305), 0, kOff, 48));
  EXPECT_FALSE(JudgeSettingChange(Latest(2, 20, 20), 1, kOff, 48));
  EXPECT_FALSE(JudgeSettingChange(Latest(2, 20, 45), 0, kOff, 48)) << "no one length";
}

}  // namespace
}  // namespace tq::monitor
