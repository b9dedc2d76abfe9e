// What Linux can tell about a hidraw node the user may not open: its IDs
// from sysfs, and the udev rule as the way out.
#pragma once

#include "devlink/interface_scan.h"

namespace tq::hidraw {

HostHints LinuxHostHints();

}  // namespace tq::hidraw
