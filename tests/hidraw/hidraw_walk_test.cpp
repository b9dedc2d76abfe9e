// The encoder utility searching for a board over the hidraw backend: what
// its ticks cost the host and its devices, and that what the backend keeps
// of a node never outlives the device that was on it.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "encoders/frm_main.h"
#include "tests/hidraw/fake_host.h"

namespace tq::test {
namespace {

const std::vector<std::uint8_t> kNineByteFeature{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                                 0x08, 0x95, 0x08, 0xB1, 0x02, 0xC0};

FakeBoard Foreign(unsigned node) {
  FakeBoard board;
  board.node = node;
  board.devnum = 10 + node;
  board.vendor = 0x046D;
  board.product = 0xC52B;
  board.serial = "F" + std::to_string(node);
  return board;
}

FakeBoard ListedBoard(unsigned node, std::string serial, unsigned devnum) {
  FakeBoard board;
  board.node = node;
  board.devnum = devnum;
  board.vendor = kSharedVendorID;
  board.product = 0x0C40;
  board.serial = std::move(serial);
  board.descriptor = kNineByteFeature;
  return board;
}

struct Program {
  explicit Program(FakeHost& host) : api(host.Sys().string(), host.Dev().string(), host) {
    form.Form_Load();
  }
  HidrawApi api;
  encoders::frmMain form{api};
};

TEST(HidrawWalk, DifferentDeviceOnTheSameNodeIsSeenAfresh) {
  FakeHost host;
  host.Plug(Foreign(0));
  Program program(host);
  encoders::frmMain& form = program.form;
  form.Timer.Tick();
  EXPECT_FALSE(form.DeviceDetected);

  // Between two ticks the foreign device goes and a board takes its node.
  host.Unplug(0);
  host.Plug(ListedBoard(0, "B-1", 30));
  ASSERT_TRUE(kEncodersBoards.Accepts(host.Board(0).vendor, host.Board(0).product));
  form.Timer.Tick();
  ASSERT_TRUE(form.DeviceDetected) << "the node was still taken for the foreign device";
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"B-1"});

  // The board goes, and another of the same kind takes the node: the open
  // board counts as lost, and the new one is listed by its own serial.
  host.Unplug(0);
  host.Plug(ListedBoard(0, "B-2", 31));
  form.Timer.Tick();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"B-2"});
  EXPECT_EQ(form.Link().DevicePath, host.NodePath(0));

  // With nothing on the node any more, nothing is listed.
  host.Unplug(0);
  form.Timer.Tick();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_TRUE(form.SerNo.Items().empty());
  form.Form_Unload();
  EXPECT_EQ(host.openFds, 0);
}

TEST(HidrawWalk, KnownForeignNodeCostsOneAccessCheckPerWalk) {
  FakeHost host;
  constexpr int kNodes = 10;
  for (unsigned node = 0; node < kNodes; ++node) host.Plug(Foreign(node));
  Program program(host);
  program.form.Timer.Tick();
  EXPECT_EQ(host.opens, kNodes) << "the first walk opens and asks every node, the second knows them";
  host.opens = host.closes = host.fstats = host.ioctls = host.accessChecks = 0;

  program.form.Timer.Tick();  // two walks: the serial list, then the search
  EXPECT_EQ(host.accessChecks, 2 * kNodes);
  EXPECT_EQ(host.opens, 0);
  EXPECT_EQ(host.fstats, 0);
  EXPECT_EQ(host.closes, 0);
  EXPECT_EQ(host.ioctls, 0) << "a known node was asked again";
  EXPECT_EQ(host.openFds, 0);
}

