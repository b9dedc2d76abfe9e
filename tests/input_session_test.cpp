// The input session over the emulator: the board's standing state asked for
// at the opening, and, where the board does not answer, whether the first
// report may be that state, told by when it came after the opening.
#include <gtest/gtest.h>

#include "board/input_session.h"
#include "emulator/simulated_hid.h"

namespace tq::monitor {
namespace {

TEST(InputSession, TheStandingStateIsAskedForAtOnceAndLaterReportsAreChanges) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(emu::MakeTQ5271(u"S1"));
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 90);
    b.SetButton(3, true);
  });
  std::int64_t now = 5000;
  InputSession session(hid, [&] { return now; });
  ASSERT_EQ(session.Open(hid.PathOf(board)), "");
  now += 3000;
  // Long after the opening, with nothing sent, the state stands there.
  InputSample standing;
  ASSERT_EQ(session.Next(0, standing), InputSession::Outcome::Sample);
  EXPECT_TRUE(standing.mayBeStanding);
  EXPECT_EQ(standing.axes[1], 90);
  EXPECT_EQ(standing.axes[0], 127);  // input 1 is inverted on the factory board
  EXPECT_TRUE(standing.buttons.test(2));
  EXPECT_EQ(standing.ms, 5000);
  EXPECT_EQ(session.Reports(), 0u);

  // Whatever the board sends now is a change, however soon it comes.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(3, false); });
  InputSample next;
  ASSERT_EQ(session.Next(50, next), InputSession::Outcome::Sample);
  EXPECT_FALSE(next.mayBeStanding);
  EXPECT_FALSE(next.buttons.test(2));
  EXPECT_EQ(session.Reports(), 1u);
  session.Close();

  // Asked on a board that is gone by then: no standing state, and the read
  // tells the session the board is lost.
  ASSERT_EQ(session.Open(hid.PathOf(board)), "");
  hid.Detach(board);
  InputSample none;
  EXPECT_EQ(session.Next(0, none), InputSession::Outcome::Sample);  // asked before the unplug
  EXPECT_EQ(session.Next(0, none), InputSession::Outcome::Gone);
  session.Close();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

TEST(InputSession, WithoutAnAnswerOnlyAFirstReportThatComesAtOnceMayBeTheStandingState) {
  emu::SimulatedHid hid;
  hid.FailAlways("HidD_GetInputReport");
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
