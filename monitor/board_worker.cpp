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
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  if (game_) gameThread_ = std::jthread([this](std::stop_token stop) { RunGame(stop); });
}

void BoardWorker::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  gameThread_.request_stop();
  wake_.notify_all();
  thread_.join();
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

std::optional<MonitorState> BoardWorker::TakeIfNewer(std::uint64_t version) {
  std::lock_guard lock(mutex_);
  if (state_.version == version) return std::nullopt;
  MonitorState copy = state_;
  // The figures come from the watch only when a copy is taken, so a
  // thousand reports a second cost the window sixty copies.
  copy.settings = watch_.Settings();
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    copy.axes[static_cast<std::size_t>(axis - 1)] = watch_.Axis(axis);
  }
  for (int button = 1; button <= kButtonCount; ++button) {
    copy.buttons.set(static_cast<std::size_t>(button - 1), watch_.Pressed(button));
  }
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
  return copy;
}

void BoardWorker::Publish() { ++state_.version; }

void BoardWorker::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    bool switching = false;
    {
      std::lock_guard lock(mutex_);
      switching = chosen_.has_value();
      if (resetWanted_) {
        watch_.Reset();
        resetWanted_ = false;
        Publish();
      }
    }
    if (switching || !session_.IsOpen()) {
      if (switching) CloseBoard({});
      ScanAndOpen(stop);
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
    wake_.wait_for(lock, stop, std::chrono::milliseconds(kGameReadIntervalMs), [] { return false; });
  }
}

void BoardWorker::ScanAndOpen(std::stop_token stop) {
  const Scan scan = ScanInterfaces(api_, hints_);
  const BoardList boards = ListBoards(scan);
  std::string wanted;
  {
    std::lock_guard lock(mutex_);
    wanted = ChooseBoard(std::exchange(chosen_, std::nullopt), boards, state_.openSerial);
    state_.serials = boards.serials;
    if (auto problem = ScanProblem(boards, state_.openSerial)) state_.problem = std::move(*problem);
    Publish();
  }
  if (OpenListed(scan, wanted)) return;
  WaitForPickOrRescan(stop);
}

bool BoardWorker::OpenListed(const Scan& scan, const std::string& serial) {
  if (serial.empty()) return false;
  const ScannedInterface* board = Find(scan, serial);
  if (board == nullptr) return false;
  OpenBoard(*board);
  return session_.IsOpen();
}

void BoardWorker::WaitForPickOrRescan(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, stop, std::chrono::milliseconds(kRescanIntervalMs),
                 [this] { return chosen_.has_value(); });
}

void BoardWorker::OpenBoard(const ScannedInterface& board) {
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
    // gameMutex_ alone, released before mutex_ below (lock order: gameMutex_
    // before mutex_, never the other way round).
    std::lock_guard gameLock(gameMutex_);
    gameProblem = game_->Attach(link_->DevicePath, link_->Attributes.VendorID,
                                link_->Attributes.ProductID);
    gameSource = game_->Source();
  }

  std::lock_guard lock(mutex_);
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
  state_.manufacturer = link_->ReadBoardString(&HidApi::HidD_GetManufacturerString).value_or("");
  state_.product = link_->ReadBoardString(&HidApi::HidD_GetProductString).value_or("");
  state_.release = ReleaseCaption(link_->Attributes.VersionNumber);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    state_.ranges[static_cast<std::size_t>(axis - 1)] = session_.Layout()->Range(axis);
  }
  state_.reports = 0;
  state_.lastReportMs.reset();
  state_.game.reset();
  state_.gameSource = gameSource;
  state_.gameProblem = game_ ? gameProblem : "this system has no game controller interface";
  watch_ = InputWatch(settings);
  ++state_.boardVersion;
  ++state_.gameVersion;
  Publish();
}

void BoardWorker::CloseBoard(const std::string& why) {
  session_.Close();
  if (game_) {
    // gameMutex_ alone, released before mutex_ below; the game thread's
    // read under way ends before the board closes under it.
    std::lock_guard gameLock(gameMutex_);
    game_->Detach();
  }
  if (link_) link_->CloseBoard();
  link_.reset();
  std::lock_guard lock(mutex_);
  if (!why.empty()) state_.problem = why;
  state_.game.reset();
  ++state_.boardVersion;
  ++state_.gameVersion;
  Publish();
}

void BoardWorker::ReadInputs() {
  InputSample sample;
  switch (session_.Next(kReadTimeoutMs, sample)) {
    case InputSession::Outcome::Sample: {
      std::lock_guard lock(mutex_);
      changes_.clear();
      watch_.Take(sample, changes_);
      state_.reports = session_.Reports();
      state_.lastReportMs = sample.ms;
      Publish();
      break;
    }
    case InputSession::Outcome::Nothing:
      break;
    case InputSession::Outcome::Gone: {
      std::string serial;
      {
        std::lock_guard lock(mutex_);
        serial = state_.openSerial;
      }
      CloseBoard("Board " + serial + " is gone: plug it in again");
      break;
    }
  }
}

void BoardWorker::ReadGame() {
  // Both locks, in the one order every thread keeps: gameMutex_, then
  // mutex_. The reading thread never takes gameMutex_ while it holds mutex_.
  std::lock_guard gameLock(gameMutex_);
  std::optional<GameSnapshot> snapshot = game_->Read();
  std::lock_guard lock(mutex_);
  const bool changed =
      snapshot.has_value() != state_.game.has_value() ||
      (snapshot && (snapshot->buttons != state_.game->buttons ||
                    !std::ranges::equal(snapshot->axes, state_.game->axes,
                                        [](const GameAxis& a, const GameAxis& b) {
                                          return a.value == b.value && a.name == b.name;
                                        })));
  if (!changed) return;
  state_.game = std::move(snapshot);
  ++state_.gameVersion;
  Publish();
}

}  // namespace tq::monitor
