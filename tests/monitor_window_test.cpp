// The input monitor against the emulator: the reading thread over
// SimulatedHid's input reports, the window's controls as its timer shows
// them, and a game's view beside them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"
#include "tests/scripted_game_view.h"

namespace tq::monitor {
namespace {

using Clock = std::chrono::steady_clock;

const HostHints kHints{IdsFromDevicePath, "install the udev rule"};

using testing::ScriptedGameView;

// Every look for boards ends with its interface set destroyed.
const std::string kScanEnd = "SetupDiDestroyDeviceInfoList";
const std::string kWidthChanged = "setting may have changed: pulses of 16 ms; press Reset";

// Counts the reading thread's wake-ups of the window, as a view takes them.
class WakeCounter final : public ui::ViewObserver {
 public:
  std::atomic<int> requests{0};
  void OnChanged(ui::Control&, ui::Change) override {}
  void OnTickRequested(ui::Timer&) override { ++requests; }
};

emu::EmulatedBoard BoardWithEncoderOn3(std::u16string serial = u"M1") {
  emu::EmulatedBoard board = emu::MakeTQ5271(std::move(serial));
  testing::SetEncoders(board, {{3, 2}}, 48);  // pair 3 at "1:2", "48 ms"
  board.AdvanceTime(1000);
  return board;
}

class MonitorWindow : public ::testing::Test {
 protected:
  void SetUp() override { board = hid.Attach(BoardWithEncoderOn3()); }
  void TearDown() override {
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
    EXPECT_EQ(hid.OpenPreparsedData(), 0);
  }

  // Ticks the window's timer until `shown` holds, each time the reading
  // threads have something new, for at most 5 s.
  bool TickUntil(const std::function<bool()>& shown) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    for (;;) {
      form.Timer.Tick();
      if (shown()) return true;
      if (!form.Worker().WaitNewer(form.Shown().version, end)) return false;
    }
  }
  // Waits until the reading thread has a state for which `ready` holds,
  // without showing it.
  bool WorkerHas(const std::function<bool(const MonitorState&)>& ready) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    std::uint64_t seen = form.Shown().version;
    for (;;) {
      if (auto state = form.Worker().TakeIfNewer(seen)) {
        if (ready(*state)) return true;
        seen = state->version;
      }
      if (!form.Worker().WaitNewer(seen, end)) return false;
    }
  }
  bool Reading() {
    return TickUntil([&] { return form.lblStatus.Caption().find("input report") != std::string::npos; });
  }
  // Sets pair 3 to 16 ms behind the monitor's back and turns it back two
  // detents: true once the marks line names the width.
  bool TurnPair3AtAWidthSetElsewhere() {
    hid.WithBoard(board, [](emu::EmulatedBoard& b) {
      testing::SetEncoders(b, {{3, 2}}, 16);
      b.TurnEncoder(3, -2);
    });
    return TickUntil([&] { return form.lblMarks.Caption() == " 5-6: " + kWidthChanged; });
  }
  // Ticks until nothing newer comes for 100 ms after a tick: all the
  // reading threads had is shown (the game thread's first read comes after
  // the board opened), and no news waits. The news of a state follows it
  // (it is told once the worker's lock is released), so a tick may take a
  // state before its news asks for one: that request is answered by one
  // more tick, which finds nothing newer.
  bool ShownAll() {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < end) {
      form.Timer.Tick();
      const auto calm = Clock::now() + std::chrono::milliseconds(100);
      if (!form.Worker().WaitNewer(form.Shown().version, calm) && !form.Timer.Requested()) {
        return true;
      }
    }
    return false;
  }
  // Waits until the board's own presses are played out and the reading
  // thread has counted at least `least` reports, and no more for 200 ms,
  // without taking its state. A report that changes nothing shown is not
  // published, so there is nothing to wait on but the count: it is read
  // every 5 ms until it has stood still for long enough.
  std::uint64_t ReportsSettled(std::uint64_t least) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    std::uint64_t count = form.Worker().Reports();
    auto since = Clock::now();
    while (Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const bool pending = hid.WithBoard(board, [](emu::EmulatedBoard& b) { return b.InputPending(); });
      const std::uint64_t now = form.Worker().Reports();
      if (now != count || pending || now < least) {
        count = now;
        since = Clock::now();
      } else if (Clock::now() - since > std::chrono::milliseconds(200)) {
        break;
      }
    }
    return count;
  }
  std::int64_t BoardClock() {
    return hid.WithBoard(board, [](emu::EmulatedBoard& b) {
      return static_cast<std::int64_t>(b.clockMs);
    });
  }

  emu::SimulatedHid hid;
  emu::SimulatedHid::BoardId board = 0;
  ScriptedGameView game;
  WakeCounter wakes;  // attached by the tests that count them
  frmMain form{hid, &game, kHints, [this] { return BoardClock(); }};
};

