// The Linux backend over a sysfs and /dev tree built from the input: node
// numbers, bus, IDs, every attribute's text (or its absence), report
// descriptors from sysfs and from the driver, string descriptors, feature
// pages, and a node that vanishes after a chosen number of system calls.
// The device link walks it and runs a board session; then the backend is
// asked for strings and reports with buffer lengths from the input; then a
// device is replaced by another under the same node number and the same
// backend walks again. Every descriptor the backend opened must be closed
// once the board is.
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "fuzz/board_session.h"
#include "fuzz/byte_reader.h"
#include "tests/hidraw/fake_host.h"

namespace {

namespace fs = std::filesystem;
using tq::fuzz::ByteReader;

// Unplugs one board right before the nth system call on a device node.
class VanishingHost final : public tq::test::FakeHost {
 public:
  unsigned vanishingNode = 0;
  unsigned callsLeft = 0;  // 0: the board stays

  int Open(const std::string& path, int flags) override {
    Step();
    return FakeHost::Open(path, flags);
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    Step();
    return FakeHost::Ioctl(fd, request, argument);
  }
  int Fstat(int fd, struct stat& status) override {
    Step();
    return FakeHost::Fstat(fd, status);
  }

  bool Vanished(unsigned node) const { return vanished_ && node == vanishingNode; }

 private:
  void Step() {
    if (callsLeft != 0 && --callsLeft == 0) {
      Unplug(vanishingNode);
      vanished_ = true;
    }
  }
  bool vanished_ = false;
};

std::string Text(ByteReader& in) {
  std::string text;
  for (std::uint8_t length = in.U8() % 64; length > 0; --length) {
    text += static_cast<char>(in.U8());
  }
  return text;
}

tq::test::FakeBoard BoardFrom(ByteReader& in, unsigned node) {
  tq::test::FakeBoard board;
  board.node = node;
  const std::uint8_t present = in.U8();
  board.bus = present & 1 ? BUS_USB : in.U16();
  board.vendor = in.U16();
  board.product = in.U16();
  board.bcdDevice = Text(in);
  if (present & 2) board.manufacturer = Text(in);
  if (present & 4) board.productString = Text(in);
  if (present & 8) board.serial = Text(in);
  board.descriptor = in.Bytes(in.U8());
  if (present & 16) board.ioctlDescriptor = in.Bytes(in.U8());
  board.uniq = Text(in);
  for (std::uint8_t count = in.U8() % 4; count > 0; --count) {
    const std::uint8_t index = in.U8();
    board.usbStrings[index] = in.Text16();
  }
  board.busnum = in.U16() % 1100;
  board.devnum = in.U16() % 1100;
  return board;
}

// Rewrites or removes one of the USB device's attributes, or puts a folder
// or a FIFO in its place, as a device going away, a kernel of another
// version or a hostile mount may leave them.
void Disturb(ByteReader& in, const fs::path& usbDir) {
  static const char* const kAttributes[] = {"busnum", "devnum",       "dev",
                                            "bcdDevice", "serial", "manufacturer", "product"};
  const std::uint8_t what = in.U8();
  const fs::path file = usbDir / kAttributes[what % std::size(kAttributes)];
  std::error_code error;
  switch (what / std::size(kAttributes) % 5) {
    case 0: return;
    case 1: fs::remove(file, error); return;
    case 2:
      fs::remove(file, error);
      fs::create_directory(file, error);
      return;
    case 3:
      fs::remove(file, error);
      mkfifo(file.c_str(), 0600);
      return;
    default: std::ofstream(file, std::ios::binary) << Text(in); return;
  }
}

// One walk and board session of a program on the backend it keeps; every
// descriptor opened is closed with the board.
void Session(tq::HidApi& api, const tq::BoardVariant& variant, VanishingHost& host,
             const std::set<unsigned>& nodes, ByteReader& in) {
  tq::DeviceLink link(api, variant);
  link.GetHidGuid();
  if (tq::fuzz::RunBoardSession(link, Text(in), in)) {
    // Lengths the programs never use: exactly sized buffers let the
    // sanitizers see any write past them.
    std::vector<std::uint8_t> buffer(in.U16() % 1024);
    (void)api.HidD_GetIndexedString(link.OverlappedHandle, in.U8(), buffer.data(),
                                    static_cast<std::uint32_t>(buffer.size()));
    (void)api.HidD_GetSerialNumberString(link.OverlappedHandle, buffer.data(),
                                         static_cast<std::uint32_t>(buffer.size()));
    (void)api.HidD_GetFeature(link.DeviceHandle, buffer.data(),
                              static_cast<std::uint32_t>(buffer.size()));
    // The device's answer to the input request, whatever length it claims.
    const std::vector<std::uint8_t> held = in.Bytes(in.U8() % 80);
    const int claimed = static_cast<int>(in.U8()) - 64;
    host.inputSource = [&](std::uint8_t* bytes, std::size_t size) {
      std::copy_n(held.begin(), std::min(size, held.size()), bytes);
      return claimed;
    };
    (void)api.HidD_GetInputReport(link.DeviceHandle, buffer.data(),
                                  static_cast<std::uint32_t>(buffer.size()));
    host.inputSource = nullptr;
    // An input report of any length from the node, read into a buffer of
    // any length, then taken apart by the node's own preparsed data.
    for (const unsigned node : nodes) host.SendInput(node, in.Bytes(in.U8() % 80));
    std::uint32_t got = 0;
    if (api.ReadFile(link.DeviceHandle, buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                     &got, 0)) {
      if (got > buffer.size()) __builtin_trap();
      tq::PHIDP_PREPARSED_DATA data = 0;
      if (api.HidD_GetPreparsedData(link.DeviceHandle, &data)) {
        std::vector<tq::USAGE> usages(in.U8() % 40);
        auto count = static_cast<std::uint32_t>(usages.size());
        auto* report = reinterpret_cast<char*>(buffer.data());
        (void)api.HidP_GetUsages(tq::HidP_Input, in.U16(), 0, usages.data(), &count, data, report,
                                 got);
        std::uint32_t value = 0;
        (void)api.HidP_GetUsageValue(tq::HidP_Input, in.U16(), 0, in.U16(), &value, data, report,
                                     got);
        api.HidD_FreePreparsedData(data);
      }
    }
  }
  link.CloseBoard();
  if (host.openFds != 0) __builtin_trap();
}

}  // namespace

