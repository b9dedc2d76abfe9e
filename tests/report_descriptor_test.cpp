#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "devlink/report_descriptor/report_descriptor.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::hid {
namespace {

std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const std::string pair(text.substr(i, 2));
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    i += 2;
  }
  return bytes;
}

struct Expected {
  std::uint16_t usagePage, usage, input, output, feature, collections;
};

void ExpectCaps(const std::vector<std::uint8_t>& descriptor, const Expected& want) {
  const auto caps = CapsFromReportDescriptor(descriptor);
  ASSERT_TRUE(caps.has_value());
  EXPECT_EQ(caps->UsagePage, want.usagePage);
  EXPECT_EQ(caps->Usage, want.usage);
  EXPECT_EQ(caps->InputReportByteLength, want.input);
  EXPECT_EQ(caps->OutputReportByteLength, want.output);
  EXPECT_EQ(caps->FeatureReportByteLength, want.feature);
  EXPECT_EQ(caps->NumberLinkCollectionNodes, want.collections);
}

void ExpectCaps(std::string_view descriptor, const Expected& want) {
  ExpectCaps(Hex(descriptor), want);
}

// A descriptor of the shared list, by its name.
std::vector<std::uint8_t> Device(std::string_view name) {
  for (const test::NamedDescriptor& device : test::kRealDevices) {
    if (device.name == name) return Hex(device.hex);
  }
  ADD_FAILURE() << "no descriptor named " << name;
  return {};
}

TEST(ReportDescriptor, RealDevicesGetWindowsLengths) {
  ExpectCaps(Device("kernel-doc-mouse"), {0x01, 0x02, 5, 0, 0, 2});
  ExpectCaps(Device("gadget-keyboard"), {0x01, 0x06, 9, 2, 0, 1});
  ExpectCaps(Device("game-pad-report-ids"), {0x01, 0x05, 64, 32, 64, 1});
  // Per finger 128 bits, then scan time and contact count: 280 bits under
  // ID 1. Features: 8 bits under ID 2, 256 bytes under ID 0x44.
  ExpectCaps(Device("touch-screen-two-fingers"), {0x0D, 0x04, 36, 0, 257, 3});
  ExpectCaps(Device("hid-class-boot-keyboard"), {0x01, 0x06, 9, 2, 0, 1});
  ExpectCaps(Device("hid-class-boot-mouse"), {0x01, 0x02, 4, 0, 0, 2});
  // 10 + 12 + 2 + 8 + 4 + 4 + 8 + 8 input bits; seven output bytes.
  ExpectCaps(Device("wheel-10-bit"), {0x01, 0x04, 8, 8, 0, 3});
  ExpectCaps(Device("wheel-14-bit"), {0x01, 0x04, 9, 8, 0, 3});
  // Five top-level collections: the first, system control under ID 1, is
  // what its first interface says (the others below).
  ExpectCaps(Device("keyboard-four-report-ids"), {0x01, 0x80, 2, 0, 0, 1});
  ExpectCaps(Device("remote-button-array"), {0x01, 0x05, 13, 0, 0, 3});
}

TEST(ReportDescriptor, LengthsArePerReportIdWithPaddingCounted) {
  // ID 1: 24 + 5 + 3 padding input bits. ID 2: 56 + 3 padding feature bits,
  // rounded up to 8 bytes. ID 3: a 4-byte feature and a 2-byte output.
  ExpectCaps(
      "05 01 09 04 a1 01 85 01 75 08 95 03 81 02 75 01 95 05 81 02 75 03 95 01 81 03 "
      "85 02 75 08 95 07 b1 02 75 01 95 03 b1 03 85 03 75 10 95 02 b1 02 75 08 95 02 91 02 c0",
      {0x01, 0x04, 5, 3, 9, 1});
  // Without report IDs the ID byte still counts: 11 bits -> 1 + 2 bytes. A
  // zero-sized field declares nothing.
  ExpectCaps("06 00 ff 09 01 a1 01 75 01 95 0b b1 02 75 00 95 04 81 02 c0",
             {0xFF00, 0x01, 0, 0, 3, 1});
  // Nothing declared at all.
  ExpectCaps("", {0, 0, 0, 0, 0, 0});
}

TEST(ReportDescriptor, PopRestoresSizeCountAndReportId) {
  // After Pop the feature goes back to ID 1 with 4 x 8 bits; ID 2 keeps its
  // single bit.
  ExpectCaps(
      "05 01 09 05 a1 01 85 01 75 08 95 04 a4 85 02 75 01 95 01 b1 02 b4 b1 02 81 02 c0",
      {0x01, 0x05, 5, 0, 5, 1});
}

