#include "devlink/platform/hidraw/node_ids.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace tq::hidraw {

std::optional<NodeVendorProduct> NodeIds(const std::string& devicePath, const std::string& sysRoot) {
  const std::string node = std::filesystem::path(devicePath).filename().string();
  if (!node.starts_with("hidraw")) return std::nullopt;
  std::ifstream uevent(std::filesystem::path(sysRoot) / "class" / "hidraw" / node / "device" /
                       "uevent");
  // HID_ID=<bus>:<vendor>:<product>, each in hexadecimal.
  for (std::string line; std::getline(uevent, line);) {
    constexpr std::string_view kKey = "HID_ID=";
    if (!line.starts_with(kKey)) continue;
    std::string_view rest = std::string_view(line).substr(kKey.size());
    unsigned long fields[3] = {};
    for (auto& field : fields) {
      const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), field, 16);
      if (error != std::errc{}) return std::nullopt;
      rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
      if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
    }
    if (fields[1] > 0xFFFF || fields[2] > 0xFFFF) return std::nullopt;
    return NodeVendorProduct{static_cast<std::uint16_t>(fields[1]),
                        static_cast<std::uint16_t>(fields[2])};
  }
  return std::nullopt;
}

}  // namespace tq::hidraw
