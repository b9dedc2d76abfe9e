#include "emulator/simulated_hid.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

#include "devlink/report_descriptor/hidp_queries.h"
#include "emulator/board_descriptor.h"

namespace tq::emu {
namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Per thread, as Windows keeps it.
thread_local std::uint32_t lastError = 0;

// Every entry point ends here: the call goes into the log with its result,
// handles as their value and the invalid one as -1, and the result is
// handed back to the caller.
template <typename Result>
Result Logged(std::vector<Call>& log, Call& call, Result result) {
  if constexpr (std::is_same_v<Result, HANDLE>) {
    call.result = result == kInvalidHandleValue ? -1 : static_cast<std::int64_t>(result);
  } else {
    call.result = result;
  }
  log.push_back(std::move(call));
  return result;
}

// An injected failure still releases the object, as Windows does once the
// object is known; releasing an unknown one is the caller's fault, counted.
template <typename OpenObjects>
BOOL Release(OpenObjects& open, typename OpenObjects::key_type object, bool injected,
             int& unknownReleases) {
  if (open.erase(object) != 1) {
    ++unknownReleases;
    return 0;
  }
  return injected ? 0 : 1;
}

}  // namespace

SimulatedHid::BoardId SimulatedHid::Attach(EmulatedBoard board) {
  const std::lock_guard lock(mutex_);
  const auto id = static_cast<BoardId>(slots_.size());
  const auto serial = static_cast<unsigned>(id);
  char path[160];
  std::snprintf(path, sizeof path,
                "\\\\?\\hid#vid_%04x&pid_%04x&mi_00#7&%x&0&%04x#"
                "{4d1e55b2-f16f-11cf-88cb-001111000030}",
                unsigned{board.vendorId}, unsigned{board.productId}, 0x1a2b3c00u + serial,
                serial);
  slots_.push_back(Slot{std::move(board), path});
  enumeration_.push_back(id);
  return id;
}

void SimulatedHid::Detach(BoardId id) {
  const std::lock_guard lock(mutex_);
  Slot& slot = slots_.at(static_cast<std::size_t>(id));
  if (!slot.attached) return;
  slot.attached = false;
  std::erase(enumeration_, id);
  inputChanged_.notify_all();  // a read waiting on it fails now
}

std::uint32_t SimulatedHid::GetLastError() { return lastError; }

const hid::ParsedDescriptor* SimulatedHid::PreparsedOf(PHIDP_PREPARSED_DATA data) const {
  const auto it = preparsed_.find(data);
  return it == preparsed_.end() ? nullptr : it->second.parsed.get();
}

void SimulatedHid::Reattach(BoardId id) {
  const std::lock_guard lock(mutex_);
  Slot& slot = slots_.at(static_cast<std::size_t>(id));
  if (slot.attached) return;
  slot.attached = true;
  ++slot.generation;
  enumeration_.push_back(id);
}

bool SimulatedHid::IsAttached(BoardId id) const {
  const std::lock_guard lock(mutex_);
  return slots_.at(static_cast<std::size_t>(id)).attached;
}

EmulatedBoard& SimulatedHid::Board(BoardId id) {
  const std::lock_guard lock(mutex_);
  return slots_.at(static_cast<std::size_t>(id)).board;
}

std::string SimulatedHid::PathOf(BoardId id) const {
  const std::lock_guard lock(mutex_);
  return slots_.at(static_cast<std::size_t>(id)).path;
}

std::vector<Call> SimulatedHid::CallsOf(const std::string& op) const {
  const std::lock_guard lock(mutex_);
  std::vector<Call> out;
  std::ranges::copy_if(calls_, std::back_inserter(out),
                       [&op](const Call& call) { return call.op == op; });
  return out;
}

int SimulatedHid::CallCount(const std::string& op) const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(std::ranges::count(calls_, op, &Call::op));
}

int SimulatedHid::OpenHandleCount() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(
      std::ranges::count_if(files_, [](const auto& entry) { return entry.second.open; }));
}

int SimulatedHid::OpenDeviceInfoSets() const { return static_cast<int>(sets_.size()); }

void SimulatedHid::FailNth(const std::string& op, int n) {
  const std::lock_guard lock(mutex_);
  faults_.push_back(Fault{op, n, false, 0});
}

void SimulatedHid::UnplugBefore(const std::string& op, int n, BoardId id) {
  const std::lock_guard lock(mutex_);
  faults_.push_back(Fault{op, n, true, id});
}

