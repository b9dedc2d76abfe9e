#include "monitor/board_worker.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "devlink/device_link.h"
#include "monitor/board_choice.h"

namespace tq::monitor {
namespace {

const ScannedInterface* Find(const Scan& scan, const std::string& serial) {
  const auto found = std::ranges::find_if(scan.interfaces, [&](const ScannedInterface& seen) {
    return seen.Usable() && seen.encoders && *seen.serial == serial;
  });
  return found == scan.interfaces.end() ? nullptr : &*found;
}

}  // namespace

class BoardWorker::StateLock {
 public:
  explicit StateLock(BoardWorker& worker) : worker_(worker), lock_(worker.mutex_) {}
  ~StateLock() {
    const bool due = std::exchange(worker_.newsDue_, false);
    lock_.unlock();
    if (due && worker_.news_) worker_.news_();
  }
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

 private:
  BoardWorker& worker_;
  std::unique_lock<std::mutex> lock_;
};

BoardWorker::BoardWorker(HidApi& api, GameView* game, HostHints hints,
                         InputSession::Clock clock)
    : api_(api),
      game_(game),
      hints_(std::move(hints)),
      clock_(std::move(clock)),
      session_(api, clock_) {}

BoardWorker::~BoardWorker() { Stop(); }

void BoardWorker::Start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  lookThread_ = std::jthread([this](std::stop_token stop) { RunLook(stop); });
  if (game_) gameThread_ = std::jthread([this](std::stop_token stop) { RunGame(stop); });
}

void BoardWorker::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  lookThread_.request_stop();
  gameThread_.request_stop();
  // The waits end on stopping_, not on the stop tokens: a wait on a stop
  // token registers a callback, and with the MinGW runtime a callback's
  // removal can miss the wake-up of a stop requested meanwhile and hang
  // for good, holding mutex_ (seen under Wine).
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  gameWake_.notify_all();
  thread_.join();
  lookThread_.join();
  if (gameThread_.joinable()) gameThread_.join();
}

void BoardWorker::Choose(const std::string& serial) {
  {
    std::lock_guard lock(mutex_);
    if (serial == state_.openSerial) {
      resetWanted_ = true;
    } else {
      chosen_ = serial;
    }
  }
  wake_.notify_all();
}

void BoardWorker::Reset() {
  {
    std::lock_guard lock(mutex_);
    resetWanted_ = true;
  }
  wake_.notify_all();
}

std::optional<MonitorState> BoardWorker::TakeIfNewer(std::uint64_t version) {
  StateLock lock(*this);
  if (state_.version == version) return std::nullopt;
  MonitorState copy = state_;
  // The figures come from the watch only when a copy is taken, so a
  // thousand reports a second cost the window one copy a frame.
  copy.settings = watch_.Settings();
  copy.axes = ReadingsOf(watch_);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    copy.noise[static_cast<std::size_t>(axis - 1)] = watch_.Noise(axis);
  }
  for (int button = 1; button <= kButtonCount; ++button) {
    copy.buttons.set(static_cast<std::size_t>(button - 1), watch_.Pressed(button));
  }
  copy.presses = watch_.AllPresses();
  // A press shorter than a frame is shown for one; its release the next.
  bool released = (pressedSinceTake_ & ~copy.buttons).any();
  copy.buttons |= pressedSinceTake_;
  pressedSinceTake_.reset();
  if (copy.game) {
    released = released || (gamePressedSinceTake_ & ~copy.game->buttons).any();
    copy.game->buttons |= gamePressedSinceTake_;
  }
  gamePressedSinceTake_.reset();
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const PulseMeter& meter = watch_.Meter(pair);
    copy.pairs[static_cast<std::size_t>(pair - 1)] = PairFigures{
        .counts = {meter.Count(0), meter.Count(1)},
        .shortest = meter.Shortest(),
        .median = meter.Median(),
        .longest = meter.Longest(),
        .marks = watch_.Marks(pair),
    };
  }
  copy.dial = watch_.Dial();
  copy.nowMs = clock_();
  if (released) Publish();
  return copy;
}

bool BoardWorker::WaitNewer(std::uint64_t version, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return published_.wait_until(lock, deadline, [&] { return state_.version != version; });
}

std::uint64_t BoardWorker::Reports() {
  std::lock_guard lock(mutex_);
  return state_.reports;
}

void BoardWorker::Publish() {
  ++state_.version;
  published_.notify_all();
  newsDue_ = true;
}

