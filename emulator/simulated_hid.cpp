#include "emulator/simulated_hid.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

#include "devlink/hid_string.h"
#include "devlink/last_error.h"
#include "devlink/report_descriptor/hidp_queries.h"
#include "emulator/board_descriptor.h"

namespace tq::emu {
namespace {

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

// The board has no numbered reports: only report ID 0 passes, and only in
// a buffer of exactly the report's length.
bool FramedForBoard(std::size_t reportLength, const std::uint8_t* bytes, std::uint32_t length) {
  if (length != reportLength) return false;
  if (length == 0) return true;
  return bytes != nullptr && bytes[0] == 0;
}

// The string as Windows writes it; the bytes written go into the log.
BOOL PutString(Call& call, const std::optional<std::u16string>& text, void* buffer,
               std::uint32_t bufferLength) {
  const auto written = text ? PutHidString(*text, buffer, bufferLength) : std::nullopt;
  if (!written) return 0;
  const auto* out = static_cast<const std::uint8_t*>(buffer);
  call.bytes.assign(out, out + *written);
  return 1;
}

}  // namespace

template <typename Body>
auto SimulatedHid::Serve(Call call, Body&& body) {
  Lock lock(mutex_);
  const FaultPlan::Due due = faults_.Count(call.op);
  for (const BoardId board : due.unplug) DetachLocked(board);
  auto result = body(call, due.fail, lock);
  log_.Record(std::move(call), result);
  progress_.notify_all();
  return result;
}

template <typename Result, typename Body>
Result SimulatedHid::Refusable(Call call, Result refused, Body&& body) {
  return Serve(std::move(call), [&](Call& served, bool injected, Lock&) {
    return injected ? refused : Result{body(served)};
  });
}

template <typename Pick>
BOOL SimulatedHid::ServeString(const char* op, HANDLE device, std::uint32_t index, void* buffer,
                               std::uint32_t bufferLength, Pick&& pick) {
  return Refusable(Call{.op = op, .handle = device, .index = index, .length = bufferLength},
                   BOOL{0}, [&](Call& call) {
                     const EmulatedBoard* board = Live(device);
                     return PutString(call, board ? pick(*board) : std::nullopt, buffer,
                                      bufferLength);
                   });
}

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
  DetachLocked(id);
}

void SimulatedHid::DetachLocked(BoardId id) {
  Slot& slot = slots_.at(static_cast<std::size_t>(id));
  if (!slot.attached) return;
  slot.attached = false;
  std::erase(enumeration_, id);
  inputChanged_.notify_all();  // a read waiting on it fails now
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

std::vector<Call> SimulatedHid::Calls() const {
  const std::lock_guard lock(mutex_);
  return log_.All();
}

std::vector<Call> SimulatedHid::CallsOf(const std::string& op) const {
  const std::lock_guard lock(mutex_);
  return log_.Of(op);
}

void SimulatedHid::ClearCalls() {
  const std::lock_guard lock(mutex_);
  log_.Clear();
}

int SimulatedHid::CallCount(const std::string& op) const {
  const std::lock_guard lock(mutex_);
  return log_.Count(op);
}

bool SimulatedHid::WaitForCalls(const std::string& op, int count,
                                std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return progress_.wait_for(lock, limit, [&] { return log_.Count(op) >= count; });
}

bool SimulatedHid::WaitForWaitingReads(int count, std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return progress_.wait_for(lock, limit, [&] { return waitingReads_ >= count; });
}

bool SimulatedHid::WaitForReportsTaken(BoardId id, std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return progress_.wait_for(lock, limit, [&] {
    const Slot& slot = slots_.at(static_cast<std::size_t>(id));
    if (!slot.attached) return true;
    const std::vector<std::uint8_t> report = slot.board.InputReport();
    bool reading = false;
    for (const auto& [handle, file] : files_) {
      if (file.board != id || !file.open || file.generation != slot.generation ||
          file.lastReport.empty()) {
        continue;
      }
      reading = true;
      if (!std::equal(file.lastReport.begin(), file.lastReport.end(), report.begin(),
                      report.end())) {
        return false;
      }
    }
    return !reading || (!slot.board.InputPending() && waitingReads_ > 0);
  });
}

int SimulatedHid::OpenHandleCount() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(
      std::ranges::count_if(files_, [](const auto& entry) { return entry.second.open; }));
}

