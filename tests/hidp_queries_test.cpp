// hid.dll's answers computed from a descriptor: how main items become
// button and value capabilities, and what a report holds, on real devices'
// descriptors and the board's own.
#include "devlink/report_descriptor/hidp_queries.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"
#include "tests/hid_descriptors/real_devices.h"

namespace tq::hid {
namespace {

ParsedDescriptor Parse(const std::vector<std::uint8_t>& bytes) {
  auto parsed = ParseReportDescriptor(bytes);
  EXPECT_TRUE(parsed.has_value());
  return parsed.value_or(ParsedDescriptor{});
}

std::vector<HIDP_BUTTON_CAPS> Buttons(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type) {
  std::vector<HIDP_BUTTON_CAPS> caps(16);
  auto length = static_cast<std::uint16_t>(caps.size());
  const NTSTATUS status = GetButtonCaps(parsed, type, caps.data(), &length);
  EXPECT_TRUE(status == kHidpStatusSuccess || status == kHidpStatusUsageNotFound) << status;
  caps.resize(length);
  return caps;
}

std::vector<HIDP_VALUE_CAPS> Values(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type) {
  std::vector<HIDP_VALUE_CAPS> caps(16);
  auto length = static_cast<std::uint16_t>(caps.size());
  const NTSTATUS status = GetValueCaps(parsed, type, caps.data(), &length);
  EXPECT_TRUE(status == kHidpStatusSuccess || status == kHidpStatusUsageNotFound) << status;
  caps.resize(length);
  return caps;
}

std::vector<USAGE> On(const ParsedDescriptor& parsed, USAGE page,
                      const std::vector<std::uint8_t>& report, NTSTATUS expected = kHidpStatusSuccess) {
  std::vector<USAGE> usages(64);
  auto length = static_cast<std::uint32_t>(usages.size());
  EXPECT_EQ(GetUsages(parsed, HidP_Input, page, 0, usages.data(), &length, report), expected);
  usages.resize(length);
  return usages;
}

std::uint32_t Value(const ParsedDescriptor& parsed, USAGE page, USAGE usage,
                    const std::vector<std::uint8_t>& report) {
  std::uint32_t value = 0xDEADBEEF;
  EXPECT_EQ(GetUsageValue(parsed, HidP_Input, page, 0, usage, &value, report), kHidpStatusSuccess)
      << "usage " << usage;
  return value;
}

TEST(HidpQueries, BootKeyboardIsModifierBitsAndAKeyArray) {
  const ParsedDescriptor keyboard = Parse(test::RealDevice("hid-class-boot-keyboard"));
  EXPECT_EQ(keyboard.caps.NumberInputButtonCaps, 2);
  EXPECT_EQ(keyboard.caps.NumberInputValueCaps, 0);
  EXPECT_EQ(keyboard.caps.NumberInputDataIndices, 8 + 102);
  EXPECT_EQ(keyboard.caps.NumberOutputButtonCaps, 1);
  EXPECT_EQ(keyboard.caps.NumberOutputDataIndices, 5);

  const auto buttons = Buttons(keyboard, HidP_Input);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].UsagePage, 0x07);
  EXPECT_TRUE(buttons[0].IsRange);
  EXPECT_EQ(buttons[0].Range.UsageMin, 0xE0);
  EXPECT_EQ(buttons[0].Range.UsageMax, 0xE7);
  EXPECT_EQ(buttons[0].Range.DataIndexMin, 0);
  EXPECT_EQ(buttons[0].Range.DataIndexMax, 7);
  EXPECT_EQ(buttons[0].BitField, 0x02);
  EXPECT_EQ(buttons[0].LinkUsagePage, 0x01);
  EXPECT_EQ(buttons[0].LinkUsage, 0x06);
  EXPECT_TRUE(buttons[0].IsAbsolute);
  EXPECT_EQ(buttons[1].Range.UsageMin, 0x00);
  EXPECT_EQ(buttons[1].Range.UsageMax, 0x65);
  EXPECT_EQ(buttons[1].Range.DataIndexMin, 8);
  EXPECT_EQ(buttons[1].Range.DataIndexMax, 109);
  EXPECT_EQ(buttons[1].BitField, 0x00);

