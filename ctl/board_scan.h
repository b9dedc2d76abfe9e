// The choice of one board by serial among the scanned interfaces, opened
// for the commands.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "ctl/write_plan.h"
#include "devlink/device_link.h"
#include "devlink/interface_scan.h"

namespace tq::ctl {

// The scan's types, by the names the commands use.
using tq::HostHints;
using tq::IdsFromDevicePath;
using tq::Scan;
using tq::ScannedInterface;
using tq::ScanInterfaces;
using tq::UsbIds;

// One board open for the commands: the device link with both handles, what
// the scan saw of it and what decides the offered settings.
struct OpenBoard {
  explicit OpenBoard(HidApi& api) : link(api, kScanVariant) {}
  ~OpenBoard() { link.CloseBoard(); }
  OpenBoard(const OpenBoard&) = delete;
  OpenBoard& operator=(const OpenBoard&) = delete;

  DeviceLink link;
  ScannedInterface seen;
  BoardFacts facts;
};

// The usable board with `serial`, or the only usable one when no serial is
// given; otherwise a one-line error (none, several, not found, not opened).
std::variant<std::unique_ptr<OpenBoard>, std::string> OpenChosenBoard(
    HidApi& api, const HostHints& hints, const std::optional<std::string>& serial);

}  // namespace tq::ctl
