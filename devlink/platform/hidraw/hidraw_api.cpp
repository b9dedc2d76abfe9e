#include "devlink/platform/hidraw/hidraw_api.h"

#include <fcntl.h>
#include <poll.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "devlink/hid_string.h"
#include "devlink/last_error.h"
#include "devlink/platform/hidraw/hidraw_requests.h"
#include "devlink/platform/hidraw/kernel_calls.h"
#include "devlink/platform/hidraw/node_cache.h"
#include "devlink/platform/hidraw/node_facts.h"
#include "devlink/platform/hidraw/sysfs.h"
#include "devlink/platform/hidraw/usb_strings.h"
#include "devlink/report_descriptor/hidp_queries.h"
#include "devlink/report_descriptor/report_descriptor.h"

namespace tq {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSpintActive = 0x1;

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

using hidraw::NodeFacts;

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

}  // namespace

struct HidrawApi::State {
  State(std::string sys, std::string dev, hidraw::KernelCalls& calls)
      : sysRoot(std::move(sys)),
        devRoot(std::move(dev)),
        kernel(calls),
        nodes((sysRoot / "class" / "hidraw").string(), (devRoot / "hidraw").string(), calls) {
    canonicalSysRoot = hidraw::Canonical(sysRoot).value_or(fs::path(sysRoot));
  }

  fs::path sysRoot;
  fs::path canonicalSysRoot;
  fs::path devRoot;
  hidraw::KernelCalls& kernel;
  std::uintptr_t lastToken = 0;
  // Each set holds the node numbers present when it was taken.
  std::map<HDEVINFO, std::vector<unsigned>> sets;
  // Few handles are open at once; a vector keeps its room from walk to walk.
  std::vector<OpenDevice> files;
  std::map<PHIDP_PREPARSED_DATA, std::shared_ptr<const hid::ParsedDescriptor>> preparsed;
  // Guards everything here: ReadFile may run on a thread of its own while
  // the window's thread makes the other calls. ReadFile holds it only to
  // find its descriptor, never while it waits.
  std::mutex mutex;
  hidraw::NodeCache nodes;
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

  // What is known of node `number` when the walk under way listed it with
  // the same device as when it was last opened and asked.
  std::shared_ptr<NodeFacts> KnownInThisWalk(std::optional<unsigned> number) const {
    if (listedFor == 0 || listedFor != CurrentWalk()) return nullptr;
    return nodes.KnownAsListed(number);
  }

  // The handle's descriptor, opened now for a handle given out without one.
  // The node must still hold the device the handle was given for: a request
  // meant for one device never reaches another that took its node since.
  int DeviceFd(const OpenDevice& device) const {
    if (device.fd >= 0) return device.fd;
    const int fd = kernel.Open(nodes.NodePathPrefix() + std::to_string(device.node),
                               device.openFlags);
    if (fd < 0) return -1;
    if (hidraw::IdentityOf(kernel, fd) != device.facts->identity) {
      kernel.Close(fd);
      return -1;
    }
    device.fd = fd;
    return fd;
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
    const auto info = hidraw::AskRawInfo(kernel, DeviceFd(device));
    device.facts->info.GetAnswer([&] { return info; });
    return info.has_value();
  }

  const hidraw_devinfo& Info(const OpenDevice& device) const {
    return *device.facts->info.GetAnswer([] { return std::optional<hidraw_devinfo>(); });
  }

  BOOL ReportTransfer(HANDLE handle, hidraw::Direction direction, void* buffer,
                      std::uint32_t length) {
    const OpenDevice* open = Find(handle);
    if (open == nullptr || buffer == nullptr || length == 0 || length > hidraw::kMaxIoctlLength) {
      return 0;
    }
    return hidraw::TransferReport(kernel, DeviceFd(*open), direction, buffer, length) ? 1 : 0;
  }

  const std::optional<fs::path>& UsbDeviceDir(const OpenDevice& device) const {
    return hidraw::UsbDeviceDir(*device.facts, sysRoot, canonicalSysRoot);
  }

