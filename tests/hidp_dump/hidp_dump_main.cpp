// tq_hidp_dump: prints what hid.dll (Windows, Wine) or the hidraw backend
// (Linux) says of every HID interface present, for the comparison of the
// two over the same virtual devices. The one source picks its platform's
// backend; everything else goes through HidApi.
#include <iostream>

#ifdef _WIN32
#include "devlink/platform/win32/win32_hid_api.h"
#else
#include "devlink/platform/hidraw/hidraw_api.h"
#endif
#include "tests/hidp_dump/hidp_dump_text.h"

int main() {
#ifdef _WIN32
  tq::Win32HidApi api;
#else
  tq::HidrawApi api;
#endif
  const int listed = tq::dump::DumpInterfaces(api, std::cout);
  std::cout << "interfaces " << listed << '\n';
  return 0;
}
