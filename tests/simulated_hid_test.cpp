// What the device link and the programs rely on from the emulated host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "emulator/simulated_hid.h"

namespace tq::emu {
namespace {

constexpr std::uint32_t kShare = kFileShareRead | kFileShareWrite;
constexpr std::uint32_t kFlags = kDigcfPresent | kDigcfDeviceInterface;

HANDLE Open(SimulatedHid& hid, const std::string& path, std::uint32_t access = 0) {
  return hid.CreateFileA(path.c_str(), access, kShare, nullptr, kOpenExisting, 0, 0);
}

SP_DEVICE_INTERFACE_DATA Member(SimulatedHid& hid, HDEVINFO set, std::uint32_t index, BOOL& ok) {
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  ok = hid.SetupDiEnumDeviceInterfaces(set, nullptr, &kHidInterfaceClass, index, &data);
  return data;
}

// The paths of a snapshot, read with the two-call detail protocol.
std::vector<std::string> Paths(SimulatedHid& hid, HDEVINFO set) {
  std::vector<std::string> paths;
  BOOL ok = 0;
  for (std::uint32_t i = 0;; ++i) {
    SP_DEVICE_INTERFACE_DATA data = Member(hid, set, i, ok);
    if (!ok) return paths;
    std::uint32_t size = 0;
    EXPECT_FALSE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr));
    std::vector<std::uint8_t> detail(size);
    std::memcpy(detail.data(), &kDetailDataSizeField, 4);
    EXPECT_TRUE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, detail.data(), size, nullptr,
                                                     nullptr));
    EXPECT_EQ(detail.back(), 0);
    paths.emplace_back(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
  }
}

TEST(SimulatedHid, EnumerationIsASnapshotInAttachOrder) {
  SimulatedHid hid;
  GUID guid{};
  hid.HidD_GetHidGuid(&guid);
  EXPECT_EQ(guid, kHidInterfaceClass);
  const auto a = hid.Attach(MakeTQ5271(u"A"));
  EmulatedBoard foreign;
  foreign.vendorId = 0x04D8;
  foreign.productId = 0xF00D;
  const auto b = hid.Attach(foreign);
  EXPECT_EQ(hid.PathOf(a),
            "\\\\?\\hid#vid_2a7e&pid_0501&mi_00#7&1a2b3c00&0&0000#"
            "{4d1e55b2-f16f-11cf-88cb-001111000030}");
  EXPECT_NE(hid.PathOf(b).find("vid_04d8&pid_f00d"), std::string::npos);

  EXPECT_EQ(hid.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0, kDigcfPresent),
            kInvalidHandleValue);
  const GUID other{1, 2, 3, {}};
  EXPECT_EQ(hid.SetupDiGetClassDevsA(&other, nullptr, 0, kFlags), kInvalidHandleValue);
  const HDEVINFO before = hid.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0, kFlags);
  hid.Detach(a);
  const auto c = hid.Attach(MakeTQ5271(u"C"));
  const HDEVINFO after = hid.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0, kFlags);
  EXPECT_EQ(Paths(hid, before), (std::vector{hid.PathOf(a), hid.PathOf(b)}));
  EXPECT_EQ(Paths(hid, after), (std::vector{hid.PathOf(b), hid.PathOf(c)}));
  // Still listed by the old snapshot, but gone.
  EXPECT_EQ(Open(hid, hid.PathOf(a)), kInvalidHandleValue);

  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data + 1;
  EXPECT_FALSE(hid.SetupDiEnumDeviceInterfaces(after, nullptr, &kHidInterfaceClass, 0, &data));
  EXPECT_EQ(hid.OpenDeviceInfoSets(), 2);
  EXPECT_TRUE(hid.SetupDiDestroyDeviceInfoList(before));
  EXPECT_FALSE(hid.SetupDiDestroyDeviceInfoList(before));
  BOOL ok = 1;
  Member(hid, before, 0, ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(hid.SetupDiDestroyDeviceInfoList(after));
  EXPECT_EQ(hid.OpenDeviceInfoSets(), 0);
  EXPECT_EQ(hid.DoubleDestroys(), 1);
}

