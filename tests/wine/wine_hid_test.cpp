// The SetupAPI and hid.dll backend under Wine over a real kernel's USB
// stack: the walk, attributes, capabilities from Wine's preparsed data,
// feature reads, and what Wine's HID stack does not do as Windows does.
#include <gtest/gtest.h>

#include "encoders/frm_main.h"
#include "tests/wine/wine_fixture.h"

namespace tq::winetest {
namespace {

constexpr std::uint32_t kShare = kFileShareRead | kFileShareWrite;

class WineHid : public UnderWine {
 protected:
  HANDLE Open(const std::string& path) {
    return api.CreateFileA(path.c_str(), kGenericRead | kGenericWrite, kShare, nullptr,
                           kOpenExisting, 0, 0);
  }
  HIDP_CAPS CapsOf(HANDLE handle) {
    PHIDP_PREPARSED_DATA preparsed = 0;
    HIDP_CAPS caps{};
    EXPECT_NE(api.HidD_GetPreparsedData(handle, &preparsed), 0);
    EXPECT_EQ(api.HidP_GetCaps(preparsed, &caps), kHidpStatusSuccess);
    EXPECT_NE(api.HidD_FreePreparsedData(preparsed), 0);
    return caps;
  }
};

TEST_F(WineHid, WalkFindsTheBoardAndThePadWithTheirAttributes) {
  const auto interfaces = Interfaces();
  int boards = 0;
  int pads = 0;
  for (const auto& entry : interfaces) {
    EXPECT_EQ(entry.path.rfind("\\\\?\\", 0), 0u) << entry.path;
    const HIDD_ATTRIBUTES& attributes = entry.attributes;
    if (attributes.VendorID == kMakerVendorID) {
      ++boards;
      EXPECT_EQ(attributes.ProductID, 0x0501);
      EXPECT_EQ(attributes.VersionNumber, 0x0121);
    } else if (attributes.VendorID == kPadVendor) {
      ++pads;
      EXPECT_EQ(attributes.ProductID, kPadProduct);
    }
    std::printf("interface %s: %04x:%04x release %04x\n", entry.path.c_str(),
                attributes.VendorID, attributes.ProductID, attributes.VersionNumber);
  }
  EXPECT_EQ(boards, 1);
  EXPECT_EQ(pads, 1);
  // Walking, opening and reading attributes never reaches the device.
  EXPECT_EQ(Since(kBoard).size(), 0u);
  EXPECT_EQ(Since(kPad).size(), 0u);
}

TEST_F(WineHid, CapabilitiesComeFromTheDevicesReportDescriptor) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  const HANDLE pad = Open(PathOf(kPadVendor));
  ASSERT_NE(board, kInvalidHandleValue);
  ASSERT_NE(pad, kInvalidHandleValue);
  const HIDP_CAPS boardCaps = CapsOf(board);
  const HIDP_CAPS padCaps = CapsOf(pad);
  // Report lengths count the report-ID byte, as on Windows.
  EXPECT_EQ(boardCaps.FeatureReportByteLength, 64);
  EXPECT_EQ(padCaps.FeatureReportByteLength, 64);
  EXPECT_EQ(boardCaps.InputReportByteLength, 12);
  EXPECT_EQ(boardCaps.OutputReportByteLength, 0);
  std::printf("board caps: usage page %04x usage %04x input %u output %u feature %u\n",
              boardCaps.UsagePage, boardCaps.Usage, boardCaps.InputReportByteLength,
              boardCaps.OutputReportByteLength, boardCaps.FeatureReportByteLength);
  api.CloseHandle(board);
  api.CloseHandle(pad);
}

TEST_F(WineHid, SixteenFeatureReadsCarryTheBoardsPagesUnchanged) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  ASSERT_NE(board, kInvalidHandleValue);
  std::vector<Bytes> buffers;
  for (int i = 0; i < 16; ++i) {
    Bytes buffer(64, 0);
    EXPECT_NE(api.HidD_GetFeature(board, buffer.data(), 64), 0);
    buffers.push_back(buffer);
  }
  api.CloseHandle(board);
  const auto gets = Since(kBoard, "GET_REPORT");
  ASSERT_EQ(gets.size(), 16u);
  std::set<std::uint8_t> tags;
  for (std::size_t i = 0; i < gets.size(); ++i) {
    // Feature report, no report ID; 63 bytes on the wire, the ID byte not.
    EXPECT_EQ(gets[i].value, 0x0300);
    EXPECT_EQ(gets[i].length, 63);
    EXPECT_EQ(buffers[i][0], 0);
    EXPECT_EQ(Bytes(buffers[i].begin() + 1, buffers[i].end()), gets[i].bytes) << "read " << i;
    tags.insert(buffers[i][1]);
  }
  // The factory board answers its two pages in turn.
  EXPECT_EQ(tags, (std::set<std::uint8_t>{0, 16}));
  EXPECT_EQ(Since(kBoard).size(), 16u);
}

