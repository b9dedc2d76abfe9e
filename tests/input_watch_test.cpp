// The measurement of the board's inputs against the emulated firmware: the
// board's input report looked at every report interval of its clock, as the
// host polls it, decoded here bit by bit, and fed to the watch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "board/change_text.h"
#include "board/config_reports.h"
#include "board/input_watch.h"
#include "board/inputs_seen.h"
#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"
#include "tests/board_samples.h"

namespace tq::monitor {
namespace {

using testing::SampleOf;
using testing::SetEncoders;
using testing::SettingsOf;

// Runs the board's clock for `ms`, looking at its report every interval.
std::vector<Change> Follow(emu::EmulatedBoard& board, InputWatch& watch, std::int64_t ms) {
  std::vector<Change> changes;
  for (std::int64_t t = 0; t < ms; t += kReportIntervalMs) {
    for (Change& change : watch.Take(SampleOf(board))) changes.push_back(std::move(change));
    board.AdvanceTime(static_cast<std::uint64_t>(kReportIntervalMs));
  }
  return changes;
}

template <typename Event>
std::vector<Event> All(const std::vector<Change>& changes) {
  std::vector<Event> events;
  for (const Change& change : changes) {
    if (const auto* event = std::get_if<Event>(&change.event)) events.push_back(*event);
  }
  return events;
}

emu::EmulatedBoard StartedBoard(const std::map<int, int>& types, int widthMs) {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"W1");
  SetEncoders(board, types, widthMs);
  board.AdvanceTime(1000);
  return board;
}

TEST(InputWatch, EncoderTurnMeasuresTheSetWidthAndCountsUntilReset) {
  emu::EmulatedBoard board = StartedBoard({{3, 2}}, 48);  // pair 3 "1:2", "48 ms"
  InputWatch watch(SettingsOf(board));
  Follow(board, watch, 100);
  board.TurnEncoder(3, +5);
  const std::vector<Change> changes = Follow(board, watch, 2000);

  const PulseMeter& meter = watch.Meter(3);
  EXPECT_EQ(meter.Count(0), 10) << "button 5";
  EXPECT_EQ(meter.Count(1), 0) << "button 6";
  for (const auto& length : {meter.Shortest(), meter.Median(), meter.Longest()}) {
    ASSERT_TRUE(length.has_value());
    EXPECT_LE(std::abs(*length - 48), kReportIntervalMs) << *length;
  }
  EXPECT_TRUE(watch.Marks(3).empty());
  EXPECT_TRUE(All<PairMarked>(changes).empty());

  const auto pulses = All<EncoderPulse>(changes);
  ASSERT_EQ(pulses.size(), 10u);
  for (std::size_t i = 0; i < pulses.size(); ++i) {
    EXPECT_EQ(pulses[i].pair, 3);
    EXPECT_EQ(pulses[i].button, 5);
    EXPECT_EQ(pulses[i].count, static_cast<int>(i) + 1);
  }
  EXPECT_EQ(All<ButtonPressed>(changes).size(), 10u);
  EXPECT_TRUE(All<ButtonReleased>(changes).empty()) << "an encoder's release is its pulse";

  watch.Reset();
  EXPECT_EQ(meter.Total(), 0);
  EXPECT_FALSE(meter.Median().has_value());
  board.TurnEncoder(3, -1);
  const auto back = All<EncoderPulse>(Follow(board, watch, 500));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].button, 6);
  EXPECT_EQ(back[1].count, 2);
  EXPECT_EQ(meter.Count(0), 0);
  EXPECT_EQ(meter.Count(1), 2);

  // Watching that begins with the turn's first pulse already on, as when
  // the first report a board sends after opening carries it: ten pulses,
  // nine of them measured.
  emu::EmulatedBoard late = StartedBoard({{3, 2}}, 48);
  late.TurnEncoder(3, +5);
  late.AdvanceTime(kReportIntervalMs);
  InputWatch lateWatch(SettingsOf(late));
  const auto latePulses = All<EncoderPulse>(Follow(late, lateWatch, 2000));
  ASSERT_EQ(latePulses.size(), 10u);
  EXPECT_FALSE(latePulses[0].lengthMs.has_value());
  EXPECT_TRUE(latePulses[1].lengthMs.has_value());
  EXPECT_EQ(lateWatch.Meter(3).Count(0), 10);
  EXPECT_TRUE(lateWatch.Marks(3).empty());
}

