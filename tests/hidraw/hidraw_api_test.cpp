#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devlink/device_link.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "tests/hidraw/fake_host.h"

namespace tq::test {
namespace {

// Vendor page, one 8-byte feature report without ID: 9 bytes with the ID byte.
const std::vector<std::uint8_t> kNineByteFeature{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                                 0x08, 0x95, 0x08, 0xB1, 0x02, 0xC0};

FakeBoard Board(unsigned node, std::string serial) {
  FakeBoard board;
  board.node = node;
  board.devnum = 10 + node;
  board.manufacturer = "TQ Electronics";
  board.productString = "TQ5271";
  board.serial = std::move(serial);
  board.descriptor = kNineByteFeature;
  return board;
}

HANDLE Open(HidrawApi& api, const std::string& path,
            std::uint32_t access = kGenericRead | kGenericWrite) {
  return api.CreateFileA(path.c_str(), access, kFileShareRead | kFileShareWrite, nullptr,
                         kOpenExisting, 0, 0);
}

std::string DetailPath(HidrawApi& api, HDEVINFO set, std::uint32_t index) {
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  if (!api.SetupDiEnumDeviceInterfaces(set, nullptr, &kHidInterfaceClass, index, &data)) return "";
  std::uint32_t required = 0;
  EXPECT_FALSE(api.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
  std::vector<std::uint8_t> detail(required, 0xEE);
  detail[0] = 5;  // the 32-bit record's size field: refused on a 64-bit build
  detail[1] = detail[2] = detail[3] = 0;
  if (kDetailDataSizeField != 5) {
    EXPECT_FALSE(api.SetupDiGetDeviceInterfaceDetailA(set, &data, detail.data(), required,
                                                      nullptr, nullptr));
  }
  detail[0] = static_cast<std::uint8_t>(kDetailDataSizeField);
  EXPECT_FALSE(api.SetupDiGetDeviceInterfaceDetailA(set, &data, detail.data(), required - 1,
                                                    nullptr, nullptr));
  EXPECT_EQ(detail[kDetailPathOffset], 0xEE) << "a refused call wrote the path";
  EXPECT_TRUE(api.SetupDiGetDeviceInterfaceDetailA(set, &data, detail.data(), required, nullptr,
                                                   nullptr));
  EXPECT_EQ(detail.back(), 0);
  return reinterpret_cast<const char*>(detail.data() + kDetailPathOffset);
}

TEST(HidrawApi, EnumeratesNodesByNumberWithWindowsDetailRecords) {
  FakeHost host;
  for (unsigned node : {10u, 2u, 0u}) host.Plug(Board(node, "S"));
  std::ofstream(host.Sys() / "class" / "hidraw" / "README");
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);

  GUID guid{};
  api.HidD_GetHidGuid(&guid);
  EXPECT_EQ(guid, kHidInterfaceClass);
  const HDEVINFO set = api.SetupDiGetClassDevsA(&guid, nullptr, 0,
                                                kDigcfPresent | kDigcfDeviceInterface);
  ASSERT_NE(set, kInvalidHandleValue);
  host.Plug(Board(5, "late"));  // not in the set taken before it came
  EXPECT_EQ(DetailPath(api, set, 0), host.NodePath(0));
  EXPECT_EQ(DetailPath(api, set, 1), host.NodePath(2));
  EXPECT_EQ(DetailPath(api, set, 2), host.NodePath(10));
  EXPECT_EQ(DetailPath(api, set, 3), "");
  SP_DEVICE_INTERFACE_DATA wrongSize{};
  wrongSize.cbSize = 28 + 8;
  EXPECT_FALSE(api.SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &wrongSize));
  EXPECT_TRUE(api.SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(api.SetupDiDestroyDeviceInfoList(set));

  const HDEVINFO later = api.SetupDiGetClassDevsA(&guid, nullptr, 0, 0x12);
  EXPECT_EQ(DetailPath(api, later, 2), host.NodePath(5));
  EXPECT_NE(later, set);
  GUID other = guid;
  other.Data1 ^= 1;
  EXPECT_EQ(api.SetupDiGetClassDevsA(&other, nullptr, 0, 0x12), kInvalidHandleValue);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_FALSE(api.SetupDiEnumDeviceInterfaces(later, nullptr, &other, 0, &data));
  const HDEVINFO noInterfaces = api.SetupDiGetClassDevsA(&guid, nullptr, 0, kDigcfPresent);
  EXPECT_FALSE(api.SetupDiEnumDeviceInterfaces(noInterfaces, nullptr, &guid, 0, &data));
}

TEST(HidrawApi, HandlesAreTokensOverOpenNodes) {
  FakeHost host;
  host.Plug(Board(0, "S"));
  {
    HidrawApi api(host.Sys().string(), host.Dev().string(), host);
    const HANDLE reader = Open(api, host.NodePath(0), kGenericRead);
    EXPECT_EQ(host.openFlags, O_RDONLY | O_CLOEXEC);
    const HANDLE both = Open(api, host.NodePath(0));
    EXPECT_EQ(host.openFlags, O_RDWR | O_CLOEXEC);
    for (HANDLE h : {reader, both}) {
      EXPECT_NE(h, 0u);
      EXPECT_NE(h, kInvalidHandleValue);
    }
    EXPECT_NE(reader, both);
    EXPECT_TRUE(api.CloseHandle(reader));
    EXPECT_FALSE(api.CloseHandle(reader));
    EXPECT_EQ(host.openFds, 1);
    EXPECT_EQ(Open(api, host.NodePath(7)), kInvalidHandleValue);
    EXPECT_EQ(api.CreateFileA(host.NodePath(0).c_str(), kGenericRead, 3, nullptr, 2, 0, 0),
              kInvalidHandleValue);
  }
  EXPECT_EQ(host.openFds, 0) << "the backend leaked a node past its life";
}

TEST(HidrawApi, FailedOpensKeepTheirReason) {
  struct DeniedHost : FakeHost {
    int error = 0;
    int Open(const std::string& path, int flags) override {
      return error != 0 ? -error : FakeHost::Open(path, flags);
    }
  } host;
  host.Plug(Board(0, "S"));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  for (const auto& [error, code] : std::vector<std::pair<int, std::uint32_t>>{
           {EACCES, kErrorAccessDenied}, {EPERM, kErrorAccessDenied}, {ENOENT, kErrorFileNotFound},
           {ENODEV, kErrorFileNotFound}, {EBUSY, kErrorSharingViolation}, {EIO, kErrorGenFailure}}) {
    host.error = error;
    EXPECT_EQ(Open(api, host.NodePath(0)), kInvalidHandleValue);
    EXPECT_EQ(api.GetLastError(), code) << error;
  }
}

TEST(HidrawApi, AttributesAndStringsComeFromTheUsbDevice) {
  FakeHost host;
  FakeBoard board = Board(3, "A1B2");
  board.product = 0xA123;  // negative in the kernel's signed field
  board.manufacturer = "Gr\xC3\xB6\xC3\x9F" "e";
  board.productString = "x\xF0\x9F\x98\x80";  // U+1F600, a surrogate pair
  host.Plug(board);
  host.Plug(Board(4, "unused"));
  host.Board(4).bus = BUS_BLUETOOTH;
  host.Board(4).uniq = "aa:bb:cc";
  FakeBoard noSerial = Board(5, "");
  noSerial.serial.reset();
  host.Plug(noSerial);
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(3));

