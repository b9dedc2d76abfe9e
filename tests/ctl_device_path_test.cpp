// The IDs tq5271ctl reads from a device path where the platform gives no
// attributes.
#include <gtest/gtest.h>

#include "ctl/board_scan.h"

namespace tq::ctl {
namespace {

TEST(CtlDevicePath, IdsFromWindowsStylePaths) {
  const auto ids = IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_0501&mi_00#7&1a2b3c00&0&0000#{4d1e55b2})");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->vendorId, 0x2A7E);
  EXPECT_EQ(ids->productId, 0x0501);
  EXPECT_EQ(IdsFromDevicePath(R"(\\?\HID#VID_16C0&PID_0C4F)")->productId, 0x0C4F);
  EXPECT_FALSE(IdsFromDevicePath("/dev/hidraw3"));
  EXPECT_FALSE(IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_05)"));
  EXPECT_FALSE(IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_05zz)"));
}

}  // namespace
}  // namespace tq::ctl