void SimulatedHid::FailAlways(const std::string& op, bool fail) { failAlways_[op] = fail; }

// Every entry point runs this before it looks at any state, so an unplug
// scheduled for this very call is already in effect when the call runs.
bool SimulatedHid::Injected(const std::string& op) {
  const std::lock_guard lock(mutex_);
  const auto always = failAlways_.find(op);
  bool fail = always != failAlways_.end() && always->second;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->op == op && --it->remaining == 0) {
      if (it->unplug) {
        Detach(it->board);
      } else {
        fail = true;
      }
      it = faults_.erase(it);
    } else {
      ++it;
    }
  }
  return fail;
}

EmulatedBoard* SimulatedHid::Live(HANDLE handle) {
  const auto file = files_.find(handle);
  if (file == files_.end() || !file->second.open) return nullptr;
  Slot& slot = slots_.at(static_cast<std::size_t>(file->second.board));
  if (!slot.attached || slot.generation != file->second.generation) return nullptr;
  return &slot.board;
}

void SimulatedHid::HidD_GetHidGuid(GUID* hidGuid) {
  const std::lock_guard lock(mutex_);
  Injected("HidD_GetHidGuid");  // cannot fail on Windows; an unplug still happens
  if (hidGuid) *hidGuid = kHidInterfaceClass;
  calls_.push_back(Call{.op = "HidD_GetHidGuid", .result = 1});
}

HDEVINFO SimulatedHid::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                            std::uintptr_t /*hwndParent*/, std::uint32_t flags) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "SetupDiGetClassDevsA", .flags = flags};
  HDEVINFO set = kInvalidHandleValue;
  const std::uint32_t wanted = kDigcfPresent | kDigcfDeviceInterface;
  if (!Injected(call.op) && classGuid && *classGuid == kHidInterfaceClass &&
      (flags & wanted) == wanted) {
    set = NextHandle();
    sets_[set] = enumeration_;
  }
  return Logged(calls_, call, set);
}

BOOL SimulatedHid::SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* /*deviceInfoData*/,
                                               const GUID* interfaceClassGuid,
                                               std::uint32_t memberIndex,
                                               SP_DEVICE_INTERFACE_DATA* data) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "SetupDiEnumDeviceInterfaces", .handle = deviceInfoSet, .index = memberIndex};
  BOOL result = 0;
  if (!Injected(call.op)) {
    const auto set = sets_.find(deviceInfoSet);
    if (set != sets_.end() && memberIndex < set->second.size() && data &&
        data->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA) && interfaceClassGuid &&
        *interfaceClassGuid == kHidInterfaceClass) {
      data->InterfaceClassGuid = kHidInterfaceClass;
      data->Flags = 1;  // active
      // Zero stays free for "never enumerated".
      data->Reserved = static_cast<std::uintptr_t>(set->second[memberIndex]) + 1;
      result = 1;
    }
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                                    SP_DEVICE_INTERFACE_DATA* data,
                                                    std::uint8_t* detail, std::uint32_t detailSize,
                                                    std::uint32_t* requiredSize,
                                                    void* /*deviceInfoData*/) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "SetupDiGetDeviceInterfaceDetailA", .handle = deviceInfoSet,
            .length = detailSize};
  BOOL result = 0;
  if (!Injected(call.op)) {
    const auto set = sets_.find(deviceInfoSet);
    const bool known = set != sets_.end() && data &&
                       data->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA) && data->Reserved >= 1 &&
                       std::ranges::find(set->second, static_cast<BoardId>(data->Reserved - 1)) !=
                           set->second.end();
    if (known) {
      // The snapshot keeps naming an interface after it is unplugged, as
      // Windows' sets do; only opening its path fails.
      const std::string& path = slots_.at(data->Reserved - 1).path;
      const auto needed = static_cast<std::uint32_t>(kDetailPathOffset + path.size() + 1);
      if (requiredSize) *requiredSize = needed;
      std::uint32_t sizeField = 0;
      if (detail && detailSize >= kDetailPathOffset) {
        sizeField = std::uint32_t{detail[0]} | std::uint32_t{detail[1]} << 8 |
                    std::uint32_t{detail[2]} << 16 | std::uint32_t{detail[3]} << 24;
      }
      if (detail && detailSize >= needed && sizeField == kDetailDataSizeField) {
        std::memcpy(detail + kDetailPathOffset, path.c_str(), path.size() + 1);
        call.bytes.assign(detail, detail + needed);
        result = 1;
      }
    }
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "SetupDiDestroyDeviceInfoList", .handle = deviceInfoSet};
  const BOOL result = Release(sets_, deviceInfoSet, Injected(call.op), doubleDestroys_);
  return Logged(calls_, call, result);
}