  std::uint16_t length = 5;
  HIDP_VALUE_CAPS none[5];
  EXPECT_EQ(GetValueCaps(keyboard, HidP_Input, none, &length), kHidpStatusUsageNotFound);
  EXPECT_EQ(length, 0);
  length = 1;
  HIDP_BUTTON_CAPS one[1];
  EXPECT_EQ(GetButtonCaps(keyboard, HidP_Input, one, &length), kHidpStatusBufferTooSmall);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(one[0].Range.UsageMin, 0xE0);
  EXPECT_EQ(GetButtonCaps(keyboard, static_cast<HIDP_REPORT_TYPE>(3), one, &length),
            kHidpStatusInvalidReportType);

  // Left Shift and Left GUI held, then 'a' and 'b' (usages 4 and 5).
  const std::vector<std::uint8_t> report = {0, 0x0A, 0, 0x04, 0x05, 0, 0, 0, 0};
  EXPECT_EQ(On(keyboard, 0x07, report), (std::vector<USAGE>{0xE1, 0xE3, 0x04, 0x05}));
  std::vector<USAGE> two(2);
  std::uint32_t room = 2;
  EXPECT_EQ(GetUsages(keyboard, HidP_Input, 0x07, 0, two.data(), &room, report),
            kHidpStatusBufferTooSmall);
  EXPECT_EQ(room, 4u);
  EXPECT_EQ(two, (std::vector<USAGE>{0xE1, 0xE3}));
  EXPECT_TRUE(On(keyboard, 0x09, report, kHidpStatusUsageNotFound).empty());
  const std::vector<std::uint8_t> shortReport(report.begin(), report.end() - 1);
  EXPECT_TRUE(On(keyboard, 0x07, shortReport, kHidpStatusInvalidReportLength).empty());
}

TEST(HidpQueries, SeveralUsagesOfOneItemListLastFirstWithRelativeValues) {
  const ParsedDescriptor mouse = Parse(test::RealDevice("kernel-doc-mouse"));
  const auto values = Values(mouse, HidP_Input);
  ASSERT_EQ(values.size(), 3u);
  // X, Y, Wheel declared in that order come out Wheel, Y, X, each one value
  // of its own, data indices after the three buttons.
  const USAGE order[] = {0x38, 0x31, 0x30};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(values[i].NotRange.Usage, order[i]);
    EXPECT_EQ(values[i].NotRange.DataIndex, 3 + i);
    EXPECT_FALSE(values[i].IsRange);
    EXPECT_FALSE(values[i].IsAbsolute);
    EXPECT_EQ(values[i].BitSize, 8);
    EXPECT_EQ(values[i].ReportCount, 1);
    EXPECT_EQ(values[i].LogicalMin, -127);
    EXPECT_EQ(values[i].LogicalMax, 127);
    EXPECT_EQ(values[i].LinkCollection, 1);  // the pointer's physical collection
    EXPECT_EQ(values[i].LinkUsage, 0x01);
  }
  const auto buttons = Buttons(mouse, HidP_Input);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].Range.DataIndexMax, 2);
  EXPECT_EQ(mouse.caps.NumberInputDataIndices, 6);

  // Buttons 1 and 3, X 16, Y -16 (raw), wheel 1.
  const std::vector<std::uint8_t> report = {0, 0x05, 0x10, 0xF0, 0x01};
  EXPECT_EQ(On(mouse, 0x09, report), (std::vector<USAGE>{1, 3}));
  EXPECT_EQ(Value(mouse, 0x01, 0x30, report), 0x10u);
  EXPECT_EQ(Value(mouse, 0x01, 0x31, report), 0xF0u);
  EXPECT_EQ(Value(mouse, 0x01, 0x38, report), 0x01u);
  std::uint32_t value = 0;
  EXPECT_EQ(GetUsageValue(mouse, HidP_Input, 0x01, 0, 0x32, &value, report),
            kHidpStatusUsageNotFound);
  // Link collection 2 does not exist; 1 holds everything.
  EXPECT_EQ(GetUsageValue(mouse, HidP_Input, 0x01, 2, 0x30, &value, report),
            kHidpStatusUsageNotFound);
  EXPECT_EQ(GetUsageValue(mouse, HidP_Input, 0x01, 1, 0x30, &value, report), kHidpStatusSuccess);
}