void BoardWorker::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    bool switching = false;
    bool reset = false;
    {
      std::lock_guard lock(mutex_);
      switching = chosen_.has_value();
      reset = std::exchange(resetWanted_, false);
    }
    if (reset) StartAfresh();
    if (switching || !session_.IsOpen()) {
      if (switching) CloseBoard({});
      OpenFromScan();
      continue;
    }
    ReadInputs();
  }
  CloseBoard({});
}

void BoardWorker::RunGame(std::stop_token stop) {
  while (!stop.stop_requested()) {
    ReadGame();
    std::unique_lock lock(mutex_);  // mutex_ alone, to wait
    using Clock = std::chrono::steady_clock;
    if (Clock::now() < gameFollowUntil_) {
      gameWake_.wait_for(lock, std::chrono::milliseconds(kGameReadIntervalMs),
                         [this] { return stopping_; });
    } else {
      gameStill_ = true;
      gameWake_.wait_for(lock, std::chrono::milliseconds(kGameStillReadMs), [this] {
        return stopping_ || Clock::now() < gameFollowUntil_;
      });
      gameStill_ = false;
    }
  }
}

void BoardWorker::FollowGame() {
  gameFollowUntil_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGameFollowMs);
  if (gameStill_) {
    gameStill_ = false;  // one wake-up, however many reports come before it
    gameWake_.notify_one();
  }
}

void BoardWorker::RunLook(std::stop_token stop) {
  while (!stop.stop_requested()) {
    std::uint64_t number = 0;
    {
      std::lock_guard lock(mutex_);
      number = ++scansStarted_;
    }
    Scan scan;
    {
      std::lock_guard apiLock(apiMutex_);
      scan = ScanInterfaces(api_, hints_);
    }
    const BoardList boards = ListBoards(scan);
    {
      StateLock lock(*this);
      bool changed = boards.serials != state_.serials;
      state_.serials = boards.serials;
      // While a board is read, what is wrong is the reading thread's to say.
      if (auto problem = ScanProblem(boards, state_.openSerial);
          !state_.live && problem && *problem != state_.problem) {
        state_.problem = std::move(*problem);
        changed = true;
      }
      latest_ = std::move(scan);
      latestNumber_ = number;
      if (changed) Publish();
    }
    wake_.notify_all();
    std::unique_lock lock(mutex_);  // mutex_ alone, to wait
    // An unplug seen by the reading thread ends a long wait: the board's
    // return is then looked for at the shorter interval.
    const bool reading = state_.live;
    wake_.wait_for(lock,
                   std::chrono::milliseconds(reading ? kListIntervalMs : kRescanIntervalMs),
                   [&] { return stopping_ || (reading && !state_.live); });
  }
}

void BoardWorker::OpenFromScan() {
  std::optional<std::string> picked;
  Scan scan;
  std::string watched;
  {
    std::unique_lock lock(mutex_);
    const auto fresh = [this] { return latestNumber_ > usedScan_; };
    wake_.wait(lock, [&] { return stopping_ || (chosen_ && latest_) || resetWanted_ || fresh(); });
    if (stopping_ || !latest_ || (!chosen_ && !fresh())) return;  // stopping, or a Reset to do first
    usedScan_ = latestNumber_;
    picked = std::exchange(chosen_, std::nullopt);
    scan = *latest_;
    watched = state_.openSerial;
  }
  const std::string wanted = ChooseBoard(picked, ListBoards(scan), watched);
  if (wanted.empty()) return;
  if (const ScannedInterface* board = Find(scan, wanted)) OpenBoard(*board);
}

