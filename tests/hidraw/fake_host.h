// A host with hidraw boards, laid out in a temporary folder the way Linux
// lays out sysfs and /dev, and the hidraw and usbfs drivers answering the
// ioctls on the nodes there. Input reports a test sends queue per open file,
// as hidraw queues them; poll and read may run on a thread of their own
// while the test sends or unplugs.
#pragma once

#include <linux/hidraw.h>
#include <linux/input.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "devlink/platform/hidraw/kernel_calls.h"

namespace tq::test {

namespace fs = std::filesystem;

struct FakeBoard {
  unsigned node = 0;  // hidrawN
  std::uint32_t bus = BUS_USB;
  std::uint16_t vendor = 0x2A7E;
  std::uint16_t product = 0x0501;
  std::string bcdDevice = "0121";
  std::optional<std::string> manufacturer, productString, serial;
  std::vector<std::uint8_t> descriptor;  // the sysfs file, absent when empty
  std::vector<std::uint8_t> ioctlDescriptor;
  std::string uniq;
  std::map<std::uint8_t, std::u16string> usbStrings;  // index 0 holds language IDs
  unsigned busnum = 1, devnum = 5;
};

class FakeHost : public hidraw::KernelCalls {
 public:
  static constexpr unsigned kHidrawMajor = 241;
  static constexpr unsigned kUsbDeviceMajor = 189;
  // Unread input reports the hidraw driver keeps per open file.
  static constexpr std::size_t kQueuedReports = 64;

  FakeHost() {
    std::string name = (fs::temp_directory_path() / "hidraw-test-XXXXXX").string();
    root_ = mkdtemp(name.data());
    fs::create_directories(Sys() / "class" / "hidraw");
    fs::create_directories(Sys() / "dev" / "char");
    fs::create_directories(Dev());
    fs::create_directories(root_ / "gone");
  }
  ~FakeHost() override { fs::remove_all(root_); }

  fs::path Sys() const { return root_ / "sys"; }
  fs::path Dev() const { return root_ / "dev"; }
  std::string NodePath(unsigned node) const {
    return (Dev() / ("hidraw" + std::to_string(node))).string();
  }
  fs::path CharLink(unsigned node) const {
    return Sys() / "dev" / "char" / (std::to_string(kHidrawMajor) + ":" + std::to_string(node));
  }

  void Plug(const FakeBoard& board) {
    const std::string name = "hidraw" + std::to_string(board.node);
    const fs::path usb = Sys() / "devices/pci0000:00/0000:00:14.0/usb1" /
                         ("1-" + std::to_string(board.node + 1));
    char hidName[32];
    std::snprintf(hidName, sizeof hidName, "%04X:%04X:%04X.%04X", board.bus, board.vendor,
                  board.product, board.node + 1);
    const fs::path hid = usb / (usb.filename().string() + ":1.0") / hidName;
    const fs::path nodeDir = hid / "hidraw" / name;
    fs::create_directories(nodeDir);
    Write(usb / "busnum", std::to_string(board.busnum) + "\n");
    Write(usb / "devnum", std::to_string(board.devnum) + "\n");
    Write(usb / "dev", std::to_string(kUsbDeviceMajor) + ":" +
                           std::to_string(UsbDeviceMinor(board)) + "\n");
    Write(usb / "bcdDevice", board.bcdDevice + "\n");
    if (board.manufacturer) Write(usb / "manufacturer", *board.manufacturer + "\n");
    if (board.productString) Write(usb / "product", *board.productString + "\n");
    if (board.serial) Write(usb / "serial", *board.serial + "\n");
    if (!board.descriptor.empty()) {
      std::ofstream(hid / "report_descriptor", std::ios::binary)
          .write(reinterpret_cast<const char*>(board.descriptor.data()),
                 static_cast<std::streamsize>(board.descriptor.size()));
    }
    fs::create_directory_symlink(fs::path("../../..") / hidName, nodeDir / "device");
    fs::create_directory_symlink(fs::relative(nodeDir, Sys() / "class" / "hidraw"),
                                 Sys() / "class" / "hidraw" / name);
    fs::create_directory_symlink(fs::relative(nodeDir, Sys() / "dev" / "char"),
                                 CharLink(board.node));
    Write(NodePath(board.node), "");
    const fs::path usbNode = Dev() / "bus/usb" / Padded(board.busnum) / Padded(board.devnum);
    fs::create_directories(usbNode.parent_path());
    Write(usbNode, "");
    boards_[NodePath(board.node)] = board;
    // devtmpfs makes a new node, with a new inode, for every device.
    plugs_[NodePath(board.node)] = ++plugCount_;
    usbNodes_[usbNode.string()] = NodePath(board.node);
    usbDirs_[board.node] = usb;
  }