int SimulatedHid::HandlesOpened() const {
  const std::lock_guard lock(mutex_);
  return opened_;
}

int SimulatedHid::DoubleCloses() const {
  const std::lock_guard lock(mutex_);
  return doubleCloses_;
}

int SimulatedHid::InvalidCloses() const {
  const std::lock_guard lock(mutex_);
  return invalidCloses_;
}

int SimulatedHid::OpenDeviceInfoSets() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(sets_.size());
}

int SimulatedHid::DoubleDestroys() const {
  const std::lock_guard lock(mutex_);
  return doubleDestroys_;
}

int SimulatedHid::OpenPreparsedData() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(preparsed_.size());
}

int SimulatedHid::DoubleFrees() const {
  const std::lock_guard lock(mutex_);
  return doubleFrees_;
}

void SimulatedHid::FailNth(const std::string& op, int n) {
  const std::lock_guard lock(mutex_);
  faults_.FailNth(op, n);
}

void SimulatedHid::UnplugBefore(const std::string& op, int n, BoardId id) {
  const std::lock_guard lock(mutex_);
  faults_.UnplugBefore(op, n, id);
}

void SimulatedHid::FailAlways(const std::string& op, bool fail) {
  const std::lock_guard lock(mutex_);
  faults_.FailAlways(op, fail);
}

void SimulatedHid::SetReportInterval(std::uint64_t ms) {
  const std::lock_guard lock(mutex_);
  reportIntervalMs_ = ms == 0 ? 1 : ms;
}

// The calling thread's own code, as on Windows; locked all the same, as
// every call is.
std::uint32_t SimulatedHid::GetLastError() {
  const std::lock_guard lock(mutex_);
  return ThreadLastError();
}

const hid::ParsedDescriptor* SimulatedHid::PreparsedOf(PHIDP_PREPARSED_DATA data) const {
  const auto it = preparsed_.find(data);
  return it == preparsed_.end() ? nullptr : it->second.parsed.get();
}

EmulatedBoard* SimulatedHid::Live(HANDLE handle) {
  const auto file = files_.find(handle);
  if (file == files_.end() || !file->second.open) return nullptr;
  Slot& slot = slots_.at(static_cast<std::size_t>(file->second.board));
  if (!slot.attached || slot.generation != file->second.generation) return nullptr;
  return &slot.board;
}

void SimulatedHid::HidD_GetHidGuid(GUID* hidGuid) {
  // Cannot fail on Windows; an unplug planned for it still happens.
  Serve(Call{.op = "HidD_GetHidGuid"}, [&](Call&, bool, Lock&) {
    if (hidGuid) *hidGuid = kHidInterfaceClass;
    return BOOL{1};
  });
}

HDEVINFO SimulatedHid::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                            std::uintptr_t /*hwndParent*/, std::uint32_t flags) {
  return Refusable(Call{.op = "SetupDiGetClassDevsA", .flags = flags}, kInvalidHandleValue,
                   [&](Call&) {
                     const std::uint32_t wanted = kDigcfPresent | kDigcfDeviceInterface;
                     if (!classGuid || *classGuid != kHidInterfaceClass ||
                         (flags & wanted) != wanted) {
                       return kInvalidHandleValue;
                     }
                     const HDEVINFO set = NextHandle();
                     sets_[set] = enumeration_;
                     return set;
                   });
}

BOOL SimulatedHid::SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* /*deviceInfoData*/,
                                               const GUID* interfaceClassGuid,
                                               std::uint32_t memberIndex,
                                               SP_DEVICE_INTERFACE_DATA* data) {
  const Call call{.op = "SetupDiEnumDeviceInterfaces", .handle = deviceInfoSet,
                  .index = memberIndex};
  return Refusable(call, BOOL{0}, [&](Call&) {
    const auto set = sets_.find(deviceInfoSet);
    if (set == sets_.end() || memberIndex >= set->second.size() || !data ||
        data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || !interfaceClassGuid ||
        *interfaceClassGuid != kHidInterfaceClass) {
      return BOOL{0};
    }
    data->InterfaceClassGuid = kHidInterfaceClass;
    data->Flags = 1;  // active
    // Zero stays free for "never enumerated".
    data->Reserved = static_cast<std::uintptr_t>(set->second[memberIndex]) + 1;
    return BOOL{1};
  });
}

