// A change of the board's inputs as one line, and a mark as one short text.
#include "board/change_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace tq::monitor {
namespace {

TEST(ChangeText, OneLinePerChangeAndMarks) {
  EXPECT_EQ(ChangeLine({12340, AxisMoved{8, 64}}), "12.340 Slider 64");
  EXPECT_EQ(ChangeLine({5, ButtonPressed{5}}), "0.005 button 5 pressed");
  EXPECT_EQ(ChangeLine({1000, ButtonReleased{2, 20}}), "1.000 button 2 released after 20 ms");
  EXPECT_EQ(ChangeLine({1000, ButtonReleased{2, std::nullopt}}), "1.000 button 2 released");
  EXPECT_EQ(ChangeLine({1050, EncoderPulse{3, 5, 50, 3}}),
            "1.050 enc3 button 5 pulse 50 ms (#3 since reset)");
  EXPECT_EQ(ChangeLine({2000, PairMarked{3, {MarkKind::LengthOff, 20, 48}}}),
            "2.000 enc3 marked: pulses 20 ms, set 48 ms");
  EXPECT_EQ(MarkText({MarkKind::PulsesWhileOff, 0, 0}), "set OFF but pulses like an encoder");
  EXPECT_EQ(MarkText({MarkKind::BothDirections, 40, 48}),
            "both directions in one turn, 40 ms apart, set 48 ms");
  EXPECT_EQ(Seconds(-1500), "-1.500");
}

}  // namespace
}  // namespace tq::monitor