TEST_F(MonitorWindow, PairRowShowsTheSettingsReadAtOpeningAndADashUntilAPulse) {
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"M1"});
  EXPECT_EQ(form.SerNo.ListIndex(), 0);
  EXPECT_EQ(form.Pair(3).type.Caption(), "1:2");
  EXPECT_EQ(form.Pair(3).width.Caption(), "48 ms");
  EXPECT_EQ(form.Pair(1).type.Caption(), "OFF");
  EXPECT_EQ(form.Pair(1).width.Caption(), "");
  // Before any pulse: a dash on an encoder's check, nothing on an OFF pair's.
  EXPECT_EQ(form.Pair(3).mark.Caption(), "-");
  EXPECT_FALSE(form.Pair(3).mark.Lit());
  EXPECT_EQ(form.Pair(3).mark.Hint(),
            "5-6: no pulses yet; turn the encoder to check them against 1:2, 48 ms");
  EXPECT_EQ(form.Pair(1).mark.Caption(), "");
  EXPECT_EQ(form.Pair(1).mark.Hint(), "1-2: set OFF, two plain buttons; nothing to check");
  EXPECT_EQ(form.lblStatus.Hint(), hid.PathOf(board));
}

TEST_F(MonitorWindow, EncoderTurnIsCountedAndMeasuredAgainstItsSetting) {
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 5); });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "10 / 0"; }))
      << form.Pair(3).counts.Caption();
  // Each pulse is held 48 ms; the reports come on the board's 10 ms grid,
  // so a length is seen as the grid points that bracket it.
  const PairFigures& figures = form.Shown().pairs[2];
  ASSERT_TRUE(figures.median && figures.shortest && figures.longest);
  EXPECT_LE(std::abs(*figures.median - 48), kReportIntervalMs);
  EXPECT_GE(*figures.shortest, 48 - kReportIntervalMs);
  EXPECT_LE(*figures.longest, 48 + kReportIntervalMs);
  EXPECT_TRUE(figures.marks.empty());
  EXPECT_FALSE(form.Pair(3).mark.Marked());
  EXPECT_TRUE(form.Pair(3).mark.Lit());
  EXPECT_EQ(form.Pair(3).mark.Caption(), "OK");
  EXPECT_EQ(form.Pair(3).mark.Hint(), "5-6: pulses as set (1:2, 48 ms)");
  EXPECT_EQ(form.Pair(3).detents.Caption(), "5 / 0");
  EXPECT_EQ(form.Pair(3).detents.Hint(),
            "button 5: 10 pulses: 5 detents at 1:2; button 6: 0 pulses: 0 detents at 1:2");
  EXPECT_EQ(form.Pair(1).detents.Caption(), "") << "an OFF pair has no detents";
  EXPECT_EQ(form.lblMarks.Caption(), "");
  EXPECT_EQ(form.Button(5).Hint(), "Button 5 (pair 5-6): pressed 10 times since Reset");
}

// A host that looks every millisecond sees each pulse as long as the board
// holds it.
TEST_F(MonitorWindow, ReadEveryMillisecondEachPulseMeasuresAsLongAsTheBoardHeldIt) {
  hid.SetReportInterval(1);
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 5); });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "10 / 0"; }));
  EXPECT_EQ(form.Pair(3).lengths.Caption(), "48 / 48 / 48 ms");
}

// The board's width changed behind the monitor's back (the encoder
// utility): the pulses match 16 ms, not the 48 read at opening, and the
// mark says the setting may have changed.
TEST_F(MonitorWindow, PulsesOfAWidthSetElsewhereMarkThePairAndOutlineItsButtons) {
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  ASSERT_TRUE(TurnPair3AtAWidthSetElsewhere()) << form.lblMarks.Caption();
  EXPECT_TRUE(form.Pair(3).mark.Marked());
  EXPECT_FALSE(form.Pair(3).mark.Lit());
  EXPECT_EQ(form.Pair(3).mark.Caption(), "setting changed?");
  EXPECT_EQ(form.Pair(3).mark.Hint(), "5-6: " + kWidthChanged);
  EXPECT_TRUE(form.Button(5).Marked());
  EXPECT_FALSE(form.Button(1).Marked());
  // The turn's four pulses on button 6 all seen: the board is at rest.
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "0 / 4"; }))
      << form.Pair(3).counts.Caption();
  EXPECT_EQ(form.Button(6).Hint(),
            "Button 6 (pair 5-6): pressed 4 times since Reset, outlined: its pair is marked: " +
                kWidthChanged);
}

// Another pair moves: the line keeps pair 3's mark beside the new one.
TEST_F(MonitorWindow, AnOffPairThatPulsesIsMarkedBesideTheMarksAlreadyShown) {
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  ASSERT_TRUE(TurnPair3AtAWidthSetElsewhere()) << form.lblMarks.Caption();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetButton(1, true);
    b.SetButton(2, true);
  });
  ASSERT_TRUE(TickUntil([&] { return form.Button(2).Lit(); }));
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetButton(1, false);
    b.SetButton(2, false);
    b.TurnEncoder(1, 1);  // an encoder on pair 1, set OFF: its contacts
  });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(1).mark.Marked(); }));
  EXPECT_EQ(form.lblMarks.Caption(),
            " 1-2: pulses while OFF, as an encoder's contacts; 5-6: " + kWidthChanged);
  EXPECT_EQ(form.Pair(1).mark.Caption(), "pulses while OFF");
}

TEST_F(MonitorWindow, PickingTheBoardAgainStartsItsCountsAndMarksAfresh) {
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  ASSERT_TRUE(TurnPair3AtAWidthSetElsewhere()) << form.lblMarks.Caption();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "0 / 4"; }));
  form.SerNo.UserPick(0);
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "0 / 0"; }))
      << form.Pair(3).counts.Caption();
  EXPECT_FALSE(form.Pair(3).mark.Marked());
}