  // The kernel removes the device from sysfs and /dev; open nodes stay open
  // but every ioctl on them fails, even once another device takes the node.
  void Unplug(unsigned node) {
    const std::string path = NodePath(node);
    const std::string name = "hidraw" + std::to_string(node);
    const std::lock_guard lock(inputMutex_);
    fs::remove_all(usbDirs_.at(node));
    // sysfs never gives a new entry the inode number of one that went; kept
    // aside, the old entry holds its number so the file system cannot either.
    fs::rename(Sys() / "class" / "hidraw" / name, root_ / "gone" / std::to_string(++gone_));
    fs::remove(CharLink(node));
    fs::remove(path);
    for (const auto& [fd, openPath] : paths_) {
      if (openPath == path) deadFds_.insert(fd);
    }
    inputArrived_.notify_all();
  }

  // The device sends an input report: every file open on the node gets it,
  // as the driver hands it over (with the ID byte only when the device
  // numbers its reports). A file that already holds as many unread reports
  // as the driver keeps misses it, as with the driver. The readers are woken
  // once the queues are unlocked, as the driver wakes its pollers: woken
  // under the lock, a reader would wait for it a second time, a cost no
  // kernel's poll has.
  void SendInput(unsigned node, std::vector<std::uint8_t> report) {
    {
      const std::lock_guard lock(inputMutex_);
      const std::string path = NodePath(node);
      for (const auto& [fd, openPath] : paths_) {
        if (openPath != path || deadFds_.contains(fd)) continue;
        auto& queue = inputs_[fd];
        if (queue.size() < kQueuedReports) queue.push_back(report);
      }
    }
    inputArrived_.notify_all();
  }

  FakeBoard& Board(unsigned node) { return boards_.at(NodePath(node)); }
  fs::path UsbDir(unsigned node) const { return usbDirs_.at(node); }

  int openFlags = -1;                 // flags of the last open
  int openFds = 0;                    // descriptors open now
  // What HIDIOC[GS]FEATURE returns; the length if unset. A get copies only
  // that many bytes of featurePage into the caller's buffer, as the kernel.
  std::optional<int> featureReply;
  std::vector<std::uint8_t> featurePage;
  // When set, the device itself answers each get: it fills the buffer
  // (byte 0 the report ID) and returns the length, as a board that turns
  // its pages over; featurePage and featureReply are then not used.
  std::function<int(std::uint8_t* bytes, std::size_t size)> featureSource;
  // The device's answer to HIDIOCGINPUT, as featureSource; unset, the
  // device stalls the request (-EPIPE), as one that does not answer it.
  std::function<int(std::uint8_t* bytes, std::size_t size)> inputSource;
  std::vector<std::vector<std::uint8_t>> sentFeatures;
  std::vector<usbdevfs_ctrltransfer> controlRequests;
  int ioctls = 0;
  int opens = 0, closes = 0, fstats = 0, accessChecks = 0;  // calls made, failed ones included
  // Nodes the user may no longer open, as after a change of their rights.
  std::set<std::string> denied;