BOOL SimulatedHid::SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                                    SP_DEVICE_INTERFACE_DATA* data,
                                                    std::uint8_t* detail, std::uint32_t detailSize,
                                                    std::uint32_t* requiredSize,
                                                    void* /*deviceInfoData*/) {
  const Call call{.op = "SetupDiGetDeviceInterfaceDetailA", .handle = deviceInfoSet,
                  .length = detailSize};
  return Refusable(call, BOOL{0}, [&](Call& served) {
    const auto set = sets_.find(deviceInfoSet);
    const bool known = set != sets_.end() && data &&
                       data->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA) && data->Reserved >= 1 &&
                       std::ranges::find(set->second, static_cast<BoardId>(data->Reserved - 1)) !=
                           set->second.end();
    if (!known) return BOOL{0};
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
    if (!detail || detailSize < needed || sizeField != kDetailDataSizeField) return BOOL{0};
    std::memcpy(detail + kDetailPathOffset, path.c_str(), path.size() + 1);
    served.bytes.assign(detail, detail + needed);
    return BOOL{1};
  });
}

BOOL SimulatedHid::SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) {
  return Serve(Call{.op = "SetupDiDestroyDeviceInfoList", .handle = deviceInfoSet},
               [&](Call&, bool injected, Lock&) {
                 return Release(sets_, deviceInfoSet, injected, doubleDestroys_);
               });
}

HANDLE SimulatedHid::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                 std::uint32_t shareMode, SECURITY_ATTRIBUTES* /*security*/,
                                 std::uint32_t creationDisposition,
                                 std::uint32_t flagsAndAttributes, HANDLE /*templateFile*/) {
  const Call call{.op = "CreateFileA", .path = fileName ? fileName : "",
                  .access = desiredAccess, .flags = flagsAndAttributes};
  return Serve(call, [&](Call& served, bool injected, Lock&) {
    SetThreadLastError(kErrorGenFailure);
    const std::uint32_t share = kFileShareRead | kFileShareWrite;
    if (injected || (shareMode & share) != share || creationDisposition != kOpenExisting) {
      return kInvalidHandleValue;
    }
    const auto slot = std::ranges::find(slots_, served.path, &Slot::path);
    if (slot == slots_.end() || !slot->attached) {
      SetThreadLastError(kErrorFileNotFound);
      return kInvalidHandleValue;
    }
    if (slot->board.openError != 0) {
      SetThreadLastError(slot->board.openError);
      return kInvalidHandleValue;
    }
    const HANDLE handle = NextHandle();
    files_[handle] = OpenFile{static_cast<BoardId>(slot - slots_.begin()), slot->generation};
    ++opened_;
    return handle;
  });
}

BOOL SimulatedHid::CloseHandle(HANDLE object) {
  return Serve(Call{.op = "CloseHandle", .handle = object}, [&](Call&, bool injected, Lock&) {
    const auto file = files_.find(object);
    if (file == files_.end()) {
      ++invalidCloses_;
      return BOOL{0};
    }
    if (!file->second.open) {
      ++doubleCloses_;
      return BOOL{0};
    }
    file->second.open = false;
    return injected ? BOOL{0} : BOOL{1};
  });
}

BOOL SimulatedHid::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  return Refusable(Call{.op = "HidD_GetAttributes", .handle = device}, BOOL{0}, [&](Call&) {
    const EmulatedBoard* board = Live(device);
    if (!board || !attributes || attributes->Size != sizeof(HIDD_ATTRIBUTES)) return BOOL{0};
    attributes->VendorID = board->vendorId;
    attributes->ProductID = board->productId;
    attributes->VersionNumber = board->versionNumber;
    return BOOL{1};
  });
}

BOOL SimulatedHid::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                         std::uint32_t bufferLength) {
  return ServeString("HidD_GetIndexedString", device, stringIndex, buffer, bufferLength,
                     [stringIndex](const EmulatedBoard& board) -> std::optional<std::u16string> {
                       const auto it = board.indexedStrings.find(stringIndex);
                       if (it == board.indexedStrings.end()) return std::nullopt;
                       return it->second;
                     });
}

