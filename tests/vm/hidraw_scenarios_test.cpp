// The hidraw backend's calls on a real kernel: what sysfs, hidraw and usbfs
// hand it for a board, as the programs rely on them.
#include <gtest/gtest.h>

#include <cstring>

#include "devlink/device_link.h"
#include "tests/vm/vm_fixture.h"

namespace tq::vmtest {
namespace {

class HidrawOnRealUsb : public RealUsb {
 protected:
  HANDLE Open(const std::string& path) {
    return api.CreateFileA(path.c_str(), kGenericRead | kGenericWrite, 3, nullptr, kOpenExisting,
                           0, 0);
  }
  std::string Text(BOOL (HidApi::*request)(HANDLE, void*, std::uint32_t), HANDLE handle) {
    StringBuffer buffer{};
    if (!(api.*request)(handle, buffer.data(), kStringRequestLength)) return "<failed>";
    return HidStringToText(buffer);
  }
};

TEST_F(HidrawOnRealUsb, AttributesStringsAndCaps) {
  emu::EmulatedBoard board = Board(u"ATTR-1");
  board.productId = 0x0607;
  board.versionNumber = 0x0A20;
  board.featureReportByteLength = 300;
  vboard::BoardDevice& device = Plug(board);
  const HANDLE handle = Open(NodeOf(device));
  ASSERT_NE(handle, kInvalidHandleValue);
  HIDD_ATTRIBUTES attributes{};
  ASSERT_TRUE(api.HidD_GetAttributes(handle, &attributes));
  EXPECT_EQ(attributes.VendorID, kMakerVendorID);
  EXPECT_EQ(attributes.ProductID, 0x0607);
  EXPECT_EQ(attributes.VersionNumber, 0x0A20);
  EXPECT_EQ(Text(&HidApi::HidD_GetSerialNumberString, handle), "ATTR-1");
  EXPECT_EQ(Text(&HidApi::HidD_GetManufacturerString, handle), "TQ Controls");
  EXPECT_EQ(Text(&HidApi::HidD_GetProductString, handle), "TQ5271 Joystick Interface");
  PHIDP_PREPARSED_DATA preparsed = 0;
  ASSERT_TRUE(api.HidD_GetPreparsedData(handle, &preparsed));
  HIDP_CAPS caps{};
  EXPECT_EQ(api.HidP_GetCaps(preparsed, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.FeatureReportByteLength, 300);
  EXPECT_EQ(caps.InputReportByteLength, 12);
  EXPECT_TRUE(api.HidD_FreePreparsedData(preparsed));
  EXPECT_TRUE(api.CloseHandle(handle));
}

TEST_F(HidrawOnRealUsb, FeatureReportsCrossTheBusWithoutTheIdByte) {
  vboard::BoardDevice& device = Plug(Board(u"FR"));
  const HANDLE handle = Open(NodeOf(device));
  ASSERT_NE(handle, kInvalidHandleValue);
  device.ClearLog();
  std::vector<std::uint8_t> report(64, 0xEE);
  report[0] = 0;
  ASSERT_TRUE(api.HidD_GetFeature(handle, report.data(), 64));
  EXPECT_EQ(report[0], 0);
  EXPECT_EQ(report[1], 0);  // page 0 first
  EXPECT_EQ(report[2 + 11], 0x05);
  ASSERT_TRUE(api.HidD_GetFeature(handle, report.data(), 64));
  EXPECT_EQ(report[1], 16);
  EXPECT_EQ(report[2 + 6], 0x8A);
  std::vector<std::uint8_t> set(64, 0);
  set[1] = 40;
  set[2] = 0x5A;
  set[63] = 0x11;
  ASSERT_TRUE(api.HidD_SetFeature(handle, set.data(), 64));
  const auto log = device.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].type, "GET_REPORT");
  EXPECT_EQ(log[0].value, 0x0300);
  EXPECT_EQ(log[2].type, "SET_REPORT");
  EXPECT_EQ(log[2].bytes, Bytes(set.begin() + 1, set.end()));
  EXPECT_EQ(device.Board().settings[40], 0x5A);
  EXPECT_TRUE(api.CloseHandle(handle));
}

TEST_F(HidrawOnRealUsb, IndexedStringsThroughUsbfs) {
  emu::EmulatedBoard board = Board(u"IX");
  board.indexedStrings[7] = u"seven";
  vboard::BoardDevice& device = Plug(board);
  const HANDLE handle = Open(NodeOf(device));
  ASSERT_NE(handle, kInvalidHandleValue);
  device.ClearLog();
  StringBuffer buffer{};
  ASSERT_TRUE(api.HidD_GetIndexedString(handle, 42, buffer.data(), kStringRequestLength));
  EXPECT_EQ(HidStringToText(buffer), "TQ5271A");
  ASSERT_TRUE(api.HidD_GetIndexedString(handle, 7, buffer.data(), kStringRequestLength));
  EXPECT_EQ(HidStringToText(buffer), "seven");
  EXPECT_FALSE(api.HidD_GetIndexedString(handle, 41, buffer.data(), kStringRequestLength));
  EXPECT_FALSE(api.HidD_GetIndexedString(handle, 300, buffer.data(), kStringRequestLength));
  // The language list is read once, then each string is asked for in that
  // language; 300 is no string index and never reaches the board.
  const auto strings = device.LogOf("GET_STRING");
  ASSERT_EQ(strings.size(), 4u);
  EXPECT_EQ(strings[0].value, 0x0300);
  EXPECT_EQ(strings[1].value, 0x032A);
  EXPECT_FALSE(strings[1].stalled);
  EXPECT_EQ(strings[2].value, 0x0307);
  EXPECT_EQ(strings[3].value, 0x0329);
  EXPECT_TRUE(strings[3].stalled);
  // Asked again on the same plug, the answers come without bus traffic.
  device.ClearLog();
  ASSERT_TRUE(api.HidD_GetIndexedString(handle, 42, buffer.data(), kStringRequestLength));
  EXPECT_EQ(HidStringToText(buffer), "TQ5271A");
  EXPECT_TRUE(device.LogOf("GET_STRING").empty());
  EXPECT_EQ(OpenDeviceNodes().size(), 1u);  // the usbfs node is closed again
  EXPECT_TRUE(api.CloseHandle(handle));
}

TEST_F(HidrawOnRealUsb, EnumerationOrderAndUnplugOfAnOpenHandle) {
  vboard::BoardDevice& first = Plug(Board(u"ONE"));
  vboard::BoardDevice& second = Plug(Board(u"TWO"));
  GUID guid{};
  api.HidD_GetHidGuid(&guid);
  const HDEVINFO set = api.SetupDiGetClassDevsA(&guid, nullptr, 0, kDigcfPresent | kDigcfDeviceInterface);
  ASSERT_NE(set, kInvalidHandleValue);
  std::vector<std::string> paths;
  for (std::uint32_t index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!api.SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data)) break;
    std::uint32_t required = 0;
    api.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    std::vector<std::uint8_t> detail(required, 0);
    const std::uint32_t sizeField = kDetailDataSizeField;
    std::memcpy(detail.data(), &sizeField, sizeof sizeField);
    ASSERT_TRUE(api.SetupDiGetDeviceInterfaceDetailA(set, &data, detail.data(), required, nullptr,
                                                     nullptr));
    paths.emplace_back(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
  }
  EXPECT_TRUE(api.SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(paths, (std::vector<std::string>{NodeOf(first), NodeOf(second)}));

  const HANDLE handle = Open(NodeOf(second));
  ASSERT_NE(handle, kInvalidHandleValue);
  Unplug(second);
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(api.HidD_GetAttributes(handle, &attributes));
  StringBuffer buffer{};
  EXPECT_FALSE(api.HidD_GetSerialNumberString(handle, buffer.data(), 20));
  std::vector<std::uint8_t> report(64, 0);
  EXPECT_FALSE(api.HidD_GetFeature(handle, report.data(), 64));
  EXPECT_FALSE(api.HidD_SetFeature(handle, report.data(), 64));
  EXPECT_TRUE(api.CloseHandle(handle));
}

}  // namespace
}  // namespace tq::vmtest
