#include "vboard/usbip_server.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

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

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Nothing a HID board takes through endpoint 0 is longer than this.
constexpr std::int32_t kMaxTransfer = 64 * 1024;
constexpr std::size_t kIsoDescriptorLength = 16;

}  // namespace

void ServeUsbip(int fd, BoardDevice& device) {
  std::set<std::uint32_t> heldInterruptIns;
  std::uint8_t header[kUsbipHeaderLength];
  while (ReadExactly(fd, header, sizeof header)) {
    const auto request = DecodeRequest(header, sizeof header);
    if (!request || request->transferLength > kMaxTransfer || request->isoPackets < 0 ||
        request->isoPackets > 1024) {
      return;
    }
    if (request->command == UsbipCommand::kCmdUnlink) {
      const bool held = heldInterruptIns.erase(request->unlinkSeqnum) > 0;
      if (!WriteAll(fd, EncodeUnlinkReply(*request, held ? -ECONNRESET : 0))) return;
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
        heldInterruptIns.insert(request->seqnum);
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