TEST(HidpQueries, PaddingWithoutUsageTakesNoCapOrDataIndex) {
  const ParsedDescriptor wheel = Parse(test::RealDevice("wheel-10-bit"));
  // X, the hat, Y and Rz are values; buttons 1-12 and the two vendor bit
  // groups are buttons; the 8 bits without a usage are neither.
  EXPECT_EQ(wheel.caps.NumberInputValueCaps, 4);
  EXPECT_EQ(wheel.caps.NumberInputButtonCaps, 3);
  EXPECT_EQ(wheel.caps.NumberInputDataIndices, 18);
  EXPECT_EQ(wheel.caps.NumberOutputValueCaps, 1);
  const auto values = Values(wheel, HidP_Input);
  ASSERT_EQ(values.size(), 4u);
  const HIDP_VALUE_CAPS& hat = values[1];
  EXPECT_EQ(hat.NotRange.Usage, 0x39);
  EXPECT_TRUE(hat.HasNull);
  EXPECT_EQ(hat.Units, 0x14u);
  EXPECT_EQ(hat.LogicalMax, 7);
  EXPECT_EQ(hat.PhysicalMax, 315);
  EXPECT_EQ(hat.BitSize, 4);
  EXPECT_EQ(hat.NotRange.DataIndex, 14);  // after X, 12 buttons and the vendor bits
  EXPECT_EQ(values[2].NotRange.Usage, 0x31);
  EXPECT_EQ(values[3].NotRange.Usage, 0x35);
  EXPECT_EQ(Values(wheel, HidP_Output)[0].ReportCount, 7);

  // Bytes after the ID: X 10 bits, buttons 12, vendor 2 (bits 0-23), the
  // unnamed byte, hat 4 bits, vendor 4, Y, Rz.
  std::vector<std::uint8_t> report(8, 0);
  report[1] = 0xFF;  // X = 0x2FF
  report[2] = 0x0A;  // bit 9 of X set: X = 0x2FF; and button 2
  report[5] = 0x03;  // hat 3
  report[6] = 0x40;  // Y
  report[7] = 0x80;  // Rz
  EXPECT_EQ(Value(wheel, 0x01, 0x30, report), 0x2FFu);
  EXPECT_EQ(Value(wheel, 0x01, 0x39, report), 3u);
  EXPECT_EQ(Value(wheel, 0x01, 0x31, report), 0x40u);
  EXPECT_EQ(Value(wheel, 0x01, 0x35, report), 0x80u);
  // Buttons start at bit 10 of the data: bit 3 of its second byte is button 2.
  EXPECT_EQ(On(wheel, 0x09, report), (std::vector<USAGE>{2}));
}