HANDLE SimulatedHid::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                 std::uint32_t shareMode, SECURITY_ATTRIBUTES* /*security*/,
                                 std::uint32_t creationDisposition,
                                 std::uint32_t flagsAndAttributes, HANDLE /*templateFile*/) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "CreateFileA", .path = fileName ? fileName : "", .access = desiredAccess,
            .flags = flagsAndAttributes};
  HANDLE handle = kInvalidHandleValue;
  const std::uint32_t share = kFileShareRead | kFileShareWrite;
  lastError = kErrorGenFailure;
  if (!Injected(call.op) && (shareMode & share) == share &&
      creationDisposition == kOpenExisting) {
    const auto slot = std::ranges::find(slots_, call.path, &Slot::path);
    if (slot == slots_.end() || !slot->attached) {
      lastError = kErrorFileNotFound;
    } else if (slot->board.openError != 0) {
      lastError = slot->board.openError;
    } else {
      handle = NextHandle();
      files_[handle] = OpenFile{static_cast<BoardId>(slot - slots_.begin()), slot->generation};
      ++opened_;
    }
  }
  return Logged(calls_, call, handle);
}

BOOL SimulatedHid::CloseHandle(HANDLE object) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "CloseHandle", .handle = object};
  const bool injected = Injected(call.op);
  BOOL result = 0;
  const auto file = files_.find(object);
  if (file == files_.end()) {
    ++invalidCloses_;
  } else if (!file->second.open) {
    ++doubleCloses_;
  } else {
    file->second.open = false;
    result = injected ? 0 : 1;
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_GetAttributes", .handle = device};
  BOOL result = 0;
  if (!Injected(call.op)) {
    EmulatedBoard* board = Live(device);
    if (board && attributes && attributes->Size == sizeof(HIDD_ATTRIBUTES)) {
      attributes->VendorID = board->vendorId;
      attributes->ProductID = board->productId;
      attributes->VersionNumber = board->versionNumber;
      result = 1;
    }
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::String(const char* op, HANDLE device,
                          const std::optional<std::u16string>& text, void* buffer,
                          std::uint32_t bufferLength, std::uint32_t index) {
  Call call{.op = op, .handle = device, .index = index, .length = bufferLength};
  BOOL result = 0;
  if (text && buffer && 2 * text->size() <= bufferLength) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t written = 0;
    for (char16_t unit : *text) {
      out[written++] = static_cast<std::uint8_t>(unit & 0xFF);
      out[written++] = static_cast<std::uint8_t>(unit >> 8);
    }
    // The terminator only where it still fits, as the HID class driver does.
    if (written + 2 <= bufferLength) {
      out[written++] = 0;
      out[written++] = 0;
    }
    call.bytes.assign(out, out + written);
    result = 1;
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                         std::uint32_t bufferLength) {
  const std::lock_guard lock(mutex_);
  const char* op = "HidD_GetIndexedString";
  std::optional<std::u16string> text;
  if (!Injected(op)) {
    if (EmulatedBoard* board = Live(device)) {
      if (const auto it = board->indexedStrings.find(stringIndex);
          it != board->indexedStrings.end()) {
        text = it->second;
      }
    }
  }
  return String(op, device, text, buffer, bufferLength, stringIndex);
}

BOOL SimulatedHid::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                              std::uint32_t bufferLength) {
  const std::lock_guard lock(mutex_);
  const char* op = "HidD_GetSerialNumberString";
  EmulatedBoard* board = Injected(op) ? nullptr : Live(device);
  return String(op, device, board ? board->serial : std::nullopt, buffer, bufferLength);
}

BOOL SimulatedHid::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                              std::uint32_t bufferLength) {
  const std::lock_guard lock(mutex_);
  const char* op = "HidD_GetManufacturerString";
  EmulatedBoard* board = Injected(op) ? nullptr : Live(device);
  return String(op, device, board ? board->manufacturer : std::nullopt, buffer, bufferLength);
}

BOOL SimulatedHid::HidD_GetProductString(HANDLE device, void* buffer,
                                         std::uint32_t bufferLength) {
  const std::lock_guard lock(mutex_);
  const char* op = "HidD_GetProductString";
  EmulatedBoard* board = Injected(op) ? nullptr : Live(device);
  return String(op, device, board ? board->product : std::nullopt, buffer, bufferLength);
}