  // The device's answer to a string request by index, asked through its
  // usbfs node once per plug (usb_strings.h).
  std::optional<std::u16string> IndexedString(const OpenDevice& device, std::uint32_t index) {
    if (index > 0xFF) return std::nullopt;
    NodeFacts& facts = *device.facts;
    if (const auto known = facts.indexedStrings.find(index); known != facts.indexedStrings.end()) {
      return known->second;
    }
    const auto& usb = UsbDeviceDir(device);
    if (!usb) return std::nullopt;
    return hidraw::AskIndexedString(kernel, devRoot, *usb, static_cast<std::uint8_t>(index), facts);
  }

  // What Windows' parser makes of the device's report descriptor, asked
  // once per plug.
  std::shared_ptr<const hid::ParsedDescriptor> Parsed(const OpenDevice& device) {
    const auto& parsed =
        device.facts->parsed.GetAnswer([&]() -> std::optional<std::shared_ptr<const hid::ParsedDescriptor>> {
          const auto descriptor = ReadReportDescriptor(device);
          if (!descriptor) return std::nullopt;
          auto result = hid::ParseReportDescriptor(*descriptor);
          if (!result) return std::nullopt;
          return std::make_shared<const hid::ParsedDescriptor>(std::move(*result));
        });
    return parsed.value_or(nullptr);
  }

  const hid::ParsedDescriptor* PreparsedOf(PHIDP_PREPARSED_DATA data) const {
    const auto it = preparsed.find(data);
    return it == preparsed.end() ? nullptr : it->second.get();
  }

  // sysfs' copy where there is one; the kernel's otherwise.
  std::optional<std::vector<std::uint8_t>> ReadReportDescriptor(const OpenDevice& device) const {
    if (auto bytes = hidraw::ReportDescriptorFile(hidraw::NodeDir(*device.facts, sysRoot))) {
      return bytes;
    }
    return hidraw::AskReportDescriptor(kernel, DeviceFd(device));
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
  const std::lock_guard lock(state_->mutex);
  if (classGuid == nullptr || *classGuid != kHidInterfaceClass) return kInvalidHandleValue;
  // Without the interface flag the GUID would name a setup class, and the HID
  // interface class is none: the set is empty. Every node listed is present.
  std::vector<unsigned> members;
  const bool listing = (flags & kDigcfDeviceInterface) != 0;
  if (listing) {
    state_->nodes.List();
    members.reserve(state_->nodes.Listed().size());
    for (const hidraw::ListedNode& node : state_->nodes.Listed()) members.push_back(node.number);
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
  const std::lock_guard lock(state_->mutex);
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
  const std::lock_guard lock(state_->mutex);
  const auto set = state_->sets.find(deviceInfoSet);
  if (set == state_->sets.end() || deviceInterfaceData == nullptr ||
      deviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return 0;
  }
  const std::uintptr_t member = deviceInterfaceData->Reserved;
  if (member == 0 || member > set->second.size()) return 0;
  // The path is the prefix and the node number, written straight into the
  // record: a walk makes no string per node.
  const std::string& prefix = state_->nodes.NodePathPrefix();
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
  const std::lock_guard lock(state_->mutex);
  return state_->sets.erase(deviceInfoSet) == 1 ? 1 : 0;
}

HANDLE HidrawApi::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                              std::uint32_t /*shareMode*/,
                              SECURITY_ATTRIBUTES* /*securityAttributes*/,
                              std::uint32_t creationDisposition,
                              std::uint32_t /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  const std::lock_guard lock(state_->mutex);
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
  const auto number = state.nodes.NumberOfPath(fileName);
  if (auto known = state.KnownInThisWalk(number)) {
    const int access = mode == O_RDWR ? R_OK | W_OK : mode == O_WRONLY ? W_OK : R_OK;
    if (const int allowed = state.kernel.Access(fileName, access); allowed < 0) {
      SetThreadLastError(WindowsError(-allowed));
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
    SetThreadLastError(WindowsError(-fd));
    return kInvalidHandleValue;
  }
  const HANDLE handle = state.NextToken();
  state.files.push_back(OpenDevice{.handle = handle,
                                   .fd = fd,
                                   .openFlags = flags,
                                   .facts = state.nodes.FactsFor(fileName, fd),
                                   .walk = state.CurrentWalk()});
  return handle;
}

std::uint32_t HidrawApi::GetLastError() { return ThreadLastError(); }

BOOL HidrawApi::CloseHandle(HANDLE object) {
  const std::lock_guard lock(state_->mutex);
  const auto it = std::ranges::find(state_->files, object, &OpenDevice::handle);
  if (it == state_->files.end()) return 0;
  const int result = it->fd >= 0 ? state_->kernel.Close(it->fd) : 0;
  state_->files.erase(it);
  return result == 0 ? 1 : 0;
}

BOOL HidrawApi::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  const std::lock_guard lock(state_->mutex);
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
                                    const auto release = hidraw::ReadNumber(*usb / "bcdDevice", 16);
                                    if (!release || *release > 0xFFFF) return std::nullopt;
                                    return static_cast<std::uint16_t>(*release);
                                  })
                                  .value_or(0);
  return 1;
}