TEST(HidpQueries, ReportIdsSelectTheFieldsAndArraysCountFromLogicalMinimum) {
  // Each top-level collection of the keyboard, as its own interface.
  const auto collections = ParseTopLevelCollections(test::RealDevice("keyboard-four-report-ids"));
  ASSERT_TRUE(collections.has_value());
  ASSERT_EQ(collections->size(), 5u);
  const ParsedDescriptor& consumer = (*collections)[1];
  const ParsedDescriptor& keys = (*collections)[2];
  EXPECT_TRUE(consumer.numberedReports);
  const auto consumerButtons = Buttons(consumer, HidP_Input);
  ASSERT_EQ(consumerButtons.size(), 1u);
  EXPECT_EQ(consumerButtons[0].ReportID, 2);
  EXPECT_EQ(consumerButtons[0].UsagePage, 0x0C);
  EXPECT_EQ(consumerButtons[0].Range.UsageMax, 0x2FFF);
  const auto keyButtons = Buttons(keys, HidP_Input);
  ASSERT_EQ(keyButtons.size(), 1u);
  // Of two ranges before one item the last one stands.
  EXPECT_EQ(keyButtons[0].Range.UsageMin, 0x00);
  EXPECT_EQ(keyButtons[0].Range.UsageMax, 0x2F);
  EXPECT_EQ(keyButtons[0].LinkCollection, 0);
  // The LEDs follow the last Report ID item: they go out as report 4.
  EXPECT_EQ(Buttons((*collections)[4], HidP_Output)[0].ReportID, 4);

  std::vector<std::uint8_t> report(8, 0);
  report[0] = 3;
  report[1] = 0x10;  // usage 4
  EXPECT_EQ(On(keys, 0x07, report), (std::vector<USAGE>{0x04}));
  std::vector<std::uint8_t> volume(3, 0);
  volume[0] = 3;  // another collection's ID
  EXPECT_TRUE(On(consumer, 0x0C, volume, kHidpStatusIncompatibleReportId).empty());
  volume[0] = 2;
  volume[1] = 0xE9;  // Volume Increment
  EXPECT_EQ(On(consumer, 0x0C, volume), (std::vector<USAGE>{0xE9}));
  volume[1] = 0;  // 0 names usage 0: nothing
  EXPECT_TRUE(On(consumer, 0x0C, volume).empty());
}

TEST(HidpQueries, AnArrayAndABitmapInTwoLinkCollections) {
  const ParsedDescriptor remote = Parse(test::RealDevice("remote-button-array"));
  const auto buttons = Buttons(remote, HidP_Input);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].LinkCollection, 1);
  EXPECT_EQ(buttons[1].LinkCollection, 2);
  EXPECT_EQ(buttons[1].Range.UsageMin, 0);
  EXPECT_EQ(buttons[1].Range.UsageMax, 0xFE);
  EXPECT_EQ(buttons[1].Range.DataIndexMin, 24);
  EXPECT_EQ(buttons[1].Range.DataIndexMax, 24 + 254);
  EXPECT_EQ(remote.caps.NumberInputDataIndices, 24 + 255 + 1);

  std::vector<std::uint8_t> report(13, 0);
  report[2] = 0x01;  // bitmap button 1
  report[5] = 0x16;  // the array: button 22
  report[12] = 3;    // battery
  EXPECT_EQ(On(remote, 0x09, report), (std::vector<USAGE>{1, 22}));
  std::vector<USAGE> usages(4);
  std::uint32_t length = 4;
  EXPECT_EQ(GetUsages(remote, HidP_Input, 0x09, 2, usages.data(), &length, report),
            kHidpStatusSuccess);
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(usages[0], 22);
  EXPECT_EQ(Value(remote, 0x06, 0x20, report), 3u);
}

