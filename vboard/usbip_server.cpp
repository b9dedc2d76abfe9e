#include "vboard/usbip_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "vboard/usbip_session.h"

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

}  // namespace

void ServeUsbip(int fd, BoardDevice& device) {
  UsbipSession session(device);
  std::vector<std::uint8_t> bytes;
  for (;;) {
    if (const auto input = session.DueInput()) {
      if (!WriteAll(fd, *input)) return;
      continue;
    }
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, session.WaitMs());
    if (polled < 0 && errno == EINTR) continue;
    if (polled < 0) return;
    if (polled == 0) continue;
    // The header says how many bytes follow it.
    bytes.resize(kUsbipHeaderLength);
    if (!ReadExactly(fd, bytes.data(), bytes.size())) return;
    UsbipFrame frame = FrameRequest(bytes.data(), bytes.size());
    if (frame.state == UsbipFrame::State::kNeedMore) {
      bytes.resize(frame.length);
      if (!ReadExactly(fd, bytes.data() + kUsbipHeaderLength, frame.length - kUsbipHeaderLength)) {
        return;
      }
      frame = FrameRequest(bytes.data(), bytes.size());
    }
    if (frame.state != UsbipFrame::State::kComplete) return;
    const auto reply = session.Answer(frame.message);
    if (!reply) continue;
    if (reply->delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply->delayMs));
    if (!WriteAll(fd, reply->bytes)) return;
  }
}

}  // namespace tq::vboard
