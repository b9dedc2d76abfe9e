// The input monitor's one window: which board, its axes as bars with the
// lowest and highest values seen, its buttons as lamps in the encoder
// window's pairs, each encoder pair's pulses measured against its settings,
// and what a game reads of the same board beside the raw values. It only
// shows: a reading thread (BoardWorker) does everything that waits on the
// board and wakes the window when it has news, at most 25 times a
// second; with none, the window wakes once a second for the status line's
// age, and a monitor left open on a still board costs next to nothing.
#pragma once

#include <array>
#include <memory>

#include "devlink/game_view.h"
#include "devlink/interface_scan.h"
#include "devlink/ui/controls.h"
#include "monitor/board_worker.h"
#include "windowed/program_window.h"

namespace tq::monitor {

// One axis's row.
struct AxisRow {
  AxisRow(ui::Container& frame, int axis, int top);
  ui::Label name;
  ui::Label value;
  ui::Bar bar;
  ui::Label lowest;
  ui::Label highest;
  ui::Label swept;  // "63 %" of its range since Reset, or "whole"
  // Plain while no mark stands; outlined with the mark's words (axis_check.h).
  ui::Lamp check;
  ui::Label setting;
  ui::Label game;
};

// One encoder pair's row. The check says in words what the pulses show: a
// dash while none came, "OK" on a lit lamp while they match the settings,
// the mark's words on an outlined lamp where they do not; its hint says it
// in full (pair_check.h).
struct PairRow {
  PairRow(ui::Container& frame, int pair, int left, int top);
  ui::Label name;
  ui::Label type;
  ui::Label width;
  ui::Label counts;
  ui::Label detents;
  ui::Label lengths;
  ui::Lamp mark;
};

class frmMain : public ProgramWindow {
 public:
  // `game` may be null where the system offers no game interface; `clock`
  // stamps each report (a steady clock; the board's own in tests).
  frmMain(HidApi& api, GameView* game, HostHints hints,
          InputSession::Clock clock = SteadyMilliseconds);
  // The reading threads stop before the timer they wake is gone.
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  void Form_Load();
  void Form_Unload();
  void Timer_Timer();
  void SerNo_Click();
  void cmdReset_Click();

  BoardWorker& Worker() { return worker_; }
  // The state shown last.
  const MonitorState& Shown() const { return shown_; }

  // 15 repaints a second at most, enough for a bar an owner watches while
  // turning a knob: the first news after a frame is shown this long after
  // it came, with all that came meanwhile. A frame of a view costs about the
  // same however little changed in it (the waking thread's caches are cold
  // after a frame's sleep), so at the board's own 100 reports a second this
  // sets the monitor's cost. The reports are stamped on the reading thread
  // as they come, and a press between two frames lights its lamp in the
  // next (BoardWorker::TakeIfNewer), so fewer frames skew no figure.
  static constexpr int kRepaintIntervalMs = 66;
  // The status line's report count and age, once a second.
  static constexpr std::int64_t kStatusIntervalMs = 1000;

 private:
  void ShowBoard(const MonitorState& state);
  void ShowStatus(const MonitorState& state);
  // Greys the figures while the board they came from is not read.
  void ShowLive(const MonitorState& state);
  static std::string StatusText(const MonitorState& state);
  void ShowAxes(const MonitorState& state);
  void ShowButtons(const MonitorState& state);
  // What arrived since Reset, in one line under the buttons.
  void ShowSeen(const MonitorState& state);
  void ShowPairs(const MonitorState& state);

  // Whether a row must be shown again: a thousand reports a second move one
  // axis or one pair, and the rest of the window stays as it is.
  bool AxisRowChanged(const MonitorState& state, std::size_t k) const;
  bool PairRowChanged(const MonitorState& state, std::size_t k) const;
  bool ButtonChanged(const MonitorState& state, std::size_t k) const;
  bool BoardChanged(const MonitorState& state) const;

  BoardWorker worker_;
  MonitorState shown_;
  bool drawn_ = false;  // whether shown_ is on the controls
  std::int64_t statusAtMs_ = 0;  // when the status line was last written
  bool fillingList_ = false;

 public:
  ui::Frame Frame1;
  ui::Label Label1;
  ui::ComboBox SerNo;
  ui::Label Label2;
  ui::Label lblManuf;
  ui::Label Label3;
  ui::Label lblProduct;
  ui::Label Label4;
  ui::Label lblVersion;
  ui::Label lblStatus;
  ui::PushButton cmdReset;
  // Ticks on the reading thread's news; StatusTimer once a second.
  ui::Timer Timer;
  ui::Timer StatusTimer;

  ui::Frame Frame2;
  ui::Label lblAxisHeading;
  ui::Label lblValueHeading;
  ui::Label lblLowestHeading;
  ui::Label lblHighestHeading;
  ui::Label lblSweptHeading;
  ui::Label lblCheckHeading;
  ui::Label lblSettingHeading;
  ui::Label lblGameHeading;
  ui::Label lblGameOther;
  // Every axis mark in full: a noisy axis with its causes, Dial moving
  // while another input zooms with the board's rule.
  ui::Label lblAxisMarks;

  ui::Frame Frame3;
  ui::Label lblBoardButtons;
  ui::Label lblGameButtons;
  // "Seen: 30 of 32 buttons; 7 of 8 axes over their whole range"; its hint
  // names what never arrived.
  ui::Label lblSeen;

  ui::Frame Frame4;
  // Every marked pair with its marks, below the two columns of pairs, and
  // what the checks' looks mean.
  ui::Label lblMarks;
  ui::Label lblLegend;

  AxisRow& Axis(int axis) { return *axes_.at(static_cast<std::size_t>(axis - 1)); }
  PairRow& Pair(int pair) { return *pairs_.at(static_cast<std::size_t>(pair - 1)); }
  ui::Label& ButtonPairLabel(int pair) {
    return *buttonPairLabels_.at(static_cast<std::size_t>(pair - 1));
  }
  ui::Lamp& Button(int button) { return *buttons_.at(static_cast<std::size_t>(button - 1)); }
  ui::Lamp& GameButton(int button) {
    return *gameButtons_.at(static_cast<std::size_t>(button - 1));
  }

 private:
  std::array<std::unique_ptr<AxisRow>, kAxisCount> axes_;
  std::array<std::unique_ptr<ui::Label>, kPairCount> buttonPairLabels_;
  std::array<std::unique_ptr<ui::Lamp>, kButtonCount> buttons_;
  std::array<std::unique_ptr<ui::Lamp>, kButtonCount> gameButtons_;
  std::array<std::unique_ptr<PairRow>, kPairCount> pairs_;
  // Each column's headings: pair, type, width, pulses, detents, lengths,
  // check.
  std::array<std::array<std::unique_ptr<ui::Label>, 7>, 2> pairHeadings_;
};

}  // namespace tq::monitor
