#include "hidraw_api.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "hid_string.h"
#include "kernel_calls.h"
#include "report_descriptor.h"

namespace tq {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSpintActive = 0x1;
constexpr NTSTATUS kHidpStatusInvalidPreparsedData = static_cast<NTSTATUS>(0xC0110001u);
constexpr std::string_view kNodePrefix = "hidraw";
// The largest length a hidraw report ioctl can encode.
constexpr std::uint32_t kMaxIoctlLength = _IOC_SIZEMASK;
// A stalled control transfer must not freeze the window for long.
constexpr unsigned kControlTimeoutMs = 1000;
// The language asked for when the device lists none.
constexpr std::uint16_t kDefaultLangId = 0x0409;
constexpr std::size_t kMaxStringDescriptor = 255;
constexpr std::size_t kMaxUniqLength = 256;
// A sysfs attribute holds at most a page.
constexpr std::size_t kMaxAttributeSize = 4096;

std::optional<unsigned> ParseUnsigned(std::string_view text, int base) {
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "hidraw12" -> 12.
std::optional<unsigned> NodeNumber(std::string_view name) {
  if (!name.starts_with(kNodePrefix)) return std::nullopt;
  name.remove_prefix(kNodePrefix.size());
  return ParseUnsigned(name, 10);
}

// The whole content of a regular file of at most `limit` bytes. Anything
// else a sysfs path may name (a FIFO that would block the window, a file too
// large for what it claims to be, one that cannot be read) is missing.
std::optional<std::string> ReadSmallFile(const fs::path& file, std::size_t limit) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status{};
  bool readable = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  // One byte more than allowed tells a full file from one too large.
  std::string bytes(readable ? limit + 1 : 0, '\0');
  std::size_t filled = 0;
  while (readable && filled < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    readable = n > 0;
    if (readable) filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!readable || filled > limit) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

// A sysfs attribute's text without its closing newline; nullopt once the
// device is gone or where the device has no such attribute.
std::optional<std::string> ReadAttribute(const fs::path& file) {
  auto text = ReadSmallFile(file, kMaxAttributeSize);
  if (text && !text->empty() && text->back() == '\n') text->pop_back();
  return text;
}

std::optional<unsigned> ReadNumber(const fs::path& file, int base) {
  const auto text = ReadAttribute(file);
  if (!text) return std::nullopt;
  return ParseUnsigned(*text, base);
}

// A device number as sysfs writes it, "major:minor".
std::optional<dev_t> ReadDeviceNumber(const fs::path& file) {
  const auto text = ReadAttribute(file);
  if (!text) return std::nullopt;
  const std::size_t colon = text->find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto majorNumber = ParseUnsigned(std::string_view(*text).substr(0, colon), 10);
  const auto minorNumber = ParseUnsigned(std::string_view(*text).substr(colon + 1), 10);
  if (!majorNumber || !minorNumber) return std::nullopt;
  return makedev(*majorNumber, *minorNumber);
}

std::optional<fs::path> Canonical(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::canonical(path, error);
  if (error) return std::nullopt;
  return resolved;
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsUnder(const fs::path& path, const fs::path& root) {
  const auto [rootEnd, pathPos] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return rootEnd == root.end() && pathPos != path.end();
}

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

enum class Direction { kGet, kSet };

struct OpenDevice {
  int fd = -1;
  // The node's own directory in sysfs, resolved when it was opened; empty
  // when the path opened is no character device.
  fs::path nodeDir;
};

}  // namespace

struct HidrawApi::State {
  State(std::string sys, std::string dev, hidraw::KernelCalls& calls)
      : sysRoot(std::move(sys)), devRoot(std::move(dev)), kernel(calls) {
    canonicalSysRoot = Canonical(sysRoot).value_or(fs::path(sysRoot));
  }

  fs::path sysRoot;
  fs::path canonicalSysRoot;
  fs::path devRoot;
  hidraw::KernelCalls& kernel;
  std::uintptr_t lastToken = 0;
  std::map<HDEVINFO, std::vector<std::string>> sets;
  std::map<HANDLE, OpenDevice> files;
  std::map<PHIDP_PREPARSED_DATA, HIDP_CAPS> preparsed;

  // Sets, handles and preparsed data share one sequence, so no token ever
  // stands for two things.
  std::uintptr_t NextToken() {
    do {
      ++lastToken;
    } while (lastToken == 0 || lastToken == kInvalidHandleValue);
    return lastToken;
  }

  const OpenDevice* Find(HANDLE handle) const {
    const auto it = files.find(handle);
    return it == files.end() ? nullptr : &it->second;
  }

  // The kernel counts the report-ID byte in what it transferred, and copies
  // only that much into the buffer. A set succeeds only when all of it went
  // out. A board may answer a get with fewer bytes than its report holds:
  // as on Windows that succeeds, with the reply at the front of the buffer
  // and the rest of the buffer as it was.
  BOOL FeatureTransfer(HANDLE handle, Direction direction, void* buffer,
                       std::uint32_t length) const {
    const OpenDevice* open = Find(handle);
    if (open == nullptr || buffer == nullptr || length == 0 || length > kMaxIoctlLength) {
      return 0;
    }
    const unsigned long request =
        direction == Direction::kGet ? HIDIOCGFEATURE(length) : HIDIOCSFEATURE(length);
    const int transferred = kernel.Ioctl(open->fd, request, buffer);
    if (direction == Direction::kGet) return transferred > 0 ? 1 : 0;
    return transferred >= 0 && static_cast<std::uint32_t>(transferred) == length ? 1 : 0;
  }

  std::vector<std::string> PresentPaths() const {
    std::vector<std::pair<unsigned, std::string>> nodes;
    std::error_code error;
    for (fs::directory_iterator it(sysRoot / "class" / "hidraw", error), end; !error && it != end;
         it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (const auto number = NodeNumber(name)) nodes.emplace_back(*number, name);
    }
    std::ranges::sort(nodes);
    std::vector<std::string> paths;
    for (const auto& node : nodes) paths.push_back((devRoot / node.second).string());
    return paths;
  }

  std::optional<dev_t> CharDeviceOf(int fd) const {
    struct stat status{};
    if (kernel.Fstat(fd, status) < 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
    return status.st_rdev;
  }

  fs::path NodeDirOf(int fd) const {
    const auto device = CharDeviceOf(fd);
    if (!device) return {};
    const std::string number = std::to_string(major(*device)) + ":" + std::to_string(minor(*device));
    return Canonical(sysRoot / "dev" / "char" / number).value_or(fs::path{});
  }

  // Answers only while the device behind the handle is still attached.
  std::optional<hidraw_devinfo> RawInfo(const OpenDevice& device) const {
    hidraw_devinfo info{};
    if (kernel.Ioctl(device.fd, HIDIOCGRAWINFO, &info) < 0) return std::nullopt;
    return info;
  }

  // The USB device a hidraw node belongs to: the nearest ancestor of its HID
  // device that carries a bus and device number. Only for nodes on the USB
  // bus, since a Bluetooth device would find its host adapter there.
  std::optional<fs::path> UsbDeviceDir(const OpenDevice& device,
                                       const hidraw_devinfo& info) const {
    if (info.bustype != BUS_USB || device.nodeDir.empty()) return std::nullopt;
    const auto hidDevice = Canonical(device.nodeDir / "device");
    if (!hidDevice) return std::nullopt;
    for (fs::path dir = hidDevice->parent_path(); IsUnder(dir, canonicalSysRoot);
         dir = dir.parent_path()) {
      if (IsFile(dir / "busnum") && IsFile(dir / "devnum")) return dir;
    }
    return std::nullopt;
  }

  std::optional<std::u16string> UsbString(HANDLE handle, const char* attribute) const {
    const OpenDevice* device = Find(handle);
    if (device == nullptr) return std::nullopt;
    const auto info = RawInfo(*device);
    if (!info) return std::nullopt;
    const auto usb = UsbDeviceDir(*device, *info);
    if (!usb) return std::nullopt;
    const auto text = ReadAttribute(*usb / attribute);
    if (!text) return std::nullopt;
    return hidraw::Utf16FromUtf8(*text);
  }

  // Off the USB bus a device's serial number is its HID unique name.
  std::optional<std::u16string> UniqueName(HANDLE handle) const {
    const OpenDevice* device = Find(handle);
    if (device == nullptr) return std::nullopt;
    std::array<char, kMaxUniqLength> name{};
    const int length = kernel.Ioctl(device->fd, HIDIOCGRAWUNIQ(kMaxUniqLength), name.data());
    if (length < 0) return std::nullopt;
    const std::string_view text(name.data(),
                                std::min(static_cast<std::size_t>(length), name.size()));
    const std::string_view untilZero = text.substr(0, text.find('\0'));
    if (untilZero.empty()) return std::nullopt;
    return hidraw::Utf16FromUtf8(untilZero);
  }

  // One string descriptor through usbfs, as its UTF-16 code units.
  std::optional<std::u16string> StringDescriptor(int usbFd, std::uint8_t index,
                                                 std::uint16_t langId) const {
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

  std::optional<std::u16string> IndexedString(HANDLE handle, std::uint32_t index) const {
    if (index > 0xFF) return std::nullopt;
    const OpenDevice* device = Find(handle);
    if (device == nullptr) return std::nullopt;
    const auto info = RawInfo(*device);
    if (!info) return std::nullopt;
    const auto usb = UsbDeviceDir(*device, *info);
    if (!usb) return std::nullopt;
    const auto bus = ReadNumber(*usb / "busnum", 10);
    const auto address = ReadNumber(*usb / "devnum", 10);
    const auto usbDevice = ReadDeviceNumber(*usb / "dev");
    if (!bus || !address || !usbDevice || *bus > 999 || *address > 999) return std::nullopt;
    std::array<char, 8> busName{};
    std::array<char, 8> addressName{};
    std::snprintf(busName.data(), busName.size(), "%03u", *bus);
    std::snprintf(addressName.data(), addressName.size(), "%03u", *address);
    const fs::path node = devRoot / "bus" / "usb" / busName.data() / addressName.data();

    // usbfs answers control requests on a node opened for writing, without
    // claiming an interface, so usbhid keeps the board.
    const int usbFd = kernel.Open(node.string(), O_RDWR | O_CLOEXEC);
    if (usbFd < 0) return std::nullopt;
    // The address may have passed to another device since sysfs was read,
    // or the node may be something else: send nothing to a stranger.
    if (CharDeviceOf(usbFd) != usbDevice) {
      kernel.Close(usbFd);
      return std::nullopt;
    }
    std::uint16_t langId = 0;
    if (index != 0) {
      // The first language the device lists, as the kernel itself uses.
      const auto languages = StringDescriptor(usbFd, 0, 0);
      langId = languages && !languages->empty() ? static_cast<std::uint16_t>((*languages)[0])
                                                : kDefaultLangId;
    }
    auto units = StringDescriptor(usbFd, static_cast<std::uint8_t>(index), langId);
    kernel.Close(usbFd);
    return units;
  }

  std::optional<std::vector<std::uint8_t>> ReportDescriptor(const OpenDevice& device) const {
    if (!device.nodeDir.empty()) {
      const auto bytes = ReadSmallFile(device.nodeDir / "device" / "report_descriptor",
                                       hidraw::kMaxReportDescriptorSize);
      if (bytes) return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
    }
    int size = 0;
    if (kernel.Ioctl(device.fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0) return std::nullopt;
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    // The kernel refuses a request for the whole value array, one byte less
    // is the most it hands out.
    descriptor->size = std::min(static_cast<std::uint32_t>(size),
                                static_cast<std::uint32_t>(HID_MAX_DESCRIPTOR_SIZE - 1));
    if (kernel.Ioctl(device.fd, HIDIOCGRDESC, descriptor.get()) < 0) return std::nullopt;
    const std::size_t length = std::min(std::size_t{descriptor->size}, sizeof descriptor->value);
    return std::vector<std::uint8_t>(descriptor->value, descriptor->value + length);
  }
};

HidrawApi::HidrawApi(std::string sysRoot, std::string devRoot)
    : HidrawApi(std::move(sysRoot), std::move(devRoot), hidraw::SystemKernel()) {}

HidrawApi::HidrawApi(std::string sysRoot, std::string devRoot, hidraw::KernelCalls& kernel)
    : state_(std::make_unique<State>(std::move(sysRoot), std::move(devRoot), kernel)) {}

HidrawApi::~HidrawApi() {
  for (const auto& [handle, device] : state_->files) state_->kernel.Close(device.fd);
}

void HidrawApi::HidD_GetHidGuid(GUID* hidGuid) {
  if (hidGuid != nullptr) *hidGuid = kHidInterfaceClass;
}

HDEVINFO HidrawApi::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                         std::uintptr_t /*hwndParent*/, std::uint32_t flags) {
  if (classGuid == nullptr || *classGuid != kHidInterfaceClass) return kInvalidHandleValue;
  // Without the interface flag the GUID would name a setup class, and the HID
  // interface class is none: the set is empty. Every node listed is present.
  std::vector<std::string> paths;
  if ((flags & kDigcfDeviceInterface) != 0) paths = state_->PresentPaths();
  const HDEVINFO set = state_->NextToken();
  state_->sets.emplace(set, std::move(paths));
  return set;
}

BOOL HidrawApi::SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* /*deviceInfoData*/,
                                            const GUID* interfaceClassGuid,
                                            std::uint32_t memberIndex,
                                            SP_DEVICE_INTERFACE_DATA* deviceInterfaceData) {
  const auto set = state_->sets.find(deviceInfoSet);
  if (set == state_->sets.end() || deviceInterfaceData == nullptr ||
      deviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return 0;
  }
  if (interfaceClassGuid == nullptr || *interfaceClassGuid != kHidInterfaceClass) return 0;
  if (memberIndex >= set->second.size()) return 0;
  deviceInterfaceData->InterfaceClassGuid = kHidInterfaceClass;
  deviceInterfaceData->Flags = kSpintActive;
  // Names the member for the detail call, as Windows keeps its own link here.
  deviceInterfaceData->Reserved = std::uintptr_t{memberIndex} + 1;
  return 1;
}

BOOL HidrawApi::SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                                 SP_DEVICE_INTERFACE_DATA* deviceInterfaceData,
                                                 std::uint8_t* detail, std::uint32_t detailSize,
                                                 std::uint32_t* requiredSize,
                                                 void* /*deviceInfoData*/) {
  const auto set = state_->sets.find(deviceInfoSet);
  if (set == state_->sets.end() || deviceInterfaceData == nullptr ||
      deviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return 0;
  }
  const std::uintptr_t member = deviceInterfaceData->Reserved;
  if (member == 0 || member > set->second.size()) return 0;
  const std::string& path = set->second[member - 1];
  const std::size_t required = kDetailPathOffset + path.size() + 1;
  if (requiredSize != nullptr) *requiredSize = static_cast<std::uint32_t>(required);

  if (detail == nullptr || detailSize < kDetailPathOffset + 1) return 0;
  if (LittleEndian32(detail) != kDetailDataSizeField) return 0;
  if (detailSize < required) return 0;
  std::copy(path.begin(), path.end(), detail + kDetailPathOffset);
  detail[kDetailPathOffset + path.size()] = 0;
  return 1;
}

BOOL HidrawApi::SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) {
  return state_->sets.erase(deviceInfoSet) == 1 ? 1 : 0;
}

HANDLE HidrawApi::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                              std::uint32_t /*shareMode*/,
                              SECURITY_ATTRIBUTES* /*securityAttributes*/,
                              std::uint32_t creationDisposition,
                              std::uint32_t /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  if (fileName == nullptr || creationDisposition != kOpenExisting) return kInvalidHandleValue;
  const bool read = (desiredAccess & kGenericRead) != 0;
  const bool write = (desiredAccess & kGenericWrite) != 0;
  const int mode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  // Sharing needs nothing on Linux; the overlapped flag changes nothing
  // either, as every call here completes before it returns. No child process
  // is meant to inherit a device node, whatever the security record says.
  const int fd = state_->kernel.Open(fileName, mode | O_CLOEXEC);
  if (fd < 0) return kInvalidHandleValue;
  const HANDLE handle = state_->NextToken();
  state_->files.emplace(handle, OpenDevice{fd, state_->NodeDirOf(fd)});
  return handle;
}

