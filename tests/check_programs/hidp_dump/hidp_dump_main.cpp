// tq_hidp_dump: prints what hid.dll (Windows, Wine) or the hidraw backend
// (Linux) says of every HID interface present, for the comparison of the
// two over the same virtual devices. The one source picks its platform's
// backend; everything else goes through HidApi.
//
//   tq_hidp_dump                       caps, button caps and value caps
//   tq_hidp_dump --read READY VID...   the next input report of each
//                                      interface of these vendors (hex)
//                                      and the usages and values in it;
//                                      the file READY is made once all are
//                                      open
//   tq_hidp_dump --answer FILE VID...  the same usages and values over the
//                                      reports FILE holds (--read's text
//                                      from the other platform)
//   tq_hidp_dump --devices             the devices the comparison plugs in
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#ifdef _WIN32
#include "devlink/platform/win32/win32_hid_api.h"
#else
#include "devlink/platform/hidraw/hidraw_api.h"
#endif
#include "tests/check_programs/hidp_dump/compared_devices.h"
#include "tests/check_programs/hidp_dump/hidp_dump_text.h"
#include "tests/check_programs/hidp_dump/hidp_input_text.h"

int main(int argc, char* argv[]) {
#ifdef _WIN32
  tq::Win32HidApi api;
#else
  tq::HidrawApi api;
#endif
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--devices") {
    tq::dump::PrintComparedDevices(std::cout);
    return 0;
  }
  if (mode == "--read" && argc > 3) {
    const std::string readyFile = argv[2];
    std::set<unsigned long> vendors;
    for (int i = 3; i < argc; ++i) vendors.insert(std::strtoul(argv[i], nullptr, 16));
    const int read = tq::dump::DumpInputs(
        api, std::cout, [&] { std::ofstream(readyFile) << "ready\n"; },
        [&](std::uint16_t vendor) { return vendors.count(vendor) > 0; },
        // The board's control lines arrive one by one: a report is taken as
        // the last once none followed for a while.
        tq::dump::ReadTimes{20000, 5000});
    std::cout << "interfaces " << read << '\n';
    return 0;
  }
  if (mode == "--answer" && argc > 3) {
    std::ifstream reports(argv[2]);
    if (!reports) {
      std::cerr << "cannot read " << argv[2] << '\n';
      return 1;
    }
    std::set<unsigned long> vendors;
    for (int i = 3; i < argc; ++i) vendors.insert(std::strtoul(argv[i], nullptr, 16));
    const int answered = tq::dump::DumpAnswers(
        api, reports, std::cout, [&](std::uint16_t vendor) { return vendors.count(vendor) > 0; });
    std::cout << "interfaces " << answered << '\n';
    return 0;
  }
  if (!mode.empty()) {
    std::cerr << "usage: tq_hidp_dump [--devices | --read READY VID... | --answer FILE VID...]\n";
    return 2;
  }
  const int listed = tq::dump::DumpInterfaces(api, std::cout);
  std::cout << "interfaces " << listed << '\n';
  return 0;
}
