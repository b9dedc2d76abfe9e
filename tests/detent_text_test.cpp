// A pair's pulses read as detents at its type.
#include "board/detent_text.h"

#include <gtest/gtest.h>

namespace tq::monitor {
namespace {

TEST(DetentText, PulsesReadAsWholeAndPartDetentsAtEachType) {
  EXPECT_EQ(DetentText(10, 2), "10 pulses: 5 detents at 1:2");
  EXPECT_EQ(DetentText(4, 3), "4 pulses: 1 detent at 1:4");
  EXPECT_EQ(DetentText(1, 3), "1 pulse: 0.25 detents at 1:4");
  EXPECT_EQ(DetentText(0, 1), "0 pulses: 0 detents at 1:1");
  EXPECT_EQ(Detents(7, 1), "7");
  EXPECT_EQ(Detents(7, 2), "3.5");
  EXPECT_EQ(Detents(6, 3), "1.5");
  EXPECT_EQ(Detents(11, 3), "2.75");
  // No detents to read where the board sends no pulses of its own.
  EXPECT_EQ(Detents(4, 0), "");
  EXPECT_EQ(DetentText(4, 0), "");
  EXPECT_EQ(DetentText(4, 9), "");
}

}  // namespace
}  // namespace tq::monitor
