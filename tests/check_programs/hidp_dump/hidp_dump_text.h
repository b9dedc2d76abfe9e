// What hid.dll says of every HID interface present, as stable text: one
// field a line, "name value", so that the same virtual devices seen through
// Linux's hidraw backend and through Wine's (or Windows') hid.dll can be
// compared with diff. Goes only through HidApi.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "devlink/hid_api.h"

namespace tq::dump {

// Walks the present interfaces in their enumeration order; for each one
// that opens: attributes, HidP_GetCaps, then each input, output and feature
// button and value capability with the status of the call that gave it.
// Returns the number of interfaces listed.
int DumpInterfaces(HidApi& api, std::ostream& out);

// The paths of the present interfaces, in their enumeration order.
std::vector<std::string> InterfacePaths(HidApi& api);

// One interface, already open.
void DumpInterface(HidApi& api, HANDLE device, std::ostream& out);

}  // namespace tq::dump