// A game interface that takes its time to answer (Wine's joystick API under
// load) holds neither the board's reports nor their time stamps.
TEST_F(MonitorWindow, ASlowGameInterfaceDoesNotHoldTheReports) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  game.Hold(true);
  ASSERT_TRUE(game.WaitForHeldRead(std::chrono::seconds(5)));
  ASSERT_EQ(game.ReadsHeld(), 1) << "the game interface is read while a board is open";

  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 33); });
  const bool shown = WorkerHas([](const MonitorState& state) { return state.axes[1] && state.axes[1]->value == 33; });
  game.Hold(false);
  EXPECT_TRUE(shown) << "the axis moved while a game read was held";
}

TEST_F(MonitorWindow, AxisMoveAndButtonPressShowAtTheNextRepaint) {
  game.snapshot.axes = {{"ABS_Y", 1, 77, 0, 127}, {"R", -1, 300, 0, 65535}};
  game.snapshot.buttons.set(31);
  form.Form_Load();
  ASSERT_TRUE(Reading());

  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 77);
    b.SetButton(32, true);
  });
  ASSERT_TRUE(WorkerHas([](const MonitorState& state) {
    return state.axes[1] && state.axes[1]->value == 77 && state.buttons[31];
  }));
  form.Timer.Tick();
  EXPECT_EQ(form.Axis(2).value.Caption(), "77");
  EXPECT_EQ(form.Axis(2).bar.Value(), 77);
  EXPECT_EQ(form.Axis(2).bar.Maximum(), 127);
  EXPECT_TRUE(form.Button(32).Lit());
  EXPECT_FALSE(form.Button(31).Lit());
  EXPECT_EQ(form.Axis(2).highest.Caption(), "77");
  // The factory board's Y: not inverted, in Zoom mode; Dial's mode is
  // none of the user's.
  EXPECT_EQ(form.Axis(2).setting.Caption(), " normal, Zoom");
  EXPECT_EQ(form.Axis(7).setting.Caption(), " normal, mode fixed");
  EXPECT_EQ(form.lblAxisMarks.Caption(), "");

  // What a game reads, beside the raw values.
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).game.Caption() == "ABS_Y 77"; }));
  EXPECT_EQ(form.Axis(1).game.Caption(), "");
  EXPECT_EQ(form.lblGameOther.Caption(), " A game also sees R 300");
  EXPECT_TRUE(form.GameButton(32).Lit());
  EXPECT_EQ(game.attachedTo, hid.PathOf(board));
  // A game that lets go of a button the board still holds: only the game's
  // lamp changes.
  game.Hold(true);
  ASSERT_TRUE(game.WaitForHeldRead(std::chrono::seconds(5)));
  game.snapshot.buttons.reset(31);
  game.Hold(false);
  ASSERT_TRUE(TickUntil([&] { return !form.GameButton(32).Lit(); }));
  EXPECT_TRUE(form.Button(32).Lit());

  // Lowest and highest follow the values seen since the board opened at 0.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 12); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).value.Caption() == "12"; }));
  EXPECT_EQ(form.Axis(2).lowest.Caption(), "0");
  EXPECT_EQ(form.Axis(2).highest.Caption(), "77");
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 127); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).highest.Caption() == "127"; }));
  EXPECT_EQ(form.Axis(2).bar.Value(), 127);
}

// The owner's loop on one board: pair 3 turned as read, "1:2"; then the
// encoder window sets it to "1:4" while the monitor watches. The first turn
// since's four pulses may be two fast detents; the second names the type,
// however many turns came before the change, and Reset makes it as set.
TEST_F(MonitorWindow, ATypeSetInTheEncoderWindowMeanwhileIsNamedAsAChangedSetting) {
  encoders::frmMain encoderWindow(hid);
  encoderWindow.Form_Load();
  ASSERT_TRUE(encoderWindow.DeviceDetected);
  form.Form_Load();
  ASSERT_TRUE(Reading());
  ASSERT_EQ(form.Pair(3).type.Caption(), "1:2");
  const auto turnASecondLater = [this] {
    hid.WithBoard(board, [](emu::EmulatedBoard& b) {
      b.AdvanceTime(1000);
      b.TurnEncoder(3, 1);
    });
  };
  // Turned twice as read: as set.
  for (const std::string counts : {"2 / 0", "4 / 0"}) {
    turnASecondLater();
    ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == counts; }));
  }
  EXPECT_EQ(form.Pair(3).mark.Caption(), "OK");
  encoderWindow.Enc(3).UserPick(3);  // "1:4", sent to the board at once
  ASSERT_EQ(encoderWindow.Enc(3).Text(), "1:4");

  turnASecondLater();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "8 / 0"; }));
  EXPECT_EQ(form.Pair(3).mark.Caption(), "OK");
  EXPECT_EQ(form.Pair(3).detents.Caption(), "4 / 0");
  turnASecondLater();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).mark.Marked(); })) << form.Pair(3).counts.Caption();
  EXPECT_EQ(form.Pair(3).mark.Hint(), "5-6: setting may have changed: pulses as at 1:4; press Reset");
  EXPECT_EQ(form.Pair(3).mark.Caption(), "setting changed?");
  // Reset reads the setting again: the next turn is as set.
  form.cmdReset.UserPress();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).type.Caption() == "1:4"; }));
  EXPECT_FALSE(form.Pair(3).mark.Marked());
  turnASecondLater();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "4 / 0"; }));
  EXPECT_EQ(form.Pair(3).mark.Caption(), "OK");
  EXPECT_EQ(form.Pair(3).detents.Caption(), "1 / 0");
  encoderWindow.Form().Close();
}

