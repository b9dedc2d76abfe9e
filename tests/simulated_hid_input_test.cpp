// The emulated host's input path: reads paced on the board's clock, reads
// that wait for a test's input, and HidP_* from the board's descriptor.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "emulator/board_descriptor.h"
#include "emulator/simulated_hid.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::emu {
namespace {

constexpr std::uint32_t kShare = kFileShareRead | kFileShareWrite;

HANDLE Open(SimulatedHid& hid, SimulatedHid::BoardId id) {
  return hid.CreateFileA(hid.PathOf(id).c_str(), kGenericRead, kShare, nullptr, kOpenExisting,
                         kFileFlagOverlapped, 0);
}

struct Read {
  BOOL ok = 0;
  std::vector<std::uint8_t> bytes;
  std::uint32_t error = 0;
};

Read ReadReport(SimulatedHid& hid, HANDLE device, std::uint32_t timeoutMs) {
  Read read;
  read.bytes.assign(64, 0);
  std::uint32_t got = 0;
  read.ok = hid.ReadFile(device, read.bytes.data(), 64, &got, timeoutMs);
  read.error = read.ok ? 0 : hid.GetLastError();
  read.bytes.resize(got);
  return read;
}

std::uint64_t Clock(SimulatedHid& hid, SimulatedHid::BoardId id) {
  return hid.WithBoard(id, [](EmulatedBoard& board) { return board.clockMs; });
}

// The first grid point at or after `ms`.
std::uint64_t OnGrid(std::uint64_t ms) {
  const std::uint64_t grid = SimulatedHid::kReportIntervalMs;
  return (ms + grid - 1) / grid * grid;
}

TEST(SimulatedHidInput, AnEncoderTurnReadsBackWithTheFirmwaresTimingOnTheBoardsClock) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"E1"));  // pair 3 at "1:2", 48 ms
  const HANDLE device = Open(hid, id);
  PHIDP_PREPARSED_DATA data = 0;
  ASSERT_TRUE(hid.HidD_GetPreparsedData(device, &data));
  const auto button5 = [&](std::vector<std::uint8_t> report) {
    USAGE usages[32];
    std::uint32_t count = 32;
    EXPECT_EQ(hid.HidP_GetUsages(HidP_Input, 0x09, 0, usages, &count, data,
                                 reinterpret_cast<char*>(report.data()),
                                 static_cast<std::uint32_t>(report.size())),
              kHidpStatusSuccess);
    return std::find(usages, usages + count, USAGE{5}) != usages + count;
  };

  hid.WithBoard(id, [](EmulatedBoard& board) { board.TurnEncoder(3, 5); });
  std::vector<std::uint64_t> presses, releases;
  bool pressed = false;
  for (int reads = 0; reads < 40; ++reads) {
    const Read read = ReadReport(hid, device, 1000);
    if (!read.ok) break;
    EXPECT_EQ(read.bytes.size(), 12u);
    const bool now = button5(read.bytes);
    EXPECT_NE(now, pressed) << "a read returned a report that did not change";
    (now ? presses : releases).push_back(Clock(hid, id));
    pressed = now;
    if (releases.size() == 10) break;
  }
  // Ten pulses of 48 ms, 48 ms apart, each edge seen at the first look of
  // the 10 ms grid after it.
  ASSERT_EQ(presses.size(), 10u);
  ASSERT_EQ(releases.size(), 10u);
  for (std::uint64_t k = 0; k < 10; ++k) {
    EXPECT_EQ(presses[k], OnGrid(96 * k)) << k;
    EXPECT_EQ(releases[k], OnGrid(96 * k + 48)) << k;
  }
  // The turn is over: the next read waits in real time, the board's clock
  // stands still, and the time runs out.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadReport(hid, device, 30).error, kErrorTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
  EXPECT_EQ(Clock(hid, id), releases.back());
  EXPECT_TRUE(hid.HidD_FreePreparsedData(data));
  EXPECT_TRUE(hid.CloseHandle(device));
}

TEST(SimulatedHidInput, AWaitingReadWakesForATestsInputAndFailsOnUnplug) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"E2"));
  const HANDLE device = Open(hid, id);
  const Read first = ReadReport(hid, device, 0);  // the report as it stands
  ASSERT_TRUE(first.ok);
  EXPECT_EQ(first.bytes, hid.Board(id).InputReport());

  auto next = std::async(std::launch::async, [&] { return ReadReport(hid, device, 5000); });
  hid.WithBoard(id, [](EmulatedBoard& board) { board.SetButton(1, true); });
  const Read pressed = next.get();
  ASSERT_TRUE(pressed.ok) << pressed.error;
  EXPECT_NE(pressed.bytes, first.bytes);
  EXPECT_EQ(Clock(hid, id), 0u);  // no board time passed for a test's input

  auto last = std::async(std::launch::async, [&] { return ReadReport(hid, device, 5000); });
  // The read waits before the board goes.
  ASSERT_TRUE(hid.WaitForWaitingReads(1, std::chrono::seconds(5)));
  hid.Detach(id);
  EXPECT_EQ(last.get().error, kErrorDeviceNotConnected);
  EXPECT_EQ(ReadReport(hid, device, 10).error, kErrorDeviceNotConnected);
  std::uint8_t small[4];
  std::uint32_t got = 0;
  hid.Reattach(id);
  const HANDLE again = Open(hid, id);
  EXPECT_FALSE(hid.ReadFile(again, small, sizeof small, &got, 0));
  EXPECT_EQ(hid.GetLastError(), kErrorInvalidUserBuffer);
  EXPECT_EQ(hid.CallCount("ReadFile"), 5);  // failed ones logged too
}

