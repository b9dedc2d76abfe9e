// A TQ5271 board as a USB device: answers the control requests the host
// sends on endpoint 0 from the one board model (EmulatedBoard), and logs each
// request it answers. Transport-free, so it is tested without a kernel.
// Thread-safe: the bus thread answers while a test inspects and changes it.
#pragma once

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

struct ControlReply {
  bool stall = false;
  std::vector<std::uint8_t> data;  // IN data stage
  unsigned delayMs = 0;
};

class BoardDevice {
 public:
  explicit BoardDevice(emu::EmulatedBoard board, BoardFaults faults = {});

  // Answers one control request; `outData` is an OUT request's data stage.
  ControlReply Control(const SetupPacket& setup, const std::vector<std::uint8_t>& outData);

  // Copies out or changes the model and faults under the device's lock.
  emu::EmulatedBoard Board() const;
  void ChangeBoard(const std::function<void(emu::EmulatedBoard&)>& change);
  void SetFaults(const BoardFaults& faults);

  std::vector<LoggedRequest> Log() const;
  // Entries of one type, in order.
  std::vector<LoggedRequest> LogOf(const std::string& type) const;
  void ClearLog();
  // Every request answered since the board was made, cleared logs included.
  std::size_t AnsweredCount() const;
  // Also writes each entry as a line to `file` (which must outlive this).
  void MirrorLogTo(std::ostream* file);

 private:
  ControlReply Answer(const SetupPacket& setup, const std::vector<std::uint8_t>& outData,
                      LoggedRequest& entry);
  ControlReply AnswerGetDescriptor(const SetupPacket& setup, LoggedRequest& entry);
  ControlReply AnswerGetReport(const SetupPacket& setup, LoggedRequest& entry);
  ControlReply AnswerSetReport(const SetupPacket& setup, const std::vector<std::uint8_t>& data,
                               LoggedRequest& entry);

  mutable std::mutex mutex_;
  emu::EmulatedBoard board_;
  BoardFaults faults_;
  std::vector<LoggedRequest> log_;
  std::size_t answered_ = 0;
  std::ostream* mirror_ = nullptr;
};

}  // namespace tq::vboard