// The factory board zooms Y and Z: a Dial that moves is connected, and the
// window says what the board wants, in the configuration utility's words.
TEST_F(MonitorWindow, DialMovingWhileOtherInputsZoomIsMarkedWithTheBoardsRule) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(7, 60); });
  ASSERT_TRUE(TickUntil([&] { return !form.lblAxisMarks.Caption().empty(); }));
  EXPECT_EQ(form.lblAxisMarks.Caption(),
            " Dial moves while Y, Z are in Zoom: This input MUST not be connected if any other "
            "input uses ZOOM mode");
  EXPECT_EQ(form.Axis(7).value.Caption(), "60");
  // Picking the board again starts afresh: where Dial stands is no move.
  form.SerNo.UserPick(0);
  ASSERT_TRUE(TickUntil([&] { return form.lblAxisMarks.Caption().empty(); }));
}

TEST_F(MonitorWindow, BoardLostStaysShownGreyedAndIsFoundAgainWhenPluggedBack) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(10, true); });
  ASSERT_TRUE(TickUntil([&] { return form.Button(10).Lit(); }));
  hid.Detach(board);
  ASSERT_TRUE(TickUntil([&] {
    return form.lblStatus.Caption() == "Board M1 is unplugged; plug it in again" &&
           form.SerNo.Items().empty();
  })) << form.lblStatus.Caption();
  EXPECT_FALSE(form.SerNo.Enabled());
  // The last state stays, greyed: button 10 no longer reads as held.
  EXPECT_TRUE(form.Button(10).Lit());
  EXPECT_FALSE(form.Button(10).Enabled());
  EXPECT_FALSE(form.Axis(1).bar.Enabled());
  EXPECT_FALSE(form.Pair(3).counts.Enabled());
  EXPECT_FALSE(form.Pair(3).detents.Enabled());
  EXPECT_FALSE(form.lblMarks.Enabled());
  EXPECT_FALSE(form.lblManuf.Enabled());
  EXPECT_NE(form.lblManuf.Caption(), "");

  // Set up elsewhere while unplugged: the rows whose figures are the same
  // as before still show the settings read on the way back.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    testing::SetEncoders(b, {{3, 1}, {5, 3}}, 16);  // "1:1" and "1:4", "16 ms"
    b.SetButton(10, false);
  });
  hid.Reattach(board);
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"M1"});
  EXPECT_EQ(form.Pair(3).type.Caption(), "1:1");
  EXPECT_EQ(form.Pair(3).width.Caption(), "16 ms");
  EXPECT_EQ(form.Pair(3).counts.Caption(), "0 / 0");
  EXPECT_EQ(form.Pair(5).type.Caption(), "1:4");
  EXPECT_EQ(form.Pair(5).counts.Caption(), "0 / 0");
  EXPECT_TRUE(form.Pair(3).counts.Enabled());
  EXPECT_TRUE(form.lblManuf.Enabled());
  ASSERT_TRUE(TickUntil([&] { return !form.Button(10).Lit(); }));
  EXPECT_TRUE(form.Button(10).Enabled());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 1); });
  EXPECT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "1 / 0"; }));
}