BOOL SimulatedHid::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                              std::uint32_t bufferLength) {
  return ServeString("HidD_GetSerialNumberString", device, 0, buffer, bufferLength,
                     [](const EmulatedBoard& board) { return board.serial; });
}

BOOL SimulatedHid::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                              std::uint32_t bufferLength) {
  return ServeString("HidD_GetManufacturerString", device, 0, buffer, bufferLength,
                     [](const EmulatedBoard& board) { return board.manufacturer; });
}

BOOL SimulatedHid::HidD_GetProductString(HANDLE device, void* buffer,
                                         std::uint32_t bufferLength) {
  return ServeString("HidD_GetProductString", device, 0, buffer, bufferLength,
                     [](const EmulatedBoard& board) { return board.product; });
}

BOOL SimulatedHid::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  return Refusable(Call{.op = "HidD_GetPreparsedData", .handle = device}, BOOL{0}, [&](Call&) {
    const EmulatedBoard* board = Live(device);
    if (!board || !board->capabilitiesReadable || !preparsedData) return BOOL{0};
    // A descriptor Windows could not parse leaves only the lengths.
    auto parsed = hid::ParseReportDescriptor(BoardDescriptor(*board));
    *preparsedData = NextHandle();
    preparsed_[*preparsedData] = Preparsed{
        files_.at(device).board,
        std::make_shared<const hid::ParsedDescriptor>(
            parsed ? std::move(*parsed) : hid::ParsedDescriptor{})};
    return BOOL{1};
  });
}

// The preparsed data is a copy taken at open time, so it still answers
// after its board is unplugged.
NTSTATUS SimulatedHid::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
  return Refusable(Call{.op = "HidP_GetCaps", .handle = preparsedData},
                   kHidpStatusInvalidPreparsedData, [&](Call&) {
                     const NTSTATUS status =
                         hid::HidP_GetCaps(PreparsedOf(preparsedData), capabilities);
                     if (status != kHidpStatusSuccess) return status;
                     // The descriptor's usages and counts; the lengths the
                     // board was given, which its own descriptor states too.
                     const EmulatedBoard& board =
                         slots_.at(static_cast<std::size_t>(preparsed_.at(preparsedData).board))
                             .board;
                     capabilities->InputReportByteLength = board.inputReportByteLength;
                     capabilities->OutputReportByteLength = board.outputReportByteLength;
                     capabilities->FeatureReportByteLength = board.featureReportByteLength;
                     return status;
                   });
}

BOOL SimulatedHid::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  return Serve(Call{.op = "HidD_FreePreparsedData", .handle = preparsedData},
               [&](Call&, bool injected, Lock&) {
                 return Release(preparsed_, preparsedData, injected, doubleFrees_);
               });
}

NTSTATUS SimulatedHid::HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType,
                                          HIDP_BUTTON_CAPS* buttonCaps,
                                          std::uint16_t* buttonCapsLength,
                                          PHIDP_PREPARSED_DATA preparsedData) {
  return Refusable(Call{.op = "HidP_GetButtonCaps", .handle = preparsedData},
                   kHidpStatusInvalidPreparsedData, [&](Call&) {
                     return hid::HidP_GetButtonCaps(reportType, buttonCaps, buttonCapsLength,
                                                    PreparsedOf(preparsedData));
                   });
}

NTSTATUS SimulatedHid::HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                                         std::uint16_t* valueCapsLength,
                                         PHIDP_PREPARSED_DATA preparsedData) {
  return Refusable(Call{.op = "HidP_GetValueCaps", .handle = preparsedData},
                   kHidpStatusInvalidPreparsedData, [&](Call&) {
                     return hid::HidP_GetValueCaps(reportType, valueCaps, valueCapsLength,
                                                   PreparsedOf(preparsedData));
                   });
}

NTSTATUS SimulatedHid::HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                      std::uint16_t linkCollection, USAGE* usageList,
                                      std::uint32_t* usageLength,
                                      PHIDP_PREPARSED_DATA preparsedData, char* report,
                                      std::uint32_t reportLength) {
  const Call call{.op = "HidP_GetUsages", .handle = preparsedData, .length = reportLength};
  return Refusable(call, kHidpStatusInvalidPreparsedData, [&](Call&) {
    return hid::HidP_GetUsages(reportType, usagePage, linkCollection, usageList, usageLength,
                               PreparsedOf(preparsedData), report, reportLength);
  });
}

