#include "ctl/board_scan.h"

#include <algorithm>

namespace tq::ctl {
namespace {

std::string SerialList(const std::vector<const ScannedInterface*>& boards) {
  std::string list;
  for (const auto* board : boards) list += (list.empty() ? "" : ", ") + *board->serial;
  return list;
}

}  // namespace

std::variant<std::unique_ptr<OpenBoard>, std::string> OpenChosenBoard(
    HidApi& api, const HostHints& hints, const std::optional<std::string>& serial) {
  const Scan scan = ScanInterfaces(api, hints);
  if (!scan.listed) return std::string("cannot list the HID interfaces");
  std::vector<const ScannedInterface*> usable;
  for (const auto& seen : scan.interfaces) {
    if (seen.Usable()) usable.push_back(&seen);
  }
  const ScannedInterface* chosen = nullptr;
  if (serial) {
    std::vector<const ScannedInterface*> matching;
    std::ranges::copy_if(usable, std::back_inserter(matching),
                         [&](const ScannedInterface* seen) { return *seen->serial == *serial; });
    if (matching.empty()) {
      return "no board with serial " + *serial +
             (usable.empty() ? std::string(" (no usable board attached)")
                             : " (attached: " + SerialList(usable) + ")");
    }
    if (matching.size() > 1) {
      return std::to_string(matching.size()) + " boards share serial " + *serial +
             "; unplug all but one";
    }
    chosen = matching.front();
  } else if (usable.size() > 1) {
    return std::to_string(usable.size()) + " boards attached (serials " + SerialList(usable) +
           "); choose one with --serial";
  } else if (usable.empty()) {
    const auto unopened = std::ranges::find_if(
        scan.interfaces, [](const ScannedInterface& seen) { return !seen.Opened(); });
    if (unopened != scan.interfaces.end()) {
      return "no usable board: " + unopened->path + ": " + unopened->openFailure;
    }
    return std::string("no board attached");
  } else {
    chosen = usable.front();
  }

  auto board = std::make_unique<OpenBoard>(api);
  if (!board->link.FindTheHid(*chosen->serial)) {
    return "board " + *chosen->serial + " could not be opened again (unplugged?)";
  }
  board->seen = *chosen;
  // The programs judge the release only once the manufacturer string reads.
  const bool releaseKnown =
      board->link.ReadBoardString(&HidApi::HidD_GetManufacturerString).has_value();
  board->facts = BoardFacts{board->link.Attributes.VersionNumber, releaseKnown, chosen->encoders,
                            chosen->config};
  return board;
}

}  // namespace tq::ctl