// With two boards, the list follows what is plugged in, and the watched
// board is never swapped for the other behind the owner's back.
TEST_F(MonitorWindow, BoardsPluggedInJoinTheListAndTheWatchedOneIsKeptWhileUnplugged) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  ASSERT_EQ(form.SerNo.Items(), std::vector<std::string>{"M1"});
  const auto second = hid.Attach(BoardWithEncoderOn3(u"M2"));
  ASSERT_TRUE(TickUntil([&] {
    return form.SerNo.Items() == std::vector<std::string>{"M1", "M2"};
  }));
  EXPECT_EQ(form.SerNo.Text(), "M1");

  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.TurnEncoder(3, 5);
    b.SetAxis(2, 90);
  });
  ASSERT_TRUE(TickUntil([&] {
    return form.Pair(3).counts.Caption() == "10 / 0" && form.Axis(2).value.Caption() == "90";
  }));
  hid.Detach(board);
  const std::string gone = "Board M1 is unplugged; plug it in again or pick another board";
  ASSERT_TRUE(TickUntil([&] {
    return form.lblStatus.Caption() == gone &&
           form.SerNo.Items() == std::vector<std::string>{"M2"};
  })) << form.lblStatus.Caption();
  // Looks later, the other board moving: still M1's last figures, greyed,
  // after two more looks for boards, each one the reading thread could
  // have taken to swap.
  hid.WithBoard(second, [](emu::EmulatedBoard& b) {
    b.TurnEncoder(3, 2);
    b.SetAxis(2, 30);
  });
  ASSERT_TRUE(hid.WaitForCalls(kScanEnd, hid.CallCount(kScanEnd) + 2, std::chrono::seconds(5)));
  form.Timer.Tick();
  EXPECT_EQ(form.Shown().openSerial, "M1");
  EXPECT_FALSE(form.Shown().live);
  EXPECT_EQ(form.lblStatus.Caption(), gone);
  EXPECT_EQ(form.SerNo.ListIndex(), -1);
  EXPECT_TRUE(form.SerNo.Enabled());
  EXPECT_EQ(form.Pair(3).counts.Caption(), "10 / 0");
  EXPECT_EQ(form.Axis(2).value.Caption(), "90");
  for (const ui::Control* figure : std::initializer_list<const ui::Control*>{
           &form.Pair(3).counts, &form.Pair(3).mark, &form.Axis(2).value, &form.Axis(2).bar,
           &form.Button(5), &form.lblProduct, &form.cmdReset}) {
    EXPECT_FALSE(figure->Enabled()) << figure->Name();
  }

  // Back: M1 is watched again, live.
  hid.Reattach(board);
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  EXPECT_EQ(form.Shown().openSerial, "M1");
  EXPECT_EQ(form.SerNo.Items(), (std::vector<std::string>{"M2", "M1"}));
  EXPECT_EQ(form.SerNo.Text(), "M1");
  EXPECT_TRUE(form.Pair(3).counts.Enabled());
  EXPECT_TRUE(form.Axis(2).bar.Enabled());
  EXPECT_TRUE(form.Button(5).Enabled());
  EXPECT_TRUE(form.cmdReset.Enabled());

  // The other board is one pick away: its own figures (its turn plays
  // out on its clock once it is read), none of M1's.
  form.SerNo.UserPick(0);
  ASSERT_TRUE(TickUntil([&] {
    return form.Shown().openSerial == "M2" && form.Axis(2).value.Caption() == "30" &&
           form.Pair(3).counts.Caption() == "4 / 0";
  })) << form.lblStatus.Caption() << " " << form.Pair(3).counts.Caption();
  EXPECT_EQ(form.SerNo.Text(), "M2");
}

// The settings are read at opening and on Reset only: another program may
// be reading the board's pages at the same time.
TEST_F(MonitorWindow, ResetStartsEverythingAfreshAndReadsTheSettingsAgain) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 90); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).value.Caption() == "90"; }));
  hid.ClearCalls();
  // Set to "1:4", "16 ms" elsewhere; the turn is judged against "1:2",
  // "48 ms", as read at opening, and marked.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    testing::SetEncoders(b, {{3, 3}}, 16);
    b.SetAxis(2, 20);
    b.TurnEncoder(3, 2);
  });
  ASSERT_TRUE(TickUntil([&] {
    return form.Pair(3).counts.Caption() == "8 / 0" && form.Pair(3).mark.Marked();
  })) << form.Pair(3).counts.Caption();
  // A look for boards begun since, and ended.
  ASSERT_TRUE(hid.WaitForCalls("SetupDiGetClassDevsA", 1, std::chrono::seconds(5)));
  EXPECT_TRUE(hid.WaitForCalls(kScanEnd, hid.CallCount(kScanEnd) + 1, std::chrono::seconds(5)));
  form.Timer.Tick();
  EXPECT_GT(hid.CallCount("SetupDiGetClassDevsA"), 0) << "the boards were looked for";
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 0) << "no settings page read without Reset";
  EXPECT_EQ(form.Pair(3).type.Caption(), "1:2");
  EXPECT_EQ(form.Axis(2).lowest.Caption(), "0");
  EXPECT_EQ(form.Axis(2).highest.Caption(), "90");
  EXPECT_GT(form.Shown().reports, 0u);

  form.cmdReset.UserPress();
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).type.Caption() == "1:4"; }));
  EXPECT_EQ(form.Pair(3).width.Caption(), "16 ms");
  EXPECT_GT(hid.CallCount("HidD_GetFeature"), 0);
  EXPECT_EQ(form.Pair(3).counts.Caption(), "0 / 0");
  EXPECT_EQ(form.Pair(3).lengths.Caption(), "");
  EXPECT_FALSE(form.Pair(3).mark.Marked());
  EXPECT_FALSE(form.Button(5).Marked());
  EXPECT_TRUE(form.Shown().pairs[2].marks.empty());
  EXPECT_EQ(form.Axis(2).value.Caption(), "20");
  EXPECT_EQ(form.Axis(2).lowest.Caption(), "20");
  EXPECT_EQ(form.Axis(2).highest.Caption(), "20");
  EXPECT_EQ(form.Shown().reports, 0u);
  EXPECT_NE(form.lblStatus.Caption().find("0 input reports; move an input"), std::string::npos)
      << form.lblStatus.Caption();

  // Judged against the settings read again: the same turn is as set.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 1); });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "4 / 0"; }))
      << form.Pair(3).counts.Caption();
  EXPECT_FALSE(form.Pair(3).mark.Marked());
  EXPECT_TRUE(form.Pair(3).mark.Lit());
  EXPECT_NE(form.lblStatus.Caption().find(" input report"), std::string::npos);
}

TEST_F(MonitorWindow, BoardThatMayNotBeOpenedIsExplainedWithTheFix) {
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.openError = kErrorAccessDenied; });
  form.Form_Load();
  ASSERT_TRUE(TickUntil([&] {
    return form.lblStatus.Caption().find("permission denied") != std::string::npos;
  })) << form.lblStatus.Caption();
  EXPECT_NE(form.lblStatus.Caption().find("install the udev rule"), std::string::npos);
  EXPECT_NE(form.lblStatus.Caption().find(hid.PathOf(board)), std::string::npos);
  EXPECT_FALSE(form.SerNo.Enabled());

  // The owner fixes the access: the board is opened at the next look.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.openError = 0; });
  EXPECT_TRUE(Reading()) << form.lblStatus.Caption();
}

