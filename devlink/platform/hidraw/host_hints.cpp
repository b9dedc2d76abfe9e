#include "devlink/platform/hidraw/host_hints.h"

#include "devlink/platform/hidraw/node_ids.h"

namespace tq::hidraw {

HostHints LinuxHostHints() {
  return HostHints{
      .identify = [](const std::string& path) -> std::optional<UsbIds> {
        const auto ids = NodeIds(path);
        if (!ids) return std::nullopt;
        return UsbIds{ids->vendorId, ids->productId};
      },
      .accessDeniedHint =
          "install the udev rule 70-tq5271.rules, which gives the user at the seat access "
          "(sudo install -m 644 packaging/linux/70-tq5271.rules /etc/udev/rules.d/ && sudo "
          "udevadm control --reload-rules && sudo udevadm trigger; README, \"Real boards on "
          "Linux\"), or run as root",
  };
}

}  // namespace tq::hidraw
