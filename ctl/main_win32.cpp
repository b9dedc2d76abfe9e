// tq5271ctl on Windows: SetupAPI and hid.dll; device paths carry the
// vendor and product IDs of an interface that cannot be opened.
#include <iostream>

#include "ctl/cli.h"
#include "devlink/platform/win32/win32_hid_api.h"

int main(int argc, char* argv[]) {
  tq::Win32HidApi api;
  const tq::ctl::HostHints hints{
      .identify = tq::ctl::IdsFromDevicePath,
      .accessDeniedHint = "close the program that holds it, or run as administrator",
  };
  return tq::ctl::RunCommandLine(argc, argv, api, hints, std::cout, std::cerr);
}