TEST_F(MonitorWindow, BoardWhoseReportsStopKeepsItsLastStateAndSaysSince) {
  game.attachFailure = "cannot read /dev/input/event9: permission denied";
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 100); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).value.Caption() == "100"; }));
  // Nothing more comes: the board's clock moves on, the window keeps the
  // last values and tells how long ago the last report came.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.AdvanceTime(3000); });
  ASSERT_TRUE(TickUntil([&] {
    return form.lblStatus.Caption().find("the last 3 s ago") != std::string::npos;
  })) << form.lblStatus.Caption();
  EXPECT_EQ(form.Axis(2).value.Caption(), "100");
  EXPECT_EQ(form.lblGameOther.Caption(),
            " A game: cannot read /dev/input/event9: permission denied");
}

// A still board wakes the window for nothing but the status line's age,
// once a second; what moves wakes it once, however much comes before the
// frame.
TEST_F(MonitorWindow, TheWindowSleepsWhileNothingMovesAndWakesOnceForManyReports) {
  form.Form().AttachView(&wakes);
  form.Form_Load();
  ASSERT_TRUE(Reading());
  EXPECT_EQ(form.StatusTimer.Interval(), 1000);
  EXPECT_TRUE(form.StatusTimer.Enabled());
  ASSERT_TRUE(ShownAll());
  // What a game sees is followed for a while after the last report.
  std::this_thread::sleep_for(std::chrono::milliseconds(BoardWorker::kGameFollowMs + 100));
  wakes.requests = 0;
  const auto reads = hid.CallCount("ReadFile");
  const int gameReads = game.reads;
  // That nothing wakes the window can only be shown by real time passing:
  // longer than the look thread's rescan while a board is read.
  constexpr int kStillMs = BoardWorker::kListIntervalMs + 300;
  std::this_thread::sleep_for(std::chrono::milliseconds(kStillMs));
  EXPECT_EQ(wakes.requests, 0) << "nothing moved";
  // Nor the reading threads more than they must: a read ends only to look
  // for the user's pick, and the game interface is read seldom.
  EXPECT_LE(hid.CallCount("ReadFile") - reads,
            kStillMs / static_cast<int>(BoardWorker::kReadTimeoutMs) + 1);
  const int stillGameReads = game.reads - gameReads;
  EXPECT_LE(stillGameReads, kStillMs / BoardWorker::kGameStillReadMs + 1);

  const std::uint64_t before = form.Worker().Reports();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 40);
    b.TurnEncoder(3, 5);  // ten pulses at 1:2
  });
  EXPECT_GE(ReportsSettled(before + 20), before + 20);
  EXPECT_EQ(wakes.requests, 1) << "every report after the first waits for the same frame";
  EXPECT_GT(game.reads - gameReads, stillGameReads + 1) << "a game is read after the reports";
  form.Timer.Tick();
  EXPECT_EQ(form.Pair(3).counts.Caption(), "10 / 0");
  EXPECT_EQ(form.Axis(2).value.Caption(), "40");
  ASSERT_TRUE(ShownAll());
  const int shown = wakes.requests;
  // Again an absence, which only real time passing can show.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(wakes.requests, shown) << "still again";
  form.Form().AttachView(nullptr);
}

// The window's wake-up (a posted message, slow under Wine) is asked for
// with the worker's lock released: another thread taking the state
// meanwhile is never held up by it.
TEST_F(MonitorWindow, TheNewsIsToldWithTheWorkersLockReleased) {
  class LockProbe final : public ui::ViewObserver {
   public:
    explicit LockProbe(BoardWorker& worker) : worker_(worker) {}
    std::atomic<int> told{0};
    std::atomic<int> heldUp{0};
    void OnChanged(ui::Control&, ui::Change) override {}
    void OnTickRequested(ui::Timer&) override {
      ++told;
      auto taken = std::make_shared<std::promise<void>>();
      std::future<void> done = taken->get_future();
      {
        // A thread that may wait for the lock until this call returns.
        const std::lock_guard lock(mutex_);
        takers_.emplace_back([this, taken] {
          worker_.Reports();
          taken->set_value();
        });
      }
      if (done.wait_for(std::chrono::seconds(1)) != std::future_status::ready) ++heldUp;
    }
    void Join() {
      const std::lock_guard lock(mutex_);
      takers_.clear();
    }

   private:
    BoardWorker& worker_;
    std::mutex mutex_;
    std::vector<std::jthread> takers_;
  } probe(form.Worker());
  form.Form().AttachView(&probe);
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(2, 40); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).value.Caption() == "40"; }));
  ASSERT_TRUE(ShownAll());
  form.Form().AttachView(nullptr);
  probe.Join();
  EXPECT_GE(probe.told, 2) << "the board opened, then the axis moved";
  EXPECT_EQ(probe.heldUp, 0);
}

