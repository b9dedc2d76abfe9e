// What the Windows scenarios under Wine share: the real SetupAPI and hid.dll
// backend with its open handles counted, the board program, and the
// two devices it serves. Board 0 is a factory TQ5271; board 1 a game pad of
// another maker.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "devlink/device_link.h"
#include "devlink/platform/win32/win32_hid_api.h"
#include "tests/wine/board_program.h"

namespace tq::winetest {

inline constexpr int kBoard = 0;
inline constexpr int kPad = 1;
inline constexpr std::uint16_t kPadVendor = 0x046D;
inline constexpr std::uint16_t kPadProduct = 0x0001;

// The real backend, counting the handles it opened and has not closed and
// the input reports it read, and running `beforeOpen` (when set) ahead of
// each open. A program's reading thread may open, read and close while the
// test's thread looks.
class CountingWin32Api : public Win32HidApi {
 public:
  HANDLE CreateFileA(const char* fileName, std::uint32_t desiredAccess, std::uint32_t shareMode,
                     SECURITY_ATTRIBUTES* securityAttributes, std::uint32_t creationDisposition,
                     std::uint32_t flagsAndAttributes, HANDLE templateFile) override;
  BOOL CloseHandle(HANDLE object) override;
  BOOL ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead,
                std::uint32_t timeoutMs) override;

  std::set<HANDLE> open;  // under mutex once a reading thread runs
  std::mutex mutex;
  std::atomic<int> reportsRead{0};
  std::function<void(const std::string& path)> beforeOpen;
};

class UnderWine : public ::testing::Test {
 protected:
  // Waits until Wine lists both devices, then marks both logs.
  void SetUp() override;
  void TearDown() override;

  // The present interfaces' paths with their attributes, read through the
  // device link's walk.
  struct Interface {
    std::string path;
    HIDD_ATTRIBUTES attributes{};
  };
  std::vector<Interface> Interfaces();
  // The path of the first interface with this vendor, or "".
  std::string PathOf(std::uint16_t vendor);

  // Requests board `n` logged since SetUp (or the last Remark), of one type.
  std::vector<BoardRequest> Since(int board, const std::string& type = "") const {
    return boardProgram.Since(board, marks_[board], type);
  }
  void Remark() {
    marks_[kBoard] = boardProgram.Mark(kBoard);
    marks_[kPad] = boardProgram.Mark(kPad);
  }

  BoardProgram boardProgram;
  CountingWin32Api api;

 private:
  std::size_t marks_[2] = {0, 0};
};

// A descriptor string as the programs decode it; nullopt when it failed.
using StringRequest = BOOL (HidApi::*)(HANDLE, void*, std::uint32_t);
std::optional<std::string> ReadString(HidApi& api, HANDLE handle, StringRequest request);

}  // namespace tq::winetest
