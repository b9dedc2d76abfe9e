#include "devlink/platform/hidraw/usb_strings.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "devlink/platform/hidraw/sysfs.h"

namespace tq::hidraw {
namespace fs = std::filesystem;

namespace {

// A stalled control transfer must not freeze the window for long.
constexpr unsigned kControlTimeoutMs = 1000;
// The language asked for when the device lists none.
constexpr std::uint16_t kDefaultLangId = 0x0409;
constexpr std::size_t kMaxStringDescriptor = 255;

// One string descriptor through usbfs, as its UTF-16 code units.
std::optional<std::u16string> StringDescriptor(KernelCalls& kernel, int usbFd,
                                               std::uint8_t index, std::uint16_t langId) {
  std::array<std::uint8_t, kMaxStringDescriptor> data{};
  usbdevfs_ctrltransfer transfer{};
  transfer.bRequestType = USB_DIR_IN | USB_TYPE_STANDARD | USB_RECIP_DEVICE;
  transfer.bRequest = USB_REQ_GET_DESCRIPTOR;
  transfer.wValue = static_cast<std::uint16_t>(USB_DT_STRING << 8 | index);
  transfer.wIndex = langId;
  transfer.wLength = static_cast<std::uint16_t>(data.size());
  transfer.timeout = kControlTimeoutMs;
  transfer.data = data.data();
  const int received = kernel.Ioctl(usbFd, USBDEVFS_CONTROL, &transfer);
  if (received < 2) return std::nullopt;
  const std::size_t length =
      std::min({static_cast<std::size_t>(received), data.size(), std::size_t{data[0]}});
  if (length < 2 || data[1] != USB_DT_STRING) return std::nullopt;
  std::u16string units;
  for (std::size_t i = 2; i + 1 < length; i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  return units;
}

// The usbfs node of the USB device at `usbDir`, opened for control
// requests; -1 when it cannot be reached or is not that device.
int OpenUsbfsNode(KernelCalls& kernel, const fs::path& devRoot, const fs::path& usbDir) {
  const auto bus = ReadNumber(usbDir / "busnum", 10);
  const auto address = ReadNumber(usbDir / "devnum", 10);
  const auto usbDevice = ReadDeviceNumber(usbDir / "dev");
  if (!bus || !address || !usbDevice || *bus > 999 || *address > 999) return -1;
  std::array<char, 8> busName{};
  std::array<char, 8> addressName{};
  std::snprintf(busName.data(), busName.size(), "%03u", *bus);
  std::snprintf(addressName.data(), addressName.size(), "%03u", *address);
  const fs::path node = devRoot / "bus" / "usb" / busName.data() / addressName.data();

  // usbfs answers control requests on a node opened for writing, without
  // claiming an interface, so usbhid keeps the board.
  const int usbFd = kernel.Open(node.string(), O_RDWR | O_CLOEXEC);
  if (usbFd < 0) return -1;
  // The address may have passed to another device since sysfs was read,
  // or the node may be something else: send nothing to a stranger.
  struct stat status{};
  if (kernel.Fstat(usbFd, status) < 0 || !S_ISCHR(status.st_mode) ||
      status.st_rdev != *usbDevice) {
    kernel.Close(usbFd);
    return -1;
  }
  return usbFd;
}

}  // namespace

std::optional<std::u16string> AskIndexedString(KernelCalls& kernel, const fs::path& devRoot,
                                               const fs::path& usbDir, std::uint8_t index,
                                               NodeFacts& facts) {
  const int usbFd = OpenUsbfsNode(kernel, devRoot, usbDir);
  if (usbFd < 0) return std::nullopt;
  std::uint16_t langId = 0;
  if (index != 0) {
    langId = *facts.language.Get([&] {
      const auto languages = StringDescriptor(kernel, usbFd, 0, 0);
      return std::optional<std::uint16_t>(languages && !languages->empty()
                                              ? static_cast<std::uint16_t>((*languages)[0])
                                              : kDefaultLangId);
    });
  }
  auto units = StringDescriptor(kernel, usbFd, index, langId);
  kernel.Close(usbFd);
  facts.indexedStrings.emplace(index, units);
  return units;
}

}  // namespace tq::hidraw