// The board's shortest pulse (8 ms) comes and goes between two frames
// (66 ms): its lamp is lit in the frame after it and out in the next, as is
// a plain button's press as short.
TEST_F(MonitorWindow, APressShorterThanAFrameLightsItsLampForOneFrame) {
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { testing::SetEncoders(b, {{3, 1}}, 8); });
  form.Form_Load();
  ASSERT_TRUE(Reading());
  ASSERT_EQ(form.Pair(3).width.Caption(), "8 ms");
  ASSERT_TRUE(ShownAll());

  std::uint64_t before = form.Worker().Reports();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 1); });  // one pulse
  ASSERT_EQ(ReportsSettled(before + 2), before + 2) << "pressed, then released";
  form.Timer.Tick();
  EXPECT_TRUE(form.Button(5).Lit()) << "released before the frame, lit in it";
  EXPECT_FALSE(form.Button(6).Lit());
  EXPECT_EQ(form.Pair(3).counts.Caption(), "1 / 0");
  EXPECT_TRUE(form.Timer.Requested()) << "the release is news for the next frame";
  form.Timer.Tick();
  EXPECT_FALSE(form.Button(5).Lit());
  EXPECT_FALSE(form.Timer.Requested());

  before = form.Worker().Reports();
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(9, true); });
  ASSERT_EQ(ReportsSettled(before + 1), before + 1);
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(9, false); });
  ASSERT_EQ(ReportsSettled(before + 2), before + 2);
  form.Timer.Tick();
  EXPECT_TRUE(form.Button(9).Lit());
  form.Timer.Tick();
  EXPECT_FALSE(form.Button(9).Lit());
}

// An owner's faults on one board: a potentiometer jittering at rest beside
// one held still and one turned slowly, a bouncing contact on a pair set
// "OFF" and another on an encoder pair; every button pressed and every axis
// swept is counted, and Reset clears all of it.
TEST_F(MonitorWindow, NoiseChatterAndWhatArrivedAreShownAndClearedByReset) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  EXPECT_EQ(form.lblSeen.Caption(),
            " Seen: 0 of 32 buttons; 0 of 8 axes over their whole range (since Reset; a button "
            "pressed shows a ring)");
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 64);
    b.SetAxis(3, 90);  // Z held still
    b.SetAxisNoise(2, 3);
  });
  // The noise moves only with the board's clock: each report read before
  // the clock moves on, RY drifting up a count every 50 ms meanwhile.
  for (unsigned step = 0; step < 150; ++step) {
    const std::uint64_t before = form.Shown().reports;
    const bool changed = hid.WithBoard(board, [step](emu::EmulatedBoard& b) {
      const auto last = b.InputReport();
      if (step % 5 == 0) b.SetAxis(5, 30 + step / 5);
      b.AdvanceTime(10);
      return b.InputReport() != last;
    });
    if (changed) {
      ASSERT_TRUE(TickUntil([&] { return form.Shown().reports > before; })) << step;
    }
  }
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).check.Marked(); }));
  EXPECT_EQ(form.Axis(2).check.Caption(), "noisy \u00B13");
  EXPECT_EQ(form.Axis(2).check.Hint(),
            "Y: noisy: \u00B13 at rest; usually a worn potentiometer, or a long or unshielded wire");
  EXPECT_EQ(form.lblAxisMarks.Caption(),
            " Y noisy: \u00B13 at rest; usually a worn potentiometer, or a long or unshielded wire");
  for (const int quiet : {3, 5}) {
    EXPECT_FALSE(form.Axis(quiet).check.Marked()) << quiet;
    EXPECT_EQ(form.Axis(quiet).check.Caption(), "") << quiet;
  }
  EXPECT_EQ(form.Axis(5).highest.Caption(), "59") << "RY drifted all along";
  EXPECT_EQ(ui::SpokenName(form.Axis(2).check), "Check Y");
  EXPECT_EQ(ui::SpokenState(form.Axis(2).check), "noisy \u00B13");
  EXPECT_EQ(ui::SpokenState(form.Axis(3).check), "off");

  // Button 1's contact closes three times a press on its pair set "OFF",
  // button 5's on the encoder pair 3.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxisNoise(2, 0);
    b.SetButtonBounce(1, 3);
    b.SetButtonBounce(5, 3);
    b.SetButton(1, true);
    b.SetButton(5, true);
  });
  ASSERT_TRUE(TickUntil([&] { return form.Shown().presses[0] == 3 && form.Shown().presses[4] == 3; }));
  // Held as a finger would, then let go.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.AdvanceTime(200);
    b.SetButton(1, false);
    b.SetButton(5, false);
  });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(1).mark.Marked(); }));
  EXPECT_EQ(form.Pair(1).mark.Caption(), "chatter \u00D73");
  EXPECT_EQ(form.Pair(1).mark.Hint(),
            "1-2: button 1 chatter: 3 presses in 40 ms; usually contact bounce, or a loose joint");
  EXPECT_NE(form.lblMarks.Caption().find(" 1-2: button 1 chatter: 3 presses in 40 ms; usually"),
            std::string::npos)
      << form.lblMarks.Caption();
  EXPECT_EQ(form.Pair(3).mark.Hint().find("chatter"), std::string::npos) << "an encoder pair";
  EXPECT_EQ(form.lblMarks.Caption().find("button 5"), std::string::npos);

  // What arrived: a ring on each button pressed, its presses in its hint.
  EXPECT_EQ(form.Button(1).Caption(), "o");
  EXPECT_EQ(form.Button(5).Caption(), "o");
  EXPECT_EQ(form.Button(2).Caption(), "");
  EXPECT_TRUE(form.Button(1).Hint().starts_with("Button 1 (pair 1-2): pressed 3 times since Reset, "))
      << form.Button(1).Hint();
  EXPECT_EQ(form.Button(2).Hint(), "Button 2 (pair 1-2): not pressed since Reset, outlined: its pair "
                                   "is marked: button 1 chatter: 3 presses in 40 ms; usually "
                                   "contact bounce, or a loose joint");
  EXPECT_EQ(ui::SpokenState(form.Button(1)), "released, seen");
  EXPECT_EQ(ui::SpokenState(form.Button(2)), "released");
  // Slider swept end to end; Y over its noise, RY over its drift.
  hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetAxis(8, emu::AxisMaximum(b)); });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(8).swept.Caption() == "whole"; }));
  EXPECT_EQ(form.Axis(3).swept.Caption(), "70 %") << "from 0 at opening to 90 of 127";
  EXPECT_EQ(form.lblSweptHeading.Caption(), "Swept");
  EXPECT_EQ(form.lblSeen.Caption(),
            " Seen: 2 of 32 buttons; 1 of 8 axes over their whole range (since Reset; a button "
            "pressed shows a ring)");
  EXPECT_TRUE(form.lblSeen.Hint().starts_with("Since Reset: not pressed: buttons 2, 3, 4, 6, 7, "))
      << form.lblSeen.Hint();

  form.cmdReset.UserPress();
  ASSERT_TRUE(TickUntil([&] { return form.Shown().presses[0] == 0 && !form.Pair(1).mark.Marked(); }));
  EXPECT_FALSE(form.Axis(2).check.Marked());
  EXPECT_EQ(form.Axis(2).check.Caption(), "");
  EXPECT_EQ(form.lblAxisMarks.Caption(), "");
  EXPECT_EQ(form.lblMarks.Caption(), "");
  EXPECT_EQ(form.Button(1).Caption(), "");
  EXPECT_EQ(form.Button(1).Hint(), "Button 1 (pair 1-2): not pressed since Reset");
  EXPECT_EQ(form.Axis(8).swept.Caption(), "0 %") << "where it stands is no sweep";
  EXPECT_TRUE(form.lblSeen.Caption().starts_with(" Seen: 0 of 32 buttons; 0 of 8 axes over"))
      << form.lblSeen.Caption();
}

