// What the VM's comparison with hid.dll plugs in and reads: the devices'
// probe reports, and the reader's text over one report, on the emulated
// host.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/simulated_hid.h"
#include "tests/check_programs/hidp_dump/compared_devices.h"
#include "tests/check_programs/hidp_dump/hidp_input_text.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::dump {
namespace {

bool Has(const std::string& text, const std::string& line) {
  std::istringstream in(text);
  for (std::string each; std::getline(in, each);) {
    if (each == line) return true;
  }
  return false;
}

TEST(HidpCompare, EveryDeviceParsesAndItsProbeFillsItsFirstInputReport) {
  const auto devices = ComparedDevices();
  ASSERT_EQ(devices.size(), 1 + 1 + test::kRealDevices.size());
  EXPECT_EQ(devices.front().name, "tq5271-board");
  EXPECT_TRUE(devices.front().descriptor.empty());
  std::set<std::uint32_t> ids;
  for (const ComparedDevice& device : devices) {
    SCOPED_TRACE(device.name);
    EXPECT_TRUE(ids.insert(std::uint32_t{device.vendorId} << 16 | device.productId).second);
    EXPECT_FALSE(device.send.empty());
    if (device.descriptor.empty()) continue;
    const auto parsed = hid::ParseReportDescriptor(device.descriptor);
    ASSERT_TRUE(parsed.has_value());
    const auto probe = ProbeReport(device.descriptor, false);
    const auto zero = ProbeReport(device.descriptor, true);
    ASSERT_EQ(probe.size(), zero.size());
    EXPECT_NE(probe, zero);
    // With the ID byte (0 where none goes on the bus), never longer than
    // what the interface reads.
    const std::size_t withId = probe.size() + (parsed->numberedReports ? 0 : 1);
    EXPECT_LE(withId, parsed->caps.InputReportByteLength);
    EXPECT_LE(probe.size(), 64u) << "one packet of the board's endpoint";
    if (parsed->numberedReports) {
      EXPECT_EQ(probe[0], parsed->fields[HidP_Input].front().reportId);
      EXPECT_EQ(zero[0], probe[0]);
    }
  }
  // The pad of several IDs sends ID 1, 13 data bytes; the mouse, without
  // IDs, its 4 data bytes alone.
  const auto pad = std::find_if(devices.begin(), devices.end(),
                                [](const ComparedDevice& d) { return d.name == "pad-ids-arrays-ranges"; });
  ASSERT_NE(pad, devices.end());
  EXPECT_EQ(ProbeReport(pad->descriptor, false).size(), 14u);
  EXPECT_EQ(ProbeReport(test::RealDevice("kernel-doc-mouse"), false).size(), 4u);
  EXPECT_TRUE(ProbeReport(test::HexBytes("05 01 09 02 a1 01 c0"), false).empty());

  // Where Windows and Wine 8 name an array's usages differently.
  EXPECT_TRUE(ArraysFromOtherThanOne(test::RealDevice("hid-class-boot-keyboard")));
  EXPECT_TRUE(ArraysFromOtherThanOne(test::RealDevice("remote-button-array")));
  EXPECT_FALSE(ArraysFromOtherThanOne(pad->descriptor)) << "its arrays start at 1";
  EXPECT_FALSE(ArraysFromOtherThanOne(test::RealDevice("kernel-doc-mouse")));

  std::ostringstream listed;
  PrintComparedDevices(listed);
  EXPECT_NE(listed.str().find("vendor=0x1209,product=0x7100,"), std::string::npos);
  EXPECT_NE(listed.str().find("report @ 01"), std::string::npos);
}

TEST(HidpCompare, TheReaderPrintsTheLastReportAndWhatHidpReadsInIt) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(emu::MakeTQ5271(u"R1"));
  emu::EmulatedBoard other = emu::MakeTQ5271(u"R2");
  other.vendorId = 0x1234;
  hid.Attach(other);
  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 77);
    b.SetButton(1, true);
    b.SetButton(32, true);
  });
  bool ready = false;
  std::ostringstream out;
  const int read = DumpInputs(
      hid, out, [&] { ready = true; }, [](std::uint16_t vendor) { return vendor == 0x2A7E; },
      ReadTimes{200, 50});
  EXPECT_TRUE(ready);
  EXPECT_EQ(read, 1) << "the other vendor's interface is left out";
  const std::string text = out.str();
  EXPECT_TRUE(Has(text, "VendorID 0x2A7E")) << text;
  EXPECT_TRUE(Has(text, "input.button[0].usages 0x00110000 count 2 0x0001 0x0020")) << text;
  // Y is 77; X and Z are inverted on the factory board: 127 at rest.
  EXPECT_TRUE(Has(text, "input.value[6].usage 0x0031 0x00110000 value 77")) << text;
  EXPECT_TRUE(Has(text, "input.value[7].usage 0x0030 0x00110000 value 127")) << text;
  EXPECT_NE(text.find("\nreport 00 "), std::string::npos) << "byte 0 the report ID 0";

  // The other platform answers over the same bytes: read back from this
  // text, the answers are the reader's, line for line.
  std::istringstream reports(text);
  std::ostringstream answers;
  EXPECT_EQ(DumpAnswers(hid, reports, answers, [](std::uint16_t) { return true; }), 2);
  const std::string again = answers.str();
  EXPECT_EQ(again.substr(0, again.find("interface 1\n")), text);
  EXPECT_NE(again.find("ProductID 0x0501\nreport none\n"), std::string::npos)
      << "no report was read for the other vendor's board";
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.OpenPreparsedData(), 0);
}

}  // namespace
}  // namespace tq::dump
