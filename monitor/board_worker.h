// The monitor's reading threads. Everything that waits on a board runs
// on them, never on the window's thread: opening the chosen board, reading
// its strings and settings and its input reports, and following an unplug
// and a replug on the reading thread; looking for the boards plugged in, a
// few times a second, on a thread of its own, and what a game reads of the
// board on another (while the board's reports come; seldom when none do),
// so neither a scan of every interface nor a slow game
// interface (Wine's joystick API takes its time) ever delays a report and
// its time stamp. The window takes a copy of what there is to show at its
// own pace (MonitorState) and hands over the user's pick of a board and
// the Reset.
//
// The board's settings pages are read when a board is opened and on Reset,
// never on a timer: a page the board hands one program in its rotation is
// not handed to another reading it at the same time, so polling them here
// could make another program's read-back miss its page.
#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "board/axis_noise.h"
#include "board/input_session.h"
#include "board/input_watch.h"
#include "board/inputs_seen.h"
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
  std::vector<std::string> serials;  // the boards plugged in, as the encoder utility lists them
  // The board watched: open, or unplugged and waited for, its last figures
  // kept; empty until a board is first opened. Another board is watched
  // only when the user picks it.
  std::string openSerial;
  std::string devicePath;
  // Whether the watched board is open and read: the figures are current.
  bool live = false;
  // One line when something keeps the monitor from a board: none attached,
  // one it may not open (with the fix), the watched one unplugged.
  std::string problem;
  std::string manufacturer, product, release;
  BoardSettings settings;
  AxisReadings axes{};
  AxisRanges ranges{};
  std::bitset<kButtonCount> buttons;
  // Since the last Reset: each button's presses (button k's at k - 1) and
  // each axis's standing noise mark.
  ButtonPresses presses{};
  std::array<std::optional<NoiseMark>, kAxisCount> noise{};
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
  // from the reading and look threads, one call at a time but for the input
  // reads, `game` from the reading and game threads under a lock of its
  // own, while they run.
  BoardWorker(HidApi& api, GameView* game, HostHints hints, InputSession::Clock clock);
  ~BoardWorker();
  BoardWorker(const BoardWorker&) = delete;
  BoardWorker& operator=(const BoardWorker&) = delete;

  // Called each time the state moves, on the thread that moved it, once
  // that thread has released the worker's lock (a slow wake-up, such as a
  // posted window message under Wine, then delays no other thread): the
  // window's wake-up. It may run on several threads at once, must be quick
  // and must not call the worker. Set before Start().
  void OnNews(std::function<void()> news) { news_ = std::move(news); }

  void Start();
  void Stop();

  // The user's pick: another board is opened; the watched one is reset.
  void Choose(const std::string& serial);
  // Starts the counts, lowest and highest values, the report count and the
  // marks afresh, and reads the open board's settings again.
  void Reset();

  // The clock the reports are stamped with.
  std::int64_t NowMs() const { return clock_(); }

  // A copy of the state when it changed after `version`. A button pressed
  // at any report since the last copy reads as pressed in it, however soon
  // it was let go; one let go meanwhile then makes the next copy due (and
  // news), so that its release is shown a frame later.
  std::optional<MonitorState> TakeIfNewer(std::uint64_t version);
  // Waits until the state has changed after `version`, or until `deadline`;
  // whether it has. For a reader with nothing to do until there is more to
  // show; the window takes its copies on its own timer instead.
  bool WaitNewer(std::uint64_t version, std::chrono::steady_clock::time_point deadline);
  // The reports counted since the last Reset, as the state says.
  std::uint64_t Reports();

  // A read that brings nothing ends after this long, for the reading
  // thread to look for the user's pick, a Reset or Stop: each is acted on
  // within it. Every end wakes the thread, the most of what a monitor on a
  // still board costs, so it is as long as a click's answer may take before
  // it feels slow.
  static constexpr std::uint32_t kReadTimeoutMs = 100;
  // A scan opens every interface and asks each for its strings: while a
  // board is read it only keeps the list true, and once a second does;
  // while none is, a board plugged in (or back) is opened within a quarter.
  static constexpr int kRescanIntervalMs = 250;
  static constexpr int kListIntervalMs = 1000;
  // What a game reads moves only with the board's reports, a little after
  // them (a joystick API may take its time to pass one on): the game
  // interface is read every kGameReadIntervalMs from a report until
  // kGameFollowMs after the last one, otherwise once every kGameStillReadMs
  // (a board that sends nothing costs no reads a frame).
  static constexpr std::int64_t kGameReadIntervalMs = 10;
  static constexpr std::int64_t kGameFollowMs = 500;
  static constexpr std::int64_t kGameStillReadMs = 1000;

 private:
  void Run(std::stop_token stop);
  // Waits for a scan newer than the last one acted on, or the user's pick,
  // then opens the board chosen from it (board_choice.h), if any.
  void OpenFromScan();
  void OpenBoard(const ScannedInterface& board);
  void CloseBoard(const std::string& why);
  void StartAfresh();
  void ReadInputs();
  // The look thread: a scan every kRescanIntervalMs, or kListIntervalMs
  // while a board is read, its boards listed.
  void RunLook(std::stop_token stop);
  void RunGame(std::stop_token stop);
  void ReadGame();
  // With mutex_ held: a report came, or a board was attached; the game
  // thread reads at its short interval for a while.
  void FollowGame();
  // Takes mutex_ and, when it is released, tells the news if the state
  // moved meanwhile (Publish).
  class StateLock;
  void Publish();  // with mutex_ held, by a StateLock: the news follows its release

  HidApi& api_;
  GameView* game_;
  HostHints hints_;
  InputSession::Clock clock_;
  InputSession session_;

  // The threads' locks, always taken in one order where several are held:
  // apiMutex_, then gameMutex_, then mutex_. The reading thread holds
  // apiMutex_ while it opens, resets and closes a board (gameMutex_ and
  // mutex_ within it); the look thread takes apiMutex_ for a scan and
  // mutex_ after it, never both; the game thread takes gameMutex_, then
  // mutex_ (ReadGame); the window's thread takes mutex_ alone (Choose,
  // Reset, TakeIfNewer, WaitNewer).
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable published_;  // state_.version moved
  std::condition_variable gameWake_;   // a report came while the game thread waited long
  MonitorState state_;        // under mutex_
  InputWatch watch_;          // under mutex_
  // Under mutex_: every button pressed in a report since the last copy,
  // the board's and, as a game reads them, the game's.
  std::bitset<kButtonCount> pressedSinceTake_;
  std::bitset<32> gamePressedSinceTake_;
  std::function<void()> news_;
  bool newsDue_ = false;  // under mutex_: published, the news not yet told
  std::optional<std::string> chosen_;  // under mutex_: the user's pick not yet acted on
  bool resetWanted_ = false;           // under mutex_
  bool stopping_ = false;              // under mutex_: Stop() was called
  // Under mutex_: until when the game thread reads at its short interval,
  // and whether it waits the long one meanwhile (a report then wakes it).
  std::chrono::steady_clock::time_point gameFollowUntil_;
  bool gameStill_ = false;
  // Under mutex_: the look thread's last scan, numbered as it started, and
  // the number of the last one the reading thread acted on (or, after an
  // unplug, of the last started before it: a scan under way may still list
  // the board that went away).
  std::optional<Scan> latest_;
  std::uint64_t latestNumber_ = 0;
  std::uint64_t scansStarted_ = 0;
  std::uint64_t usedScan_ = 0;

  // Over api_'s calls other than the input reads, which the platform lets
  // run on a thread of their own: the look thread scans while the reading
  // thread reads, never while it opens or closes.
  std::mutex apiMutex_;

  // Over game_: a read of the game interface finishes, its result shown,
  // before the board closes under it.
  std::mutex gameMutex_;

  std::unique_ptr<DeviceLink> link_;  // the open board's strings and settings
  std::vector<Change> changes_;  // each report's, unused here; kept to spare an allocation
  std::uint64_t reportsAtReset_ = 0;  // the session's count at the last Reset
  std::jthread thread_;
  std::jthread lookThread_;
  std::jthread gameThread_;
};

}  // namespace tq::monitor