// The encoder utility sets the board while the watch runs: its pulses
// match another width or type than the one read, and the mark says so
// instead of calling the pulses faulty.
TEST(InputWatch, PulsesOfAnotherSettingAreMarkedAsAChangedSettingUntilReset) {
  emu::EmulatedBoard board = StartedBoard({{3, 2}}, 48);
  InputWatch watch(SettingsOf(board));  // the width as read: 48 ms
  Follow(board, watch, 100);
  SetEncoders(board, {{3, 2}}, 16);  // what the board then makes
  board.TurnEncoder(3, +5);
  const std::vector<Change> changes = Follow(board, watch, 2000);

  EXPECT_EQ(watch.Meter(3).Count(0), 10);
  // The first pulse alone is short; the second, of the same length, names
  // the width it was sent at, and replaces the first mark.
  const auto marks = All<PairMarked>(changes);
  ASSERT_EQ(marks.size(), 2u) << "each announced once, however many pulses earn it";
  EXPECT_EQ(marks[0].pair, 3);
  EXPECT_EQ(marks[0].mark.kind, MarkKind::LengthOff);
  // 16 ms pulses seen on a 10 ms grid last 10 or 20 ms: 16 fits both.
  EXPECT_EQ(marks[1].mark, (Mark{MarkKind::SettingChanged, 16, 48, std::nullopt}));
  EXPECT_EQ(watch.Marks(3), std::vector<Mark>{marks[1].mark});
  // Set back and turned again: the mark stands until a reset.
  SetEncoders(board, {{3, 2}}, 48);
  board.TurnEncoder(3, +1);
  EXPECT_TRUE(All<PairMarked>(Follow(board, watch, 500)).empty());
  ASSERT_EQ(watch.Marks(3).size(), 1u);

  watch.Reset();
  EXPECT_TRUE(watch.Marks(3).empty());
  SetEncoders(board, {{3, 2}}, 16);
  board.TurnEncoder(3, +1);
  EXPECT_EQ(All<PairMarked>(Follow(board, watch, 500)).size(), 2u) << "announced again after reset";
  // Reset with the settings read again: the same pulses are as set.
  watch.Reset(SettingsOf(board));
  EXPECT_TRUE(watch.Marks(3).empty());
  EXPECT_EQ(watch.Settings().PulseWidthMs(), 16);
  board.TurnEncoder(3, +2);
  Follow(board, watch, 500);
  EXPECT_EQ(watch.Meter(3).Count(0), 4);
  EXPECT_TRUE(watch.Marks(3).empty());

  // A width on the grid but longer than set by more than the interval.
  emu::EmulatedBoard slow = StartedBoard({{3, 1}}, 80);
  emu::EmulatedBoard readAt = slow;
  SetEncoders(readAt, {{3, 1}}, 64);
  InputWatch slowWatch(SettingsOf(readAt));
  Follow(slow, slowWatch, 100);
  slow.TurnEncoder(3, +2);
  Follow(slow, slowWatch, 1000);
  ASSERT_EQ(slowWatch.Marks(3).size(), 1u);
  EXPECT_EQ(slowWatch.Marks(3)[0].measuredMs, 80);
  // Off the sampling grid a pulse of the set width measures up to an
  // interval short: not marked.
  emu::EmulatedBoard offGrid = StartedBoard({{3, 1}}, 64);
  InputWatch offGridWatch(SettingsOf(offGrid));
  Follow(offGrid, offGridWatch, 100);
  offGrid.AdvanceTime(5);
  offGrid.TurnEncoder(3, +3);
  Follow(offGrid, offGridWatch, 1000);
  EXPECT_EQ(offGridWatch.Meter(3).Count(0), 3);
  EXPECT_EQ(offGridWatch.Meter(3).Shortest(), 60);
  EXPECT_TRUE(offGridWatch.Marks(3).empty());

  // A bouncing contact on an encoder pair: lengths of no one width in a
  // run, marked against the width read.
  emu::EmulatedBoard bouncing = StartedBoard({{3, 2}}, 48);
  InputWatch bouncingWatch(SettingsOf(bouncing));
  Follow(bouncing, bouncingWatch, 100);
  for (const int held : {50, 20}) {
    bouncing.SetButton(5, true);
    Follow(bouncing, bouncingWatch, held);
    bouncing.SetButton(5, false);
    Follow(bouncing, bouncingWatch, 20);
  }
  ASSERT_EQ(bouncingWatch.Marks(3).size(), 1u);
  EXPECT_EQ(bouncingWatch.Marks(3)[0], (Mark{MarkKind::LengthOff, 20, 48, std::nullopt}));
}

