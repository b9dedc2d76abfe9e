// The input session over the emulator: whether its first report may be the
// board's standing state, told by when it came after the opening.
#include <gtest/gtest.h>

#include "emulator/simulated_hid.h"
#include "monitor/input_session.h"

namespace tq::monitor {
namespace {

TEST(InputSession, OnlyAFirstReportThatComesAtOnceMayBeTheStandingState) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(emu::MakeTQ5271(u"S1"));
  std::int64_t now = 5000;
  InputSession session(hid, [&] { return now; });
  for (const std::int64_t late : {std::int64_t{0}, kReportIntervalMs, kReportIntervalMs + 1, std::int64_t{3000}}) {
    ASSERT_EQ(session.Open(hid.PathOf(board)), "");
    now += late;
    InputSample first;
    ASSERT_EQ(session.Next(50, first), InputSession::Outcome::Sample);
    EXPECT_EQ(first.mayBeStanding, late <= kReportIntervalMs) << late << " ms after the opening";
    // Later reports are changes, however soon they come.
    hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(7, true); });
    InputSample next;
    ASSERT_EQ(session.Next(50, next), InputSession::Outcome::Sample);
    EXPECT_TRUE(next.buttons.test(6));
    EXPECT_FALSE(next.mayBeStanding);
    hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(7, false); });
    session.Close();
  }
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace tq::monitor
