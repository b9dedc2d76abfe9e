#include "tests/check_programs/hidp_dump/compared_devices.h"

#include <algorithm>
#include <cstdio>

#include "devlink/device_link.h"
#include "devlink/report_descriptor/report_descriptor.h"
#include "tests/hid_descriptors/composed_devices.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::dump {
namespace {

// The board both programs take.
constexpr std::uint16_t kBoardProduct = 0x0501;
// An open vendor ID with products of our own for the foreign devices.
constexpr std::uint16_t kForeignVendor = 0x1209;
constexpr std::uint16_t kFirstForeignProduct = 0x7100;

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  char pair[3];
  for (const std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : ";") + line;
  return text;
}

}  // namespace

std::vector<std::uint8_t> ProbeReport(std::span<const std::uint8_t> descriptor, bool zero) {
  const auto parsed = hid::ParseReportDescriptor(descriptor);
  if (!parsed || parsed->fields[HidP_Input].empty()) return {};
  const auto& inputs = parsed->fields[HidP_Input];
  const std::uint8_t id = inputs.front().reportId;
  std::uint64_t endBits = 0;  // the ID byte counted, as the parse counts it
  for (const hid::ReportField& field : inputs) {
    if (field.reportId != id) continue;
    const std::uint64_t start = std::uint64_t{field.startByte} * 8 + field.startBit;
    endBits = std::max(endBits, start + std::uint64_t{field.bitSize} * field.reportCount);
  }
  const std::size_t length = static_cast<std::size_t>((endBits + 7) / 8);
  std::vector<std::uint8_t> report;
  for (std::size_t i = 1; i < length; ++i) {
    report.push_back(zero ? 0 : static_cast<std::uint8_t>(i * 0x9D + 0x35));
  }
  if (parsed->numberedReports) report.insert(report.begin(), id);
  return report;
}

bool ArraysFromOtherThanOne(std::span<const std::uint8_t> descriptor) {
  const auto parsed = hid::ParseReportDescriptor(descriptor);
  if (!parsed) return false;
  for (const hid::ReportField& field : parsed->fields[HidP_Input]) {
    if (field.isArray && field.HasUsage() && field.logicalMin != 1) return true;
  }
  return false;
}

std::vector<ComparedDevice> ComparedDevices() {
  std::vector<ComparedDevice> devices;
  ComparedDevice board;
  board.name = "tq5271-board";
  board.vendorId = kMakerVendorID;
  board.productId = kBoardProduct;
  // Axes 1 and 3 are inverted on the factory board: both ends show.
  for (const char* line : {"axis @ 1 77", "axis @ 2 5", "axis @ 3 0", "axis @ 8 127",
                           "button @ 1 1", "button @ 17 1", "button @ 32 1"}) {
    board.send.push_back(line);
  }
  for (const char* line : {"axis @ 1 0", "axis @ 2 0", "axis @ 8 0", "button @ 1 0",
                           "button @ 17 0", "button @ 32 0"}) {
    board.clear.push_back(line);
  }
  devices.push_back(board);

  std::uint16_t product = kFirstForeignProduct;
  auto add = [&](const auto& list) {
    for (const test::NamedDescriptor& named : list) {
      ComparedDevice device;
      device.name = std::string(named.name);
      device.vendorId = kForeignVendor;
      device.productId = product++;
      device.descriptor = test::HexBytes(named.hex);
      const auto send = ProbeReport(device.descriptor, false);
      const auto clear = ProbeReport(device.descriptor, true);
      if (!send.empty()) {
        device.send.push_back("report @ " + Hex(send));
        device.clear.push_back("report @ " + Hex(clear));
      }
      devices.push_back(std::move(device));
    }
  };
  add(test::kComposedDevices);
  add(test::kRealDevices);
  return devices;
}

void PrintComparedDevices(std::ostream& out) {
  for (const ComparedDevice& device : ComparedDevices()) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "vendor=0x%04x,product=0x%04x", device.vendorId,
                  device.productId);
    std::string options = std::string(ids) + ",serial=CMP" + std::to_string(device.productId);
    if (!device.descriptor.empty()) {
      options += ",manufacturer=Compared,name=" + device.name + ",descriptor=" + Hex(device.descriptor);
    }
    const auto collections = hid::ParseTopLevelCollections(device.descriptor);
    out << device.name << '\t' << options << '\t' << Joined(device.send) << '\t'
        << Joined(device.clear) << '\t' << (collections ? collections->size() : 0) << '\t'
        << (ArraysFromOtherThanOne(device.descriptor) ? "arrays" : "-") << '\n';
  }
}

}  // namespace tq::dump
