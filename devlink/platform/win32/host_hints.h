// What Windows tells about an interface that cannot be opened: its device
// path carries the IDs, and another program holding it is the usual cause.
#pragma once

#include "devlink/interface_scan.h"

namespace tq::win32 {

inline HostHints WindowsHostHints() {
  return HostHints{
      .identify = IdsFromDevicePath,
      .accessDeniedHint = "close the program that holds it, or run as administrator",
  };
}

}  // namespace tq::win32
