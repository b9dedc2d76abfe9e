// What hid.dll makes of one input report of every HID interface present, as
// stable text one answer a line, for the comparison of the hidraw backend
// with hid.dll over the same virtual devices sending the same reports.
// Goes only through HidApi.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <vector>

#include "devlink/hid_api.h"

namespace tq::dump {

struct ReadTimes {
  std::uint32_t firstMs = 20000;  // for an interface's first report
  std::uint32_t quietMs = 1500;   // then until none came for this long
};

// Opens every interface of a wanted vendor for reading (and those that do
// not open, to show why), calls `ready` once all are open (the
// devices may send from then on), then reads each one's reports until it
// goes quiet and prints, per interface in the walk's order: attributes,
// the last report's bytes, then for each input button capability the
// HidP_GetUsages answer and for each value capability every usage's
// HidP_GetUsageValue answer over that report. Returns the interfaces read.
int DumpInputs(HidApi& api, std::ostream& out, const std::function<void()>& ready,
               const std::function<bool(std::uint16_t vendorId)>& wanted, ReadTimes times = {});

// The same answers over reports read elsewhere: `reports` is the text
// DumpInputs printed (on the other platform); each interface of a wanted
// vendor is asked about the report printed there for its vendor and
// product, so hid.dll and the hidraw backend answer over the same bytes.
int DumpAnswers(HidApi& api, std::istream& reports, std::ostream& out,
                const std::function<bool(std::uint16_t vendorId)>& wanted);

// The answers over one report of an open interface.
void DumpReportAnswers(HidApi& api, PHIDP_PREPARSED_DATA data, const HIDP_CAPS& caps,
                       std::vector<std::uint8_t> report, std::ostream& out);

}  // namespace tq::dump