// A walk that knows a node hands out its handle without opening it. Such a
// handle must behave as an opened one: fail where the open would, and open
// the node only for the device it was given for.
TEST(HidrawWalk, AHandleOnAKnownNodeActsAsAnOpenOne) {
  FakeHost host;
  host.Plug(ListedBoard(0, "B-1", 30));
  HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  const std::string path = host.NodePath(0);
  std::vector<std::uint8_t> page(9, 0);
  std::vector<HDEVINFO> walks;
  const auto walkOpen = [&] {
    walks.push_back(api.SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, 0,
                                             kDigcfPresent | kDigcfDeviceInterface));
    return api.CreateFileA(path.c_str(), kGenericRead | kGenericWrite,
                           kFileShareRead | kFileShareWrite, nullptr, kOpenExisting, 0, 0);
  };
  const auto endWalk = [&](HANDLE handle) {
    EXPECT_TRUE(api.CloseHandle(handle));
    EXPECT_TRUE(api.SetupDiDestroyDeviceInfoList(walks.back()));
  };
  const auto vendorOf = [&](HANDLE handle) {
    HIDD_ATTRIBUTES attributes{};
    return api.HidD_GetAttributes(handle, &attributes) ? attributes.VendorID : 0;
  };

  const HANDLE first = walkOpen();
  EXPECT_EQ(vendorOf(first), kSharedVendorID);
  endWalk(first);
  EXPECT_EQ(host.opens, 1);

  // Known: the open's rights are checked, the node is opened once a
  // request needs the device.
  const HANDLE known = walkOpen();
  ASSERT_NE(known, kInvalidHandleValue);
  EXPECT_EQ(host.opens, 1);
  EXPECT_EQ(host.accessChecks, 1);
  EXPECT_EQ(vendorOf(known), kSharedVendorID);
  EXPECT_TRUE(api.HidD_GetFeature(known, page.data(), 9));
  EXPECT_EQ(host.opens, 2);
  EXPECT_EQ(host.openFlags, O_RDWR | O_CLOEXEC);
  endWalk(known);
  EXPECT_EQ(host.openFds, 0);

  // Between this walk's listing and the open, the board goes and a stranger
  // takes its node: the walk still shows the board, but no request reaches
  // the stranger.
  const HANDLE stale = walkOpen();
  host.Unplug(0);
  host.Plug(Foreign(0));
  host.ioctls = 0;
  EXPECT_EQ(vendorOf(stale), kSharedVendorID) << "what the walk listed";
  EXPECT_FALSE(api.HidD_GetFeature(stale, page.data(), 9));
  EXPECT_FALSE(api.HidD_SetFeature(stale, page.data(), 9));
  EXPECT_EQ(host.ioctls, 0);
  EXPECT_TRUE(host.sentFeatures.empty());
  endWalk(stale);
  EXPECT_EQ(host.openFds, 0);

  // The next walk lists the stranger as new; once known, losing the right
  // to open its node fails the walk's open as the open itself would.
  const HANDLE stranger = walkOpen();
  EXPECT_EQ(vendorOf(stranger), 0x046D);
  endWalk(stranger);
  host.denied.insert(path);
  const int opens = host.opens;
  EXPECT_EQ(walkOpen(), kInvalidHandleValue);
  EXPECT_EQ(api.GetLastError(), kErrorAccessDenied);
  EXPECT_EQ(host.opens, opens);
  EXPECT_TRUE(api.SetupDiDestroyDeviceInfoList(walks.back()));

  // Outside a walk a handle is an open node, as before.
  host.denied.clear();
  const HANDLE direct = api.CreateFileA(path.c_str(), kGenericRead, kFileShareRead, nullptr,
                                        kOpenExisting, 0, 0);
  EXPECT_EQ(host.opens, opens + 1);
  EXPECT_TRUE(api.CloseHandle(direct));
  EXPECT_EQ(host.openFds, 0);
}

TEST(HidrawWalk, StringRequestsReachADeviceOncePerPlug) {
  FakeHost host;
  // The maker's vendor ID and a product in no list: examined by its string
  // 42 on every walk, and never accepted since it has none.
  FakeBoard untagged = Foreign(0);
  untagged.vendor = kMakerVendorID;
  untagged.product = 0x0777;
  untagged.usbStrings = {{0, u"\x0409"}};
  host.Plug(untagged);
  Program program(host);
  for (int tick = 0; tick < 3; ++tick) program.form.Timer.Tick();
  EXPECT_FALSE(program.form.DeviceDetected);
  EXPECT_EQ(host.controlRequests.size(), 2u) << "languages and string 42, once";

  // Plugged again, it is a new device to ask.
  host.Unplug(0);
  untagged.devnum = 40;
  host.Plug(untagged);
  for (int tick = 0; tick < 3; ++tick) program.form.Timer.Tick();
  ASSERT_EQ(host.controlRequests.size(), 4u);
  EXPECT_EQ(host.controlRequests[3].wValue, 0x032A);
}

}  // namespace
}  // namespace tq::test