// Pair 3 read at type code `read` and 48 ms, then set to `set` behind the
// watch's back and turned by each of `turns`, a second each: its standing
// marks after each turn.
std::vector<std::vector<Mark>> MarksWhenSetElsewhere(int read, int set, std::vector<int> turns) {
  emu::EmulatedBoard board = StartedBoard({{3, read}}, 48);
  InputWatch watch(SettingsOf(board));
  Follow(board, watch, 100);
  SetEncoders(board, {{3, set}}, 48);
  std::vector<std::vector<Mark>> marks;
  for (const int detents : turns) {
    board.TurnEncoder(3, detents);
    Follow(board, watch, 1200);
    marks.push_back(watch.Marks(3));
  }
  return marks;
}

TEST(InputWatch, TurnsOfAnotherTypeAreMarkedAsAChangedSetting) {
  const auto changed = [](std::optional<int> type) {
    return std::vector<Mark>{{MarkKind::SettingChanged, 0, 48, type}};
  };
  // Read at "1:2", set to "1:4": one detent's four pulses may be two fast
  // detents, so the second turn earns the mark.
  EXPECT_EQ(MarksWhenSetElsewhere(2, 3, {+1, +1}),
            (std::vector<std::vector<Mark>>{{}, changed(3)}));
  // Read at "1:2", set to "1:1": a turn of one pulse is no whole detent,
  // known once the next turn begins.
  EXPECT_EQ(MarksWhenSetElsewhere(2, 1, {-1, -1}).back(), changed(1));
  // Read at "1:2", set to "OFF": the encoder's contacts come through.
  EXPECT_EQ(MarksWhenSetElsewhere(2, 0, {+1}).back(), changed(0));
  // Read "OFF", set to "1:2": a turn's two pulses of 48 ms on one button.
  EXPECT_EQ(MarksWhenSetElsewhere(0, 2, {+1}).back(),
            (std::vector<Mark>{{MarkKind::SettingChanged, 48, 48, 2}}));
  // As set, turned one detent and then five, each way: no mark.
  EXPECT_EQ(MarksWhenSetElsewhere(2, 2, {+1, +5, -1, -5, +1}).back(), std::vector<Mark>{});
}

TEST(InputWatch, PairSetOffThatPulsesLikeAnEncoderIsMarkedButPlainPressesAreNot) {
  emu::EmulatedBoard board = StartedBoard({{3, 2}}, 48);  // pair 1 "OFF"
  InputWatch watch(SettingsOf(board));
  board.SetButton(1, true);
  Follow(board, watch, 300);
  board.SetButton(2, true);
  Follow(board, watch, 300);
  board.SetButton(1, false);
  Follow(board, watch, 300);
  board.SetButton(2, false);
  const auto plain = Follow(board, watch, 300);
  EXPECT_TRUE(watch.Marks(1).empty()) << "long presses overlapping are a hand on two buttons";
  ASSERT_EQ(All<ButtonReleased>(plain).size(), 1u);
  EXPECT_EQ(All<ButtonReleased>(plain)[0].heldMs, 600);

  board.TurnEncoder(1, -2);
  const std::vector<Change> changes = Follow(board, watch, 500);
  const auto marks = All<PairMarked>(changes);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].mark.kind, MarkKind::PulsesWhileOff);
  EXPECT_TRUE(All<EncoderPulse>(changes).empty()) << "an OFF pair's buttons are plain buttons";
  EXPECT_EQ(All<ButtonReleased>(changes).size(), 4u);
  EXPECT_EQ(watch.Meter(1).QuadratureSequences(), 2);
  EXPECT_TRUE(watch.Marks(3).empty());
}