NTSTATUS SimulatedHid::HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                          std::uint16_t linkCollection, USAGE usage,
                                          std::uint32_t* usageValue,
                                          PHIDP_PREPARSED_DATA preparsedData, char* report,
                                          std::uint32_t reportLength) {
  const Call call{.op = "HidP_GetUsageValue", .handle = preparsedData, .index = usage,
                  .length = reportLength};
  return Refusable(call, kHidpStatusInvalidPreparsedData, [&](Call&) {
    return hid::HidP_GetUsageValue(reportType, usagePage, linkCollection, usage, usageValue,
                                   PreparsedOf(preparsedData), report, reportLength);
  });
}

BOOL SimulatedHid::ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                            std::uint32_t* bytesRead, std::uint32_t timeoutMs) {
  const Call call{.op = "ReadFile", .handle = device, .length = bytesToRead};
  return Serve(call, [&](Call& served, bool injected, Lock& lock) {
    if (bytesRead != nullptr) *bytesRead = 0;
    const auto fail = [](std::uint32_t error) {
      SetThreadLastError(error);
      return BOOL{0};
    };
    if (injected) return fail(kErrorGenFailure);
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
        const std::uint64_t next =
            (board->clockMs / reportIntervalMs_ + 1) * reportIntervalMs_;
        if (next > boardDeadline) {
          board->AdvanceTime(boardDeadline - board->clockMs);
          return fail(kErrorTimeout);
        }
        board->AdvanceTime(next - board->clockMs);
      } else {
        // Only a test moving an input (or an unplug) changes anything now.
        ++waitingReads_;
        progress_.notify_all();
        bool woken = true;
        if (timeoutMs == kInfinite) {
          inputChanged_.wait(lock);
        } else {
          woken = inputChanged_.wait_until(lock, realDeadline) == std::cv_status::no_timeout;
        }
        --waitingReads_;
        if (!woken) return fail(kErrorTimeout);
        board = Live(device);
        if (board == nullptr) return fail(kErrorDeviceNotConnected);
      }
      report = board->InputReport();
    }
    report.resize(length, 0);
    std::copy(report.begin(), report.end(), static_cast<std::uint8_t*>(buffer));
    last = report;
    served.bytes = report;
    if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(length);
    return BOOL{1};
  });
}

BOOL SimulatedHid::HidD_GetInputReport(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const Call call{.op = "HidD_GetInputReport", .handle = device, .length = length};
  return Refusable(call, BOOL{0}, [&](Call& served) {
    auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
    const EmulatedBoard* board = Live(device);
    if (!board || length == 0 || !FramedForBoard(board->inputReportByteLength, bytes, length)) {
      return BOOL{0};
    }
    std::vector<std::uint8_t> report = board->InputReport();
    report.resize(length, 0);
    std::copy(report.begin(), report.end(), bytes);
    served.bytes = report;
    return BOOL{1};
  });
}

BOOL SimulatedHid::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  const Call call{.op = "HidD_GetFeature", .handle = device, .length = length};
  return Refusable(call, BOOL{0}, [&](Call& served) {
    auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
    EmulatedBoard* board = Live(device);
    if (!board || !FramedForBoard(board->featureReportByteLength, bytes, length) ||
        !board->AnswerGetFeature(bytes, length)) {
      return BOOL{0};
    }
    if (length > 0) served.bytes.assign(bytes, bytes + length);
    return BOOL{1};
  });
}

BOOL SimulatedHid::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  auto* bytes = static_cast<std::uint8_t*>(reportBuffer);
  Call call{.op = "HidD_SetFeature", .handle = device, .length = length};
  // What the program sent, even when it does not arrive.
  if (bytes && length > 0) call.bytes.assign(bytes, bytes + length);
  return Refusable(std::move(call), BOOL{0}, [&](Call&) {
    EmulatedBoard* board = Live(device);
    const bool taken = board && FramedForBoard(board->featureReportByteLength, bytes, length) &&
                       board->TakeSetFeature(bytes, length);
    return taken ? BOOL{1} : BOOL{0};
  });
}

}  // namespace tq::emu
