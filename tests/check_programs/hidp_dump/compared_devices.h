// The devices the comparison of the hidraw backend with hid.dll plugs in as
// virtual boards: the board itself, the composed descriptors and every real
// one, each with its own product ID and the control lines that make it send
// one input report and then a report of zeros. tq_hidp_dump --devices
// prints them for the VM's comparison stage.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace tq::dump {

struct ComparedDevice {
  std::string name;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::vector<std::uint8_t> descriptor;  // empty: the board's own
  // Control lines of the board program, "@" standing for the board's index:
  // `send` makes the device send a report with something in every field,
  // `clear` one that differs from it.
  std::vector<std::string> send;
  std::vector<std::string> clear;
};

std::vector<ComparedDevice> ComparedDevices();

// The input report a foreign device sends as it crosses the bus: the first
// report ID of its first top-level collection's inputs (no ID byte where
// the descriptor numbers none), that report's length, bytes of a fixed
// pattern; `zero` keeps only the ID byte. Empty for a descriptor without
// any input the parser accepts.
std::vector<std::uint8_t> ProbeReport(std::span<const std::uint8_t> descriptor, bool zero);

// Whether an input array of the first top-level collection counts its
// values from a Logical Minimum other than 1: there Windows (value minus
// Logical Minimum names the usage, as the USB HID class definition has it) and
// Wine 8 (value 1 names the first usage) answer differently.
bool ArraysFromOtherThanOne(std::span<const std::uint8_t> descriptor);

// One device a line: name, the board program's --board options, the send
// lines and the clear lines joined by ';', the number of its top-level
// collections, "arrays" where ArraysFromOtherThanOne or "-", separated by
// tabs.
void PrintComparedDevices(std::ostream& out);

}  // namespace tq::dump