TEST(InputWatch, BothDirectionsWithinOneTurnAreMarkedButNotSeparateTurns) {
  emu::EmulatedBoard board = StartedBoard({{3, 2}, {4, 1}}, 48);
  InputWatch watch(SettingsOf(board));
  Follow(board, watch, 100);
  board.TurnEncoder(3, +2);
  board.TurnEncoder(3, -1);  // queued behind: one gap after the last forward pulse
  const auto marks = All<PairMarked>(Follow(board, watch, 1000));
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].pair, 3);
  EXPECT_EQ(marks[0].mark.kind, MarkKind::BothDirections);
  EXPECT_EQ(watch.Meter(3).Count(0), 4);
  EXPECT_EQ(watch.Meter(3).Count(1), 2);

  board.TurnEncoder(4, +1);
  Follow(board, watch, 1000);
  board.TurnEncoder(4, -1);
  Follow(board, watch, 1000);
  EXPECT_EQ(watch.Meter(4).Count(0), 1);
  EXPECT_EQ(watch.Meter(4).Count(1), 1);
  EXPECT_TRUE(watch.Marks(4).empty()) << "a second apart is two turns";
}

// What comes first after the opening: a host hands the first change, in
// which a set button was just pressed; a standing state may hold a button
// pressed before, whose length nobody can know.
TEST(InputWatch, APressInTheFirstReportIsMeasuredOnlyWhenTheReportIsAChange) {
  for (const bool standing : {false, true}) {
    emu::EmulatedBoard board = StartedBoard({{3, 2}}, 48);  // pair 3 "1:2", "48 ms"
    InputWatch watch(SettingsOf(board));
    board.TurnEncoder(3, +1);  // two pulses on button 5
    std::vector<Change> changes;
    for (std::int64_t t = 0; t < 400; t += kReportIntervalMs) {
      InputSample sample = SampleOf(board);
      board.AdvanceTime(static_cast<std::uint64_t>(kReportIntervalMs));
      // The host's first report is the first press.
      if (changes.empty() && !sample.buttons.test(4)) continue;
      sample.mayBeStanding = standing;
      for (Change& change : watch.Take(sample)) changes.push_back(std::move(change));
    }
    const auto pulses = All<EncoderPulse>(changes);
    // Both count the first press; only as a change is its length known.
    EXPECT_EQ(watch.Meter(3).Count(0), 2) << (standing ? "standing" : "a change");
    ASSERT_EQ(pulses.size(), 2u);
    EXPECT_EQ(pulses.front().lengthMs.has_value(), !standing);
    ASSERT_TRUE(pulses.back().lengthMs.has_value());
    EXPECT_LE(std::abs(*pulses.back().lengthMs - 48), kReportIntervalMs)
        << (standing ? "standing" : "a change");
    EXPECT_TRUE(watch.Marks(3).empty());
  }
}

TEST(InputWatch, AxesReportValueLowestHighestAndTheFirstSampleWhole) {
  emu::EmulatedBoard board = StartedBoard({}, 48);
  board.settings[11] = 0x01;  // X inverted
  board.SetAxis(1, 20);
  board.SetAxis(2, 64);
  board.SetButton(7, true);
  InputWatch watch(SettingsOf(board));
  const auto first = Follow(board, watch, 10);
  const auto moved = All<AxisMoved>(first);
  ASSERT_EQ(moved.size(), 8u) << "every axis the first report carries";
  EXPECT_EQ(moved[0].axis, 1);
  EXPECT_EQ(moved[0].value, 127 - 20) << "the board reports an inverted input mirrored";
  EXPECT_EQ(moved[1].value, 64);
  ASSERT_EQ(All<ButtonPressed>(first).size(), 1u);

  board.SetAxis(2, 100);
  Follow(board, watch, 30);
  board.SetAxis(2, 10);
  board.SetButton(7, false);
  const auto later = Follow(board, watch, 30);
  ASSERT_EQ(All<AxisMoved>(later).size(), 1u) << "only what changed";
  const auto y = watch.Axis(2);
  ASSERT_TRUE(y.has_value());
  EXPECT_EQ(y->value, 10);
  EXPECT_EQ(y->lowest, 10);
  EXPECT_EQ(y->highest, 100);
  const auto released = All<ButtonReleased>(later);
  ASSERT_EQ(released.size(), 1u);
  EXPECT_FALSE(released[0].heldMs.has_value()) << "held before the watch began";
  // Still a press that ended: counted, its length unknown.
  EXPECT_EQ(watch.Meter(4).Total(), 1);
  EXPECT_FALSE(watch.Meter(4).Median().has_value());

  watch.Reset();
  EXPECT_EQ(watch.Axis(2)->lowest, 10);
  EXPECT_EQ(watch.Axis(2)->highest, 10);

  InputSample stale;
  stale.ms = 5;
  stale.buttons.set(0);
  EXPECT_TRUE(watch.Take(stale).empty()) << "a sample older than the last is ignored";
  EXPECT_FALSE(watch.Pressed(1));
  EXPECT_FALSE(watch.Axis(0).has_value());
  EXPECT_FALSE(watch.Axis(9).has_value());
  EXPECT_EQ(watch.Meter(17).Total(), 0);
}

