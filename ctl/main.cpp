// tq5271ctl on Linux: the hidraw backend; an interface the user may not
// open is named from sysfs, with the udev rule as the way out.
#include <iostream>

#include "ctl/cli.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "devlink/platform/hidraw/node_ids.h"

int main(int argc, char* argv[]) {
  tq::HidrawApi api;
  const tq::ctl::HostHints hints{
      .identify =
          [](const std::string& path) -> std::optional<tq::ctl::UsbIds> {
        const auto ids = tq::hidraw::NodeIds(path);
        if (!ids) return std::nullopt;
        return tq::ctl::UsbIds{ids->vendorId, ids->productId};
      },
      .accessDeniedHint =
          "install the udev rule 70-tq5271.rules, which gives the user at the seat access "
          "(sudo install -m 644 packaging/linux/70-tq5271.rules /etc/udev/rules.d/ && sudo "
          "udevadm control --reload-rules && sudo udevadm trigger; README, \"Real boards on "
          "Linux\"), or run as root",
  };
  return tq::ctl::RunCommandLine(argc, argv, api, hints, std::cout, std::cerr);
}
