#include "devlink/platform/hidraw/hidraw_api.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "devlink/platform/hidraw/hid_string.h"
#include "devlink/platform/hidraw/hidraw_requests.h"
#include "devlink/platform/hidraw/kernel_calls.h"
#include "devlink/platform/hidraw/node_cache.h"
#include "devlink/platform/hidraw/node_facts.h"
#include "devlink/report_descriptor/report_descriptor.h"
#include "devlink/platform/hidraw/sysfs.h"
#include "devlink/platform/hidraw/usb_strings.h"

namespace tq {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSpintActive = 0x1;
constexpr NTSTATUS kHidpStatusInvalidPreparsedData = static_cast<NTSTATUS>(0xC0110001u);

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
  std::uint32_t lastError = 0;
  // Each set holds the node numbers present when it was taken.
  std::map<HDEVINFO, std::vector<unsigned>> sets;
  // Few handles are open at once; a vector keeps its room from walk to walk.
  std::vector<OpenDevice> files;
  std::map<PHIDP_PREPARSED_DATA, HIDP_CAPS> preparsed;
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

  BOOL FeatureTransfer(HANDLE handle, hidraw::Direction direction, void* buffer,
                       std::uint32_t length) {
    const OpenDevice* open = Find(handle);
    if (open == nullptr || buffer == nullptr || length == 0 || length > hidraw::kMaxIoctlLength) {
      return 0;
    }
    return hidraw::TransferFeature(kernel, DeviceFd(*open), direction, buffer, length) ? 1 : 0;
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

  // sysfs' copy where there is one; the kernel's otherwise.
  std::optional<std::vector<std::uint8_t>> ReportDescriptor(const OpenDevice& device) const {
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
  const auto number = state.nodes.NumberOfPath(fileName);
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
                                   .facts = state.nodes.FactsFor(fileName, fd),
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
                                    const auto release = hidraw::ReadNumber(*usb / "bcdDevice", 16);
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
          ? facts.serial.Get(
                [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "serial"); })
          : facts.uniqueName.GetAnswer(
                [&] { return hidraw::AskUniqueName(state_->kernel, state_->DeviceFd(*open)); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                           std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units = open->facts->manufacturer.Get(
      [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "manufacturer"); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || !state_->Answerable(*open)) return 0;
  const auto& units = open->facts->product.Get(
      [&] { return hidraw::UsbString(state_->UsbDeviceDir(*open), "product"); });
  return units && hidraw::PutHidString(*units, buffer, bufferLength) ? 1 : 0;
}

BOOL HidrawApi::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  const OpenDevice* open = state_->Find(device);
  if (open == nullptr || preparsedData == nullptr || !state_->Answerable(*open)) return 0;
  const auto& caps = open->facts->caps.GetAnswer([&]() -> std::optional<HIDP_CAPS> {
    const auto descriptor = state_->ReportDescriptor(*open);
    if (!descriptor) return std::nullopt;
    return hid::CapsFromReportDescriptor(*descriptor);
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
  return state_->FeatureTransfer(device, hidraw::Direction::kGet, reportBuffer, length);
}

BOOL HidrawApi::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return state_->FeatureTransfer(device, hidraw::Direction::kSet, reportBuffer, length);
}

}  // namespace tq
