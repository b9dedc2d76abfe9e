// Where the board's inputs lie in its input report, as the HID parser
// describes them: learnt once per opened board from its value and button
// capabilities, then read out of each report with HidP_GetUsageValue and
// HidP_GetUsages. Nothing here assumes the board's own layout, so a board
// with a longer report, other axis sizes or report IDs reads the same.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "board/input_sample.h"
#include "devlink/hid_api.h"

namespace tq::monitor {

// Generic Desktop usages of the eight inputs in input order (Dial is 0x37,
// Slider 0x36) and the Button page.
inline constexpr USAGE kGenericDesktopPage = 0x01;
inline constexpr USAGE kButtonPage = 0x09;
inline constexpr std::array<USAGE, kAxisCount> kAxisUsages{0x30, 0x31, 0x32, 0x33,
                                                          0x34, 0x35, 0x37, 0x36};

struct AxisRange {
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
};

class InputLayout {
 public:
  // nullopt when the interface declares no input report or neither an axis
  // nor a button of the board.
  static std::optional<InputLayout> Learn(HidApi& api, PHIDP_PREPARSED_DATA preparsedData);

  // The report as the parser reads it, stamped `ms`. A report of another
  // length, or one the parser refuses (another report ID), gives a sample
  // without axes or buttons.
  InputSample Decode(HidApi& api, PHIDP_PREPARSED_DATA preparsedData,
                     std::span<std::uint8_t> report, std::int64_t ms) const;

  std::uint16_t ReportLength() const { return reportLength_; }
  // The ID of the report that carries the first axis (or, with none, the
  // buttons): 0 on a device that numbers no reports.
  std::uint8_t ReportId() const { return reportId_.value_or(0); }
  // The logical range of input 1 ... 8; nullopt where the report lacks it.
  std::optional<AxisRange> Range(int axis) const;

 private:
  struct AxisField {
    bool present = false;
    AxisRange range;
    std::uint16_t bitSize = 0;
  };
  std::array<AxisField, kAxisCount> axes_{};
  bool buttons_ = false;
  std::uint16_t reportLength_ = 0;
  std::optional<std::uint8_t> reportId_;
};

}  // namespace tq::monitor