TEST(HidpQueries, ZeroSizeArraysHoldNoElementWhateverTheirCount) {
  // A zero-size array of count 2^31 - 1 whose value 0 would name button 1,
  // then a real two-key array.
  const ParsedDescriptor parsed = Parse({0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x05, 0x09, 0x19,
                                         0x01, 0x29, 0x08, 0x15, 0x00, 0x25, 0x08, 0x75, 0x00,
                                         0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x00, 0x19, 0x01,
                                         0x29, 0x08, 0x15, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81,
                                         0x00, 0xC0});
  EXPECT_EQ(parsed.caps.InputReportByteLength, 3);
  EXPECT_EQ(Buttons(parsed, HidP_Input).size(), 2u) << "the zero-size field is kept";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(On(parsed, 0x09, {0, 3, 9}), (std::vector<USAGE>{3}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
}

// Every question the descriptor fuzz target asks, over a saved input whose
// zero-size arrays count 159,449,749 elements; it once took half a minute.
TEST(HidpQueries, TheSavedSlowDescriptorIsAnsweredAtOnce) {
  std::ifstream file(TQ_FUZZ_CORPUS_DIR "/fuzz_report_descriptor/zero-size-arrays-count-159449749",
                     std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  ASSERT_EQ(bytes.size(), 204u);
  const auto start = std::chrono::steady_clock::now();
  const auto collections = ParseTopLevelCollections(bytes);
  ASSERT_TRUE(collections.has_value());
  std::uint32_t usagesOn = 0;
  for (const ParsedDescriptor& parsed : *collections) {
    for (const HIDP_REPORT_TYPE type : {HidP_Input, HidP_Output, HidP_Feature}) {
      const std::uint16_t length = type == HidP_Input    ? parsed.caps.InputReportByteLength
                                   : type == HidP_Output ? parsed.caps.OutputReportByteLength
                                                         : parsed.caps.FeatureReportByteLength;
      const std::vector<std::uint8_t> report(length, 0);
      std::vector<HIDP_BUTTON_CAPS> buttons(64);
      auto count = static_cast<std::uint16_t>(buttons.size());
      (void)GetButtonCaps(parsed, type, buttons.data(), &count);
      for (std::size_t i = 0; i < std::min<std::size_t>(count, buttons.size()); ++i) {
        std::vector<USAGE> usages(16);
        auto room = static_cast<std::uint32_t>(usages.size());
        (void)GetUsages(parsed, type, buttons[i].UsagePage, buttons[i].LinkCollection,
                        usages.data(), &room, report);
        usagesOn += room;
      }
      std::vector<HIDP_VALUE_CAPS> values(64);
      count = static_cast<std::uint16_t>(values.size());
      (void)GetValueCaps(parsed, type, values.data(), &count);
      for (std::size_t i = 0; i < std::min<std::size_t>(count, values.size()); ++i) {
        std::uint32_t value = 0;
        (void)GetUsageValue(parsed, type, values[i].UsagePage, 0, values[i].NotRange.Usage,
                            &value, report);
      }
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
  EXPECT_EQ(usagesOn, 0u) << "an all-zero report presses nothing";
}

TEST(HidpQueries, TheBoardsAxesButtonsAndFeatureAsAGameSeesThem) {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"7");
  const ParsedDescriptor parsed = Parse(emu::BoardDescriptor(board));
  // A factory board: 12 input bytes, the ID and then 88 bits for eight axes
  // of 7 bits and 32 buttons; 64 feature bytes.
  EXPECT_EQ(parsed.caps.InputReportByteLength, 12);
  EXPECT_EQ(parsed.caps.FeatureReportByteLength, 64);
  EXPECT_EQ(parsed.caps.NumberInputValueCaps, 8);
  EXPECT_EQ(parsed.caps.NumberInputButtonCaps, 1);
  EXPECT_EQ(parsed.caps.NumberInputDataIndices, 40);
  EXPECT_EQ(parsed.caps.NumberFeatureValueCaps, 1);

  const auto values = Values(parsed, HidP_Input);
  ASSERT_EQ(values.size(), 8u);
  // Slider first, X last, as Windows lists one item's usages.
  const USAGE usages[8] = {0x36, 0x37, 0x35, 0x34, 0x33, 0x32, 0x31, 0x30};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(values[i].NotRange.Usage, usages[i]);
    EXPECT_EQ(values[i].NotRange.DataIndex, i);
    EXPECT_EQ(values[i].LogicalMax, 127);
    EXPECT_EQ(values[i].BitSize, 7);
  }
  const auto buttons = Buttons(parsed, HidP_Input);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].Range.UsageMax, 32);
  EXPECT_EQ(buttons[0].Range.DataIndexMin, 8);
  EXPECT_EQ(Values(parsed, HidP_Feature)[0].ReportCount, 63);

  board.SetAxis(2, 100);
  board.SetAxis(8, 5);
  board.SetButton(5, true);
  board.SetButton(32, true);
  const std::vector<std::uint8_t> report = board.InputReport();
  EXPECT_EQ(Value(parsed, 0x01, 0x31, report), 100u);
  EXPECT_EQ(Value(parsed, 0x01, 0x36, report), 5u);
  // Input 1 is inverted on a factory board: it reports its maximum at 0.
  EXPECT_EQ(Value(parsed, 0x01, 0x30, report), 127u);
  EXPECT_EQ(On(parsed, 0x09, report), (std::vector<USAGE>{5, 32}));
}

// The calls of a backend without hid.dll: its parse in place of the
// preparsed data, and no parse where the data is not one it gave out.
TEST(HidpQueries, TheCallsTakeAParseForThePreparsedDataAndRefuseNone) {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"7");
  const ParsedDescriptor parsed = Parse(emu::BoardDescriptor(board));
  board.SetAxis(2, 100);
  board.SetButton(5, true);
  std::vector<std::uint8_t> bytes = board.InputReport();
  char* report = reinterpret_cast<char*>(bytes.data());
  const auto length = static_cast<std::uint32_t>(bytes.size());

  HIDP_CAPS caps{};
  EXPECT_EQ(HidP_GetCaps(&parsed, &caps), kHidpStatusSuccess);
  EXPECT_EQ(caps.InputReportByteLength, 12);
  EXPECT_EQ(HidP_GetCaps(&parsed, nullptr), kHidpStatusInvalidPreparsedData);
  HIDP_BUTTON_CAPS buttons[4]{};
  std::uint16_t buttonCount = 4;
  EXPECT_EQ(HidP_GetButtonCaps(HidP_Input, buttons, &buttonCount, &parsed), kHidpStatusSuccess);
  EXPECT_EQ(buttonCount, 1);
  HIDP_VALUE_CAPS values[8]{};
  std::uint16_t valueCount = 8;
  EXPECT_EQ(HidP_GetValueCaps(HidP_Input, values, &valueCount, &parsed), kHidpStatusSuccess);
  EXPECT_EQ(valueCount, 8);
  USAGE on[4]{};
  std::uint32_t onCount = 4;
  EXPECT_EQ(HidP_GetUsages(HidP_Input, 0x09, 0, on, &onCount, &parsed, report, length),
            kHidpStatusSuccess);
  EXPECT_EQ(onCount, 1u);
  EXPECT_EQ(on[0], 5);
  std::uint32_t value = 0;
  EXPECT_EQ(HidP_GetUsageValue(HidP_Input, 0x01, 0, 0x31, &value, &parsed, report, length),
            kHidpStatusSuccess);
  EXPECT_EQ(value, 100u);
  // No report is a report of the wrong length.
  EXPECT_EQ(HidP_GetUsageValue(HidP_Input, 0x01, 0, 0x31, &value, &parsed, nullptr, length),
            kHidpStatusInvalidReportLength);

  // Without a parse nothing is asked of it, and nothing written.
  caps = HIDP_CAPS{};
  buttonCount = valueCount = 4;
  onCount = 4;
  value = 0xDEADBEEF;
  EXPECT_EQ(HidP_GetCaps(nullptr, &caps), kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(caps.InputReportByteLength, 0);
  EXPECT_EQ(HidP_GetButtonCaps(HidP_Input, buttons, &buttonCount, nullptr),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(HidP_GetValueCaps(HidP_Input, values, &valueCount, nullptr),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(HidP_GetUsages(HidP_Input, 0x09, 0, on, &onCount, nullptr, report, length),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(HidP_GetUsageValue(HidP_Input, 0x01, 0, 0x31, &value, nullptr, report, length),
            kHidpStatusInvalidPreparsedData);
  EXPECT_EQ(buttonCount, 4);
  EXPECT_EQ(valueCount, 4);
  EXPECT_EQ(onCount, 4u);
  EXPECT_EQ(value, 0xDEADBEEF);
}

}  // namespace
}  // namespace tq::hid
