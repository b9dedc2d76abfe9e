// A TQ5271 board as a USB device: answers the control requests the host
// sends on endpoint 0 from the one board model (EmulatedBoard), and logs each
// request it answers; hands out the input reports its interrupt IN endpoint
// sends, with the model's clock following the device's clock. Transport-free,
// so it is tested without a kernel. Thread-safe: the bus thread answers
// while a test inspects and changes it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "emulator/emulated_board.h"
#include "vboard/usbip_codec.h"

namespace tq::vboard {

// Ways a board's firmware misbehaves on GET_REPORT.
struct BoardFaults {
  // Answers at most this many bytes of the report's data stage.
  std::optional<std::size_t> getReportReplyBytes;
  // Stalls every GET_REPORT (set requests still work).
  bool stallGetReport = false;
  // Waits this long before answering a GET_REPORT.
  unsigned getReportDelayMs = 0;
};

// One answered request. `bytes` is the data stage as it crossed the bus: what
// the board sent for an IN request, what it received for an OUT request.
struct LoggedRequest {
  std::string type;  // "GET_REPORT", "SET_REPORT", "GET_STRING", "GET_DESCRIPTOR", ...
  std::uint16_t value = 0;  // wValue: string index, report type and ID, descriptor type
  std::uint16_t length = 0;  // wLength as the host asked
  std::vector<std::uint8_t> bytes;
  bool stalled = false;
};

// "GET_REPORT value=0300 length=63 stall 00 10 ..." : one line of the log file.
std::string FormatLogLine(const LoggedRequest& entry);

// One input report sent on the interrupt IN endpoint: when (on the device's
// clock) and its bytes as they crossed the bus (no report-ID byte).
struct SentInput {
  std::uint64_t ms = 0;
  std::vector<std::uint8_t> bytes;
};

// "INPUT ms=1234 00 7f ..." : one line of the log file.
std::string FormatInputLine(const SentInput& entry);

struct ControlReply {
  bool stall = false;
  std::vector<std::uint8_t> data;  // IN data stage
  unsigned delayMs = 0;
};

class BoardDevice {
 public:
  // Milliseconds on the device's clock; by default since the device was made.
  using Clock = std::function<std::uint64_t()>;
  explicit BoardDevice(emu::EmulatedBoard board, BoardFaults faults = {}, Clock clock = {});

  // Answers one control request; `outData` is an OUT request's data stage.
  ControlReply Control(const SetupPacket& setup, const std::vector<std::uint8_t>& outData);

  // Copies out or changes the model and faults under the device's lock. A
  // change happens at the clock's time, so a turn starts its pulses now.
  emu::EmulatedBoard Board() const;
  void ChangeBoard(const std::function<void(emu::EmulatedBoard&)>& change);

  // The device's clock, in ms.
  std::uint64_t Now() const;
  // The input report due at `atMs` (or now, when the model's clock is
  // already past it) without its ID byte, when it differs from the last one
  // sent (the first is always due), and logs it as sent at that time;
  // nullopt when nothing changed. Asked on the endpoint's interval grid
  // while the host waits for a report, so the host sees every change that
  // lasts that long, sampled at exact intervals however late the asking.
  std::optional<std::vector<std::uint8_t>> TakeInputReport(std::uint64_t atMs);
  std::vector<SentInput> InputLog() const;
  void SetFaults(const BoardFaults& faults);

  std::vector<LoggedRequest> Log() const;
  // Entries of one type, in order.
  std::vector<LoggedRequest> LogOf(const std::string& type) const;
  void ClearLog();
  // Every request answered since the board was made, cleared logs included.
  std::size_t AnsweredCount() const;
  // Waits, up to `limit`, until that count reaches `count`; whether it has.
  bool WaitForAnswered(std::size_t count, std::chrono::milliseconds limit) const;
  // Also writes each entry as a line to `file` (which must outlive this).
  void MirrorLogTo(std::ostream* file);

 private:
  ControlReply Answer(const SetupPacket& setup, const std::vector<std::uint8_t>& outData,
                      LoggedRequest& entry);
  ControlReply AnswerGetDescriptor(const SetupPacket& setup, LoggedRequest& entry);
  ControlReply AnswerGetReport(const SetupPacket& setup, LoggedRequest& entry);
  ControlReply AnswerSetReport(const SetupPacket& setup, const std::vector<std::uint8_t>& data,
                               LoggedRequest& entry);

  // Brings the model's clock up to `ms` (the device's clock by default).
  void CatchUp();
  void CatchUpTo(std::uint64_t ms);

  mutable std::mutex mutex_;
  Clock clock_;
  emu::EmulatedBoard board_;
  std::optional<std::vector<std::uint8_t>> lastInput_;
  std::vector<SentInput> inputLog_;
  BoardFaults faults_;
  std::vector<LoggedRequest> log_;
  std::size_t answered_ = 0;
  mutable std::condition_variable answeredMoved_;
  std::ostream* mirror_ = nullptr;
};

}  // namespace tq::vboard
