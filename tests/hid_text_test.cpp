// HID strings as the programs show them, and a release number as its
// caption.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlink/device_link.h"

namespace tq {
namespace {

std::vector<std::uint8_t> Utf16(const std::u16string& text) {
  std::vector<std::uint8_t> bytes(kStringBufferSize, 0);
  for (std::size_t i = 0; i < text.size() && 2 * i + 1 < bytes.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  return bytes;
}

TEST(HidText, LowBytesUpToTheFirstZero) {
  EXPECT_EQ(HidStringToText(Utf16(u"TQ-0042")), "TQ-0042");
  EXPECT_EQ(HidStringToText(Utf16(u"")), "");
  // Only the low byte counts: U+0141 reads as 'A', U+0100 ends the text.
  EXPECT_EQ(HidStringToText(Utf16(u"x\u0141y\u0100z")), "xAy");
  // Latin-1 above 127 becomes UTF-8 for the views.
  EXPECT_EQ(HidStringToText(Utf16(u"\u00e9")), "\xC3\xA9");
  // Fifty characters fill the 100 requested bytes; the rest of the buffer
  // ends the text.
  const std::u16string fifty(50, u'7');
  EXPECT_EQ(HidStringToText(Utf16(fifty)), std::string(50, '7'));
  // A buffer without any zero low byte stops at its end.
  const std::vector<std::uint8_t> noTerminator{'a', 0x01, 'b'};
  EXPECT_EQ(HidStringToText(noTerminator), "ab");
}

TEST(ReleaseCaption, SignedMajorAndHexMinor) {
  EXPECT_EQ(ReleaseCaption(0x0121), " 1.21");
  EXPECT_EQ(ReleaseCaption(0x0107), " 1.7");
  EXPECT_EQ(ReleaseCaption(0x010A), " 1.A");
  EXPECT_EQ(ReleaseCaption(0x0A20), " 10.20");
  EXPECT_EQ(ReleaseCaption(0x0000), " 0.0");
  EXPECT_EQ(ReleaseCaption(0x8121), " -127.21");
  EXPECT_EQ(ReleaseCaption(0x8105), " -127.5");
  EXPECT_EQ(ReleaseCaption(0xFFFF), " -1.FF");
  EXPECT_EQ(ReleaseMinor(0x021F), 0x1F);
}

}  // namespace
}  // namespace tq