TEST(SimulatedHidInput, AScriptWaitsUntilTheReaderHasTakenEveryReportTheBoardMade) {
  using std::chrono::milliseconds;
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"E3"));  // pair 3 at "1:2", 48 ms
  EXPECT_TRUE(hid.WaitForReportsTaken(id, milliseconds(0))) << "nobody reads";
  const HANDLE device = Open(hid, id);
  EXPECT_TRUE(hid.WaitForReportsTaken(id, milliseconds(0))) << "opened, never read";
  ASSERT_TRUE(ReadReport(hid, device, 0).ok);
  EXPECT_FALSE(hid.WaitForReportsTaken(id, milliseconds(0))) << "no read waits for the next yet";

  // A reader as the monitor's: read after read until stopped.
  std::atomic<bool> stop{false};
  std::vector<std::vector<std::uint8_t>> got;
  std::thread reader([&] {
    while (!stop) {
      if (Read read = ReadReport(hid, device, 20); read.ok) got.push_back(read.bytes);
    }
  });
  ASSERT_TRUE(hid.WaitForReportsTaken(id, std::chrono::seconds(5)));
  hid.WithBoard(id, [](EmulatedBoard& board) { board.SetAxis(1, 200); });
  ASSERT_TRUE(hid.WaitForReportsTaken(id, std::chrono::seconds(5)));
  // The board's own presses: taken only once the reader has moved the
  // clock past the last of them.
  hid.WithBoard(id, [](EmulatedBoard& board) { board.TurnEncoder(3, 1); });
  ASSERT_TRUE(hid.WaitForReportsTaken(id, std::chrono::seconds(5)));
  EXPECT_GE(Clock(hid, id), 3u * 48u) << "two pulses of 48 ms, 48 ms apart";
  EXPECT_FALSE(hid.Board(id).InputPending());
  stop = true;
  reader.join();
  EXPECT_EQ(got.size(), 1u + 4u) << "the axis, then each pulse's press and release";

  hid.WithBoard(id, [](EmulatedBoard& board) { board.SetAxis(1, 10); });
  EXPECT_FALSE(hid.WaitForReportsTaken(id, milliseconds(0))) << "a report nobody took";
  hid.Detach(id);
  EXPECT_TRUE(hid.WaitForReportsTaken(id, milliseconds(0))) << "unplugged: none to take";
}

TEST(SimulatedHidInput, HidpAnswersComeFromTheDescriptorOfEachInterface) {
  SimulatedHid hid;
  const auto board = hid.Attach(MakeTQ5271(u"E3"));
  EmulatedBoard foreign;
  foreign.vendorId = 0x1234;
  foreign.reportDescriptor = test::RealDevice("keyboard-four-report-ids");
  foreign.inputReportByteLength = 8;
  const auto keyboard = hid.Attach(foreign);

  PHIDP_PREPARSED_DATA boardData = 0, keyboardData = 0;
  const HANDLE boardHandle = Open(hid, board);
  const HANDLE keyboardHandle = Open(hid, keyboard);
  ASSERT_TRUE(hid.HidD_GetPreparsedData(boardHandle, &boardData));
  ASSERT_TRUE(hid.HidD_GetPreparsedData(keyboardHandle, &keyboardData));
  HIDP_CAPS caps{};
  ASSERT_EQ(hid.HidP_GetCaps(boardData, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.UsagePage, 0x01);
  EXPECT_EQ(caps.Usage, 0x04);
  EXPECT_EQ(caps.InputReportByteLength, 12);
  EXPECT_EQ(caps.NumberInputValueCaps, 8);
  EXPECT_EQ(caps.NumberInputButtonCaps, 1);
  HIDP_VALUE_CAPS values[8];
  std::uint16_t length = 8;
  ASSERT_EQ(hid.HidP_GetValueCaps(HidP_Input, values, &length, boardData), kHidpStatusSuccess);
  EXPECT_EQ(values[7].NotRange.Usage, 0x30);

  // A turn of the board's axis 2 read back through the board's own calls.
  hid.WithBoard(board, [](EmulatedBoard& b) { b.SetAxis(2, 77); });
  Read read = ReadReport(hid, boardHandle, 0);
  ASSERT_TRUE(read.ok);
  std::uint32_t y = 0;
  EXPECT_EQ(hid.HidP_GetUsageValue(HidP_Input, 0x01, 0, 0x31, &y, boardData,
                                   reinterpret_cast<char*>(read.bytes.data()), 12),
            kHidpStatusSuccess);
  EXPECT_EQ(y, 77u);

  // The keyboard's first top-level collection: system control alone.
  ASSERT_EQ(hid.HidP_GetCaps(keyboardData, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.Usage, 0x80);
  HIDP_BUTTON_CAPS buttons[4];
  length = 4;
  EXPECT_EQ(hid.HidP_GetButtonCaps(HidP_Input, buttons, &length, keyboardData),
            kHidpStatusSuccess);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(buttons[0].Range.UsageMin, 0x81);
  EXPECT_TRUE(hid.HidD_FreePreparsedData(boardData));
  EXPECT_EQ(hid.HidP_GetButtonCaps(HidP_Input, buttons, &length, boardData),
            kHidpStatusInvalidPreparsedData);
}

}  // namespace
}  // namespace tq::emu