BOOL HidrawApi::CloseHandle(HANDLE object) {
  const auto it = state_->files.find(object);
  if (it == state_->files.end()) return 0;
  const int result = state_->kernel.Close(it->second.fd);
  state_->files.erase(it);
  return result == 0 ? 1 : 0;
}

BOOL HidrawApi::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || attributes == nullptr) return 0;
  const auto info = state_->RawInfo(*open);
  if (!info) return 0;
  attributes->Size = sizeof(HIDD_ATTRIBUTES);
  attributes->VendorID = static_cast<std::uint16_t>(info->vendor);
  attributes->ProductID = static_cast<std::uint16_t>(info->product);
  attributes->VersionNumber = 0;
  if (const auto usb = state_->UsbDeviceDir(*open, *info)) {
    const auto release = ReadNumber(*usb / "bcdDevice", 16);
    if (release && *release <= 0xFFFF) {
      attributes->VersionNumber = static_cast<std::uint16_t>(*release);
    }
  }
  return 1;
}

BOOL HidrawApi::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                      std::uint32_t bufferLength) {
  const auto units = state_->IndexedString(device, stringIndex);
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr) return 0;
  const auto info = state_->RawInfo(*open);
  if (!info) return 0;
  const auto units = info->bustype == BUS_USB ? state_->UsbString(device, "serial")
                                              : state_->UniqueName(device);
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const auto units = state_->UsbString(device, "manufacturer");
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) {
  const auto units = state_->UsbString(device, "product");
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || preparsedData == nullptr) return 0;
  const auto descriptor = state_->ReportDescriptor(*open);
  if (!descriptor) return 0;
  const auto caps = hidraw::CapsFromReportDescriptor(*descriptor);
  if (!caps) return 0;
  const PHIDP_PREPARSED_DATA token = state_->NextToken();
  state_->preparsed.emplace(token, *caps);
  *preparsedData = token;
  return 1;
}

NTSTATUS HidrawApi::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
  const auto it = state_->preparsed.find(preparsedData);
  if (it == state_->preparsed.end() || capabilities == nullptr) {
    return kHidpStatusInvalidPreparsedData;
  }
  *capabilities = it->second;
  return kHidpStatusSuccess;
}

BOOL HidrawApi::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  return state_->preparsed.erase(preparsedData) == 1 ? 1 : 0;
}

BOOL HidrawApi::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return state_->FeatureTransfer(device, Direction::kGet, reportBuffer, length);
}

BOOL HidrawApi::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return state_->FeatureTransfer(device, Direction::kSet, reportBuffer, length);
}

}  // namespace tq
