#include "devlink/platform/hidraw/hidraw_api.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

#include "devlink/platform/hidraw/hid_string.h"
#include "devlink/platform/hidraw/kernel_calls.h"
#include "devlink/platform/hidraw/node_facts.h"
#include "devlink/platform/hidraw/report_descriptor.h"

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

std::uint32_t WindowsError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return kErrorFileNotFound;
    case EBUSY:
      return kErrorSharingViolation;
    default:
      return kErrorGenFailure;
  }
}

enum class Direction { kGet, kSet };

using hidraw::NodeFacts;
using hidraw::NodeIdentity;

struct OpenDevice {
  HANDLE handle = 0;
  // -1 for a handle a walk gave out on a node it already knew, until a call
  // needs the node itself (see CreateFileA); then opened with these flags.
  mutable int fd = -1;
  unsigned node = 0;
  int openFlags = 0;
  // Shared with the node cache, and kept here after the cache lets go of a
  // node that went, so that requests on the handle fail rather than dangle.
  std::shared_ptr<NodeFacts> facts;
  // The walk under way when the handle was opened, 0 if none.
  HDEVINFO walk = 0;
};

// One entry of /sys/class/hidraw.
struct ListedNode {
  unsigned number = 0;
  ino_t entry = 0;
  friend auto operator<=>(const ListedNode&, const ListedNode&) = default;
};

}  // namespace

struct HidrawApi::State {
  State(std::string sys, std::string dev, hidraw::KernelCalls& calls)
      : sysRoot(std::move(sys)),
        devRoot(std::move(dev)),
        classDir((sysRoot / "class" / "hidraw").string()),
        nodePathPrefix((devRoot / kNodePrefix).string()),
        kernel(calls) {
    canonicalSysRoot = Canonical(sysRoot).value_or(fs::path(sysRoot));
  }

  fs::path sysRoot;
  fs::path canonicalSysRoot;
  fs::path devRoot;
  std::string classDir;
  std::string nodePathPrefix;  // a node's path is this and its number
  hidraw::KernelCalls& kernel;
  std::uintptr_t lastToken = 0;
  std::uint32_t lastError = 0;
  // Each set holds the node numbers present when it was taken.
  std::map<HDEVINFO, std::vector<unsigned>> sets;
  // Few handles are open at once; a vector keeps its room from walk to walk.
  std::vector<OpenDevice> files;
  std::map<PHIDP_PREPARSED_DATA, HIDP_CAPS> preparsed;
  // What is known of each node present at the last listing, by number.
  std::map<unsigned, std::shared_ptr<NodeFacts>> nodes;
  std::vector<ListedNode> listed;
  HDEVINFO listedFor = 0;  // the set whose walk listed the nodes last

  // Sets, handles and preparsed data share one sequence, so no token ever
  // stands for two things.
  std::uintptr_t NextToken() {
    do {
      ++lastToken;
    } while (lastToken == 0 || lastToken == kInvalidHandleValue);
    return lastToken;
  }

  OpenDevice* Find(HANDLE handle) {
    const auto it = std::ranges::find(files, handle, &OpenDevice::handle);
    return it == files.end() ? nullptr : &*it;
  }

  // The latest set still open: a walk under way.
  HDEVINFO CurrentWalk() const { return sets.empty() ? 0 : sets.rbegin()->first; }

  // Lists /sys/class/hidraw in number order, and forgets every node that
  // went or was taken by another device since the last listing.
  void ListNodes() {
    listed.clear();
    if (DIR* dir = ::opendir(classDir.c_str())) {
      while (const dirent* item = ::readdir(dir)) {
        if (const auto number = NodeNumber(item->d_name)) {
          listed.push_back(ListedNode{*number, item->d_ino});
        }
      }
      ::closedir(dir);
    }
    std::ranges::sort(listed);
    std::erase_if(nodes, [this](const auto& node) {
      const auto it = std::ranges::lower_bound(listed, node.first, {}, &ListedNode::number);
      if (it == listed.end() || it->number != node.first) return true;
      NodeFacts& facts = *node.second;
      if (facts.classEntry != 0 && facts.classEntry != it->entry) return true;
      facts.classEntry = it->entry;
      return false;
    });
  }