TEST(SimulatedHid, DetailRecordNeedsItsSizeFieldAndRoom) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"A"));
  const HDEVINFO set = hid.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0, kFlags);
  BOOL ok = 0;
  SP_DEVICE_INTERFACE_DATA data = Member(hid, set, 0, ok);
  ASSERT_TRUE(ok);
  const std::string path = hid.PathOf(id);
  const auto needed = static_cast<std::uint32_t>(4 + path.size() + 1);
  std::uint32_t size = 0;
  EXPECT_FALSE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr));
  EXPECT_EQ(size, needed);

  std::vector<std::uint8_t> buffer(needed + 8, 0xEE);
  std::memcpy(buffer.data(), &kDetailDataSizeField, 4);
  // One byte short: nothing written, not even within the given size.
  EXPECT_FALSE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, buffer.data(), needed - 1,
                                                    nullptr, nullptr));
  EXPECT_EQ(buffer[4], 0xEE);
  buffer[0] = 4;  // a size field counting only itself
  EXPECT_FALSE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, buffer.data(), needed + 8,
                                                    nullptr, nullptr));
  std::memcpy(buffer.data(), &kDetailDataSizeField, 4);
  EXPECT_TRUE(hid.SetupDiGetDeviceInterfaceDetailA(set, &data, buffer.data(), needed, nullptr,
                                                   nullptr));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[4])), path);
  EXPECT_EQ(buffer[needed - 1], 0);
  EXPECT_EQ(buffer[needed], 0xEE);
  hid.SetupDiDestroyDeviceInfoList(set);
}

TEST(SimulatedHid, OpensAndClosesAreAccounted) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"A"));
  const std::string path = hid.PathOf(id);
  EXPECT_EQ(hid.CreateFileA(path.c_str(), 0, kFileShareRead, nullptr, kOpenExisting, 0, 0),
            kInvalidHandleValue);
  EXPECT_EQ(hid.CreateFileA(path.c_str(), 0, kShare, nullptr, 2, 0, 0), kInvalidHandleValue);
  EXPECT_EQ(Open(hid, path + "x"), kInvalidHandleValue);
  const HANDLE first = Open(hid, path, kGenericRead | kGenericWrite);
  const HANDLE second =
      hid.CreateFileA(path.c_str(), 0, kShare, nullptr, kOpenExisting, kFileFlagOverlapped, 0);
  ASSERT_NE(first, kInvalidHandleValue);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(hid.OpenHandleCount(), 2);
  EXPECT_TRUE(hid.CloseHandle(first));
  EXPECT_NE(Open(hid, path), first);  // never reused
  EXPECT_FALSE(hid.CloseHandle(first));
  EXPECT_FALSE(hid.CloseHandle(kInvalidHandleValue));
  EXPECT_FALSE(hid.CloseHandle(0));
  EXPECT_FALSE(hid.CloseHandle(second + 1000));
  EXPECT_EQ(hid.DoubleCloses(), 1);
  EXPECT_EQ(hid.InvalidCloses(), 3);
  EXPECT_EQ(hid.HandlesOpened(), 3);
  EXPECT_EQ(hid.OpenHandleCount(), 2);

  const auto opens = hid.CallsOf("CreateFileA");
  ASSERT_EQ(opens.size(), 6u);
  EXPECT_EQ(opens[3].path, path);
  EXPECT_EQ(opens[3].access, kGenericRead | kGenericWrite);
  EXPECT_EQ(opens[3].result, static_cast<std::int64_t>(first));
  EXPECT_EQ(opens[4].flags, kFileFlagOverlapped);
  EXPECT_EQ(opens[0].result, -1);
}

TEST(SimulatedHid, StringsFillOnlyWhatTheRequestAllows) {
  SimulatedHid hid;
  EmulatedBoard board = MakeTQ5271(u"A");
  board.product = std::nullopt;
  board.manufacturer = u"\u00C5\u20AC";
  const auto id = hid.Attach(board);
  const HANDLE h = Open(hid, hid.PathOf(id));
  for (std::size_t chars : {49u, 50u, 51u}) {
    SCOPED_TRACE(chars);
    hid.Board(id).serial = std::u16string(chars, u'7');
    std::vector<std::uint8_t> buffer(201, 0xEE);
    const BOOL ok = hid.HidD_GetSerialNumberString(h, buffer.data(), 100);
    EXPECT_EQ(ok, chars <= 50 ? 1 : 0);
    const std::size_t text = chars <= 50 ? 2 * chars : 0;
    for (std::size_t i = 0; i < text; ++i) ASSERT_EQ(buffer[i], i % 2 == 0 ? '7' : 0) << i;
    const bool terminated = chars == 49;
    EXPECT_EQ(buffer[text], terminated ? 0 : 0xEE);
    EXPECT_EQ(buffer[text + 1], terminated ? 0 : 0xEE);
    EXPECT_EQ(buffer[100], 0xEE);
    EXPECT_EQ(hid.CallsOf("HidD_GetSerialNumberString").back().bytes.size(),
              text + (terminated ? 2 : 0));
  }
  std::uint8_t out[8] = {};
  ASSERT_TRUE(hid.HidD_GetManufacturerString(h, out, sizeof out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6),
            (std::vector<std::uint8_t>{0xC5, 0x00, 0xAC, 0x20, 0, 0}));
  EXPECT_FALSE(hid.HidD_GetProductString(h, out, sizeof out));
  std::uint8_t tag[16];
  std::memset(tag, 0xEE, sizeof tag);
  EXPECT_FALSE(hid.HidD_GetIndexedString(h, kProductTagIndex, tag, 13));
  EXPECT_EQ(tag[0], 0xEE);
  ASSERT_TRUE(hid.HidD_GetIndexedString(h, kProductTagIndex, tag, 14));  // "TQ5271A", unterminated
  EXPECT_EQ(tag[12], 'A');
  EXPECT_EQ(tag[14], 0xEE);
  EXPECT_FALSE(hid.HidD_GetIndexedString(h, 41, out, sizeof out));
  EXPECT_EQ(hid.CallsOf("HidD_GetIndexedString").back().index, 41u);
}

