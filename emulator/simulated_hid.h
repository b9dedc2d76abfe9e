// HidApi over emulated interfaces: attach and detach boards at any moment,
// log every call with its arguments, bytes and result, count handles, and
// make any call fail on demand. Results and effects are those of Windows:
// interfaces enumerate in attach order, the detail record is a size field
// then the path, strings are UTF-16LE and fail when the buffer is too small
// for the string and its terminator, a handle on an unplugged board stays
// open but every request through it fails.
//
// Input reports: ReadFile answers from the board's InputReport(), looked at
// on the 10 ms grid of the board's clock, as the virtual board's endpoint
// sends them. Each handle remembers the last report it got (its first read
// gets the report as it stands). While the board has presses of its own
// pending (an encoder turn), a read moves the board's clock on, grid point
// by grid point, to the first report that differs, at most timeoutMs of
// board time, and returns at once: reports read one after another then
// carry the firmware's timing on the board's clock. With nothing pending, a
// read waits in real time, up to timeoutMs, for a test to move an input
// through WithBoard. An unplugged board's read fails, a waiting one too.
// HidD_GetInputReport answers with the report as it stands, and leaves what
// the handle's reads get alone.
// HidP_* answer from the board's one descriptor (BoardDescriptor(board))
// through the same parse as the hidraw backend.
//
// Every call takes the object's one lock, so a reader thread and the
// window's thread may share it, as they share a real backend. Every HidApi
// call runs in one frame (Serve in the .cpp): under that lock it counts
// itself against the fault plan (fault_plan.h) before it looks at anything,
// and ends in the call log (call_log.h) with its result; what is left to
// each entry point is the device model: the interfaces, handles, sets and
// preparsed data below.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devlink/hid_api.h"
#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/call_log.h"
#include "emulator/emulated_board.h"
#include "emulator/fault_plan.h"

namespace tq::emu {

class SimulatedHid : public HidApi {
 public:
  using BoardId = int;

  // Attached interfaces enumerate in the order they were attached.
  BoardId Attach(EmulatedBoard board);
  // Unplug: the interface leaves enumeration; open handles on it stay open,
  // but every request through them fails.
  void Detach(BoardId id);
  // Plug the same board (same settings) back in, at the end of enumeration.
  void Reattach(BoardId id);
  bool IsAttached(BoardId id) const;
  EmulatedBoard& Board(BoardId id);
  // Runs `change` on the board under the object's lock and wakes reads
  // waiting for input: how a test moves inputs while a reader thread waits.
  // Returns what `change` returns.
  template <typename Change>
  auto WithBoard(BoardId id, Change&& change) {
    const std::lock_guard lock(mutex_);
    struct Wake {
      std::condition_variable_any& changed;
      ~Wake() { changed.notify_all(); }
    } wake{inputChanged_};
    return change(slots_.at(static_cast<std::size_t>(id)).board);
  }
  std::string PathOf(BoardId id) const;

  // A copy of the log as it stands; the log goes on while a reader runs.
  std::vector<Call> Calls() const;
  std::vector<Call> CallsOf(const std::string& op) const;
  void ClearCalls();
  int CallCount(const std::string& op) const;
  // Waits, up to `limit`, until the log holds `count` calls of `op`: how a
  // test waits for what another thread does, such as a look for boards.
  bool WaitForCalls(const std::string& op, int count, std::chrono::milliseconds limit) const;
  // Waits, up to `limit`, until `count` reads wait for what only a test or
  // an unplug can give: the reads a test means to wake are in place.
  bool WaitForWaitingReads(int count, std::chrono::milliseconds limit) const;
  // Waits, up to `limit`, until the program reading `id`'s input reports
  // has taken each one the board made: every handle on it that has read a
  // report holds the report as it stands, no press of the board's own is
  // still to come, and a read waits again (the reader is done with the last
  // one). True at once when no handle reads it. How a script moving inputs
  // and the clock keeps every report it makes, and its time, for the reader.
  bool WaitForReportsTaken(BoardId id, std::chrono::milliseconds limit) const;

  // Handle accounting over the whole life of this object.
  int OpenHandleCount() const;            // file handles open now
  int HandlesOpened() const;
  int DoubleCloses() const;               // closes of a closed handle
  int InvalidCloses() const;              // closes of the invalid value or junk
  int OpenDeviceInfoSets() const;         // sets obtained and not destroyed
  int DoubleDestroys() const;             // destroys of unknown sets
  int OpenPreparsedData() const;
  int DoubleFrees() const;                // frees of unknown preparsed data

  // The nth call of `op` counted from now (1-based) fails without effect.
  // Only a close, destroy or free still releases what it was given when it
  // fails: a program cannot retry it, and a sweep over every call must still
  // end with balanced counts.
  void FailNth(const std::string& op, int n);
  // Right before the nth call of `op` counted from now, detach `id`.
  void UnplugBefore(const std::string& op, int n, BoardId id);
  // Every call of `op` fails from now until cleared.
  void FailAlways(const std::string& op, bool fail = true);