  // "<dev>/hidraw12" -> 12, only for the paths the walk hands out.
  std::optional<unsigned> NodeNumberOfPath(std::string_view path) const {
    if (!path.starts_with(nodePathPrefix)) return std::nullopt;
    path.remove_prefix(nodePathPrefix.size());
    if (path.size() > 1 && path.front() == '0') return std::nullopt;
    return ParseUnsigned(path, 10);
  }

  std::optional<NodeIdentity> IdentityOf(int fd) const {
    struct stat status{};
    if (kernel.Fstat(fd, status) < 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
    return NodeIdentity{status.st_rdev, status.st_ino};
  }

  // What is known of the node just opened at `path`: the cached facts while
  // the same device holds it, fresh ones for a new device or another path.
  std::shared_ptr<NodeFacts> FactsFor(std::string_view path, int fd) {
    const auto identity = IdentityOf(fd);
    const auto number = NodeNumberOfPath(path);
    if (!identity || !number) return std::make_shared<NodeFacts>(identity);
    std::shared_ptr<NodeFacts>& cached = nodes[*number];
    if (!cached || cached->identity != identity) {
      cached = std::make_shared<NodeFacts>(identity);
      const auto it = std::ranges::lower_bound(listed, *number, {}, &ListedNode::number);
      if (it != listed.end() && it->number == *number) cached->classEntry = it->entry;
    }
    return cached;
  }

  // What is known of node `number` when the walk under way listed it with
  // the same device as when it was last opened and asked.
  std::shared_ptr<NodeFacts> KnownInThisWalk(std::optional<unsigned> number) const {
    if (!number || listedFor == 0 || listedFor != CurrentWalk()) return nullptr;
    const auto it = nodes.find(*number);
    if (it == nodes.end()) return nullptr;
    const NodeFacts& facts = *it->second;
    if (!facts.identity || facts.classEntry == 0 || !facts.info.Known()) return nullptr;
    return it->second;
  }

  // The handle's descriptor, opened now for a handle given out without one.
  // The node must still hold the device the handle was given for: a request
  // meant for one device never reaches another that took its node since.
  int DeviceFd(const OpenDevice& device) const {
    if (device.fd >= 0) return device.fd;
    const int fd = kernel.Open(nodePathPrefix + std::to_string(device.node), device.openFlags);
    if (fd < 0) return -1;
    if (IdentityOf(fd) != device.facts->identity) {
      kernel.Close(fd);
      return -1;
    }
    device.fd = fd;
    return fd;
  }

  std::optional<hidraw_devinfo> AskRawInfo(int fd) const {
    hidraw_devinfo info{};
    if (fd < 0 || kernel.Ioctl(fd, HIDIOCGRAWINFO, &info) < 0) return std::nullopt;
    return info;
  }

  // Whether requests on the handle may be answered. Within the walk that
  // opened it, what is known of the node stands, as Windows answers a walk
  // from its own records; otherwise the kernel is asked whether the device
  // is still attached, which is what makes a request on an unplugged board
  // fail.
  bool Answerable(const OpenDevice& device) const {
    if (device.walk != 0 && device.walk == CurrentWalk() && device.facts->info.Known()) {
      return true;
    }
    const auto info = AskRawInfo(DeviceFd(device));
    device.facts->info.GetAnswer([&] { return info; });
    return info.has_value();
  }

  const hidraw_devinfo& Info(const OpenDevice& device) const {
    return *device.facts->info.GetAnswer([] { return std::optional<hidraw_devinfo>(); });
  }

  // The kernel counts the report-ID byte in what it transferred, and copies
  // only that much into the buffer. A set succeeds only when all of it went
  // out. A board may answer a get with fewer bytes than its report holds:
  // as on Windows that succeeds, with the reply at the front of the buffer
  // and the rest of the buffer as it was.
  BOOL FeatureTransfer(HANDLE handle, Direction direction, void* buffer, std::uint32_t length) {
    const OpenDevice* open = Find(handle);
    if (open == nullptr || buffer == nullptr || length == 0 || length > kMaxIoctlLength) {
      return 0;
    }
    const unsigned long request =
        direction == Direction::kGet ? HIDIOCGFEATURE(length) : HIDIOCSFEATURE(length);
    const int fd = DeviceFd(*open);
    if (fd < 0) return 0;
    const int transferred = kernel.Ioctl(fd, request, buffer);
    if (direction == Direction::kGet) return transferred > 0 ? 1 : 0;
    return transferred >= 0 && static_cast<std::uint32_t>(transferred) == length ? 1 : 0;
  }

  const fs::path& NodeDir(const OpenDevice& device) const {
    return *device.facts->nodeDir.Get([&]() -> std::optional<fs::path> {
      const auto& identity = device.facts->identity;
      if (!identity) return fs::path{};
      const std::string number = std::to_string(major(identity->device)) + ":" +
                                 std::to_string(minor(identity->device));
      return Canonical(sysRoot / "dev" / "char" / number).value_or(fs::path{});
    });
  }

  // The USB device a hidraw node belongs to: the nearest ancestor of its HID
  // device that carries a bus and device number. Only for nodes on the USB
  // bus, since a Bluetooth device would find its host adapter there.
  const std::optional<fs::path>& UsbDeviceDir(const OpenDevice& device) const {
    return device.facts->usbDir.Get([&]() -> std::optional<fs::path> {
      const fs::path& nodeDir = NodeDir(device);
      if (Info(device).bustype != BUS_USB || nodeDir.empty()) return std::nullopt;
      const auto hidDevice = Canonical(nodeDir / "device");
      if (!hidDevice) return std::nullopt;
      for (fs::path dir = hidDevice->parent_path(); IsUnder(dir, canonicalSysRoot);
           dir = dir.parent_path()) {
        if (IsFile(dir / "busnum") && IsFile(dir / "devnum")) return dir;
      }
      return std::nullopt;
    });
  }

  std::optional<std::u16string> AskUsbString(const OpenDevice& device,
                                             const char* attribute) const {
    const auto& usb = UsbDeviceDir(device);
    if (!usb) return std::nullopt;
    const auto text = ReadAttribute(*usb / attribute);
    if (!text) return std::nullopt;
    return hidraw::Utf16FromUtf8(*text);
  }

  // Off the USB bus a device's serial number is its HID unique name.
  std::optional<std::u16string> AskUniqueName(const OpenDevice& device) const {
    const int fd = DeviceFd(device);
    if (fd < 0) return std::nullopt;
    std::array<char, kMaxUniqLength> name{};
    const int length = kernel.Ioctl(fd, HIDIOCGRAWUNIQ(kMaxUniqLength), name.data());
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

  // The device's answer to a string request by index, asked through its
  // usbfs node once per plug. Nothing is kept when the node could not be
  // reached (its permissions may yet come), so it is tried again.
  std::optional<std::u16string> IndexedString(const OpenDevice& device, std::uint32_t index) {
    if (index > 0xFF) return std::nullopt;
    NodeFacts& facts = *device.facts;
    if (const auto known = facts.indexedStrings.find(index); known != facts.indexedStrings.end()) {
      return known->second;
    }
    const auto& usb = UsbDeviceDir(device);
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
    if (!IdentityOf(usbFd) || IdentityOf(usbFd)->device != *usbDevice) {
      kernel.Close(usbFd);
      return std::nullopt;
    }
    std::uint16_t langId = 0;
    if (index != 0) {
      langId = *facts.language.Get([&] {
        const auto languages = StringDescriptor(usbFd, 0, 0);
        return std::optional<std::uint16_t>(languages && !languages->empty()
                                                ? static_cast<std::uint16_t>((*languages)[0])
                                                : kDefaultLangId);
      });
    }
    auto units = StringDescriptor(usbFd, static_cast<std::uint8_t>(index), langId);
    kernel.Close(usbFd);
    facts.indexedStrings.emplace(index, units);
    return units;
  }

  std::optional<std::vector<std::uint8_t>> ReportDescriptor(const OpenDevice& device) const {
    if (const fs::path& nodeDir = NodeDir(device); !nodeDir.empty()) {
      const auto bytes =
          ReadSmallFile(nodeDir / "device" / "report_descriptor", hidraw::kMaxReportDescriptorSize);
      if (bytes) return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
    }
    const int fd = DeviceFd(device);
    int size = 0;
    if (fd < 0 || kernel.Ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0) return std::nullopt;
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    // The kernel refuses a request for the whole value array, one byte less
    // is the most it hands out.
    descriptor->size = std::min(static_cast<std::uint32_t>(size),
                                static_cast<std::uint32_t>(HID_MAX_DESCRIPTOR_SIZE - 1));
    if (kernel.Ioctl(fd, HIDIOCGRDESC, descriptor.get()) < 0) return std::nullopt;
    const std::size_t length = std::min(std::size_t{descriptor->size}, sizeof descriptor->value);
    return std::vector<std::uint8_t>(descriptor->value, descriptor->value + length);
  }
};

HidrawApi::HidrawApi(std::string sysRoot, std::string devRoot)
    : HidrawApi(std::move(sysRoot), std::move(devRoot), hidraw::SystemKernel()) {}

HidrawApi::HidrawApi(std::string sysRoot, std::string devRoot, hidraw::KernelCalls& kernel)
    : state_(std::make_unique<State>(std::move(sysRoot), std::move(devRoot), kernel)) {}

HidrawApi::~HidrawApi() {
  for (const OpenDevice& device : state_->files) {
    if (device.fd >= 0) state_->kernel.Close(device.fd);
  }
}

void HidrawApi::HidD_GetHidGuid(GUID* hidGuid) {
  if (hidGuid != nullptr) *hidGuid = kHidInterfaceClass;
}

HDEVINFO HidrawApi::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                         std::uintptr_t /*hwndParent*/, std::uint32_t flags) {
  if (classGuid == nullptr || *classGuid != kHidInterfaceClass) return kInvalidHandleValue;
  // Without the interface flag the GUID would name a setup class, and the HID
  // interface class is none: the set is empty. Every node listed is present.
  std::vector<unsigned> members;
  const bool listing = (flags & kDigcfDeviceInterface) != 0;
  if (listing) {
    state_->ListNodes();
    members.reserve(state_->listed.size());
    for (const ListedNode& node : state_->listed) members.push_back(node.number);
  }
  const HDEVINFO set = state_->NextToken();
  if (listing) state_->listedFor = set;
  state_->sets.emplace(set, std::move(members));
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
  // The path is the prefix and the node number, written straight into the
  // record: a walk makes no string per node.
  const std::string& prefix = state_->nodePathPrefix;
  std::array<char, 16> digits{};
  const auto number = std::to_chars(digits.data(), digits.data() + digits.size(),
                                    set->second[member - 1]);
  const std::size_t digitCount = static_cast<std::size_t>(number.ptr - digits.data());
  const std::size_t pathLength = prefix.size() + digitCount;
  const std::size_t required = kDetailPathOffset + pathLength + 1;
  if (requiredSize != nullptr) *requiredSize = static_cast<std::uint32_t>(required);

  if (detail == nullptr || detailSize < kDetailPathOffset + 1) return 0;
  if (LittleEndian32(detail) != kDetailDataSizeField) return 0;
  if (detailSize < required) return 0;
  std::uint8_t* out = std::copy(prefix.begin(), prefix.end(), detail + kDetailPathOffset);
  out = std::copy(digits.data(), number.ptr, out);
  *out = 0;
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
  const int flags = mode | O_CLOEXEC;
  State& state = *state_;

  // A walk opens every node to read its attributes, many times a second
  // while no board is found. Where this walk listed the node with the device
  // that was on it when it was last opened, everything the walk may ask is
  // known, so only the access an open needs is checked; the node is opened
  // when a call needs the device itself. An open is not free: the kernel
  // starts the device's input reports for its first reader and stops them
  // again at the close.
  const auto number = state.NodeNumberOfPath(fileName);
  if (auto known = state.KnownInThisWalk(number)) {
    const int access = mode == O_RDWR ? R_OK | W_OK : mode == O_WRONLY ? W_OK : R_OK;
    if (const int allowed = state.kernel.Access(fileName, access); allowed < 0) {
      state.lastError = WindowsError(-allowed);
      return kInvalidHandleValue;
    }
    const HANDLE handle = state.NextToken();
    state.files.push_back(OpenDevice{.handle = handle,
                                     .fd = -1,
                                     .node = *number,
                                     .openFlags = flags,
                                     .facts = std::move(known),
                                     .walk = state.CurrentWalk()});
    return handle;
  }

  const int fd = state.kernel.Open(fileName, flags);
  if (fd < 0) {
    state.lastError = WindowsError(-fd);
    return kInvalidHandleValue;
  }
  const HANDLE handle = state.NextToken();
  state.files.push_back(OpenDevice{.handle = handle,
                                   .fd = fd,
                                   .openFlags = flags,
                                   .facts = state.FactsFor(fileName, fd),
                                   .walk = state.CurrentWalk()});
  return handle;
}

std::uint32_t HidrawApi::GetLastError() { return state_->lastError; }

BOOL HidrawApi::CloseHandle(HANDLE object) {
  const auto it = std::ranges::find(state_->files, object, &OpenDevice::handle);
  if (it == state_->files.end()) return 0;
  const int result = it->fd >= 0 ? state_->kernel.Close(it->fd) : 0;
  state_->files.erase(it);
  return result == 0 ? 1 : 0;
}

BOOL HidrawApi::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || attributes == nullptr || !state_->Answerable(*open)) return 0;
  const hidraw_devinfo& info = state_->Info(*open);
  attributes->Size = sizeof(HIDD_ATTRIBUTES);
  attributes->VendorID = static_cast<std::uint16_t>(info.vendor);
  attributes->ProductID = static_cast<std::uint16_t>(info.product);
  attributes->VersionNumber = open->facts->release
                                  .Get([&]() -> std::optional<std::uint16_t> {
                                    const auto& usb = state_->UsbDeviceDir(*open);
                                    if (!usb) return std::nullopt;
                                    const auto release = ReadNumber(*usb / "bcdDevice", 16);
                                    if (!release || *release > 0xFFFF) return std::nullopt;
                                    return static_cast<std::uint16_t>(*release);
                                  })
                                  .value_or(0);
  return 1;
}

BOOL HidrawApi::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                      std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto units = state_->IndexedString(*open, stringIndex);
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  NodeFacts& facts = *open->facts;
  const auto& units =
      state_->Info(*open).bustype == BUS_USB
          ? facts.serial.Get([&] { return state_->AskUsbString(*open, "serial"); })
          : facts.uniqueName.GetAnswer([&] { return state_->AskUniqueName(*open); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units = open->facts->manufacturer.Get(
      [&] { return state_->AskUsbString(*open, "manufacturer"); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units =
      open->facts->product.Get([&] { return state_->AskUsbString(*open, "product"); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || preparsedData == nullptr || !state_->Answerable(*open)) return 0;
  const auto& caps = open->facts->caps.GetAnswer([&]() -> std::optional<HIDP_CAPS> {
    const auto descriptor = state_->ReportDescriptor(*open);
    if (!descriptor) return std::nullopt;
    return hidraw::CapsFromReportDescriptor(*descriptor);
  });
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