void BoardWorker::OpenBoard(const ScannedInterface& board) {
  std::lock_guard apiLock(apiMutex_);
  link_ = std::make_unique<DeviceLink>(api_, kEncodersVariant);
  link_->GetHidGuid();
  const std::string serial = *board.serial;
  std::string problem;
  BoardSettings settings;
  if (!link_->FindTheHid(serial)) {
    problem = "Board " + serial + " could not be opened again (unplugged?)";
  } else {
    settings = ReadBoardSettings(*link_);
    const std::string why = session_.Open(link_->DevicePath);
    if (!why.empty()) problem = link_->DevicePath + ": " + why + "; " + hints_.accessDeniedHint;
  }

  std::string gameProblem;
  std::string gameSource;
  if (problem.empty() && game_) {
    std::lock_guard gameLock(gameMutex_);
    gameProblem = game_->Attach(link_->DevicePath, link_->Attributes.VendorID,
                                link_->Attributes.ProductID);
    gameSource = game_->Source();
  }

  StateLock lock(*this);
  state_.problem = problem;
  if (!problem.empty()) {
    link_->CloseBoard();
    link_.reset();
    session_.Close();
    Publish();
    return;
  }
  state_.openSerial = serial;
  state_.devicePath = link_->DevicePath;
  state_.live = true;
  state_.manufacturer = link_->ReadBoardString(&HidApi::HidD_GetManufacturerString).value_or("");
  state_.product = link_->ReadBoardString(&HidApi::HidD_GetProductString).value_or("");
  state_.release = ReleaseCaption(link_->Attributes.VersionNumber);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    state_.ranges[static_cast<std::size_t>(axis - 1)] = session_.Layout()->Range(axis);
  }
  state_.reports = 0;
  reportsAtReset_ = 0;
  state_.lastReportMs.reset();
  state_.game.reset();
  state_.gameSource = gameSource;
  state_.gameProblem = game_ ? gameProblem : "this system has no game controller interface";
  watch_ = InputWatch(settings);
  pressedSinceTake_.reset();
  gamePressedSinceTake_.reset();
  ++state_.boardVersion;
  ++state_.gameVersion;
  if (game_) FollowGame();  // what a game sees of the board just attached
  Publish();
}

void BoardWorker::CloseBoard(const std::string& why) {
  std::lock_guard apiLock(apiMutex_);
  session_.Close();
  if (game_) {
    // The game thread's read under way ends before the board closes under it.
    std::lock_guard gameLock(gameMutex_);
    game_->Detach();
  }
  if (link_) link_->CloseBoard();
  link_.reset();
  StateLock lock(*this);
  if (!why.empty()) state_.problem = why;
  state_.live = false;
  state_.game.reset();
  ++state_.boardVersion;
  ++state_.gameVersion;
  Publish();
  wake_.notify_all();
}

void BoardWorker::StartAfresh() {
  std::optional<BoardSettings> settings;
  if (link_ && session_.IsOpen()) {
    std::lock_guard apiLock(apiMutex_);
    settings = ReadBoardSettings(*link_);
  }
  StateLock lock(*this);
  // An unplugged board's settings cannot be read: its figures are cleared
  // under the settings read last.
  if (settings) {
    watch_.Reset(std::move(*settings));
  } else {
    watch_.Reset();
  }
  pressedSinceTake_.reset();
  reportsAtReset_ = session_.Reports();
  state_.reports = 0;
  state_.lastReportMs.reset();
  ++state_.boardVersion;
  Publish();
}

void BoardWorker::ReadInputs() {
  InputSample sample;
  switch (session_.Next(kReadTimeoutMs, sample)) {
    case InputSession::Outcome::Sample: {
      StateLock lock(*this);
      changes_.clear();
      watch_.Take(sample, changes_);
      pressedSinceTake_ |= sample.buttons;
      if (game_) FollowGame();
      state_.reports = session_.Reports() - reportsAtReset_;
      state_.lastReportMs = sample.ms;
      Publish();
      break;
    }
    case InputSession::Outcome::Nothing:
      break;
    case InputSession::Outcome::Gone: {
      std::string why;
      {
        std::lock_guard lock(mutex_);
        why = UnpluggedProblem(state_.openSerial, state_.serials);
        usedScan_ = scansStarted_;
      }
      CloseBoard(why);
      break;
    }
  }
}

void BoardWorker::ReadGame() {
  // Both locks, in the one order every thread keeps: gameMutex_, then
  // mutex_. The reading thread never takes gameMutex_ while it holds mutex_.
  std::lock_guard gameLock(gameMutex_);
  std::optional<GameSnapshot> snapshot = game_->Read();
  StateLock lock(*this);
  const bool changed =
      snapshot.has_value() != state_.game.has_value() ||
      (snapshot && (snapshot->buttons != state_.game->buttons ||
                    !std::ranges::equal(snapshot->axes, state_.game->axes,
                                        [](const GameAxis& a, const GameAxis& b) {
                                          return a.value == b.value && a.name == b.name;
                                        })));
  if (!changed) return;
  if (snapshot) gamePressedSinceTake_ |= snapshot->buttons;
  state_.game = std::move(snapshot);
  ++state_.gameVersion;
  Publish();
}

}  // namespace tq::monitor