BOOL HidrawApi::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                      std::uint32_t bufferLength) {
  const std::lock_guard lock(state_->mutex);
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto units = state_->IndexedString(*open, stringIndex);
  return units && PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const std::lock_guard lock(state_->mutex);
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  NodeFacts& facts = *open->facts;
  const auto& units =
      state_->Info(*open).bustype == BUS_USB
          ? facts.serial.Get(
                [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "serial"); })
          : facts.uniqueName.GetAnswer(
                [&] { return hidraw::AskUniqueName(state_->kernel, state_->DeviceFd(*open)); });
  return units && PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const std::lock_guard lock(state_->mutex);
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units = open->facts->manufacturer.Get(
      [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "manufacturer"); });
  return units && PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) {
  const std::lock_guard lock(state_->mutex);
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units = open->facts->product.Get(
      [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "product"); });
  return units && PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  const std::lock_guard lock(state_->mutex);
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || preparsedData == nullptr || !state_->Answerable(*open)) return 0;
  auto parsed = state_->Parsed(*open);
  if (!parsed) return 0;
  const PHIDP_PREPARSED_DATA token = state_->NextToken();
  state_->preparsed.emplace(token, std::move(parsed));
  *preparsedData = token;
  return 1;
}

NTSTATUS HidrawApi::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
  const std::lock_guard lock(state_->mutex);
  return hid::HidP_GetCaps(state_->PreparsedOf(preparsedData), capabilities);
}

NTSTATUS HidrawApi::HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType, HIDP_BUTTON_CAPS* buttonCaps,
                                       std::uint16_t* buttonCapsLength,
                                       PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(state_->mutex);
  return hid::HidP_GetButtonCaps(reportType, buttonCaps, buttonCapsLength,
                                 state_->PreparsedOf(preparsedData));
}

NTSTATUS HidrawApi::HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                                      std::uint16_t* valueCapsLength,
                                      PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(state_->mutex);
  return hid::HidP_GetValueCaps(reportType, valueCaps, valueCapsLength,
                                state_->PreparsedOf(preparsedData));
}

NTSTATUS HidrawApi::HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                   std::uint16_t linkCollection, USAGE* usageList,
                                   std::uint32_t* usageLength, PHIDP_PREPARSED_DATA preparsedData,
                                   char* report, std::uint32_t reportLength) {
  const std::lock_guard lock(state_->mutex);
  return hid::HidP_GetUsages(reportType, usagePage, linkCollection, usageList, usageLength,
                             state_->PreparsedOf(preparsedData), report, reportLength);
}

