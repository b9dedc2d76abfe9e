// One board's input reports, read on a handle of their own: opened for
// reading with the overlapped flag (the read waits with a timeout), the
// parser's description of the report learnt once, each report decoded into
// a sample stamped by the caller's clock as it arrives. The monitor's
// reading thread and tq5271ctl watch both read through it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/input_layout.h"
#include "board/input_sample.h"
#include "devlink/hid_api.h"

namespace tq::monitor {

// Milliseconds of the system's steady clock: when a report arrived.
std::int64_t SteadyMilliseconds();

class InputSession {
 public:
  // Milliseconds of a steady clock: when a report arrived.
  using Clock = std::function<std::int64_t()>;

  InputSession(HidApi& api, Clock clock);
  ~InputSession();
  InputSession(const InputSession&) = delete;
  InputSession& operator=(const InputSession&) = delete;

  // Empty when the interface at devicePath is open for its input reports;
  // otherwise one line: why not. The board is asked for the report it holds
  // then (HidD_GetInputReport): it sends one only when an input changes, so
  // without it nothing would show until the first move. A board that does
  // not answer leaves that to its first report.
  std::string Open(const std::string& devicePath);
  void Close();
  bool IsOpen() const { return handle_ != kInvalidHandleValue; }
  const std::optional<InputLayout>& Layout() const { return layout_; }

  enum class Outcome { Sample, Nothing, Gone };
  // Waits at most timeoutMs for the next report; with Outcome::Sample,
  // `sample` holds it. The report asked for at opening comes first, at once,
  // as the standing state; it is not counted in Reports().
  Outcome Next(std::uint32_t timeoutMs, InputSample& sample);

  std::uint64_t Reports() const { return reports_; }

 private:
  void AskStandingReport();

  HidApi& api_;
  Clock clock_;
  HANDLE handle_ = kInvalidHandleValue;
  PHIDP_PREPARSED_DATA preparsed_ = 0;
  bool havePreparsed_ = false;
  std::optional<InputLayout> layout_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t reports_ = 0;
  std::int64_t openedMs_ = 0;
  bool askedStanding_ = false;
  std::optional<InputSample> standing_;
};

}  // namespace tq::monitor
