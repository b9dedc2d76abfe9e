// The shipped udev rule as the real udevd applies it: the uaccess tag lands
// on exactly the nodes the programs open for the boards they accept, and on
// nothing else. Expectations come from the accepted-board tables, so the
// check follows the tables. Needs udevd running with the rule loaded (the VM
// script's second pass).
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>

#include <cstdio>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "devlink/device_link.h"
#include "tests/vm/vm_fixture.h"

namespace tq::vmtest {
namespace {

// The device's udev properties, as `udevadm info` reports them.
std::string UdevProperties(const std::string& sysPath) {
  std::string command = "udevadm info --query=property --path='" + sysPath + "' 2>&1";
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) text += chunk;
    ::pclose(pipe);
  }
  return text;
}

bool HasUaccess(const std::string& sysPath) {
  const std::string properties = UdevProperties(sysPath);
  const std::size_t tags = properties.find("\nTAGS=");
  return tags != std::string::npos &&
         properties.find(":uaccess:", tags) < properties.find('\n', tags + 1);
}

// udevadm settle refuses to work in a chroot, so wait for udevd's record of
// the device itself: it is written once every rule has run.
bool WaitUntilProcessed(const std::string& sysPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (UdevProperties(sysPath).find("\nUSEC_INITIALIZED=") != std::string::npos) return true;
    // udevd tells this process nothing it could wait on: look again later.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

class UdevRule : public RealUsb {};

TEST_F(UdevRule, TagsExactlyTheNodesOfAcceptedBoards) {
  ASSERT_TRUE(std::filesystem::exists("/run/udev/control")) << "udevd is not running";
  struct Case {
    std::uint16_t vendor;
    std::uint16_t product;
    const char* what;
  };
  const Case cases[] = {
      {kMakerVendorID, 0x0501, "maker's board in both tables"},
      {kMakerVendorID, 0x0999, "maker's product known by its tag only"},
      {kSharedVendorID, 0x0C40, "shared vendor, accepted product"},
      {kSharedVendorID, 0x05DF, "shared vendor, someone else's product"},
      {0x046D, 0x0501, "another vendor"},
  };
  std::vector<vboard::BoardDevice*> devices;
  for (const Case& c : cases) {
    emu::EmulatedBoard board = Board(u"U");
    board.vendorId = c.vendor;
    board.productId = c.product;
    devices.push_back(&Plug(board));
  }
  for (std::size_t n = 0; n < devices.size(); ++n) {
    const Case& c = cases[n];
    SCOPED_TRACE(c.what);
    // The encoder utility opens every hidraw node of the maker (its tag test)
    // and of the accepted IDs; string 42 goes through the USB node of the
    // maker's devices only.
    const bool hidrawWanted =
        c.vendor == kMakerVendorID || kEncodersBoards.Accepts(c.vendor, c.product);
    const bool usbWanted = c.vendor == kMakerVendorID;
    const std::string node = NodeOf(*devices[n]);
    ASSERT_FALSE(node.empty());
    const std::string hidrawSys = "/sys/class/hidraw/" + node.substr(node.rfind('/') + 1);
    const std::string usbSys = std::filesystem::canonical(hidrawSys + "/device/../..").string();
    EXPECT_TRUE(std::filesystem::exists(usbSys + "/idVendor")) << usbSys;
    ASSERT_TRUE(WaitUntilProcessed(hidrawSys) && WaitUntilProcessed(usbSys));
    EXPECT_EQ(HasUaccess(hidrawSys), hidrawWanted) << UdevProperties(hidrawSys);
    EXPECT_EQ(HasUaccess(usbSys), usbWanted) << UdevProperties(usbSys);
    // The rule grants through the seat's ACL only; the modes stay closed.
    struct stat status{};
    ASSERT_EQ(::stat(node.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0007, 0u) << node;
  }
}

// What systemd's own rules make of the board's joystick: the input
// properties a game's library looks for, and the seat's uaccess tag that
// lets the owner at the seat read it (no rule of ours is involved).
TEST_F(UdevRule, JoystickEventNodeIsTaggedForTheSeatBySystemdsRules) {
  ASSERT_TRUE(std::filesystem::exists("/run/udev/control")) << "udevd is not running";
  vboard::BoardDevice& device = Plug(Board(u"JOY"));
  const std::string eventSys = WaitForInputNode(device, "event");
  ASSERT_FALSE(eventSys.empty()) << "no event node";
  ASSERT_TRUE(WaitUntilProcessed(eventSys));
  const std::string properties = UdevProperties(eventSys);
  std::cout << properties;
  EXPECT_NE(properties.find("\nID_INPUT=1\n"), std::string::npos);
  EXPECT_NE(properties.find("\nID_INPUT_JOYSTICK=1\n"), std::string::npos);
  EXPECT_TRUE(HasUaccess(eventSys)) << "the owner at the seat may read the joystick";
  const std::string node = "/dev/input/" + std::filesystem::path(eventSys).filename().string();
  struct stat status{};
  ASSERT_EQ(::stat(node.c_str(), &status), 0);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", status.st_mode & 07777);
  const struct group* owner = ::getgrgid(status.st_gid);
  RecordProperty("event_node_mode", mode);
  RecordProperty("event_node_group", owner != nullptr ? owner->gr_name : "?");
  std::cout << node << " mode " << mode << " group " << (owner != nullptr ? owner->gr_name : "?")
            << std::endl;
  EXPECT_EQ(status.st_mode & 0007, 0u) << "others may not read it";
}

}  // namespace
}  // namespace tq::vmtest
