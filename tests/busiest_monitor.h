// The monitor at its busiest, for the text-fit checks of both views: every
// axis moved (Dial marked, since the factory board zooms Y and Z), encoder
// pairs' long pulses counted both ways, and the longest words a check
// shows: pulses while OFF (pair 1), a width the board no longer uses (pair
// 3), both ways in one turn (pair 5), chatter of the most closures the
// board's contact makes (pair 2, "OFF"), and Dial's two marks, noise at its
// widest beside the Zoom rule; more than nine buttons seen, one of them
// held for a minute and a half.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "emulator/emulated_board.h"
#include "emulator/simulated_hid.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"

namespace tq::testing {

inline emu::EmulatedBoard BusiestBoard() {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"TQ-00042");
  SetEncoders(board, {{3, 2}, {5, 2}, {16, 2}}, 200);
  return board;
}

// Everything moved; the window shows it all when pair 16 reads "0 / 6".
inline void MoveEverything(emu::EmulatedBoard& board) {
  for (int axis = 1; axis <= 8; ++axis) board.SetAxis(axis, 100u + static_cast<unsigned>(axis));
  board.TurnEncoder(1, 1);
  board.TurnEncoder(3, 2);
  board.TurnEncoder(5, 2);
  board.TurnEncoder(5, -1);
  board.TurnEncoder(16, -3);
  board.SetButtonBounce(3, 8);
  board.SetButton(3, true);
}

// Then the width changed behind the monitor's back, and pair 3 turned.
inline void ChangeTheWidthElsewhere(emu::EmulatedBoard& board) {
  SetEncoders(board, {{3, 2}, {5, 2}, {16, 2}}, 16);
  board.TurnEncoder(3, -1);
  board.SetButton(3, false);
}

inline bool ShowsEveryMark(monitor::frmMain& form) {
  return form.Pair(3).mark.Caption() == "setting changed?" && form.Pair(1).mark.Marked() &&
         form.Pair(5).mark.Marked() && form.Pair(2).mark.Caption() == "chatter \u00D78" &&
         !form.lblAxisMarks.Caption().empty();
}

// Opens `form` (loaded, over `board`) at its busiest: ticks its timer each
// time the reading threads have something new, `pump` (the view's events)
// after each tick, for 5 s at most per step.
inline ::testing::AssertionResult ShowBusiest(emu::SimulatedHid& hid, emu::SimulatedHid::BoardId board,
                                              monitor::frmMain& form, const std::function<void()>& pump) {
  const auto tickUntil = [&](const std::function<bool()>& shown) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      form.Timer.Tick();
      pump();
      if (shown()) return true;
      if (!form.Worker().WaitNewer(form.Shown().version, end)) return false;
    }
  };
  if (!tickUntil([&] { return form.lblStatus.Caption().find("input report") != std::string::npos; })) {
    return ::testing::AssertionFailure() << "no report: " << form.lblStatus.Caption();
  }
  hid.WithBoard(board, MoveEverything);
  if (!tickUntil([&] { return form.Pair(16).counts.Caption() == "0 / 6"; })) {
    return ::testing::AssertionFailure() << "pair 16: " << form.Pair(16).counts.Caption();
  }
  hid.WithBoard(board, ChangeTheWidthElsewhere);
  if (!tickUntil([&] { return ShowsEveryMark(form); })) {
    return ::testing::AssertionFailure() << "marks: " << form.lblMarks.Caption();
  }
  // One button more on each of three pairs set "OFF": more than nine seen.
  // Let go at once, lest their lengths be longer than a press.
  const int seen = form.Shown().presses[10];
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    for (const int button : {11, 13, 15}) b.SetButton(button, true);
  });
  if (!tickUntil([&] { return form.Shown().presses[10] > seen; })) {
    return ::testing::AssertionFailure() << "button 11 not pressed";
  }
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    for (const int button : {11, 13, 15}) b.SetButton(button, false);
  });
  // A plain button held a minute and a half, as a switch may be: its
  // lengths in seconds, no wider than a pulse's in milliseconds.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(19, true); });
  if (!tickUntil([&] { return form.Shown().buttons[18]; })) {
    return ::testing::AssertionFailure() << "button 19 not pressed";
  }
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.AdvanceTime(95'000);
    b.SetButton(19, false);
  });
  if (!tickUntil([&] { return !form.Pair(10).lengths.Caption().empty(); })) {
    return ::testing::AssertionFailure() << "pair 10: " << form.Pair(10).lengths.Caption();
  }
  // Dial jitters at rest: the noise moves with the board's clock alone,
  // run on a report at a time, each shown before the next.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxisNoise(7, 8); });
  // Its first turns earn the mark with a spread of one digit, as wide as
  // any the board makes (digits are as wide as each other).
  const auto both = [&] {
    const std::string& word = form.Axis(7).check.Caption();
    return word.starts_with("noisy \u00B1") && word.ends_with(" +1");
  };
  for (int step = 0; step < 300 && !both(); ++step) {
    const std::uint64_t before = form.Shown().reports;
    const bool changed = hid.WithBoard(board, [](emu::EmulatedBoard& b) {
      const auto last = b.InputReport();
      b.AdvanceTime(10);
      return b.InputReport() != last;
    });
    if (changed && !tickUntil([&] { return form.Shown().reports > before; })) {
      return ::testing::AssertionFailure() << "no report at step " << step;
    }
  }
  if (!both()) return ::testing::AssertionFailure() << "Dial: " << form.Axis(7).check.Caption();
  return ::testing::AssertionSuccess();
}

}  // namespace tq::testing
