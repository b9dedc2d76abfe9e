// What the monitor shows of an axis besides its value: its swept share,
// its check and the line of axis marks, as pure functions of the state.
#include <gtest/gtest.h>

#include "monitor/axis_check.h"

namespace tq::monitor {
namespace {

TEST(MonitorAxisCheck, SweptShareIsWholeOnlyNearBothEnds) {
  EXPECT_EQ(SweptText(std::nullopt, AxisRange{0, 127}), "") << "not seen yet";
  EXPECT_EQ(SweptText(AxisReading{90, 0, 90}, AxisRange{0, 127}), "70 %");
  // Within 2 % of each end (5 counts of 255): whole; one count further: not.
  EXPECT_EQ(SweptText(AxisReading{250, 5, 250}, std::nullopt), "whole");
  EXPECT_EQ(SweptText(AxisReading{250, 6, 250}, std::nullopt), "95 %");
  EXPECT_EQ(SweptText(AxisReading{64, 64, 64}, AxisRange{0, 127}), "0 %");
}

TEST(MonitorAxisCheck, ChecksAndTheLineSayEachMarkOnceAndNameWhatDoesNotFit) {
  const AxisCheck plain = AxisCheckOf(1, std::nullopt, std::nullopt);
  EXPECT_EQ(plain.word, "");
  EXPECT_FALSE(plain.marked);
  EXPECT_TRUE(plain.hint.starts_with("X: no mark;")) << plain.hint;

  DialMark dial;
  dial.zoomed.set(1);
  // Dial's mark stands on Dial's check alone.
  EXPECT_FALSE(AxisCheckOf(2, std::nullopt, dial).marked);
  const AxisCheck zoomed = AxisCheckOf(7, std::nullopt, dial);
  EXPECT_EQ(zoomed.word, "Zoom rule");
  EXPECT_TRUE(zoomed.hint.starts_with("Dial: moves while Y is in Zoom: ")) << zoomed.hint;
  const AxisCheck both = AxisCheckOf(7, NoiseMark{4}, dial);
  EXPECT_EQ(both.word, "noisy \u00B14 +1");
  EXPECT_TRUE(both.hint.starts_with("Dial: noisy: \u00B14 at rest; usually ")) << both.hint;
  EXPECT_NE(both.hint.find("; moves while Y is in Zoom"), std::string::npos) << both.hint;

  std::array<std::optional<NoiseMark>, kAxisCount> noise{};
  EXPECT_EQ(AxisMarksLine(noise, std::nullopt, 120), "");
  noise[0] = NoiseMark{2};
  noise[3] = NoiseMark{3};
  const std::string x = "X noisy: \u00B12 at rest; usually a worn potentiometer, or a long or unshielded wire";
  EXPECT_EQ(AxisMarksLine(noise, std::nullopt, 200),
            " " + x + "; RX noisy: \u00B13 at rest; usually a worn potentiometer, or a long or "
            "unshielded wire");
  // RX named, not "X" twice; Dial's two marks name it once.
  noise[6] = NoiseMark{1};
  EXPECT_EQ(AxisMarksLine(noise, dial, 120), " " + x + "; also marked: RX, Dial (see their checks)");
  noise[0].reset();
  noise[6].reset();
  EXPECT_EQ(AxisMarksLine(noise, dial, 10), " marked: RX, Dial (see their checks)");
}

}  // namespace
}  // namespace tq::monitor