  HIDD_ATTRIBUTES attributes{};
  ASSERT_TRUE(api.HidD_GetAttributes(h, &attributes));
  EXPECT_EQ(attributes.Size, sizeof(HIDD_ATTRIBUTES));
  EXPECT_EQ(attributes.VendorID, 0x2A7E);
  EXPECT_EQ(attributes.ProductID, 0xA123);
  EXPECT_EQ(attributes.VersionNumber, 0x0121);

  std::array<std::uint8_t, 16> text{};
  ASSERT_TRUE(api.HidD_GetManufacturerString(h, text.data(), 16));
  EXPECT_EQ(text, (std::array<std::uint8_t, 16>{'G', 0, 'r', 0, 0xF6, 0, 0xDF, 0, 'e', 0}));
  text.fill(0xEE);
  ASSERT_TRUE(api.HidD_GetProductString(h, text.data(), 8));
  EXPECT_EQ(std::vector<std::uint8_t>(text.begin(), text.begin() + 8),
            (std::vector<std::uint8_t>{'x', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));

  // The string must fit; its terminator is written only where it fits too.
  for (std::uint32_t length : {7u, 8u, 9u, 10u}) {
    text.fill(0xEE);
    const BOOL ok = api.HidD_GetSerialNumberString(h, text.data(), length);
    EXPECT_EQ(ok != 0, length >= 8) << length;
    EXPECT_EQ(text[0], ok ? 'A' : 0xEE) << length;
    EXPECT_EQ(text[8], length >= 10 ? 0 : 0xEE) << length;
  }
  std::array<std::uint8_t, 100> wide{};  // as long as the length asked for
  EXPECT_FALSE(api.HidD_GetSerialNumberString(Open(api, host.NodePath(5)), wide.data(), 100))
      << "no serial, no string";

  // Off the USB bus: no release and no USB strings, even with a USB host
  // adapter above it; the serial is the HID unique name.
  const HANDLE bt = Open(api, host.NodePath(4));
  ASSERT_TRUE(api.HidD_GetAttributes(bt, &attributes));
  EXPECT_EQ(attributes.VersionNumber, 0);
  EXPECT_FALSE(api.HidD_GetProductString(bt, wide.data(), 100));
  ASSERT_TRUE(api.HidD_GetSerialNumberString(bt, wide.data(), 100));
  EXPECT_EQ(wide[0], 'a');
  EXPECT_EQ(wide[14], 'c');
  EXPECT_EQ(wide[16], 0);
}

TEST(HidrawApi, UnpluggedBoardFailsEveryRequest) {
  FakeHost host;
  host.Plug(Board(0, "S"));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(0));
  std::array<std::uint8_t, 65> buffer{};
  ASSERT_TRUE(api.HidD_GetSerialNumberString(h, buffer.data(), 20));
  host.Unplug(0);
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(api.HidD_GetAttributes(h, &attributes));
  EXPECT_FALSE(api.HidD_GetSerialNumberString(h, buffer.data(), 20));
  EXPECT_FALSE(api.HidD_GetProductString(h, buffer.data(), 20));
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42, buffer.data(), 20));
  EXPECT_FALSE(api.HidD_GetFeature(h, buffer.data(), 9));
  EXPECT_TRUE(api.CloseHandle(h));
}