// Every input builds and removes a whole tree: in memory where the host has
// a memory file system, several times faster than on disk.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::error_code error;
  if (std::getenv("TMPDIR") == nullptr && fs::is_directory("/dev/shm", error)) {
    setenv("TMPDIR", "/dev/shm", 0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  VanishingHost host;
  std::set<unsigned> nodes;
  for (std::uint8_t count = in.U8() % 4; count > 0; --count) {
    const unsigned node = in.U8() % 16;
    if (!nodes.insert(node).second) continue;
    host.Plug(BoardFrom(in, node));
    Disturb(in, host.UsbDir(node));
  }
  host.featurePage = in.Bytes(in.U8());
  if (in.U8() & 1) host.featureReply = static_cast<std::int8_t>(in.U8());
  if (!nodes.empty()) {
    host.vanishingNode = *std::next(nodes.begin(), in.U8() % nodes.size());
    host.callsLeft = in.U8();
  }

  tq::HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const tq::BoardVariant& variant = in.U8() & 1 ? tq::kEncodersVariant : tq::kConfigVariant;
  Session(api, variant, host, nodes, in);
  // The next walk of the same backend, after a device went and another one
  // took its node number.
  if (!nodes.empty() && (in.U8() & 1)) {
    const unsigned node = *std::next(nodes.begin(), in.U8() % nodes.size());
    if (!host.Vanished(node)) host.Unplug(node);
    host.Plug(BoardFrom(in, node));
    Disturb(in, host.UsbDir(node));
    Session(api, variant, host, nodes, in);
  }
  return 0;
}
