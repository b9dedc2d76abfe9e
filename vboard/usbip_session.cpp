#include "vboard/usbip_session.h"

#include <algorithm>
#include <cerrno>

#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

// How far back a late check still walks the grid.
constexpr std::uint64_t kInputCatchUpLimitMs = 250;

// Cuts an IN data stage to what the host asked for.
void CutTo(std::vector<std::uint8_t>& data, std::int32_t transferLength) {
  if (data.size() > static_cast<std::size_t>(transferLength)) {
    data.resize(static_cast<std::size_t>(transferLength));
  }
}

}  // namespace

UsbipSession::UsbipSession(BoardDevice& device)
    : device_(device), nextInputCheckMs_(device.Now()) {}

std::optional<UsbipReply> UsbipSession::Answer(const UsbipMessage& message) {
  const UsbipRequest& request = message.request;
  if (request.command == UsbipCommand::kCmdUnlink) {
    const auto held = std::find_if(waitingInputs_.begin(), waitingInputs_.end(),
                                   [&](const UsbipRequest& waiting) {
                                     return waiting.seqnum == request.unlinkSeqnum;
                                   });
    const bool wasHeld = held != waitingInputs_.end();
    if (wasHeld) waitingInputs_.erase(held);
    return UsbipReply{EncodeUnlinkReply(request, wasHeld ? -ECONNRESET : 0), 0};
  }
  if (request.endpoint != 0) {
    if (request.direction == kUsbipDirIn) {
      waitingInputs_.push_back(request);
      return std::nullopt;
    }
    return UsbipReply{EncodeSubmitReply(request, -EPIPE, {}, 0), 0};
  }
  ControlReply reply = device_.Control(DecodeSetup(request.setup), message.outData);
  if (reply.stall) return UsbipReply{EncodeSubmitReply(request, -EPIPE, {}, 0), reply.delayMs};
  CutTo(reply.data, request.transferLength);
  const std::int32_t actual = request.direction == kUsbipDirIn
                                  ? static_cast<std::int32_t>(reply.data.size())
                                  : request.transferLength;
  return UsbipReply{EncodeSubmitReply(request, 0, reply.data, actual), reply.delayMs};
}

std::optional<std::vector<std::uint8_t>> UsbipSession::DueInput() {
  if (waitingInputs_.empty()) return std::nullopt;
  const std::uint64_t now = device_.Now();
  if (now < nextInputCheckMs_) return std::nullopt;
  // A board's firmware samples every interval on time; the server may look
  // late (a loaded host, a VM's one CPU). It then walks the grid points it
  // missed in order, so a press and its release between two looks are both
  // sent, late, instead of neither. Points older than the limit are skipped:
  // after a long silence (nobody reading) the host gets the state as it is,
  // not old history.
  if (now - nextInputCheckMs_ > kInputCatchUpLimitMs) {
    nextInputCheckMs_ +=
        (now - nextInputCheckMs_ - kInputCatchUpLimitMs) / kInputIntervalMs * kInputIntervalMs;
  }
  std::optional<std::vector<std::uint8_t>> report;
  while (!report && nextInputCheckMs_ <= now) {
    report = device_.TakeInputReport(nextInputCheckMs_);
    nextInputCheckMs_ += kInputIntervalMs;
  }
  if (!report) return std::nullopt;
  const UsbipRequest waiting = waitingInputs_.front();
  waitingInputs_.pop_front();
  CutTo(*report, waiting.transferLength);
  return EncodeSubmitReply(waiting, 0, *report, static_cast<std::int32_t>(report->size()));
}

int UsbipSession::WaitMs() const {
  if (waitingInputs_.empty()) return -1;
  const std::uint64_t now = device_.Now();
  return now >= nextInputCheckMs_ ? 0 : static_cast<int>(nextInputCheckMs_ - now);
}

}  // namespace tq::vboard