TEST(MonitorWindowAlone, NeverSendsASetReport) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(BoardWithEncoderOn3());
  {
    frmMain form(hid, nullptr, kHints);
    form.Form_Load();
    hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.TurnEncoder(3, 2); });
    const auto end = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < end) form.Timer.Tick();
    form.Form().Close();
  }
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
  EXPECT_GT(hid.CallCount("ReadFile"), 0);
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace tq::monitor

namespace tq::monitor {
namespace {

// What a screen reader hears of the figures: each bar by its axis with its
// value, each lamp by its button with its state, each check by its pair
// with its words, the board's texts by their captions.
TEST_F(MonitorWindow, EachIndicatorIsSpokenByNameWithItsState) {
  form.Form_Load();
  ASSERT_TRUE(Reading());
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 77);
    b.SetButton(7, true);
  });
  ASSERT_TRUE(TickUntil([&] { return form.Button(7).Lit() && form.Axis(2).bar.Value() == 77; }));

  EXPECT_EQ(ui::SpokenName(form.Axis(2).bar), "Y");
  EXPECT_EQ(ui::SpokenState(form.Axis(2).bar), "77 of 127");
  EXPECT_EQ(ui::SpokenName(form.Axis(8).bar), "Slider");
  EXPECT_EQ(ui::SpokenName(form.Button(7)), "Button 7");
  EXPECT_EQ(ui::SpokenState(form.Button(7)), "pressed");
  EXPECT_EQ(ui::SpokenState(form.Button(8)), "released");
  EXPECT_EQ(ui::SpokenName(form.GameButton(7)), "Game button 7");
  EXPECT_EQ(ui::SpokenName(form.Pair(3).mark), "Check 5-6");
  EXPECT_EQ(ui::SpokenState(form.Pair(3).mark), form.Pair(3).mark.Caption());
  EXPECT_FALSE(ui::SpokenState(form.Pair(3).mark).empty());
  EXPECT_EQ(ui::SpokenName(form.SerNo), "Serial Number");
  EXPECT_EQ(ui::SpokenState(form.SerNo), "M1");
  EXPECT_EQ(ui::SpokenName(form.lblManuf), "Manufacturer");
  EXPECT_FALSE(ui::SpokenState(form.lblManuf).empty());
  EXPECT_EQ(ui::SpokenName(form.cmdReset), "Reset");

  // No two bars or lamps are called alike.
  std::set<std::string> names;
  for (const ui::Control* control : form.Form().AllControls()) {
    if (control->GetKind() != ui::Kind::Bar && control->GetKind() != ui::Kind::Lamp) continue;
    EXPECT_TRUE(names.insert(ui::SpokenName(*control)).second) << control->Name();
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(2 * kAxisCount + 2 * kButtonCount + kPairCount));
}

}  // namespace
}  // namespace tq::monitor
