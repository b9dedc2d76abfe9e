// Naming a hidraw node the user may not open, from sysfs alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "devlink/platform/hidraw/node_ids.h"

namespace tq::hidraw {
namespace {

TEST(NodeIds, FromTheHidDevicesUevent) {
  const auto sys = std::filesystem::path(::testing::TempDir()) / "node_ids_sys";
  std::filesystem::remove_all(sys);
  const auto write = [&](const std::string& node, const std::string& uevent) {
    const auto dir = sys / "class" / "hidraw" / node / "device";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "uevent") << uevent;
  };
  write("hidraw3", "DRIVER=hid-generic\nHID_ID=0003:00002A7E:00000501\nHID_NAME=TQ\n");
  write("hidraw4", "HID_ID=0003:000016C0:00000C4F\n");
  write("hidraw5", "DRIVER=hid-generic\n");
  write("hidraw6", "HID_ID=0003:00012A7E:00000501\n");  // not a 16-bit vendor ID
  write("hidraw7", "HID_ID=0003:zz:00000501\n");

  const auto board = NodeIds("/dev/hidraw3", sys.string());
  ASSERT_TRUE(board);
  EXPECT_EQ(board->vendorId, 0x2A7E);
  EXPECT_EQ(board->productId, 0x0501);
  EXPECT_EQ(NodeIds("/dev/hidraw4", sys.string())->productId, 0x0C4F);
  for (const char* path : {"/dev/hidraw5", "/dev/hidraw6", "/dev/hidraw7", "/dev/hidraw8",
                           "/dev/sda", ""}) {
    EXPECT_FALSE(NodeIds(path, sys.string())) << path;
  }
}

}  // namespace
}  // namespace tq::hidraw