  // HidApi
  void HidD_GetHidGuid(GUID* hidGuid) override;
  HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                std::uintptr_t hwndParent, std::uint32_t flags) override;
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* deviceInfoData,
                                   const GUID* interfaceClassGuid, std::uint32_t memberIndex,
                                   SP_DEVICE_INTERFACE_DATA* deviceInterfaceData) override;
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                        SP_DEVICE_INTERFACE_DATA* deviceInterfaceData,
                                        std::uint8_t* detail, std::uint32_t detailSize,
                                        std::uint32_t* requiredSize,
                                        void* deviceInfoData) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) override;
  HANDLE CreateFileA(const char* fileName, std::uint32_t desiredAccess, std::uint32_t shareMode,
                     SECURITY_ATTRIBUTES* securityAttributes, std::uint32_t creationDisposition,
                     std::uint32_t flagsAndAttributes, HANDLE templateFile) override;
  BOOL CloseHandle(HANDLE object) override;
  std::uint32_t GetLastError() override;
  BOOL HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override;
  BOOL HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                             std::uint32_t bufferLength) override;
  BOOL HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                  std::uint32_t bufferLength) override;
  BOOL HidD_GetManufacturerString(HANDLE device, void* buffer,
                                  std::uint32_t bufferLength) override;
  BOOL HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) override;
  BOOL HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) override;
  NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) override;
  BOOL HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType, HIDP_BUTTON_CAPS* buttonCaps,
                              std::uint16_t* buttonCapsLength,
                              PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                             std::uint16_t* valueCapsLength,
                             PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                          std::uint16_t linkCollection, USAGE* usageList,
                          std::uint32_t* usageLength, PHIDP_PREPARSED_DATA preparsedData,
                          char* report, std::uint32_t reportLength) override;
  NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                              std::uint16_t linkCollection, USAGE usage,
                              std::uint32_t* usageValue, PHIDP_PREPARSED_DATA preparsedData,
                              char* report, std::uint32_t reportLength) override;
  BOOL ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead, std::uint32_t timeoutMs) override;
  BOOL HidD_GetInputReport(HANDLE device, void* reportBuffer, std::uint32_t length) override;
  BOOL HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;
  BOOL HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;

  // The board's endpoint interval: the grid reads look at its clock on.
  static constexpr std::uint64_t kReportIntervalMs = 10;
  // Another interval, as a host polling faster would look (1 ms: every
  // edge is seen when it happens).
  void SetReportInterval(std::uint64_t ms);

 private:
  struct Slot {
    EmulatedBoard board;
    std::string path;
    bool attached = true;
    int generation = 0;  // bumped on every re-plug; older handles stay dead
  };
  struct OpenFile {
    BoardId board;
    int generation;
    bool open = true;
    std::vector<std::uint8_t> lastReport{};  // the last input report read
  };
  struct Preparsed {
    BoardId board;
    std::shared_ptr<const hid::ParsedDescriptor> parsed;
  };
  using Lock = std::unique_lock<std::recursive_mutex>;
  // The frame of every HidApi call: body(call, injected, lock) runs under
  // the lock after the fault plan has counted the call, and its result is
  // logged. `injected`: the plan fails this call.
  template <typename Body>
  auto Serve(Call call, Body&& body);
  // The same for a call that an injected fault refuses without effect:
  // body(call) runs only when no fault is due, else the call gives `refused`.
  template <typename Result, typename Body>
  Result Refusable(Call call, Result refused, Body&& body);
  // A string request: the text `pick` finds on the board behind `device`.
  template <typename Pick>
  BOOL ServeString(const char* op, HANDLE device, std::uint32_t index, void* buffer,
                   std::uint32_t bufferLength, Pick&& pick);

  const hid::ParsedDescriptor* PreparsedOf(PHIDP_PREPARSED_DATA data) const;
  // The board behind an open handle, or null when the handle is closed, was
  // never ours, or its board has been unplugged since it was opened.
  EmulatedBoard* Live(HANDLE handle);
  void DetachLocked(BoardId id);
  HANDLE NextHandle() { return nextHandle_ += 4; }

  std::deque<Slot> slots_;             // by BoardId; Board() references survive Attach
  std::vector<BoardId> enumeration_;   // attached boards in enumeration order
  std::map<HANDLE, OpenFile> files_;
  std::map<HDEVINFO, std::vector<BoardId>> sets_;  // open sets and their snapshot
  std::map<PHIDP_PREPARSED_DATA, Preparsed> preparsed_;
  // One lock for every call; recursive, so a call made from inside a
  // WithBoard change still runs. Reads wait on inputChanged_; the waits
  // for a test wait on progress_, told of every call logged and every read
  // that starts to wait.
  mutable std::recursive_mutex mutex_;
  std::condition_variable_any inputChanged_;
  mutable std::condition_variable_any progress_;
  int waitingReads_ = 0;
  FaultPlan faults_;
  CallLog log_;
  HANDLE nextHandle_ = 0x1000;
  std::uint64_t reportIntervalMs_ = kReportIntervalMs;

  int opened_ = 0;
  int doubleCloses_ = 0;
  int invalidCloses_ = 0;
  int doubleDestroys_ = 0;
  int doubleFrees_ = 0;
};

}  // namespace tq::emu