TEST(HidrawApi, IndexedStringIsAControlRequestThroughUsbfs) {
  FakeHost host;
  FakeBoard board = Board(0, "S");
  board.usbStrings = {{0, u"\x0407\x0409"}, {42, u"TQ5271X rev 2"}};
  host.Plug(board);
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(0), kGenericRead);

  std::array<std::uint8_t, 201> tag{};
  // Without its usbfs node (not yet there, or not yet the user's) the
  // string cannot be had; it is asked again later.
  const std::filesystem::path usbNode = host.Dev() / "bus/usb/001/010";
  std::filesystem::rename(usbNode, usbNode.string() + ".away");
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42, tag.data(), 100));
  std::filesystem::rename(usbNode.string() + ".away", usbNode);
  ASSERT_TRUE(api.HidD_GetIndexedString(h, 42, tag.data(), 100));
  EXPECT_EQ(tag[0], 'T');
  EXPECT_EQ(tag[12], 'X');
  EXPECT_EQ(tag[24], '2');
  EXPECT_EQ(host.openFlags, O_RDWR | O_CLOEXEC);
  EXPECT_EQ(host.openFds, 1) << "the usbfs node stays open";
  ASSERT_EQ(host.controlRequests.size(), 2u);
  const usbdevfs_ctrltransfer& request = host.controlRequests[1];
  EXPECT_EQ(request.bRequestType, 0x80);  // in, standard, device
  EXPECT_EQ(request.bRequest, 6);         // GET_DESCRIPTOR
  EXPECT_EQ(request.wValue, 0x032A);      // string 42
  EXPECT_EQ(request.wIndex, 0x0407);      // the device's first language

  EXPECT_FALSE(api.HidD_GetIndexedString(h, 43, tag.data(), 100));
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42 + 256, tag.data(), 100));
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42, tag.data(), 20)) << "26 bytes into 20";
}