NTSTATUS HidrawApi::HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                       std::uint16_t linkCollection, USAGE usage,
                                       std::uint32_t* usageValue,
                                       PHIDP_PREPARSED_DATA preparsedData, char* report,
                                       std::uint32_t reportLength) {
  const std::lock_guard lock(state_->mutex);
  return hid::HidP_GetUsageValue(reportType, usagePage, linkCollection, usage, usageValue,
                                 state_->PreparsedOf(preparsedData), report, reportLength);
}

BOOL HidrawApi::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(state_->mutex);
  return state_->preparsed.erase(preparsedData) == 1 ? 1 : 0;
}

BOOL HidrawApi::ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                         std::uint32_t* bytesRead, std::uint32_t timeoutMs) {
  if (bytesRead != nullptr) *bytesRead = 0;
  int fd = -1;
  std::size_t reportLength = 0;
  bool numbered = false;
  // The IDs of this interface's inputs: the node also hands the reports of
  // the device's other top-level collections, which Windows delivers to
  // their own interfaces only.
  std::bitset<256> ownIds;
  {
    const std::lock_guard lock(state_->mutex);
    const OpenDevice* open = state_->Find(device);
    if (open == nullptr) {
      SetThreadLastError(kErrorInvalidHandle);
      return 0;
    }
    const auto parsed = state_->Parsed(*open);
    fd = state_->DeviceFd(*open);
    if (parsed == nullptr || fd < 0) {
      SetThreadLastError(kErrorDeviceNotConnected);
      return 0;
    }
    reportLength = parsed->caps.InputReportByteLength;
    numbered = parsed->numberedReports;
    for (const hid::ReportField& field : parsed->fields[HidP_Input]) ownIds.set(field.reportId);
  }
  if (buffer == nullptr || reportLength == 0 || bytesToRead < reportLength) {
    SetThreadLastError(kErrorInvalidUserBuffer);
    return 0;
  }

  // Without the lock: the wait is this thread's alone. Another
  // collection's report is passed over within the same time.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  auto* out = static_cast<std::uint8_t*>(buffer);
  // hidraw hands a device's numbered reports with their ID, unnumbered ones
  // without: the ID byte 0 goes in front, as Windows delivers them.
  const std::size_t at = numbered ? 0 : 1;
  std::vector<std::uint8_t> report(reportLength, 0);
  for (;;) {
    int timeout = -1;
    if (timeoutMs != kInfinite) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 0x7FFFFFFF));
    }
    int ready = 0;
    do {
      ready = state_->kernel.Poll(fd, timeout);
    } while (ready == -EINTR);
    if (ready == 0) {
      SetThreadLastError(kErrorTimeout);
      return 0;
    }
    // A report still queued is read even after the device went; then the
    // read itself fails.
    if (ready < 0 || (ready & POLLIN) == 0) {
      SetThreadLastError(ready < 0 ? kErrorGenFailure : kErrorDeviceNotConnected);
      return 0;
    }
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    ssize_t got = 0;
    do {
      got = state_->kernel.Read(fd, report.data() + at, reportLength - at);
    } while (got == -EINTR);
    if (got <= 0) {
      const bool gone = got == 0 || got == -ENODEV || got == -EIO;
      SetThreadLastError(gone ? kErrorDeviceNotConnected : kErrorGenFailure);
      return 0;
    }
    if (!numbered || ownIds.test(report[0])) break;
  }
  std::copy(report.begin(), report.end(), out);
  if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(reportLength);
  return 1;
}

BOOL HidrawApi::HidD_GetInputReport(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(state_->mutex);
  return state_->ReportTransfer(device, hidraw::Direction::kGetInput, reportBuffer, length);
}

BOOL HidrawApi::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(state_->mutex);
  return state_->ReportTransfer(device, hidraw::Direction::kGet, reportBuffer, length);
}

BOOL HidrawApi::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(state_->mutex);
  return state_->ReportTransfer(device, hidraw::Direction::kSet, reportBuffer, length);
}

}  // namespace tq
