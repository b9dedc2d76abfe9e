// The monitor's reading threads. Everything that waits on a board runs
// on them, never on the window's thread: listing the boards, opening the
// chosen one, reading its strings and settings and its input reports, and
// following an unplug and a replug on the reading thread; what a game reads
// of the board on a thread of its own, so a slow game interface (Wine's
// joystick API takes its time) never delays a report and its time stamp.
// The window takes a copy of what there is to show at its own pace
// (MonitorState) and hands over the user's pick of a board.
#pragma once

#include <array>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "board/input_session.h"
#include "board/input_watch.h"
#include "devlink/game_view.h"
#include "devlink/hid_api.h"
#include "devlink/interface_scan.h"

namespace tq::monitor {

struct PairFigures {
  std::array<int, 2> counts{};  // pulses on the pair's first and second button
  std::optional<std::int64_t> shortest;
  std::optional<std::int64_t> median;
  std::optional<std::int64_t> longest;
  std::vector<Mark> marks;
  friend bool operator==(const PairFigures&, const PairFigures&) = default;
};

// What the window shows, as of one moment.
struct MonitorState {
  std::uint64_t version = 0;
  // Move, besides version, when the board or its settings changed (opened,
  // closed) and when what a game sees changed: what depends on them alone
  // need not be shown again while they stay.
  std::uint64_t boardVersion = 0;
  std::uint64_t gameVersion = 0;
  std::vector<std::string> serials;  // the boards found, as the encoder utility lists them
  std::string openSerial;            // empty while no board is open
  std::string devicePath;
  // One line when something keeps the monitor from a board: none attached,
  // one it may not open (with the fix), one that went away.
  std::string problem;
  std::string manufacturer, product, release;
  BoardSettings settings;
  std::array<std::optional<AxisReading>, kAxisCount> axes{};
  std::array<std::optional<AxisRange>, kAxisCount> ranges{};
  std::bitset<kButtonCount> buttons;
  std::array<PairFigures, kPairCount> pairs{};
  std::optional<DialMark> dial;  // Dial moved while another input zooms
  std::uint64_t reports = 0;
  std::optional<std::int64_t> lastReportMs;
  std::int64_t nowMs = 0;
  // What a game reads of the same board, and where from, or why not.
  std::optional<GameSnapshot> game;
  std::string gameSource;
  std::string gameProblem;
};

class BoardWorker {
 public:
  // `game` may be null (no game interface on this system); `api` is used
  // from the reading thread only, `game` from both threads under a lock of
  // its own, while they run.
  BoardWorker(HidApi& api, GameView* game, HostHints hints, InputSession::Clock clock);
  ~BoardWorker();
  BoardWorker(const BoardWorker&) = delete;
  BoardWorker& operator=(const BoardWorker&) = delete;

  void Start();
  void Stop();

  // The user's pick: another board is opened; the open one starts its
  // counts, lowest and highest values again.
  void Choose(const std::string& serial);

  // The clock the reports are stamped with.
  std::int64_t NowMs() const { return clock_(); }

  // A copy of the state when it changed after `version`.
  std::optional<MonitorState> TakeIfNewer(std::uint64_t version);

  static constexpr std::uint32_t kReadTimeoutMs = 50;
  static constexpr int kRescanIntervalMs = 250;
  static constexpr std::int64_t kGameReadIntervalMs = 10;

 private:
  void Run(std::stop_token stop);
  // One scan: the boards listed, one chosen (board_choice.h) and opened, or
  // else a wait for the user's pick or the next scan.
  void ScanAndOpen(std::stop_token stop);
  // Opens `serial` when the scan lists it; whether a board is open then.
  bool OpenListed(const Scan& scan, const std::string& serial);
  void WaitForPickOrRescan(std::stop_token stop);
  void OpenBoard(const ScannedInterface& board);
  void CloseBoard(const std::string& why);
  void ReadInputs();
  void RunGame(std::stop_token stop);
  void ReadGame();
  void Publish();  // with mutex_ held

  HidApi& api_;
  GameView* game_;
  HostHints hints_;
  InputSession::Clock clock_;
  InputSession session_;

  // The reading and game threads' locks, always taken in one order:
  // gameMutex_ before mutex_ where both are held (the game thread's
  // ReadGame); the reading thread takes each alone, and never gameMutex_
  // while it holds mutex_; the window's thread takes mutex_ alone (Choose,
  // TakeIfNewer).
  std::mutex mutex_;
  std::condition_variable_any wake_;
  MonitorState state_;        // under mutex_
  InputWatch watch_;          // under mutex_
  std::optional<std::string> chosen_;  // under mutex_: the user's pick not yet acted on
  bool resetWanted_ = false;           // under mutex_

  // Over game_: a read of the game interface finishes, its result shown,
  // before the board closes under it.
  std::mutex gameMutex_;

  std::unique_ptr<DeviceLink> link_;  // the open board's strings and settings
  std::vector<Change> changes_;  // each report's, unused here; kept to spare an allocation
  std::jthread thread_;
  std::jthread gameThread_;
};

}  // namespace tq::monitor
