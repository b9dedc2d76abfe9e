// A change of the board's inputs as one line, and a mark as one short text
// and as the fewest words that tell it apart.
#include "board/change_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace tq::monitor {
namespace {

Mark Changed(std::int64_t seenMs, std::optional<int> seenType) {
  return {MarkKind::SettingChanged, seenMs, 48, seenType};
}

TEST(ChangeText, OneLinePerChangeAndMarks) {
  EXPECT_EQ(ChangeLine({12340, AxisMoved{8, 64}}), "12.340 Slider 64");
  EXPECT_EQ(ChangeLine({5, ButtonPressed{5}}), "0.005 button 5 pressed");
  EXPECT_EQ(ChangeLine({1000, ButtonReleased{2, 20}}), "1.000 button 2 released after 20 ms");
  EXPECT_EQ(ChangeLine({1000, ButtonReleased{2, std::nullopt}}), "1.000 button 2 released");
  EXPECT_EQ(ChangeLine({1050, EncoderPulse{3, 5, 50, 3}}),
            "1.050 enc3 button 5 pulse 50 ms (#3 since reset)");
  EXPECT_EQ(ChangeLine({2000, PairMarked{3, {MarkKind::LengthOff, 20, 48, std::nullopt}}}),
            "2.000 enc3 marked: short: 20 ms, set 48 ms");
  EXPECT_EQ(Seconds(-1500), "-1.500");

  const Mark longer{MarkKind::LengthOff, 80, 64, std::nullopt};
  EXPECT_EQ(MarkText(longer), "long: 80 ms, set 64 ms");
  EXPECT_EQ(MarkWord(longer), "long: 80 ms");
  const Mark off{MarkKind::PulsesWhileOff, 0, 0, std::nullopt};
  EXPECT_EQ(MarkText(off), "pulses while OFF, as an encoder's contacts");
  EXPECT_EQ(MarkWord(off), "pulses while OFF");
  const Mark both{MarkKind::BothDirections, 40, 48, std::nullopt};
  EXPECT_EQ(MarkText(both), "both ways in one turn: 40 ms apart, set 48 ms");
  EXPECT_EQ(MarkWord(both), "both ways");

  // A setting changed elsewhere: what the pulses match, and the way out.
  EXPECT_EQ(MarkText(Changed(96, std::nullopt)),
            "setting may have changed: pulses of 96 ms; press Reset");
  EXPECT_EQ(MarkText(Changed(0, 3)), "setting may have changed: pulses as at 1:4; press Reset");
  EXPECT_EQ(MarkText(Changed(16, 2)),
            "setting may have changed: pulses of 16 ms, as at 1:2; press Reset");
  EXPECT_EQ(MarkText(Changed(0, 0)), "setting may have changed: contacts as at OFF; press Reset");
  EXPECT_EQ(MarkWord(Changed(96, std::nullopt)), "setting changed?");
  EXPECT_EQ(ChangeLine({3000, PairMarked{5, Changed(96, std::nullopt)}}),
            "3.000 enc5 marked: setting may have changed: pulses of 96 ms; press Reset");

  // Dial, with the configuration utility's own words for the rule.
  DialMark dial;
  dial.zoomed.set(1);
  EXPECT_EQ(ChangeLine({500, DialMarked{dial}}),
            "0.500 Dial marked: moves while Y is in Zoom: This input MUST not be connected if "
            "any other input uses ZOOM mode");
  dial.zoomed.set(2);
  dial.zoomed.set(7);
  EXPECT_EQ(DialMarkText(dial).substr(0, 42), "moves while Y, Z, Slider are in Zoom: This");

  // The wiring faults, with what usually makes them.
  EXPECT_EQ(NoiseWord(NoiseMark{3}), "noisy: \u00B13 at rest");
  EXPECT_EQ(ChangeLine({700, AxisNoisy{6, NoiseMark{2}}}),
            "0.700 RZ marked: noisy: \u00B12 at rest; usually a worn potentiometer, or a long or "
            "unshielded wire");
  EXPECT_EQ(ChangeLine({700, AxisNoisy{9, NoiseMark{2}}}).substr(0, 22), "0.700 axis 9 marked: n");
  const Mark chatter{.kind = MarkKind::Chatter, .measuredMs = 20, .button = 6, .presses = 2};
  EXPECT_EQ(ChangeLine({900, PairMarked{3, chatter}}),
            "0.900 enc3 marked: button 6 chatter: 2 presses in 20 ms; usually contact bounce, or a "
            "loose joint");
}

}  // namespace
}  // namespace tq::monitor