TEST(SimulatedHid, UnpluggedHandlesStayOpenButDead) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"A"));
  const auto other = hid.Attach(MakeTQ5271(u"B"));
  const HANDLE old = Open(hid, hid.PathOf(id));
  PHIDP_PREPARSED_DATA kept = 0;
  ASSERT_TRUE(hid.HidD_GetPreparsedData(old, &kept));
  hid.Board(id).settings[40] = 0x77;
  hid.Detach(id);
  EXPECT_FALSE(hid.IsAttached(id));
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  std::vector<std::uint8_t> report(64);
  std::uint8_t text[100];
  PHIDP_PREPARSED_DATA token = 0;
  const auto dead = [&](HANDLE h) {
    return !hid.HidD_GetAttributes(h, &attributes) &&
           !hid.HidD_GetSerialNumberString(h, text, 100) && !hid.HidD_GetPreparsedData(h, &token) &&
           !hid.HidD_GetFeature(h, report.data(), 64) && !hid.HidD_SetFeature(h, report.data(), 64);
  };
  EXPECT_TRUE(dead(old));
  EXPECT_EQ(hid.OpenHandleCount(), 1);

  hid.Reattach(id);
  const HDEVINFO set = hid.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0, kFlags);
  EXPECT_EQ(Paths(hid, set), (std::vector{hid.PathOf(other), hid.PathOf(id)}));
  EXPECT_TRUE(dead(old));
  const HANDLE fresh = Open(hid, hid.PathOf(id));
  ASSERT_TRUE(hid.HidD_GetAttributes(fresh, &attributes));
  EXPECT_EQ(attributes.VendorID, kMakerVendorID);
  EXPECT_EQ(attributes.ProductID, 0x0501);
  EXPECT_EQ(attributes.VersionNumber, 0x0121);
  EXPECT_EQ(hid.Board(id).settings[40], 0x77);
  attributes.Size = 0;
  EXPECT_FALSE(hid.HidD_GetAttributes(fresh, &attributes));

  // Capabilities already read stay readable; unknown tokens change nothing.
  HIDP_CAPS caps{};
  EXPECT_EQ(hid.HidP_GetCaps(kept, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.FeatureReportByteLength, 64);
  EXPECT_EQ(caps.InputReportByteLength, 12);
  caps.FeatureReportByteLength = 5;
  EXPECT_NE(hid.HidP_GetCaps(kept + 1, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.FeatureReportByteLength, 5);
  EXPECT_TRUE(hid.HidD_FreePreparsedData(kept));
  EXPECT_FALSE(hid.HidD_FreePreparsedData(kept));
  EXPECT_EQ(hid.OpenPreparsedData(), 0);
  EXPECT_EQ(hid.DoubleFrees(), 1);
  hid.Board(id).capabilitiesReadable = false;
  EXPECT_FALSE(hid.HidD_GetPreparsedData(fresh, &token));
}

TEST(SimulatedHid, GetReportsRotatePagesAndSetReportsStoreBytes) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"A"));
  const auto& s = hid.Board(id).settings;
  // Every factory value must be one the windows can show.
  for (std::size_t a = 14; a <= 21; ++a) EXPECT_TRUE(s[a] == 0 || s[a] == 198) << a;
  EXPECT_TRUE(s[26] >= 1 && s[26] <= 25);
  EXPECT_NE(s[22] | s[23] | s[24] | s[25], 0);
  const HANDLE h = Open(hid, hid.PathOf(id));
  std::vector<std::uint8_t> report(64);
  std::vector<std::uint8_t> tags;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(hid.HidD_GetFeature(h, report.data(), 64));
    tags.push_back(report[1]);
    for (std::size_t n = 0; n + 2 < 64; ++n) ASSERT_EQ(report[n + 2], s[report[1] + n]) << n;
  }
  EXPECT_EQ(tags, (std::vector<std::uint8_t>{0, 16, 0}));
  EXPECT_EQ(hid.CallsOf("HidD_GetFeature").back().bytes, report);

  hid.Board(id).pageRotation = {250};
  report.assign(64, 0);
  ASSERT_TRUE(hid.HidD_GetFeature(h, report.data(), 64));
  EXPECT_EQ(report[7], s[255]);
  EXPECT_EQ(report[8], 0);
  report[0] = 1;
  EXPECT_FALSE(hid.HidD_GetFeature(h, report.data(), 64));
  std::uint8_t set[64] = {0, 26, 17};
  EXPECT_FALSE(hid.HidD_SetFeature(h, set, 63));
  EXPECT_TRUE(hid.HidD_SetFeature(h, set, 64));
  EXPECT_EQ(s[26], 17);
  EXPECT_EQ(hid.CallsOf("HidD_SetFeature").back().bytes, std::vector<std::uint8_t>(set, set + 64));

  // A board with a two-byte report takes the frame but cannot change a byte.
  hid.Board(id).featureReportByteLength = 2;
  const auto before = s;
  set[1] = 22;
  EXPECT_TRUE(hid.HidD_SetFeature(h, set, 2));
  EXPECT_EQ(s, before);
  hid.Board(id).answersReports = false;
  EXPECT_FALSE(hid.HidD_GetFeature(h, report.data(), 2));
}