// The factory board zooms Y and Z, so its Dial must stay unconnected.
TEST(InputWatch, DialMovingWhileAnotherInputZoomsIsMarkedOnceUntilReset) {
  emu::EmulatedBoard board = StartedBoard({}, 48);
  InputWatch watch(SettingsOf(board));
  board.SetAxis(7, 40);
  Follow(board, watch, 30);
  EXPECT_FALSE(watch.Dial().has_value()) << "where it stands at the start is no move";
  board.SetAxis(7, 41);
  const auto moved = Follow(board, watch, 30);
  const auto dial = All<DialMarked>(moved);
  ASSERT_EQ(dial.size(), 1u);
  EXPECT_EQ(dial[0].mark.zoomed, std::bitset<kAxisCount>(0b110)) << "Y and Z";
  EXPECT_EQ(watch.Dial(), dial[0].mark);
  board.SetAxis(7, 90);
  EXPECT_TRUE(All<DialMarked>(Follow(board, watch, 30)).empty()) << "announced once";

  watch.Reset();
  EXPECT_FALSE(watch.Dial().has_value());
  board.SetAxis(7, 10);
  EXPECT_EQ(All<DialMarked>(Follow(board, watch, 30)).size(), 1u) << "again after reset";

  // Nothing in Zoom, or only Dial's own byte: Dial may move.
  for (const std::uint8_t dialByte : {std::uint8_t{0}, config::kModeZoom}) {
    emu::EmulatedBoard normal = StartedBoard({}, 48);
    normal.settings[config::SetInputMode2] = config::kModeNormal;
    normal.settings[config::SetInputMode3] = config::kModeNormal;
    normal.settings[config::SetInputMode7] = dialByte;
    InputWatch normalWatch(SettingsOf(normal));
    Follow(normal, normalWatch, 30);
    normal.SetAxis(7, 100);
    EXPECT_TRUE(All<DialMarked>(Follow(normal, normalWatch, 30)).empty());
  }
  // Settings never read: nothing is known to zoom.
  InputWatch unread;
  Follow(board, unread, 30);
  board.SetAxis(7, 20);
  EXPECT_TRUE(All<DialMarked>(Follow(board, unread, 30)).empty());
}

// A potentiometer that jitters by itself beside one turned slowly and one
// left alone: only the first is marked, with its spread.
TEST(InputWatch, NoiseIsMarkedOnAJitteringAxisNotOnADriftingOrStillOne) {
  emu::EmulatedBoard board = StartedBoard({}, 48);
  board.SetAxis(2, 64);
  board.SetAxis(3, 90);  // Z stays
  board.SetAxis(4, 40);
  board.SetAxisNoise(2, 3);  // Y: ±3
  board.SetAxisNoise(4, 1);  // RX: ±1, the least that turns
  InputWatch watch(SettingsOf(board));
  std::vector<Change> changes;
  for (unsigned step = 0; step < 40; ++step) {
    board.SetAxis(5, 30 + step);  // RY drifts up, a count every 50 ms
    for (Change& change : Follow(board, watch, 50)) changes.push_back(std::move(change));
  }
  std::map<int, NoiseMark> noisy;
  for (const AxisNoisy& marked : All<AxisNoisy>(changes)) {
    EXPECT_TRUE(noisy.emplace(marked.axis, marked.mark).second) << "announced once";
  }
  EXPECT_EQ(noisy, (std::map<int, NoiseMark>{{2, NoiseMark{3}}, {4, NoiseMark{1}}}));
  EXPECT_EQ(watch.Noise(2), (NoiseMark{3}));
  EXPECT_EQ(watch.Noise(4), (NoiseMark{1}));
  for (const int quiet : {1, 3, 5, 6, 7, 8}) EXPECT_FALSE(watch.Noise(quiet).has_value()) << quiet;
  EXPECT_EQ(watch.Axis(5)->highest, 69) << "RY drifted all along";
  EXPECT_EQ(ChangeLine(Change{1234, AxisNoisy{2, NoiseMark{3}}}),
            "1.234 Y marked: noisy: \u00B13 at rest; usually a worn potentiometer, or a long or "
            "unshielded wire");
  const auto y = watch.Axis(2);
  ASSERT_TRUE(y.has_value());
  EXPECT_EQ(y->lowest, 61);
  EXPECT_EQ(y->highest, 67);

  // Quiet again, then reset: the mark goes; noisy again, it comes back.
  board.SetAxisNoise(2, 0);
  Follow(board, watch, 500);
  EXPECT_TRUE(watch.Noise(2).has_value()) << "a mark stands until reset";
  watch.Reset();
  EXPECT_FALSE(watch.Noise(2).has_value());
  EXPECT_FALSE(watch.Noise(4).has_value());
  board.SetAxisNoise(4, 0);
  board.SetAxis(7, 64);
  board.SetAxisNoise(7, 2);
  const auto again = All<AxisNoisy>(Follow(board, watch, 1000));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].axis, 7);
  EXPECT_GE(again[0].mark.spread, 1) << "as first earned";
  EXPECT_EQ(watch.Noise(7), (NoiseMark{2})) << "the widest since";
}