  int Open(const std::string& path, int flags) override {
    ++opens;
    if (denied.contains(path)) return -EACCES;
    const int fd = KernelCalls::Open(path, flags);
    if (fd >= 0) {
      const std::lock_guard lock(inputMutex_);
      fdPlugs_[fd] = plugs_[path];
      openFlags = flags;
      ++openFds;
      paths_[fd] = path;
    }
    return fd;
  }
  int Close(int fd) override {
    ++closes;
    const std::lock_guard lock(inputMutex_);
    inputs_.erase(fd);
    paths_.erase(fd);
    deadFds_.erase(fd);
    --openFds;
    return KernelCalls::Close(fd);
  }
  int Fstat(int fd, struct stat& status) override {
    ++fstats;
    const int result = KernelCalls::Fstat(fd, status);
    const std::string& path = paths_[fd];
    if (result != 0) return result;
    if (const auto board = boards_.find(path); board != boards_.end()) {
      status.st_mode = S_IFCHR | 0600;
      status.st_rdev = makedev(kHidrawMajor, board->second.node);
      status.st_ino = fdPlugs_[fd];
    } else if (const auto usb = usbNodes_.find(path); usb != usbNodes_.end()) {
      status.st_mode = S_IFCHR | 0600;
      status.st_rdev = makedev(kUsbDeviceMajor, UsbDeviceMinor(boards_.at(usb->second)));
    }
    return result;
  }
  int Access(const std::string& path, int mode) override {
    ++accessChecks;
    if (denied.contains(path)) return -EACCES;
    return KernelCalls::Access(path, mode);
  }
  // hidraw's poll: readable while reports wait, error and hang-up once the
  // device went.
  int Poll(int fd, int timeoutMs) override {
    std::unique_lock lock(inputMutex_);
    const auto ready = [&] { return !inputs_[fd].empty() || deadFds_.contains(fd); };
    if (timeoutMs < 0) {
      inputArrived_.wait(lock, ready);
    } else {
      inputArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    int events = inputs_[fd].empty() ? 0 : POLLIN;
    if (deadFds_.contains(fd)) events |= POLLERR | POLLHUP;
    return events;
  }
  // hidraw's read: the oldest report, cut to the buffer; EIO once the device
  // went and nothing is left.
  ssize_t Read(int fd, void* buffer, std::size_t length) override {
    const std::lock_guard lock(inputMutex_);
    auto& queue = inputs_[fd];
    if (queue.empty()) return deadFds_.contains(fd) ? -EIO : -EAGAIN;
    const std::vector<std::uint8_t> report = std::move(queue.front());
    queue.pop_front();
    const std::size_t n = std::min(length, report.size());
    std::copy_n(report.begin(), n, static_cast<std::uint8_t*>(buffer));
    return static_cast<ssize_t>(n);
  }

  int Ioctl(int fd, unsigned long request, void* argument) override {
    ++ioctls;
    const std::string& path = paths_[fd];
    if (deadFds_.contains(fd)) return -ENODEV;
    if (const auto usb = usbNodes_.find(path); usb != usbNodes_.end()) {
      if (request != USBDEVFS_CONTROL) return -ENOTTY;
      return Control(boards_.at(usb->second), *static_cast<usbdevfs_ctrltransfer*>(argument));
    }
    const auto found = boards_.find(path);
    if (found == boards_.end() || _IOC_TYPE(request) != 'H') return -ENOTTY;
    FakeBoard& board = found->second;
    const std::size_t size = _IOC_SIZE(request);
    auto* bytes = static_cast<std::uint8_t*>(argument);
    switch (_IOC_NR(request)) {
      case _IOC_NR(HIDIOCGRAWINFO): {
        auto* info = static_cast<hidraw_devinfo*>(argument);
        info->bustype = board.bus;
        info->vendor = static_cast<std::int16_t>(board.vendor);
        info->product = static_cast<std::int16_t>(board.product);
        return 0;
      }
      case _IOC_NR(HIDIOCGRDESCSIZE):
        if (board.ioctlDescriptor.empty()) return -EINVAL;
        *static_cast<int*>(argument) = static_cast<int>(board.ioctlDescriptor.size());
        return 0;
      case _IOC_NR(HIDIOCGRDESC): {
        auto* out = static_cast<hidraw_report_descriptor*>(argument);
        std::memcpy(out->value, board.ioctlDescriptor.data(),
                    std::min<std::size_t>(out->size, board.ioctlDescriptor.size()));
        return 0;
      }
      case _IOC_NR(HIDIOCGRAWUNIQ(0)): {
        const std::size_t n = std::min(size, board.uniq.size() + 1);
        std::memcpy(bytes, board.uniq.c_str(), n);
        return static_cast<int>(n);
      }
      case _IOC_NR(HIDIOCGFEATURE(0)): {
        if (featureSource) return featureSource(bytes, size);
        const int reply = featureReply.value_or(static_cast<int>(size));
        const std::size_t copied = std::min({size, featurePage.size(),
                                             static_cast<std::size_t>(std::max(reply, 0))});
        std::copy_n(featurePage.begin(), copied, bytes);
        return reply;
      }
      case _IOC_NR(HIDIOCGINPUT(0)):
        return inputSource ? inputSource(bytes, size) : -EPIPE;
      case _IOC_NR(HIDIOCSFEATURE(0)):
        sentFeatures.emplace_back(bytes, bytes + size);
        return featureReply.value_or(static_cast<int>(size));
      default:
        return -ENOTTY;
    }
  }

 private:
  static void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
  // As usbcore numbers its device nodes.
  static unsigned UsbDeviceMinor(const FakeBoard& board) {
    return (board.busnum - 1) * 128 + board.devnum - 1;
  }
  static std::string Padded(unsigned n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03u", n);
    return text;
  }

  int Control(const FakeBoard& board, usbdevfs_ctrltransfer& transfer) {
    controlRequests.push_back(transfer);
    const auto string = board.usbStrings.find(static_cast<std::uint8_t>(transfer.wValue & 0xFF));
    if ((transfer.wValue >> 8) != 3 || string == board.usbStrings.end()) return -EPIPE;
    std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(2 + 2 * string->second.size()), 3};
    for (char16_t unit : string->second) {
      reply.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      reply.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    const std::size_t n = std::min<std::size_t>(reply.size(), transfer.wLength);
    std::memcpy(transfer.data, reply.data(), n);
    return static_cast<int>(n);
  }

  fs::path root_;
  std::map<std::string, FakeBoard> boards_;
  std::map<std::string, std::string> usbNodes_;  // usbfs node -> its board's hidraw node
  std::map<unsigned, fs::path> usbDirs_;
  std::map<int, std::string> paths_;
  std::set<int> deadFds_;
  std::map<std::string, unsigned> plugs_;  // node path -> its latest plug
  std::map<int, unsigned> fdPlugs_;        // descriptor -> the plug it opened
  unsigned plugCount_ = 0;
  unsigned gone_ = 0;
  // Input reports waiting per open file; Unplug and the readers meet here.
  std::mutex inputMutex_;
  std::condition_variable inputArrived_;
  std::map<int, std::deque<std::vector<std::uint8_t>>> inputs_;
};

}  // namespace tq::test
