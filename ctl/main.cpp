// tq5271ctl on Linux: the hidraw backend; an interface the user may not
// open is named from sysfs, with the udev rule as the way out.
#include <iostream>

#include "ctl/cli.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "devlink/platform/hidraw/host_hints.h"

int main(int argc, char* argv[]) {
  tq::HidrawApi api;
  return tq::ctl::RunCommandLine(argc, argv, api, tq::hidraw::LinuxHostHints(), std::cout,
                                 std::cerr);
}
