#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/platform/hidraw/report_descriptor.h"

namespace tq::hidraw {
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

void ExpectCaps(std::string_view descriptor, const Expected& want) {
  const auto caps = CapsFromReportDescriptor(Hex(descriptor));
  ASSERT_TRUE(caps.has_value());
  EXPECT_EQ(caps->UsagePage, want.usagePage);
  EXPECT_EQ(caps->Usage, want.usage);
  EXPECT_EQ(caps->InputReportByteLength, want.input);
  EXPECT_EQ(caps->OutputReportByteLength, want.output);
  EXPECT_EQ(caps->FeatureReportByteLength, want.feature);
  EXPECT_EQ(caps->NumberLinkCollectionNodes, want.collections);
}

// A USB mouse (0003:093A:2510) as dumped from sysfs in the kernel's
// Documentation/hid/hidreport-parsing.rst: 3 buttons, 5 bits of padding and
// three 8-bit axes.
constexpr std::string_view kKernelDocMouse =
    "05 01 09 02 a1 01 09 01 a1 00 05 09 19 01 29 03 15 00 25 01 75 01 95 03 81 02 75 05 95 01 "
    "81 01 05 01 09 30 09 31 09 38 15 81 25 7f 75 08 95 03 81 06 c0 c0";

// The boot keyboard of the kernel's Documentation/usb/gadget_hid.rst
// (63 bytes): 8 modifier bits, a reserved byte, 6 key codes; 5 LED bits and
// 3 bits of padding out.
constexpr std::string_view kGadgetKeyboard =
    "05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 95 01 75 08 81 03 95 05 "
    "75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 03 95 06 75 08 15 00 25 65 05 07 19 00 29 65 "
    "81 00 c0";

// A USB game pad's descriptor (507 bytes) as published in
// github.com/fraca7/dsremap, src/arduino/dsremap/DS4HID.h: 504 input bits
// under ID 1, 31 output bytes under ID 5, and 48 feature reports of 1 to 63
// bytes under their own IDs.
constexpr std::string_view kGamePad =
    "05 01 09 05 a1 01 85 01 09 30 09 31 09 32 09 35 15 00 26 ff 00 75 08 95 04 81 02 09 39 15 00 25 "
    "07 35 00 46 3b 01 65 14 75 04 95 01 81 42 65 00 05 09 19 01 29 0e 15 00 25 01 75 01 95 0e 81 02 "
    "06 00 ff 09 20 75 06 95 01 15 00 25 7f 81 02 05 01 09 33 09 34 15 00 26 ff 00 75 08 95 02 81 02 "
    "06 00 ff 09 21 95 36 81 02 85 05 09 22 95 1f 91 02 85 04 09 23 95 24 b1 02 85 02 09 24 95 24 b1 "
    "02 85 08 09 25 95 03 b1 02 85 10 09 26 95 04 b1 02 85 11 09 27 95 02 b1 02 85 12 06 02 ff 09 21 "
    "95 0f b1 02 85 13 09 22 95 16 b1 02 85 14 06 05 ff 09 20 95 10 b1 02 85 15 09 21 95 2c b1 02 06 "
    "80 ff 85 80 09 20 95 06 b1 02 85 81 09 21 95 06 b1 02 85 82 09 22 95 05 b1 02 85 83 09 23 95 01 "
    "b1 02 85 84 09 24 95 04 b1 02 85 85 09 25 95 06 b1 02 85 86 09 26 95 06 b1 02 85 87 09 27 95 23 "
    "b1 02 85 88 09 28 95 3f b1 02 85 89 09 29 95 02 b1 02 85 90 09 30 95 05 b1 02 85 91 09 31 95 03 "
    "b1 02 85 92 09 32 95 03 b1 02 85 93 09 33 95 0c b1 02 85 94 09 34 95 3f b1 02 85 a0 09 40 95 06 "
    "b1 02 85 a1 09 41 95 01 b1 02 85 a2 09 42 95 01 b1 02 85 a3 09 43 95 30 b1 02 85 a4 09 44 95 0d "
    "b1 02 85 f0 09 47 95 3f b1 02 85 f1 09 48 95 3f b1 02 85 f2 09 49 95 0f b1 02 85 a7 09 4a 95 01 "
    "b1 02 85 a8 09 4b 95 01 b1 02 85 a9 09 4c 95 08 b1 02 85 aa 09 4e 95 01 b1 02 85 ab 09 4f 95 39 "
    "b1 02 85 ac 09 50 95 39 b1 02 85 ad 09 51 95 0b b1 02 85 ae 09 52 95 01 b1 02 85 af 09 53 95 02 "
    "b1 02 85 b0 09 54 95 3f b1 02 85 e0 09 57 95 02 b1 02 85 b3 09 55 95 3f b1 02 85 b4 09 55 95 3f "
    "b1 02 85 b5 09 56 95 3f b1 02 85 d0 09 58 95 3f b1 02 85 d4 09 59 95 3f b1 02 c0 ";

// Microsoft's sample descriptor of a two-finger touch screen, from
// "Sample Report Descriptors" (github.com/brianlic-msft/commercialization-public,
// design/component-guidelines/touchscreen-sample-report-descriptors.md), with
// its REPORTID_MAX_COUNT placeholder set to 2.
constexpr std::string_view kTouchFinger =
    "09 22 a1 02 09 42 15 00 25 01 75 01 95 01 81 02 95 07 81 03 75 08 09 51 95 01 81 02 05 01 "
    "26 ff 0f 75 10 55 0e 65 13 09 30 35 00 46 b5 04 95 02 81 02 46 8a 03 09 31 81 02 05 0d 09 "
    "48 09 49 81 02 95 01 55 0c 65 12 35 00 47 6f f5 00 00 15 00 27 6f f5 00 00 09 3f 81 02 c0 ";
constexpr std::string_view kTouchHead = "05 0d 09 04 a1 01 85 01 ";
constexpr std::string_view kTouchTail =
    "05 0d 55 0c 66 01 10 47 ff ff 00 00 27 ff ff 00 00 75 10 95 01 09 56 81 02 09 54 25 7f 95 "
    "01 75 08 81 02 85 02 09 55 95 01 25 02 b1 02 85 44 06 00 ff 09 c5 15 00 26 ff 00 75 08 96 "
    "00 01 b1 02 c0";

TEST(ReportDescriptor, RealDevicesGetWindowsLengths) {
  ExpectCaps(kKernelDocMouse, {0x01, 0x02, 5, 0, 0, 2});
  ExpectCaps(kGadgetKeyboard, {0x01, 0x06, 9, 2, 0, 1});
  ExpectCaps(kGamePad, {0x01, 0x05, 64, 32, 64, 1});
  // Per finger 128 bits, then scan time and contact count: 280 bits under
  // ID 1. Features: 8 bits under ID 2, 256 bytes under ID 0x44.
  const std::string touch = std::string(kTouchHead) + std::string(kTouchFinger) +
                            std::string(kTouchFinger) + std::string(kTouchTail);
  ExpectCaps(touch, {0x0D, 0x04, 36, 0, 257, 3});
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

TEST(ReportDescriptor, ReportsSpanNestedCollectionsAndTopLevelsAdd) {
  // An extended usage names its own page; ID 5's input runs through two
  // nested collections (16 + 4 bits); a long item is skipped; a second
  // top-level collection adds ID 6 with a 10-byte feature.
  ExpectCaps(
      "0b 02 00 01 00 a1 01 a1 02 85 05 75 08 95 02 81 02 c0 a1 00 75 04 95 01 81 02 "
      "fe 02 10 aa bb c0 c0 05 0c 09 01 a1 01 85 06 75 10 95 01 81 00 75 08 95 0a b1 02 c0",
      {0x01, 0x02, 4, 0, 11, 4});
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
}  // namespace tq::hidraw