TEST(HidrawApi, IndexedStringReachesOnlyTheDeviceSysfsNames) {
  FakeHost host;
  FakeBoard board = Board(0, "S");
  board.usbStrings = {{0, u"\x0409"}, {42, u"TQ5271A"}};
  host.Plug(board);
  FakeBoard other = Board(1, "S");
  other.usbStrings = {{0, u"\x0409"}, {42, u"TQ5271X"}};
  host.Plug(other);
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(0), kGenericRead);
  std::array<std::uint8_t, 100> tag{};

  // The board's address now names the other device's node, whose device
  // number is not the one sysfs gives for the board.
  std::ofstream(host.UsbDir(0) / "devnum") << host.Board(1).devnum << "\n";
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42, tag.data(), 100));
  EXPECT_TRUE(host.controlRequests.empty()) << "a request went to a device sysfs did not name";
  std::ofstream(host.UsbDir(0) / "devnum") << host.Board(0).devnum << "\n";
  std::filesystem::remove(host.UsbDir(0) / "dev");
  EXPECT_FALSE(api.HidD_GetIndexedString(h, 42, tag.data(), 100)) << "nothing to check against";
  EXPECT_TRUE(host.controlRequests.empty());
  EXPECT_EQ(host.openFds, 1);
}

TEST(HidrawApi, SysfsAttributesAreSmallRegularFiles) {
  FakeHost host;
  FakeBoard board = Board(0, "S");
  board.manufacturer = std::string(4095, 'm');  // with its newline, a full page
  board.productString = std::string(4096, 'p');
  host.Plug(board);
  const std::filesystem::path serial = host.UsbDir(0) / "serial";
  std::filesystem::remove(serial);
  ASSERT_EQ(mkfifo(serial.c_str(), 0600), 0);
  // Opens like a file but fails every read.
  const std::filesystem::path release = host.UsbDir(0) / "bcdDevice";
  std::filesystem::remove(release);
  ASSERT_TRUE(std::filesystem::create_directory(release));
  // Should the backend wait on the FIFO, a writer comes after a while and
  // hands it a serial, so the test ends either way.
  std::jthread writer([&serial](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    // Ends at once when the test is done with the FIFO.
    never.wait_for(lock, stop, std::chrono::seconds(2), [] { return false; });
    const int fd = ::open(serial.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
      EXPECT_EQ(::write(fd, "FIFO\n", 5), 5);
      ::close(fd);
    }
  });
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(0));
  std::vector<std::uint8_t> text(2 * 4097 + 2);
  const auto size = static_cast<std::uint32_t>(text.size());

  EXPECT_FALSE(api.HidD_GetSerialNumberString(h, text.data(), size)) << "a FIFO is no attribute";
  writer.request_stop();
  HIDD_ATTRIBUTES attributes{};
  EXPECT_TRUE(api.HidD_GetAttributes(h, &attributes)) << "a folder is no attribute";
  EXPECT_EQ(attributes.VersionNumber, 0);
  EXPECT_TRUE(api.HidD_GetManufacturerString(h, text.data(), size));
  EXPECT_EQ(text[2 * 4094], 'm');
  EXPECT_EQ(text[2 * 4095], 0);
  EXPECT_FALSE(api.HidD_GetProductString(h, text.data(), size)) << "larger than a page";
}

TEST(HidrawApi, CapabilitiesComeFromTheReportDescriptor) {
  FakeHost host;
  host.Plug(Board(0, "S"));
  FakeBoard byIoctl = Board(1, "S");
  byIoctl.descriptor.clear();
  byIoctl.ioctlDescriptor = {0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, 0xC0};
  host.Plug(byIoctl);
  FakeBoard broken = Board(2, "S");
  broken.descriptor = {0xA1, 0x01, 0x75};
  host.Plug(broken);
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);

  std::uint16_t lengths[2] = {};
  for (unsigned node : {0u, 1u}) {
    PHIDP_PREPARSED_DATA preparsed = 0;
    const HANDLE h = Open(api, host.NodePath(node));
    ASSERT_TRUE(api.HidD_GetPreparsedData(h, &preparsed));
    HIDP_CAPS caps{};
    ASSERT_EQ(api.HidP_GetCaps(preparsed, &caps), kHidpStatusSuccess);
    lengths[node] = caps.FeatureReportByteLength;
    EXPECT_TRUE(api.HidD_FreePreparsedData(preparsed));
    EXPECT_FALSE(api.HidD_FreePreparsedData(preparsed));
    EXPECT_NE(api.HidP_GetCaps(preparsed, &caps), kHidpStatusSuccess);
  }
  EXPECT_EQ(lengths[0], 9);
  EXPECT_EQ(lengths[1], 5);
  PHIDP_PREPARSED_DATA preparsed = 0;
  EXPECT_FALSE(api.HidD_GetPreparsedData(Open(api, host.NodePath(2)), &preparsed));
}