BOOL SimulatedHid::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_GetPreparsedData", .handle = device};
  BOOL result = 0;
  if (!Injected(call.op)) {
    EmulatedBoard* board = Live(device);
    if (board && board->capabilitiesReadable && preparsedData) {
      // A descriptor Windows could not parse leaves only the lengths.
      auto parsed = hid::ParseReportDescriptor(BoardDescriptor(*board));
      *preparsedData = NextHandle();
      preparsed_[*preparsedData] = Preparsed{
          files_.at(device).board,
          std::make_shared<const hid::ParsedDescriptor>(
              parsed ? std::move(*parsed) : hid::ParsedDescriptor{})};
      result = 1;
    }
  }
  return Logged(calls_, call, result);
}

// The preparsed data is a copy taken at open time, so it still answers
// after its board is unplugged.
NTSTATUS SimulatedHid::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidP_GetCaps", .handle = preparsedData};
  NTSTATUS result = kHidpStatusInvalidPreparsedData;
  if (!Injected(call.op)) {
    const auto it = preparsed_.find(preparsedData);
    if (it != preparsed_.end() && capabilities) {
      const EmulatedBoard& board = slots_.at(static_cast<std::size_t>(it->second.board)).board;
      // The descriptor's usages and counts; the lengths the board was given,
      // which its own descriptor states too.
      *capabilities = it->second.parsed->caps;
      capabilities->InputReportByteLength = board.inputReportByteLength;
      capabilities->OutputReportByteLength = board.outputReportByteLength;
      capabilities->FeatureReportByteLength = board.featureReportByteLength;
      result = kHidpStatusSuccess;
    }
  }
  return Logged(calls_, call, result);
}

NTSTATUS SimulatedHid::HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType,
                                          HIDP_BUTTON_CAPS* buttonCaps,
                                          std::uint16_t* buttonCapsLength,
                                          PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidP_GetButtonCaps", .handle = preparsedData};
  const hid::ParsedDescriptor* parsed = Injected(call.op) ? nullptr : PreparsedOf(preparsedData);
  const NTSTATUS result =
      parsed ? hid::GetButtonCaps(*parsed, reportType, buttonCaps, buttonCapsLength)
             : kHidpStatusInvalidPreparsedData;
  return Logged(calls_, call, result);
}

NTSTATUS SimulatedHid::HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                                         std::uint16_t* valueCapsLength,
                                         PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidP_GetValueCaps", .handle = preparsedData};
  const hid::ParsedDescriptor* parsed = Injected(call.op) ? nullptr : PreparsedOf(preparsedData);
  const NTSTATUS result = parsed
                              ? hid::GetValueCaps(*parsed, reportType, valueCaps, valueCapsLength)
                              : kHidpStatusInvalidPreparsedData;
  return Logged(calls_, call, result);
}

NTSTATUS SimulatedHid::HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                      std::uint16_t linkCollection, USAGE* usageList,
                                      std::uint32_t* usageLength,
                                      PHIDP_PREPARSED_DATA preparsedData, char* report,
                                      std::uint32_t reportLength) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidP_GetUsages", .handle = preparsedData, .length = reportLength};
  const hid::ParsedDescriptor* parsed = Injected(call.op) ? nullptr : PreparsedOf(preparsedData);
  const NTSTATUS result =
      parsed ? hid::GetUsages(*parsed, reportType, usagePage, linkCollection, usageList,
                              usageLength, hid::ReportBytes(report, reportLength))
             : kHidpStatusInvalidPreparsedData;
  return Logged(calls_, call, result);
}

