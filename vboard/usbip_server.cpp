#include "vboard/usbip_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <optional>
#include <thread>
#include <vector>

#include "vboard/usb_descriptors.h"

namespace tq::vboard {
namespace {

bool ReadExactly(int fd, std::uint8_t* buffer, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::read(fd, buffer + done, length - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// The kernel shuts the socket when the board is unplugged, maybe while a
// reply is on its way: that write fails with EPIPE and ends the serving,
// instead of SIGPIPE ending the whole process.
bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Nothing a HID board takes through endpoint 0 is longer than this.
constexpr std::int32_t kMaxTransfer = 64 * 1024;
constexpr std::size_t kIsoDescriptorLength = 16;
// How far back a late check still walks the grid.
constexpr std::uint64_t kInputCatchUpLimitMs = 250;

}  // namespace

void ServeUsbip(int fd, BoardDevice& device) {
  // Interrupt IN submits the host waits on, oldest first: each is answered
  // with the next input report that differs from the last one sent, looked
  // at on a grid of endpoint intervals on the device's clock.
  std::deque<UsbipRequest> waitingInputs;
  std::uint64_t nextInputCheckMs = device.Now();
  std::uint8_t header[kUsbipHeaderLength];
  for (;;) {
    int timeoutMs = -1;
    if (!waitingInputs.empty()) {
      const std::uint64_t now = device.Now();
      if (now >= nextInputCheckMs) {
        // A board's firmware samples every interval on time; this thread may
        // wake late (a loaded host, a VM's one CPU). It then walks the grid
        // points it missed in order, so a press and its release between two
        // wake-ups are both sent, late, instead of neither. Points older than
        // the limit are skipped: after a long silence (nobody reading) the
        // host gets the state as it is, not old history.
        if (now - nextInputCheckMs > kInputCatchUpLimitMs) {
          nextInputCheckMs += (now - nextInputCheckMs - kInputCatchUpLimitMs) / kInputIntervalMs * kInputIntervalMs;
        }
        std::optional<std::vector<std::uint8_t>> report;
        while (!report && nextInputCheckMs <= now) {
          report = device.TakeInputReport(nextInputCheckMs);
          nextInputCheckMs += kInputIntervalMs;
        }
        if (report) {
          const UsbipRequest& waiting = waitingInputs.front();
          if (report->size() > static_cast<std::size_t>(waiting.transferLength)) {
            report->resize(static_cast<std::size_t>(waiting.transferLength));
          }
          const auto actual = static_cast<std::int32_t>(report->size());
          if (!WriteAll(fd, EncodeSubmitReply(waiting, 0, *report, actual))) return;
          waitingInputs.pop_front();
          continue;
        }
      }
      const std::uint64_t later = device.Now();
      timeoutMs = later >= nextInputCheckMs ? 0 : static_cast<int>(nextInputCheckMs - later);
    }
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, timeoutMs);
    if (polled < 0 && errno == EINTR) continue;
    if (polled < 0) return;
    if (polled == 0) continue;
    if (!ReadExactly(fd, header, sizeof header)) return;
    const auto request = DecodeRequest(header, sizeof header);
    if (!request || request->transferLength > kMaxTransfer || request->isoPackets < 0 ||
        request->isoPackets > 1024) {
      return;
    }
    if (request->command == UsbipCommand::kCmdUnlink) {
      const auto held = std::find_if(waitingInputs.begin(), waitingInputs.end(),
                                     [&](const UsbipRequest& waiting) {
                                       return waiting.seqnum == request->unlinkSeqnum;
                                     });
      const bool wasHeld = held != waitingInputs.end();
      if (wasHeld) waitingInputs.erase(held);
      if (!WriteAll(fd, EncodeUnlinkReply(*request, wasHeld ? -ECONNRESET : 0))) return;
      continue;
    }
    std::vector<std::uint8_t> outData;
    if (request->direction == kUsbipDirOut) {
      outData.resize(static_cast<std::size_t>(request->transferLength));
      if (!ReadExactly(fd, outData.data(), outData.size())) return;
    }
    std::vector<std::uint8_t> iso(static_cast<std::size_t>(request->isoPackets) *
                                  kIsoDescriptorLength);
    if (!iso.empty() && !ReadExactly(fd, iso.data(), iso.size())) return;

    if (request->endpoint != 0) {
      if (request->direction == kUsbipDirIn) {
        waitingInputs.push_back(*request);
        continue;
      }
      if (!WriteAll(fd, EncodeSubmitReply(*request, -EPIPE, {}, 0))) return;
      continue;
    }
    const ControlReply reply = device.Control(DecodeSetup(request->setup), outData);
    if (reply.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
    std::vector<std::uint8_t> data = reply.data;
    if (data.size() > static_cast<std::size_t>(request->transferLength)) {
      data.resize(static_cast<std::size_t>(request->transferLength));
    }
    const std::int32_t actual = reply.stall ? 0
                                : request->direction == kUsbipDirIn
                                    ? static_cast<std::int32_t>(data.size())
                                    : request->transferLength;
    if (!WriteAll(fd, EncodeSubmitReply(*request, reply.stall ? -EPIPE : 0,
                                        reply.stall ? std::vector<std::uint8_t>{} : data, actual))) {
      return;
    }
  }
}

}  // namespace tq::vboard