// A button that bounces, on a pair set "OFF" and on a pair set as an
// encoder; an encoder's quick pulses; an encoder wired to a pair set "OFF".
TEST(InputWatch, ChatterIsMarkedOnAPairSetOffAndNeverOnAnEncoderPair) {
  emu::EmulatedBoard board = StartedBoard({{3, 1}}, 16);  // pair 3 "1:1" at 16 ms
  board.SetButtonBounce(3, 3);  // pair 2 "OFF"
  board.SetButtonBounce(5, 3);  // pair 3
  InputWatch watch(SettingsOf(board));
  Follow(board, watch, 100);
  board.SetButton(3, true);
  Follow(board, watch, 300);
  board.SetButton(3, false);
  const std::vector<Change> bounced = Follow(board, watch, 300);
  EXPECT_EQ(watch.Presses(3), 3) << "every closure is a press";
  const auto marks = All<PairMarked>(bounced);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].pair, 2);
  const Mark chatter{.kind = MarkKind::Chatter, .measuredMs = 40, .button = 3, .presses = 3};
  EXPECT_EQ(marks[0].mark, chatter);
  EXPECT_EQ(MarkWord(chatter), "chatter: 3 presses in 40 ms");
  EXPECT_EQ(MarkText(chatter),
            "button 3 chatter: 3 presses in 40 ms; usually contact bounce, or a loose joint");
  // A finger's presses on the same pair add nothing.
  board.SetButtonBounce(3, 0);
  for (const int button : {3, 4, 4}) {
    board.SetButton(button, true);
    Follow(board, watch, 200);
    board.SetButton(button, false);
    EXPECT_TRUE(All<PairMarked>(Follow(board, watch, 200)).empty());
  }
  EXPECT_EQ(watch.Marks(2), std::vector<Mark>{chatter});

  // The encoder pair: its own bouncing button and ten quick detents.
  board.SetButton(5, true);
  Follow(board, watch, 300);
  board.SetButton(5, false);
  Follow(board, watch, 100);
  board.TurnEncoder(3, +10);
  board.TurnEncoder(3, -10);
  Follow(board, watch, 1000);
  EXPECT_EQ(watch.Presses(5), 13);
  EXPECT_EQ(watch.Meter(3).WorstChatter().value_or(Chatter{}).presses, 10)
      << "as quick as chatter";
  for (const Mark& mark : watch.Marks(3)) EXPECT_NE(mark.kind, MarkKind::Chatter);

  // An encoder on pair 4, set "OFF": its contacts are no chatter.
  board.TurnEncoder(4, +6);
  Follow(board, watch, 1000);
  EXPECT_EQ(watch.Marks(4), (std::vector<Mark>{{.kind = MarkKind::PulsesWhileOff}}));

  // Reset forgets the mark; the next bouncing press earns it again.
  watch.Reset();
  EXPECT_TRUE(watch.Marks(2).empty());
  board.SetButtonBounce(4, 2);
  board.SetButton(4, true);
  EXPECT_TRUE(All<PairMarked>(Follow(board, watch, 300)).empty()) << "while the burst may go on";
  board.SetButton(4, false);
  const auto afresh = All<PairMarked>(Follow(board, watch, 100));
  ASSERT_EQ(afresh.size(), 1u);
  EXPECT_EQ(afresh[0].mark,
            (Mark{.kind = MarkKind::Chatter, .measuredMs = 20, .button = 4, .presses = 2}));

  // Settings not read: pair 2 may be an encoder, so nothing is judged.
  emu::EmulatedBoard unread = StartedBoard({}, 48);
  unread.SetButtonBounce(3, 4);
  InputWatch unreadWatch;
  Follow(unread, unreadWatch, 100);
  unread.SetButton(3, true);
  Follow(unread, unreadWatch, 300);
  EXPECT_EQ(unreadWatch.Presses(3), 4);
  EXPECT_TRUE(unreadWatch.Marks(2).empty());
}

