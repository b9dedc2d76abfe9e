// Every HID interface of the accepted vendors, with what each program would
// make of it, and the choice of one board by serial.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ctl/write_plan.h"
#include "devlink/device_link.h"

namespace tq::ctl {

struct UsbIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// What the platform can add about an interface that cannot be opened.
struct HostHints {
  // Its vendor and product IDs, found without opening it.
  std::function<std::optional<UsbIds>(const std::string& path)> identify;
  // What to do when the user may not open it (one line).
  std::string accessDeniedHint;
};

// "vid_2a7e&pid_0501" within a device path, as Windows writes them.
std::optional<UsbIds> IdsFromDevicePath(const std::string& path);

// This program's walk: the full accepted table with the product tag, like
// the encoder utility, but opened for reading and writing, as it sends
// reports on the handle it examines.
extern const BoardVariant kCtlVariant;

struct ScannedInterface {
  std::string path;
  std::optional<UsbIds> ids;
  std::string openFailure;  // one line; empty when it opened
  std::uint16_t versionNumber = 0;
  std::optional<std::string> serial;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
  std::optional<std::string> tag;  // string 42
  std::uint16_t reportLength = 0;
  bool encoders = false;  // TQ5271_encoders would accept it
  bool config = false;    // TQ5271_config would accept it

  bool Opened() const { return openFailure.empty(); }
  bool Usable() const { return Opened() && serial && (encoders || config); }
};

struct Scan {
  bool listed = false;  // the interface set could be obtained
  std::vector<ScannedInterface> interfaces;
};

// Opens each present interface once, reads what it tells and closes it.
Scan ScanInterfaces(HidApi& api, const HostHints& hints);

// One board open for the commands: the device link with both handles, what
// the scan saw of it and what decides the offered settings.
struct OpenBoard {
  explicit OpenBoard(HidApi& api) : link(api, kCtlVariant) {}
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
