// Input reports through hidraw: read as Windows' ReadFile gives them, with a
// timeout, on a thread of their own, and the HidP_* answers on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "devlink/platform/hidraw/hidraw_api.h"
#include "tests/hid_descriptors/real_devices.h"
#include "tests/hidraw/fake_host.h"

namespace tq::test {
namespace {

FakeBoard Device(unsigned node, std::string_view descriptor) {
  FakeBoard board;
  board.node = node;
  board.devnum = 20 + node;
  board.descriptor = RealDevice(descriptor);
  return board;
}

HANDLE Open(HidrawApi& api, const std::string& path) {
  return api.CreateFileA(path.c_str(), kGenericRead | kGenericWrite,
                         kFileShareRead | kFileShareWrite, nullptr, kOpenExisting,
                         kFileFlagOverlapped, 0);
}

struct Read {
  BOOL ok = 0;
  std::vector<std::uint8_t> bytes;
  std::uint32_t error = 0;
};

Read ReadReport(HidrawApi& api, HANDLE device, std::uint32_t room, std::uint32_t timeoutMs) {
  Read read;
  read.bytes.assign(room, 0xEE);
  std::uint32_t got = 0;
  read.ok = api.ReadFile(device, read.bytes.data(), room, &got, timeoutMs);
  read.error = read.ok ? 0 : api.GetLastError();
  read.bytes.resize(read.ok ? got : 0);
  return read;
}

TEST(HidrawRead, ReportsArriveAsWindowsDeliversThemAndHidpReadsThem) {
  FakeHost host;
  host.Plug(Device(0, "kernel-doc-mouse"));          // no report IDs, 5 bytes
  host.Plug(Device(1, "keyboard-four-report-ids"));  // first collection: ID 1, 2 bytes
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE mouse = Open(api, host.NodePath(0));
  const HANDLE keyboard = Open(api, host.NodePath(1));
  ASSERT_NE(mouse, kInvalidHandleValue);
  ASSERT_NE(keyboard, kInvalidHandleValue);

  // The node gives an unnumbered report without an ID: 0 goes in front.
  host.SendInput(0, {0x05, 0x10, 0xF0, 0x01});
  const Read moved = ReadReport(api, mouse, 64, 100);
  ASSERT_TRUE(moved.ok) << moved.error;
  EXPECT_EQ(moved.bytes, (std::vector<std::uint8_t>{0x00, 0x05, 0x10, 0xF0, 0x01}));
  // A numbered report keeps its ID. The node also hands the reports of the
  // keyboard's other collections (consumer keys under ID 2, keys under 3),
  // which Windows gives to their own interfaces: passed over.
  host.SendInput(1, {0x02, 0xE9, 0x00});
  host.SendInput(1, {0x03, 0x10, 0, 0, 0, 0, 0, 0});
  host.SendInput(1, {0x01, 0x05});
  const Read pressed = ReadReport(api, keyboard, 8, 100);
  ASSERT_TRUE(pressed.ok) << pressed.error;
  EXPECT_EQ(pressed.bytes, (std::vector<std::uint8_t>{0x01, 0x05}));
  host.SendInput(1, {0x02, 0xEA, 0x00});
  EXPECT_EQ(ReadReport(api, keyboard, 8, 30).error, kErrorTimeout);

  // A buffer shorter than InputReportByteLength is refused before any wait.
  host.SendInput(0, {0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(ReadReport(api, mouse, 4, 100).error, kErrorInvalidUserBuffer);
  EXPECT_TRUE(ReadReport(api, mouse, 5, 100).ok);
  // Nothing sent: the wait ends with WAIT_TIMEOUT after the time given.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadReport(api, mouse, 5, 30).error, kErrorTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
  EXPECT_EQ(ReadReport(api, 0x12345, 5, 0).error, kErrorInvalidHandle);

  // The same bytes through the backend's own preparsed data.
  PHIDP_PREPARSED_DATA data = 0;
  ASSERT_TRUE(api.HidD_GetPreparsedData(mouse, &data));
  HIDP_CAPS caps{};
  ASSERT_EQ(api.HidP_GetCaps(data, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.InputReportByteLength, 5);
  EXPECT_EQ(caps.NumberInputValueCaps, 3);
  EXPECT_EQ(caps.NumberInputButtonCaps, 1);
  std::vector<char> report(moved.bytes.begin(), moved.bytes.end());
  std::uint32_t x = 0;
  EXPECT_EQ(api.HidP_GetUsageValue(HidP_Input, 0x01, 0, 0x30, &x, data, report.data(),
                                   static_cast<std::uint32_t>(report.size())),
            kHidpStatusSuccess);
  EXPECT_EQ(x, 0x10u);
  USAGE buttons[4] = {};
  std::uint32_t count = 4;
  EXPECT_EQ(api.HidP_GetUsages(HidP_Input, 0x09, 0, buttons, &count, data, report.data(),
                               static_cast<std::uint32_t>(report.size())),
            kHidpStatusSuccess);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(buttons[0], 1);
  EXPECT_EQ(buttons[1], 3);
  HIDP_VALUE_CAPS values[3];
  std::uint16_t length = 3;
  EXPECT_EQ(api.HidP_GetValueCaps(HidP_Input, values, &length, data), kHidpStatusSuccess);
  EXPECT_EQ(values[2].NotRange.Usage, 0x30);
  EXPECT_TRUE(api.HidD_FreePreparsedData(data));
  EXPECT_EQ(api.HidP_GetValueCaps(HidP_Input, values, &length, data),
            kHidpStatusInvalidPreparsedData);
  EXPECT_TRUE(api.CloseHandle(mouse));
  EXPECT_TRUE(api.CloseHandle(keyboard));
}

TEST(HidrawRead, AReaderThreadWakesForInputAndFailsWhenTheNodeGoes) {
  FakeHost host;
  host.Plug(Device(3, "hid-class-boot-mouse"));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE reader = Open(api, host.NodePath(3));
  const HANDLE window = Open(api, host.NodePath(3));
  ASSERT_NE(reader, kInvalidHandleValue);
  // The window's thread has a failed open of its own to remember.
  EXPECT_EQ(Open(api, host.NodePath(9)), kInvalidHandleValue);
  const std::uint32_t windowError = api.GetLastError();

  auto next = std::async(std::launch::async, [&] { return ReadReport(api, reader, 4, 5000); });
  // The window's thread goes on using the backend while the read waits.
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  EXPECT_TRUE(api.HidD_GetAttributes(window, &attributes));
  host.SendInput(3, {0x01, 0x02, 0x03});
  const Read read = next.get();
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.bytes, (std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0x03}));

  auto last = std::async(std::launch::async, [&] { return ReadReport(api, reader, 4, 5000); });
  host.Unplug(3);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(last.get().error, kErrorDeviceNotConnected);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(4));
  // The reader's errors stayed on the reader's thread.
  EXPECT_EQ(api.GetLastError(), windowError);
  EXPECT_EQ(ReadReport(api, reader, 4, 10).error, kErrorDeviceNotConnected);
}

TEST(HidrawRead, TheReportTheDeviceHoldsIsAskedWithTheInputRequest) {
  FakeHost host;
  host.Plug(Device(0, "kernel-doc-mouse"));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE mouse = Open(api, host.NodePath(0));
  ASSERT_NE(mouse, kInvalidHandleValue);
  std::vector<std::uint8_t> report(5, 0);

  // A device that stalls the request (as many do) fails it.
  EXPECT_FALSE(api.HidD_GetInputReport(mouse, report.data(), 5));

  // The kernel keeps byte 0 for the report ID and counts it in the length,
  // as with a feature report; the device's answer need not fill the buffer.
  std::size_t asked = 0;
  host.inputSource = [&](std::uint8_t* bytes, std::size_t size) {
    asked = size;
    const std::uint8_t answer[] = {0x00, 0x04, 0x7F, 0x80};
    std::copy(std::begin(answer), std::end(answer), bytes);
    return 4;
  };
  report.assign(5, 0xEE);
  report[0] = 0;
  ASSERT_TRUE(api.HidD_GetInputReport(mouse, report.data(), 5));
  EXPECT_EQ(asked, 5u);
  EXPECT_EQ(report, (std::vector<std::uint8_t>{0x00, 0x04, 0x7F, 0x80, 0xEE}));
  // Nothing of it reaches the reads: they wait for what the device sends.
  EXPECT_EQ(ReadReport(api, mouse, 5, 20).error, kErrorTimeout);

  EXPECT_FALSE(api.HidD_GetInputReport(mouse, nullptr, 5));
  EXPECT_FALSE(api.HidD_GetInputReport(mouse, report.data(), 0));
  EXPECT_FALSE(api.HidD_GetInputReport(0x12345, report.data(), 5));
  host.Unplug(0);
  EXPECT_FALSE(api.HidD_GetInputReport(mouse, report.data(), 5));
  EXPECT_TRUE(api.CloseHandle(mouse));
}

}  // namespace
}  // namespace tq::test
