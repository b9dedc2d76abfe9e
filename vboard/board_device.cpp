#include "vboard/board_device.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "emulator/board_descriptor.h"
#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

// bmRequestType and bRequest values of the requests a HID device answers.
constexpr std::uint8_t kStandardDeviceIn = 0x80;
constexpr std::uint8_t kStandardInterfaceIn = 0x81;
constexpr std::uint8_t kClassInterfaceIn = 0xA1;
constexpr std::uint8_t kClassInterfaceOut = 0x21;
constexpr std::uint8_t kGetStatus = 0x00;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kGetConfiguration = 0x08;
constexpr std::uint8_t kSetConfiguration = 0x09;
constexpr std::uint8_t kSetInterface = 0x0B;
constexpr std::uint8_t kClearFeature = 0x01;
constexpr std::uint8_t kHidGetReport = 0x01;
constexpr std::uint8_t kHidGetIdle = 0x02;
constexpr std::uint8_t kHidGetProtocol = 0x03;
constexpr std::uint8_t kHidSetReport = 0x09;
constexpr std::uint8_t kHidSetIdle = 0x0A;
constexpr std::uint8_t kHidSetProtocol = 0x0B;
constexpr std::uint8_t kReportTypeInput = 1;
constexpr std::uint8_t kReportTypeFeature = 3;

ControlReply Stall() { return ControlReply{true, {}, 0}; }

ControlReply Data(std::vector<std::uint8_t> bytes, std::uint16_t length) {
  if (bytes.size() > length) bytes.resize(length);
  return ControlReply{false, std::move(bytes), 0};
}

}  // namespace

std::string FormatLogLine(const LoggedRequest& entry) {
  char head[64];
  std::snprintf(head, sizeof head, "%s value=%04x length=%u%s", entry.type.c_str(), entry.value,
                entry.length, entry.stalled ? " stall" : "");
  std::string line = head;
  for (const std::uint8_t byte : entry.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", byte);
    line += hex;
  }
  return line;
}

std::string FormatInputLine(const SentInput& entry) {
  std::string line = "INPUT ms=" + std::to_string(entry.ms);
  for (const std::uint8_t byte : entry.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", byte);
    line += hex;
  }
  return line;
}

BoardDevice::BoardDevice(emu::EmulatedBoard board, BoardFaults faults, Clock clock)
    : clock_(std::move(clock)), board_(std::move(board)), faults_(faults) {
  if (!clock_) {
    const auto start = std::chrono::steady_clock::now();
    clock_ = [start] {
      return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
    };
  }
}

void BoardDevice::CatchUp() { CatchUpTo(clock_()); }

void BoardDevice::CatchUpTo(std::uint64_t ms) {
  if (ms > board_.clockMs) board_.AdvanceTime(ms - board_.clockMs);
}

std::uint64_t BoardDevice::Now() const { return clock_(); }

std::optional<std::vector<std::uint8_t>> BoardDevice::TakeInputReport(std::uint64_t atMs) {
  std::lock_guard lock(mutex_);
  CatchUpTo(atMs);
  std::vector<std::uint8_t> data;
  if (board_.rawInputReport) {
    data = *board_.rawInputReport;
  } else {
    const std::vector<std::uint8_t> report = board_.InputReport();
    data.assign(report.begin() + 1, report.end());
  }
  if (lastInput_ == data) return std::nullopt;
  lastInput_ = data;
  SentInput entry{board_.clockMs, data};
  if (mirror_ != nullptr) *mirror_ << FormatInputLine(entry) << std::endl;
  inputLog_.push_back(std::move(entry));
  return data;
}

std::vector<SentInput> BoardDevice::InputLog() const {
  std::lock_guard lock(mutex_);
  return inputLog_;
}

ControlReply BoardDevice::Control(const SetupPacket& setup,
                                  const std::vector<std::uint8_t>& outData) {
  std::lock_guard lock(mutex_);
  LoggedRequest entry;
  entry.value = setup.value;
  entry.length = setup.length;
  ControlReply reply = Answer(setup, outData, entry);
  entry.stalled = reply.stall;
  if (!reply.stall) {
    entry.bytes = (setup.requestType & 0x80) != 0 ? reply.data : outData;
  }
  if (mirror_ != nullptr) *mirror_ << FormatLogLine(entry) << std::endl;
  log_.push_back(std::move(entry));
  ++answered_;
  answeredMoved_.notify_all();
  return reply;
}

ControlReply BoardDevice::Answer(const SetupPacket& setup,
                                 const std::vector<std::uint8_t>& outData,
                                 LoggedRequest& entry) {
  switch (setup.requestType) {
    case kStandardDeviceIn:
    case kStandardInterfaceIn:
      if (setup.request == kGetDescriptor) return AnswerGetDescriptor(setup, entry);
      if (setup.request == kGetStatus) {
        entry.type = "GET_STATUS";
        return Data({0, 0}, setup.length);
      }
      if (setup.request == kGetConfiguration) {
        entry.type = "GET_CONFIGURATION";
        return Data({1}, setup.length);
      }
      break;
    case 0x00:
      if (setup.request == kSetConfiguration) {
        entry.type = "SET_CONFIGURATION";
        return {};
      }
      break;
    case 0x01:
      if (setup.request == kSetInterface) {
        entry.type = "SET_INTERFACE";
        return {};
      }
      break;
    case 0x02:
      if (setup.request == kClearFeature) {
        entry.type = "CLEAR_FEATURE";
        return {};
      }
      break;
    case kClassInterfaceIn:
      if (setup.request == kHidGetReport) return AnswerGetReport(setup, entry);
      if (setup.request == kHidGetIdle || setup.request == kHidGetProtocol) {
        entry.type = setup.request == kHidGetIdle ? "GET_IDLE" : "GET_PROTOCOL";
        return Data({0}, setup.length);
      }
      break;
    case kClassInterfaceOut:
      if (setup.request == kHidSetReport) return AnswerSetReport(setup, outData, entry);
      if (setup.request == kHidSetIdle || setup.request == kHidSetProtocol) {
        entry.type = setup.request == kHidSetIdle ? "SET_IDLE" : "SET_PROTOCOL";
        return {};
      }
      break;
    default:
      break;
  }
  char name[32];
  std::snprintf(name, sizeof name, "REQUEST_%02x_%02x", setup.requestType, setup.request);
  entry.type = name;
  return Stall();
}

