// tq_hidp_dump's text over the emulated host: every interface, one field a
// line, in the order the comparison with Wine's hid.dll reads it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/simulated_hid.h"
#include "tests/check_programs/hidp_dump/hidp_dump_text.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::dump {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines of interface `n`, up to the next one.
std::vector<std::string> Interface(const std::vector<std::string>& lines, int n) {
  std::vector<std::string> block;
  bool inside = false;
  for (const std::string& line : lines) {
    if (line.rfind("interface ", 0) == 0) inside = line == "interface " + std::to_string(n);
    else if (inside) block.push_back(line);
  }
  return block;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(HidpDump, EveryInterfaceWithCapsButtonsAndValuesOneFieldALine) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"D1"));
  emu::EmulatedBoard keyboard;
  keyboard.vendorId = 0x04D9;
  keyboard.productId = 0xA055;
  keyboard.reportDescriptor = test::RealDevice("keyboard-four-report-ids");
  hid.Attach(keyboard);
  emu::EmulatedBoard locked = emu::MakeTQ5271(u"D3");
  locked.openError = kErrorAccessDenied;
  hid.Attach(locked);

  std::ostringstream out;
  EXPECT_EQ(DumpInterfaces(hid, out), 3);
  const auto lines = Lines(out.str());

  const auto board = Interface(lines, 0);
  EXPECT_TRUE(Has(board, "VendorID 0x2A7E"));
  EXPECT_TRUE(Has(board, "caps.status 0x00110000"));
  EXPECT_TRUE(Has(board, "caps.InputReportByteLength 12"));
  EXPECT_TRUE(Has(board, "caps.input.ValueCaps 8"));
  EXPECT_TRUE(Has(board, "caps.input.DataIndices 40"));
  EXPECT_TRUE(Has(board, "input.values.count 8"));
  EXPECT_TRUE(Has(board, "input.value[7].NotRange.Usage 0x0030"));
  EXPECT_TRUE(Has(board, "input.value[7].LogicalMax 127"));
  EXPECT_TRUE(Has(board, "input.button[0].Range.UsageMax 0x0020"));
  EXPECT_TRUE(Has(board, "output.buttons.status 0xC0110004"));
  EXPECT_TRUE(Has(board, "feature.value[0].ReportCount 63"));
  // Every line is a name and a value.
  for (const std::string& line : board) {
    EXPECT_NE(line.find(' '), std::string::npos) << line;
  }

  // A keyboard of five top-level collections shows its first, as its
  // first interface on Windows: system control under ID 1, nothing of the
  // consumer keys or the LEDs.
  const auto foreign = Interface(lines, 1);
  EXPECT_TRUE(Has(foreign, "caps.Usage 0x0080"));
  EXPECT_TRUE(Has(foreign, "caps.NumberLinkCollectionNodes 1"));
  EXPECT_TRUE(Has(foreign, "input.button[0].ReportID 1"));
  EXPECT_TRUE(Has(foreign, "input.button[0].Range.UsageMax 0x0083"));
  EXPECT_TRUE(Has(foreign, "input.buttons.count 1"));
  EXPECT_TRUE(Has(foreign, "caps.output.ButtonCaps 0"));

  const auto refused = Interface(lines, 2);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[1], "open 0x00000005");
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.OpenPreparsedData(), 0);
}

// Wine's own mouse and keyboard, as Wine 8's hid.dll described them to
// tq_hidp_dump.exe (wine_input_devices.txt, paths left out), against the
// same devices' descriptors read by the portable parse: three buttons and
// padding; a 102-key bitmap and padding.
TEST(HidpDump, WinesOwnInputDevicesReadAsWinesHidDllReadsThem) {
  emu::SimulatedHid hid;
  const auto device = [](std::uint16_t product, std::uint16_t inputLength,
                         std::string_view descriptor) {
    emu::EmulatedBoard board;
    board.vendorId = 0x845E;
    board.productId = product;
    board.versionNumber = 0;
    board.inputReportByteLength = inputLength;
    board.featureReportByteLength = 0;
    board.reportDescriptor = test::HexBytes(descriptor);
    return board;
  };
  hid.Attach(device(0x0001, 2,
                    "05 01 09 02 a1 01 05 09 19 01 29 03 15 00 25 01 95 03 75 01 81 02 95 01 "
                    "75 05 81 03 c0"));
  hid.Attach(device(0x0002, 14,
                    "05 01 09 06 a1 01 05 07 19 00 29 65 15 00 25 01 95 66 75 01 81 02 95 01 "
                    "75 02 81 03 c0"));
  std::ostringstream out;
  const int listed = DumpInterfaces(hid, out);
  out << "interfaces " << listed << '\n';
  std::vector<std::string> ours;
  for (const std::string& line : Lines(out.str())) {
    if (line.rfind("path ", 0) != 0) ours.push_back(line);
  }
  std::ifstream file(TQ_HIDP_DUMP_DIR "/wine_input_devices.txt");
  ASSERT_TRUE(file.is_open());
  const std::string wine((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto theirs = Lines(wine);
  ASSERT_EQ(ours.size(), theirs.size());
  for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i], theirs[i]) << "line " << i;
}

}  // namespace
}  // namespace tq::dump