TEST_F(WineHid, FeatureWritesReachTheBoardAsTheExactBytes) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  ASSERT_NE(board, kInvalidHandleValue);
  // Pulse width to 200 ms and back to the factory's 48 ms.
  for (const std::uint8_t value : {std::uint8_t{25}, std::uint8_t{6}}) {
    Bytes report(64, 0);
    report[1] = 26;
    report[2] = value;
    EXPECT_NE(api.HidD_SetFeature(board, report.data(), 64), 0);
  }
  api.CloseHandle(board);
  EXPECT_EQ(SetsIn(Since(kBoard)), (std::vector<Bytes>{SetData(26, 25), SetData(26, 6)}));
  for (const auto& set : Since(kBoard, "SET_REPORT")) EXPECT_EQ(set.value, 0x0300);
}

// Windows asks the device for string 42 with GET_DESCRIPTOR(string) and
// returns the product tag. Wine's HID bus answers an indexed string itself
// and fails it: the request never reaches the board. The tag test's result
// is not acted on, so the encoder utility falls back to the accepted-board
// table, which holds this product: the board is accepted either way.
TEST_F(WineHid, IndexedStringFailsWithoutReachingTheBoard) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  ASSERT_NE(board, kInvalidHandleValue);
  StringBuffer buffer{};
  EXPECT_EQ(api.HidD_GetIndexedString(board, 42, buffer.data(), kStringRequestLength), 0);
  EXPECT_EQ(buffer, StringBuffer{});
  api.CloseHandle(board);
  EXPECT_EQ(Since(kBoard, "GET_STRING").size(), 0u);
}

// Windows gives the board's manufacturer string descriptor ("TQ Controls").
// Wine's hidraw bus gives its own name for the bus, "hidraw", for every
// device; the program shows what the system gives, so lblManuf reads
// " hidraw" under Wine and " TQ Controls" on Windows.
TEST_F(WineHid, ManufacturerStringIsTheBusName) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  const HANDLE pad = Open(PathOf(kPadVendor));
  EXPECT_EQ(ReadString(api, board, &HidApi::HidD_GetManufacturerString), "hidraw");
  EXPECT_EQ(ReadString(api, pad, &HidApi::HidD_GetManufacturerString), "hidraw");
  api.CloseHandle(board);
  api.CloseHandle(pad);
}

// Windows gives the board's product string descriptor ("TQ5271 Joystick
// Interface"). Wine's hidraw bus gives the kernel's name for the HID device,
// which the kernel made of the manufacturer and product descriptors. The
// serial number is the board's own on both, so board selection and the
// presence check behave alike.
TEST_F(WineHid, ProductStringIsTheKernelsDeviceName) {
  const HANDLE board = Open(PathOf(kMakerVendorID));
  EXPECT_EQ(ReadString(api, board, &HidApi::HidD_GetProductString),
            "TQ Controls TQ5271 Joystick Interface");
  EXPECT_EQ(ReadString(api, board, &HidApi::HidD_GetSerialNumberString), "00042");
  api.CloseHandle(board);
}

// A device pulled between the walk's listing and its open: the listing still
// names it, the open fails, and the walk goes on. The encoder utility's scan
// opens every interface, whatever the order Wine lists them in.
TEST_F(WineHid, AnInterfaceThatRefusesTheOpenIsSkipped) {
  const std::string padPath = PathOf(kPadVendor);
  bool pulled = false;
  bool refused = false;
  api.beforeOpen = [&](const std::string& path) {
    if (path != padPath || pulled) return;
    pulled = true;
    ASSERT_TRUE(boardProgram.Unplug(kPad));
    EXPECT_TRUE(WaitUntil([&] { return PathOf(kPadVendor).empty(); }, std::chrono::seconds(20)));
    refused = api.Win32HidApi::CreateFileA(path.c_str(), kGenericRead, kShare, nullptr,
                                           kOpenExisting, 0, 0) == kInvalidHandleValue;
  };
  {
    encoders::frmMain form(api);
    form.Form_Load();
    EXPECT_TRUE(pulled);
    EXPECT_TRUE(refused);
    EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
    EXPECT_TRUE(form.DeviceDetected);
    EXPECT_EQ(api.open.size(), 2u);
    form.Form().Close();
  }
  api.beforeOpen = nullptr;
  ASSERT_TRUE(boardProgram.Plug(kPad));
  EXPECT_TRUE(WaitUntil([&] { return !PathOf(kPadVendor).empty(); }, std::chrono::seconds(30)));
}

}  // namespace
}  // namespace tq::winetest