// A builder flicks 30 of the 32 switches and sweeps 7 of the 8 axes.
TEST(InputWatch, SeenButtonsAndSweptRangesAreCountedAndClearedByReset) {
  emu::EmulatedBoard board = StartedBoard({{15, 2}}, 48);  // buttons 29 and 30 an encoder
  const auto maximum = static_cast<std::int32_t>(emu::AxisMaximum(board));
  AxisRanges ranges{};
  ranges.fill(AxisRange{0, maximum});
  InputWatch watch(SettingsOf(board));
  const auto seen = [&] {
    AxisReadings axes{};
    for (int axis = 1; axis <= kAxisCount; ++axis) axes[static_cast<std::size_t>(axis - 1)] = watch.Axis(axis);
    return std::pair(SeenLine(CountSeen(watch.AllPresses(), axes, ranges)),
                     MissingLine(watch.AllPresses(), axes, ranges));
  };
  Follow(board, watch, 100);
  EXPECT_EQ(seen().first, "Seen: 0 of 32 buttons; 0 of 8 axes over their whole range");

  for (int button = 1; button <= 28; ++button) {
    board.SetButton(button, true);
    Follow(board, watch, 100);
    board.SetButton(button, false);
    Follow(board, watch, 100);
  }
  board.TurnEncoder(15, +1);
  board.TurnEncoder(15, -1);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    // Slider stops short of its top by more than the slack.
    const std::int32_t top = axis == 8 ? maximum - EndSlack({0, maximum}) - 1 : maximum;
    for (const std::int32_t value : {std::int32_t{0}, top / 2, top, maximum / 2}) {
      board.SetAxis(axis, static_cast<unsigned>(value));
      Follow(board, watch, 30);
    }
  }
  Follow(board, watch, 500);
  EXPECT_EQ(watch.Presses(29), 2) << "an encoder's pulses are presses";
  EXPECT_EQ(watch.Presses(30), 2);
  EXPECT_EQ(watch.Presses(31), 0);
  EXPECT_EQ(watch.Presses(0), 0);
  EXPECT_EQ(watch.Presses(33), 0);
  EXPECT_EQ(seen().first, "Seen: 30 of 32 buttons; 7 of 8 axes over their whole range");
  EXPECT_EQ(seen().second, "not pressed: buttons 31, 32; not swept whole: Slider 0 ... " +
                               std::to_string(maximum - EndSlack({0, maximum}) - 1));
  board.SetButton(1, true);
  Follow(board, watch, 100);
  EXPECT_EQ(watch.Presses(1), 2);

  // Button 1 held through the reset counts only when pressed again.
  watch.Reset();
  EXPECT_EQ(seen().first, "Seen: 0 of 32 buttons; 0 of 8 axes over their whole range");
  Follow(board, watch, 100);
  EXPECT_EQ(watch.Presses(1), 0);
  board.SetButton(1, false);
  Follow(board, watch, 100);
  board.SetButton(1, true);
  board.SetAxis(2, 0);
  Follow(board, watch, 100);
  board.SetAxis(2, static_cast<unsigned>(maximum));
  Follow(board, watch, 100);
  EXPECT_EQ(seen().first, "Seen: 1 of 32 buttons; 1 of 8 axes over their whole range");
}

}  // namespace
}  // namespace tq::monitor