NTSTATUS SimulatedHid::HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                          std::uint16_t linkCollection, USAGE usage,
                                          std::uint32_t* usageValue,
                                          PHIDP_PREPARSED_DATA preparsedData, char* report,
                                          std::uint32_t reportLength) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidP_GetUsageValue", .handle = preparsedData, .index = usage,
            .length = reportLength};
  const hid::ParsedDescriptor* parsed = Injected(call.op) ? nullptr : PreparsedOf(preparsedData);
  const NTSTATUS result =
      parsed ? hid::GetUsageValue(*parsed, reportType, usagePage, linkCollection, usage,
                                  usageValue, hid::ReportBytes(report, reportLength))
             : kHidpStatusInvalidPreparsedData;
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                            std::uint32_t* bytesRead, std::uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  Call call{.op = "ReadFile", .handle = device, .length = bytesToRead};
  if (bytesRead != nullptr) *bytesRead = 0;
  const auto fail = [&](std::uint32_t error) {
    lastError = error;
    return Logged(calls_, call, BOOL{0});
  };
  if (Injected(call.op)) return fail(kErrorGenFailure);
  const auto file = files_.find(device);
  if (file == files_.end() || !file->second.open) return fail(kErrorInvalidHandle);
  EmulatedBoard* board = Live(device);
  if (board == nullptr) return fail(kErrorDeviceNotConnected);
  const std::size_t length = board->inputReportByteLength;
  if (buffer == nullptr || length == 0 || bytesToRead < length) {
    return fail(kErrorInvalidUserBuffer);
  }

  const auto realDeadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::uint64_t boardDeadline =
      timeoutMs == kInfinite ? ~std::uint64_t{0} : board->clockMs + timeoutMs;
  std::vector<std::uint8_t>& last = file->second.lastReport;
  std::vector<std::uint8_t> report = board->InputReport();
  while (report == last) {
    if (board->InputPending()) {
      // The firmware moves on its own: look at the next grid point.
      const std::uint64_t next = (board->clockMs / reportIntervalMs_ + 1) * reportIntervalMs_;
      if (next > boardDeadline) {
        board->AdvanceTime(boardDeadline - board->clockMs);
        return fail(kErrorTimeout);
      }
      board->AdvanceTime(next - board->clockMs);
    } else {
      // Only a test moving an input (or an unplug) changes anything now.
      if (timeoutMs == kInfinite) {
        inputChanged_.wait(lock);
      } else if (inputChanged_.wait_until(lock, realDeadline) == std::cv_status::timeout) {
        return fail(kErrorTimeout);
      }
      board = Live(device);
      if (board == nullptr) return fail(kErrorDeviceNotConnected);
    }
    report = board->InputReport();
  }
  report.resize(length, 0);
  std::copy(report.begin(), report.end(), static_cast<std::uint8_t*>(buffer));
  last = report;
  call.bytes = report;
  if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(length);
  return Logged(calls_, call, BOOL{1});
}

BOOL SimulatedHid::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_FreePreparsedData", .handle = preparsedData};
  const BOOL result = Release(preparsed_, preparsedData, Injected(call.op), doubleFrees_);
  return Logged(calls_, call, result);
}

namespace {

// The board has no numbered reports: only report ID 0 passes, and only in
// a buffer of exactly the report's length.
bool FramedForBoard(std::size_t reportLength, const std::uint8_t* bytes, std::uint32_t length) {
  if (length != reportLength) return false;
  if (length == 0) return true;
  return bytes != nullptr && bytes[0] == 0;
}

}  // namespace

BOOL SimulatedHid::HidD_GetInputReport(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_GetInputReport", .handle = device, .length = length};
  BOOL result = 0;
  auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
  const EmulatedBoard* board = Injected(call.op) ? nullptr : Live(device);
  if (board && length > 0 && FramedForBoard(board->inputReportByteLength, bytes, length)) {
    std::vector<std::uint8_t> report = board->InputReport();
    report.resize(length, 0);
    std::copy(report.begin(), report.end(), bytes);
    call.bytes = report;
    result = 1;
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_GetFeature", .handle = device, .length = length};
  BOOL result = 0;
  auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
  if (!Injected(call.op)) {
    EmulatedBoard* board = Live(device);
    if (board && FramedForBoard(board->featureReportByteLength, bytes, length) &&
        board->AnswerGetFeature(bytes, length)) {
      if (length > 0) call.bytes.assign(bytes, bytes + length);
      result = 1;
    }
  }
  return Logged(calls_, call, result);
}

BOOL SimulatedHid::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const std::lock_guard lock(mutex_);
  Call call{.op = "HidD_SetFeature", .handle = device, .length = length};
  auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
  // What the program sent, even when it does not arrive.
  if (bytes && length > 0) call.bytes.assign(bytes, bytes + length);
  BOOL result = 0;
  if (!Injected(call.op)) {
    EmulatedBoard* board = Live(device);
    if (board && FramedForBoard(board->featureReportByteLength, bytes, length) && board->TakeSetFeature(bytes, length)) {
      result = 1;
    }
  }
  return Logged(calls_, call, result);
}

}  // namespace tq::emu
