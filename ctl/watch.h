// tq5271ctl watch: the board's input reports followed until the time is up
// or the user interrupts, one line (or one JSON object) per change, measured
// by the same code as the monitor window, and at the end what arrived of
// the inputs (inputs_seen.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "board/input_sample.h"
#include "board/input_watch.h"
#include "board/inputs_seen.h"
#include "ctl/commands.h"

namespace tq::ctl {

// The board's input reports, decoded and stamped with the source's clock.
class SampleSource {
 public:
  enum class Result { Sample, Nothing, Gone };
  virtual ~SampleSource() = default;
  // The next report that differs from the last, waiting at most timeoutMs.
  virtual Result Next(std::uint32_t timeoutMs, monitor::InputSample& sample) = 0;
  // The clock the samples are stamped with, in ms.
  virtual std::int64_t NowMs() = 0;
  // Each axis's logical range, as the report describes it; empty where
  // unknown.
  virtual monitor::AxisRanges Ranges() const { return {}; }
};

// A source over the board just opened, or nullptr and a one-line reason.
using SampleSourceOpener =
    std::function<std::unique_ptr<SampleSource>(OpenBoard& board, std::string& error)>;

// The opener over the platform: input reports read from the board's handle.
std::unique_ptr<SampleSource> OpenInputReports(OpenBoard& board, std::string& error);

struct WatchOptions {
  bool json = false;
  std::optional<double> forSeconds;  // none: until stopped
};

// How long one wait for a report may last, so that an interrupt or the end
// of the time is noticed promptly even while the board sends nothing.
inline constexpr std::uint32_t kWatchWaitMs = 100;

// Prints every change of every sample, its time counted from the start,
// until the time is up or `stop` is set (0), then what arrived of the inputs
// (the seen line, and what did not arrive); or until the board is lost (2).
int WatchLoop(SampleSource& source, monitor::InputWatch& watch, const Console& console,
              const WatchOptions& options, const std::atomic<bool>& stop);

// The command: opens the board (2 when there is none), reads its settings,
// names what it watches, then runs the loop; Ctrl-C stops it with 0.
int Watch(const Console& console, const std::optional<std::string>& serial,
          const WatchOptions& options, const SampleSourceOpener& open = OpenInputReports);

}  // namespace tq::ctl