TEST(SimulatedHid, FaultsHitTheCountedCall) {
  SimulatedHid hid;
  const auto id = hid.Attach(MakeTQ5271(u"A"));
  const HANDLE h = Open(hid, hid.PathOf(id));
  hid.ClearCalls();
  hid.FailNth("HidD_SetFeature", 2);
  hid.FailNth("HidD_SetFeature", 3);
  hid.UnplugBefore("HidD_GetFeature", 2, id);
  std::uint8_t report[64] = {0, 30, 0};
  for (std::uint8_t value = 1; value <= 4; ++value) {
    report[1] = static_cast<std::uint8_t>(30 + value);
    report[2] = value;
    EXPECT_EQ(hid.HidD_SetFeature(h, report, 64), value == 1 || value == 4) << int{value};
  }
  EXPECT_EQ(hid.Board(id).settings[31], 1);
  EXPECT_EQ(hid.Board(id).settings[32], 0);
  EXPECT_EQ(hid.Board(id).settings[33], 0);
  EXPECT_EQ(hid.Board(id).settings[34], 4);
  report[0] = 0;
  EXPECT_TRUE(hid.HidD_GetFeature(h, report, 64));
  EXPECT_TRUE(hid.IsAttached(id));
  EXPECT_FALSE(hid.HidD_GetFeature(h, report, 64));
  EXPECT_FALSE(hid.IsAttached(id));

  hid.Reattach(id);
  hid.FailAlways("CreateFileA");
  EXPECT_EQ(Open(hid, hid.PathOf(id)), kInvalidHandleValue);
  EXPECT_EQ(Open(hid, hid.PathOf(id)), kInvalidHandleValue);
  hid.FailAlways("CreateFileA", false);
  const HANDLE again = Open(hid, hid.PathOf(id));
  EXPECT_NE(again, kInvalidHandleValue);
  // A failing close still lets go of the handle.
  hid.FailNth("CloseHandle", 1);
  EXPECT_FALSE(hid.CloseHandle(again));
  EXPECT_TRUE(hid.CloseHandle(h));
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.DoubleCloses(), 0);

  std::vector<std::string> ops;
  std::vector<std::int64_t> results;
  for (const Call& call : hid.Calls()) {
    ops.push_back(call.op);
    results.push_back(call.result);
  }
  EXPECT_EQ(ops, (std::vector<std::string>{
                     "HidD_SetFeature", "HidD_SetFeature", "HidD_SetFeature", "HidD_SetFeature",
                     "HidD_GetFeature", "HidD_GetFeature", "CreateFileA", "CreateFileA",
                     "CreateFileA", "CloseHandle", "CloseHandle"}));
  EXPECT_EQ(results, (std::vector<std::int64_t>{1, 0, 0, 1, 1, 0, -1, -1,
                                                static_cast<std::int64_t>(again), 0, 1}));
  EXPECT_EQ(hid.Calls()[1].bytes[1], 32);
  EXPECT_EQ(hid.Calls()[4].handle, h);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 4);
}

}  // namespace
}  // namespace tq::emu
