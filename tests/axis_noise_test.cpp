// An axis's values judged for noise at rest, one value every report
// interval: what turns, what stays at rest, and how long a window counts.
#include "board/axis_noise.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

namespace tq::monitor {
namespace {

// The mark after the last of `values`, one every `stepMs` from `startMs`.
std::optional<NoiseMark> Feed(NoiseMeter& meter, const std::vector<std::int32_t>& values,
                              std::int64_t startMs = 0, std::int64_t stepMs = 10) {
  std::optional<NoiseMark> mark;
  std::int64_t ms = startMs;
  for (const std::int32_t value : values) {
    if (const auto earned = meter.Take(ms, value)) mark = earned;
    ms += stepMs;
  }
  return mark;
}

// Values that swing between `low` and `high`, starting at `low`, making
// `turns` turns.
std::vector<std::int32_t> Swings(std::int32_t low, std::int32_t high, int turns) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < turns + 2; ++i) values.push_back(i % 2 == 0 ? low : high);
  return values;
}

TEST(AxisNoise, JitterAtRestIsMarkedWithItsSpreadDriftAndStillnessAreNot) {
  // Uneven jitter: the turning points span 125 ... 131.
  NoiseMeter jitter;
  std::vector<std::int32_t> uneven{128, 131, 126, 130, 125, 129, 127, 131, 126, 130, 127, 129};
  EXPECT_EQ(Feed(jitter, uneven), (NoiseMark{3}));
  // One turn short.
  NoiseMeter fewTurns;
  EXPECT_EQ(Feed(fewTurns, Swings(126, 130, kNoiseTurns - 1)), std::nullopt);
  NoiseMeter enough;
  EXPECT_EQ(Feed(enough, Swings(126, 130, kNoiseTurns)), (NoiseMark{2}));

  // Slow drift, one count every 50 ms, down and then up again: one turn.
  NoiseMeter drift;
  std::vector<std::int32_t> slope;
  for (std::int32_t v = 100; v < 140; ++v) slope.push_back(v);
  for (std::int32_t v = 140; v > 100; --v) slope.push_back(v);
  EXPECT_EQ(Feed(drift, slope, 0, 50), std::nullopt);
  // A drift whose last bit flickers as it goes: a step back by one count is
  // no turn.
  NoiseMeter flickeringDrift;
  std::vector<std::int32_t> flicker;
  for (std::int32_t v = 100; v < 130; ++v) {
    flicker.push_back(v + 1);
    flicker.push_back(v);
  }
  EXPECT_EQ(Feed(flickeringDrift, flicker), std::nullopt);
  // Still, or flickering between two neighbours for ever.
  NoiseMeter still;
  EXPECT_EQ(Feed(still, std::vector<std::int32_t>(300, 77)), std::nullopt);
  EXPECT_EQ(Feed(still, Swings(77, 78, 300)), std::nullopt);
  // The smallest swing that counts: two counts, ±1.
  NoiseMeter smallest;
  EXPECT_EQ(Feed(smallest, Swings(77, 79, kNoiseTurns)), (NoiseMark{1}));
}

TEST(AxisNoise, AHandMovingTheAxisOrTurnsTooFarApartAreNotAtRest) {
  // Swept back and forth by hand, 0 ... 255: far beyond the band.
  NoiseMeter hand;
  std::vector<std::int32_t> sweeps;
  for (int sweep = 0; sweep < 16; ++sweep) {
    for (std::int32_t v = 0; v <= 255; v += 15) sweeps.push_back(sweep % 2 == 0 ? v : 255 - v);
  }
  EXPECT_EQ(Feed(hand, sweeps), std::nullopt);
  // Wiggled by 20 counts: out of the band; by 16: in it, at the band's edge.
  NoiseMeter wide;
  EXPECT_EQ(Feed(wide, Swings(100, 120, 20)), std::nullopt);
  NoiseMeter edge;
  EXPECT_EQ(Feed(edge, Swings(100, 116, 20)), (NoiseMark{kRestBand / 2}));
  // The turns spread over more than a second: not noise.
  const std::int64_t apart = kNoiseWindowMs / (kNoiseTurns - 1) + 10;
  NoiseMeter slow;
  EXPECT_EQ(Feed(slow, Swings(126, 130, 3 * kNoiseTurns), 0, apart), std::nullopt);
  NoiseMeter justInTime;
  EXPECT_EQ(Feed(justInTime, Swings(126, 130, kNoiseTurns), 0, apart - 20), (NoiseMark{2}));
  // A move, then jitter where the axis came to rest: marked once the move
  // has left the last turns.
  std::vector<std::int32_t> moveThenJitter{10, 60, 120, 200};
  for (const std::int32_t v : Swings(180, 182, kNoiseTurns - 2)) moveThenJitter.push_back(v);
  NoiseMeter settles;
  EXPECT_EQ(Feed(settles, moveThenJitter), std::nullopt) << "200 is still a turning point";
  moveThenJitter.push_back(180);
  NoiseMeter settlesLonger;
  EXPECT_EQ(Feed(settlesLonger, moveThenJitter), (NoiseMark{1}));

  // Reset forgets the turns made so far.
  NoiseMeter reset;
  std::vector<std::int32_t> almost = Swings(126, 130, kNoiseTurns - 2);
  Feed(reset, almost);
  reset.Reset();
  EXPECT_EQ(Feed(reset, Swings(126, 130, 2), 1000), std::nullopt);
  NoiseMeter kept;
  Feed(kept, almost);
  EXPECT_EQ(Feed(kept, Swings(126, 130, 2), 1000 - 10 * kNoiseTurns), (NoiseMark{2}))
      << "without the reset, the turns add up";
}

// A descriptor may give an axis the whole 32-bit range: swings from one end
// to the other are movement, and jitter at either end is still measured.
TEST(AxisNoise, ValuesAtTheEndsOfA32BitRangeAreMeasuredWithoutOverflow) {
  constexpr std::int32_t kLowest = INT32_MIN;
  constexpr std::int32_t kHighest = INT32_MAX;
  NoiseMeter endToEnd;
  EXPECT_EQ(Feed(endToEnd, Swings(kLowest, kHighest, kNoiseTurns + 2)), std::nullopt);
  NoiseMeter atTheTop;
  EXPECT_EQ(Feed(atTheTop, Swings(kHighest - 4, kHighest, kNoiseTurns)), (NoiseMark{2}));
  NoiseMeter atTheBottom;
  EXPECT_EQ(Feed(atTheBottom, Swings(kLowest, kLowest + 4, kNoiseTurns)), (NoiseMark{2}));
}

}  // namespace
}  // namespace tq::monitor