ControlReply BoardDevice::AnswerGetDescriptor(const SetupPacket& setup, LoggedRequest& entry) {
  const std::uint8_t type = static_cast<std::uint8_t>(setup.value >> 8);
  const std::uint8_t index = static_cast<std::uint8_t>(setup.value);
  if (type == 3) {
    entry.type = "GET_STRING";
    if (index == 0) return Data(LanguageDescriptor(), setup.length);
    // usbfs passes the language through untouched; a board speaks only its own.
    if (setup.index != kEnglishUs) return Stall();
    std::optional<std::u16string> text;
    if (index == kManufacturerIndex) text = board_.manufacturer;
    if (index == kProductIndex) text = board_.product;
    if (index == kSerialIndex) text = board_.serial;
    if (const auto it = board_.indexedStrings.find(index); !text && it != board_.indexedStrings.end()) {
      text = it->second;
    }
    if (!text) return Stall();
    return Data(StringDescriptor(*text), setup.length);
  }
  entry.type = "GET_DESCRIPTOR";
  if (setup.requestType == kStandardDeviceIn && index == 0) {
    if (type == 1) return Data(DeviceDescriptor(board_), setup.length);
    if (type == 2) return Data(ConfigurationDescriptor(board_), setup.length);
  }
  if (setup.requestType == kStandardInterfaceIn && setup.index == 0) {
    if (type == 0x21) return Data(HidDescriptor(board_), setup.length);
    if (type == 0x22) return Data(emu::BoardDescriptor(board_), setup.length);
  }
  return Stall();  // device qualifier and others: a full-speed-only device
}

ControlReply BoardDevice::AnswerGetReport(const SetupPacket& setup, LoggedRequest& entry) {
  entry.type = "GET_REPORT";
  const std::uint8_t reportType = static_cast<std::uint8_t>(setup.value >> 8);
  if (reportType == kReportTypeInput) {
    CatchUp();
    const std::vector<std::uint8_t> report = board_.InputReport();
    return Data(std::vector<std::uint8_t>(report.begin() + 1, report.end()), setup.length);
  }
  if (reportType != kReportTypeFeature || faults_.stallGetReport) return Stall();
  // The model fills a report with its ID byte in front; no ID goes on the wire.
  std::vector<std::uint8_t> report(std::max<std::size_t>(board_.featureReportByteLength, 1), 0);
  if (!board_.AnswerGetFeature(report.data(), report.size())) return Stall();
  std::vector<std::uint8_t> data(report.begin() + 1, report.end());
  if (faults_.getReportReplyBytes && data.size() > *faults_.getReportReplyBytes) {
    data.resize(*faults_.getReportReplyBytes);
  }
  ControlReply reply = Data(std::move(data), setup.length);
  reply.delayMs = faults_.getReportDelayMs;
  return reply;
}

ControlReply BoardDevice::AnswerSetReport(const SetupPacket& setup,
                                          const std::vector<std::uint8_t>& data,
                                          LoggedRequest& entry) {
  entry.type = "SET_REPORT";
  if (setup.value >> 8 != kReportTypeFeature) return Stall();
  std::vector<std::uint8_t> report;
  report.reserve(data.size() + 1);
  report.push_back(static_cast<std::uint8_t>(setup.value));
  report.insert(report.end(), data.begin(), data.end());
  if (!board_.TakeSetFeature(report.data(), report.size())) return Stall();
  return {};
}

emu::EmulatedBoard BoardDevice::Board() const {
  std::lock_guard lock(mutex_);
  return board_;
}

void BoardDevice::ChangeBoard(const std::function<void(emu::EmulatedBoard&)>& change) {
  std::lock_guard lock(mutex_);
  CatchUp();
  change(board_);
}

void BoardDevice::SetFaults(const BoardFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

std::vector<LoggedRequest> BoardDevice::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<LoggedRequest> BoardDevice::LogOf(const std::string& type) const {
  std::lock_guard lock(mutex_);
  std::vector<LoggedRequest> entries;
  std::copy_if(log_.begin(), log_.end(), std::back_inserter(entries),
               [&](const LoggedRequest& entry) { return entry.type == type; });
  return entries;
}

void BoardDevice::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::size_t BoardDevice::AnsweredCount() const {
  std::lock_guard lock(mutex_);
  return answered_;
}

bool BoardDevice::WaitForAnswered(std::size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return answeredMoved_.wait_for(lock, limit, [&] { return answered_ >= count; });
}

void BoardDevice::MirrorLogTo(std::ostream* file) {
  std::lock_guard lock(mutex_);
  mirror_ = file;
}

}  // namespace tq::vboard