TEST(HidrawApi, FeatureReportsSetWholeAndGetShortReplies) {
  FakeHost host;
  host.Plug(Board(0, "S"));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const HANDLE h = Open(api, host.NodePath(0));

  host.featurePage = {0, 16, 1, 2, 3, 4, 5, 6, 7};
  std::vector<std::uint8_t> page(9, 0);
  EXPECT_TRUE(api.HidD_GetFeature(h, page.data(), 9));
  EXPECT_EQ(page, host.featurePage);
  std::vector<std::uint8_t> report{0, 22, 0x55, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(api.HidD_SetFeature(h, report.data(), 9));
  EXPECT_EQ(host.sentFeatures.back(), report);

  // A short reply succeeds: its bytes lead the buffer, the rest is as it was.
  host.featureReply = 4;
  std::vector<std::uint8_t> stale{0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_TRUE(api.HidD_GetFeature(h, stale.data(), 9));
  EXPECT_EQ(stale, (std::vector<std::uint8_t>{0, 16, 1, 2, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_FALSE(api.HidD_SetFeature(h, report.data(), 9)) << "part of a set report was lost";
  host.featureReply = 0;
  EXPECT_FALSE(api.HidD_GetFeature(h, page.data(), 9)) << "an empty reply is no report";
  host.featureReply = -EPIPE;
  EXPECT_FALSE(api.HidD_GetFeature(h, page.data(), 9));
  EXPECT_FALSE(api.HidD_SetFeature(h, report.data(), 9));
  const int ioctls = host.ioctls;
  std::vector<std::uint8_t> huge(1 << 14);
  EXPECT_FALSE(api.HidD_GetFeature(h, huge.data(), static_cast<std::uint32_t>(huge.size())));
  EXPECT_FALSE(api.HidD_SetFeature(h, report.data(), 0));
  EXPECT_EQ(host.ioctls, ioctls) << "a length the ioctl cannot carry reached the kernel";
}

TEST(HidrawApi, DeviceLinkFindsAndDrivesBoards) {
  FakeHost host;
  FakeBoard foreign = Board(0, "S-3");
  foreign.vendor = 0x046D;
  foreign.product = 0xC52B;
  host.Plug(foreign);
  FakeBoard tagged = Board(1, "S-2");
  tagged.product = 0x0777;  // in no list: accepted by its tag alone
  tagged.usbStrings = {{0, u"\x0409"}, {42, u"TQ5271A"}};
  host.Plug(tagged);
  FakeBoard listed = Board(2, "S-3");
  listed.vendor = kSharedVendorID;
  listed.product = 0x0C40;
  host.Plug(listed);
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);

  DeviceLink encoders(api, kEncodersVariant);
  encoders.GetHidGuid();
  ASSERT_TRUE(encoders.FindTheHid("S-3"));
  EXPECT_EQ(encoders.DevicePath, host.NodePath(2)) << "the foreign S-3 was taken";
  EXPECT_EQ(encoders.FeatureReportByteLength(), 9);
  EXPECT_EQ(host.openFds, 2);
  ASSERT_TRUE(encoders.SendSetReport(22, 0x55));
  EXPECT_EQ(host.sentFeatures.back(), (std::vector<std::uint8_t>{0, 22, 0x55, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(encoders.ReadBoardString(&HidApi::HidD_GetProductString), std::string("TQ5271"));
  host.Unplug(2);
  EXPECT_EQ(encoders.ReadBoardString(&HidApi::HidD_GetSerialNumberString), std::nullopt);
  encoders.CloseBoard();
  EXPECT_EQ(host.openFds, 0);

  ASSERT_TRUE(encoders.FindTheHid("S-2"));
  EXPECT_EQ(encoders.DevicePath, host.NodePath(1));
  encoders.CloseBoard();

  DeviceLink config(api, kConfigVariant);
  EXPECT_FALSE(config.FindTheHid()) << "only the unplugged board was in its table";
  EXPECT_EQ(host.openFds, 0);
}

}  // namespace
}  // namespace tq::test
