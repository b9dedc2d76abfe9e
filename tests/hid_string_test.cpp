// Descriptor strings as Windows writes them into a caller's buffer, which
// both the hidraw backend and the emulator answer with.
#include "devlink/hid_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tq {
namespace {

TEST(HidString, LittleEndianUnitsAndATerminatorOnlyWhereItFits) {
  // "A€": U+0041, U+20AC.
  const std::u16string text = u"A\u20AC";
  const std::vector<std::uint8_t> units = {0x41, 0x00, 0xAC, 0x20};
  for (std::uint32_t room : {4u, 5u, 6u, 8u}) {
    SCOPED_TRACE(room);
    std::vector<std::uint8_t> buffer(8, 0xEE);
    const auto written = PutHidString(text, buffer.data(), room);
    const bool terminated = room >= 6;
    ASSERT_EQ(written, terminated ? 6u : 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 4), units);
    EXPECT_EQ(buffer[4], terminated ? 0x00 : 0xEE);
    EXPECT_EQ(buffer[5], terminated ? 0x00 : 0xEE);
    EXPECT_EQ(buffer[6], 0xEE) << "nothing past the terminator";
  }

  // Too small for the string itself, or no buffer: the call fails and
  // writes nothing.
  std::vector<std::uint8_t> buffer(8, 0xEE);
  EXPECT_FALSE(PutHidString(text, buffer.data(), 3).has_value());
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(8, 0xEE));
  EXPECT_FALSE(PutHidString(text, nullptr, 8).has_value());
  // An empty string fits any buffer; the terminator where there is room.
  EXPECT_EQ(PutHidString(u"", buffer.data(), 0), 0u);
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(PutHidString(u"", buffer.data(), 2), 2u);
  EXPECT_EQ(buffer[0], 0x00);
}

}  // namespace
}  // namespace tq