TEST(ReportDescriptor, ReportsSpanNestedCollectionsAndEachTopLevelStandsAlone) {
  // An extended usage names its own page; ID 5's input runs through two
  // nested collections (16 + 4 bits); a long item is skipped. A second
  // top-level collection with ID 6 is an interface of its own, as Windows
  // presents it: the first says nothing of its 10-byte feature.
  const char* const twoTopLevels =
      "0b 02 00 01 00 a1 01 a1 02 85 05 75 08 95 02 81 02 c0 a1 00 75 04 95 01 81 02 "
      "fe 02 10 aa bb c0 c0 05 0c 09 01 a1 01 85 06 75 10 95 01 81 00 75 08 95 0a b1 02 c0";
  ExpectCaps(twoTopLevels, {0x01, 0x02, 4, 0, 0, 3});
  const auto both = ParseTopLevelCollections(Hex(twoTopLevels));
  ASSERT_TRUE(both.has_value());
  ASSERT_EQ(both->size(), 2u);
  const ParsedDescriptor& second = (*both)[1];
  EXPECT_EQ(second.caps.UsagePage, 0x0C);
  EXPECT_EQ(second.caps.Usage, 0x01);
  EXPECT_EQ(second.caps.InputReportByteLength, 3);
  EXPECT_EQ(second.caps.FeatureReportByteLength, 11);
  EXPECT_EQ(second.caps.NumberLinkCollectionNodes, 1);
  EXPECT_TRUE(second.numberedReports);
  // Its link collection and data indices count from 0 again: the array's
  // one field and the feature's value (the first's own count 3 fields).
  ASSERT_EQ(second.fields[HidP_Input].size(), 1u);
  EXPECT_EQ(second.fields[HidP_Input][0].linkCollection, 0);
  EXPECT_EQ(second.fields[HidP_Input][0].linkUsagePage, 0x0C);
  EXPECT_EQ(second.fields[HidP_Input][0].reportId, 6);
  EXPECT_EQ(second.caps.NumberInputDataIndices, 0);  // no usage: padding
  EXPECT_EQ(second.caps.NumberFeatureDataIndices, 0);

  // The five collections of a real keyboard: lengths per collection, the
  // report ID carried on into the last one (the LEDs go out under ID 4).
  const auto keyboard = ParseTopLevelCollections(Device("keyboard-four-report-ids"));
  ASSERT_TRUE(keyboard.has_value());
  const std::vector<Expected> want = {{0x01, 0x80, 2, 0, 0, 1},
                                      {0x0C, 0x01, 3, 0, 0, 1},
                                      {0x01, 0x06, 8, 0, 0, 1},
                                      {0x01, 0x06, 8, 0, 0, 1},
                                      {0x01, 0x06, 0, 2, 0, 1}};
  ASSERT_EQ(keyboard->size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    const HIDP_CAPS& caps = (*keyboard)[i].caps;
    EXPECT_EQ(caps.UsagePage, want[i].usagePage);
    EXPECT_EQ(caps.Usage, want[i].usage);
    EXPECT_EQ(caps.InputReportByteLength, want[i].input);
    EXPECT_EQ(caps.OutputReportByteLength, want[i].output);
    EXPECT_EQ(caps.FeatureReportByteLength, want[i].feature);
    EXPECT_EQ(caps.NumberLinkCollectionNodes, want[i].collections);
  }
  EXPECT_EQ((*keyboard)[4].fields[HidP_Output].front().reportId, 4);
  EXPECT_EQ((*keyboard)[1].fields[HidP_Input].front().dataIndexMin, 0);
  // A usage belongs to the main item right after it only: the collection
  // that follows the X axis has none.
  ExpectCaps("05 01 09 30 75 08 95 01 81 02 a1 01 c0", {0x01, 0x00, 2, 0, 0, 1});
}

TEST(ReportDescriptor, RefusesWhatTheKernelRefuses) {
  for (const char* bad : {
           "05 01 09 02 a1 01 75",        // item cut short
           "05 01 a1 01 fe 05 00 01 c0",  // long item cut short
           "a1 01 b4 c0",                 // Pop without Push
           "c0",                          // End Collection without Collection
           "05 01 09 02 a1 01",           // collection left open
           "a1 01 85 00 75 08 95 01 b1 02 c0",  // report ID 0
           "a1 01 76 ff ff 96 ff ff b1 02 c0",  // longer than a 16-bit length
       }) {
    EXPECT_FALSE(CapsFromReportDescriptor(Hex(bad)).has_value()) << bad;
  }
}

}  // namespace
}  // namespace tq::hid
