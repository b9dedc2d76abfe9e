// tq5271ctl on Windows: SetupAPI and hid.dll; device paths carry the
// vendor and product IDs of an interface that cannot be opened.
#include <iostream>

#include "ctl/cli.h"
#include "devlink/platform/win32/host_hints.h"
#include "devlink/platform/win32/win32_hid_api.h"

int main(int argc, char* argv[]) {
  tq::Win32HidApi api;
  return tq::ctl::RunCommandLine(argc, argv, api, tq::win32::WindowsHostHints(), std::cout,
                                 std::cerr);
}
