#include "ctl/watch.h"

#include <algorithm>
#include <cmath>
#include <csignal>

#include "board/board_settings.h"
#include "board/change_text.h"
#include "board/input_session.h"
#include "ctl/change_json.h"
#include "ctl/seen_json.h"

namespace tq::ctl {
namespace {

// Set by Ctrl-C while a watch runs; a lock-free atomic may be stored from a
// signal handler.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { gInterrupted.store(true); }

// Ctrl-C ends the watch instead of the process, for as long as this lives.
class InterruptStopsWatch {
 public:
  InterruptStopsWatch() {
    gInterrupted.store(false);
    previous_ = std::signal(SIGINT, OnInterrupt);
  }
  ~InterruptStopsWatch() { std::signal(SIGINT, previous_); }
  InterruptStopsWatch(const InterruptStopsWatch&) = delete;
  InterruptStopsWatch& operator=(const InterruptStopsWatch&) = delete;

 private:
  void (*previous_)(int) = SIG_DFL;
};

// "enc3 1:2, enc8 1:4; pulse 48 ms": the pairs the board pulses as encoders.
std::string EncoderSummary(const monitor::BoardSettings& settings) {
  if (!settings.PairType(1)) return "encoder settings not read";
  std::string pairs;
  for (int pair = 1; pair <= monitor::kPairCount; ++pair) {
    const auto type = settings.PairType(pair);
    if (!type || *type == monitor::kTypeOff) continue;
    pairs += (pairs.empty() ? "" : ", ") + ("enc" + std::to_string(pair)) + " " +
             settings.PairTypeName(pair).value_or("?");
  }
  const auto width = settings.PulseWidthMs();
  return (pairs.empty() ? std::string("no encoders") : pairs) + "; pulse " +
         (width ? std::to_string(*width) + " ms" : std::string("not set"));
}

}  // namespace

namespace {

// The board's input reports through the monitor's own reader, stamped by
// the steady clock.
class InputReports final : public SampleSource {
 public:
  explicit InputReports(HidApi& api) : session_(api, monitor::SteadyMilliseconds) {}
  std::string Open(const std::string& devicePath) { return session_.Open(devicePath); }

  Result Next(std::uint32_t timeoutMs, monitor::InputSample& sample) override {
    switch (session_.Next(timeoutMs, sample)) {
      case monitor::InputSession::Outcome::Sample:
        return Result::Sample;
      case monitor::InputSession::Outcome::Nothing:
        return Result::Nothing;
      case monitor::InputSession::Outcome::Gone:
        break;
    }
    return Result::Gone;
  }
  std::int64_t NowMs() override { return monitor::SteadyMilliseconds(); }
  monitor::AxisRanges Ranges() const override {
    monitor::AxisRanges ranges{};
    if (!session_.Layout()) return ranges;
    for (int axis = 1; axis <= monitor::kAxisCount; ++axis) {
      ranges[static_cast<std::size_t>(axis - 1)] = session_.Layout()->Range(axis);
    }
    return ranges;
  }

 private:
  monitor::InputSession session_;
};

}  // namespace

std::unique_ptr<SampleSource> OpenInputReports(OpenBoard& board, std::string& error) {
  auto reports = std::make_unique<InputReports>(board.link.Api());
  const std::string why = reports->Open(board.link.DevicePath);
  if (!why.empty()) {
    error = board.link.DevicePath + ": " + why;
    return nullptr;
  }
  return reports;
}

int WatchLoop(SampleSource& source, monitor::InputWatch& watch, const Console& console,
              const WatchOptions& options, const std::atomic<bool>& stop) {
  const std::int64_t start = source.NowMs();
  std::optional<std::int64_t> end;
  if (options.forSeconds) end = start + std::llround(*options.forSeconds * 1000.0);
  monitor::InputSample sample;
  while (!stop.load()) {
    std::uint32_t wait = kWatchWaitMs;
    if (end) {
      const std::int64_t left = *end - source.NowMs();
      if (left <= 0) break;
      wait = static_cast<std::uint32_t>(std::min<std::int64_t>(left, kWatchWaitMs));
    }
    const SampleSource::Result result = source.Next(wait, sample);
    if (result == SampleSource::Result::Gone) {
      console.out.flush();
      console.err << "tq5271ctl: board lost\n";
      return kExitError;
    }
    if (result != SampleSource::Result::Sample) continue;
    for (monitor::Change change : watch.Take(sample)) {
      change.ms -= start;
      console.out << (options.json ? ChangeJson(change) : monitor::ChangeLine(change)) << "\n";
    }
    // Each change is seen as it happens, also through a pipe.
    console.out.flush();
  }
  const monitor::AxisReadings axes = monitor::ReadingsOf(watch);
  const monitor::AxisRanges ranges = source.Ranges();
  if (options.json) {
    console.out << SeenJson(source.NowMs() - start, watch.AllPresses(), axes, ranges) << "\n";
  } else {
    console.out << monitor::SeenLine(monitor::CountSeen(watch.AllPresses(), axes, ranges)) << "\n";
    const std::string missing = monitor::MissingLine(watch.AllPresses(), axes, ranges);
    if (!missing.empty()) console.out << missing << "\n";
  }
  console.out.flush();
  return kExitOk;
}

int Watch(const Console& console, const std::optional<std::string>& serial,
          const WatchOptions& options, const SampleSourceOpener& open) {
  const auto board = OpenBoardOrSay(console, serial);
  if (!board) return kExitError;
  monitor::InputWatch watch(monitor::ReadBoardSettings(board->link));
  std::string error;
  const std::unique_ptr<SampleSource> source = open(*board, error);
  if (!source) {
    console.err << "tq5271ctl: " << error << "\n";
    return kExitError;
  }
  if (!options.json) {
    console.out << "watching board " << board->seen.serial.value_or("?") << "  "
                << EncoderSummary(watch.Settings()) << "; Ctrl-C stops\n";
  }
  const InterruptStopsWatch interrupt;
  return WatchLoop(*source, watch, console, options, gInterrupted);
}

}  // namespace tq::ctl
