#include "board/input_session.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tq::monitor {

std::int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

InputSession::InputSession(HidApi& api, Clock clock) : api_(api), clock_(std::move(clock)) {}

InputSession::~InputSession() { Close(); }

std::string InputSession::Open(const std::string& devicePath) {
  Close();
  handle_ = api_.CreateFileA(devicePath.c_str(), kGenericRead, kFileShareRead | kFileShareWrite,
                             nullptr, kOpenExisting, kFileFlagOverlapped, 0);
  if (handle_ == kInvalidHandleValue) {
    const std::uint32_t error = api_.GetLastError();
    if (error == kErrorAccessDenied) return "cannot open it for reading: permission denied";
    if (error == kErrorFileNotFound) return "it is gone";
    return "cannot open it for reading (error " + std::to_string(error) + ")";
  }
  if (api_.HidD_GetPreparsedData(handle_, &preparsed_) == 0) {
    Close();
    return "the system gives no description of its reports";
  }
  havePreparsed_ = true;
  layout_ = InputLayout::Learn(api_, preparsed_);
  if (!layout_) {
    Close();
    return "its reports carry no axis and no button";
  }
  buffer_.assign(layout_->ReportLength(), 0);
  reports_ = 0;
  openedMs_ = clock_();
  AskStandingReport();
  return {};
}

void InputSession::AskStandingReport() {
  standing_.reset();
  askedStanding_ = false;
  if (buffer_.empty()) return;
  std::ranges::fill(buffer_, 0);
  buffer_[0] = layout_->ReportId();
  askedStanding_ = api_.HidD_GetInputReport(handle_, buffer_.data(),
                                            static_cast<std::uint32_t>(buffer_.size())) != 0;
  if (!askedStanding_) return;
  standing_ = layout_->Decode(api_, preparsed_, buffer_, clock_());
  standing_->mayBeStanding = true;
}

void InputSession::Close() {
  if (havePreparsed_) api_.HidD_FreePreparsedData(preparsed_);
  havePreparsed_ = false;
  preparsed_ = 0;
  if (handle_ != kInvalidHandleValue) api_.CloseHandle(handle_);
  handle_ = kInvalidHandleValue;
  layout_.reset();
  standing_.reset();
  askedStanding_ = false;
}

InputSession::Outcome InputSession::Next(std::uint32_t timeoutMs, InputSample& sample) {
  if (!IsOpen()) return Outcome::Gone;
  if (standing_) {
    sample = *standing_;
    standing_.reset();
    return Outcome::Sample;
  }
  std::ranges::fill(buffer_, 0);
  std::uint32_t read = 0;
  if (api_.ReadFile(handle_, buffer_.data(), static_cast<std::uint32_t>(buffer_.size()), &read,
                    timeoutMs) == 0) {
    return api_.GetLastError() == kErrorTimeout ? Outcome::Nothing : Outcome::Gone;
  }
  const std::int64_t ms = clock_();
  ++reports_;
  sample = layout_->Decode(api_, preparsed_, buffer_, ms);
  // Once the board told its standing state, every report it sends is a
  // change; otherwise a first report later than one look at the board after
  // the opening was sent because something changed.
  sample.mayBeStanding =
      !askedStanding_ && reports_ == 1 && ms - openedMs_ <= kReportIntervalMs;
  return Outcome::Sample;
}

}  // namespace tq::monitor
