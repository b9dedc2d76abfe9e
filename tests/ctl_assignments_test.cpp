// tq5271ctl set's NAME=VALUE arguments: parsed, checked and applied to a
// board's setting bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/named_settings.h"
#include "tests/filled_setting_bytes.h"

namespace tq::ctl {
namespace {

TEST(CtlAssignments, ParseAndApply) {
  SettingBytes bytes = Full(0);
  const std::vector<std::string> good{"enc3=1:2",   "ENC16=1:4",   "enc9=off", "pulse=48ms",
                                      "pulse=200 ms", "pulse=8",   "invert=1,3,8",
                                      "mode5=Zoom", "mode8=normal", "auto=on"};
  for (const auto& text : good) {
    const auto parsed = ParseAssignment(text);
    ASSERT_TRUE(std::holds_alternative<Change>(parsed)) << text << ": " << std::get<std::string>(parsed);
    EXPECT_FALSE(ApplyChange(std::get<Change>(parsed), bytes)) << text;
  }
  EXPECT_EQ(EncoderType(bytes, 3), 2);
  EXPECT_EQ(EncoderType(bytes, 16), 3);
  EXPECT_EQ(bytes[22], 0x00);  // enc3 "1:2": high bit only
  EXPECT_EQ(bytes[24], 0x04);
  EXPECT_EQ(bytes[23], 0x80);
  EXPECT_EQ(bytes[25], 0x80);
  EXPECT_EQ(bytes[26], 1) << "the last pulse width given stands";
  EXPECT_EQ(bytes[11], 0x85);
  EXPECT_EQ(bytes[18], 198);
  EXPECT_EQ(bytes[21], 0);
  EXPECT_EQ(bytes[12], 1);
  EXPECT_EQ(PulseText(bytes), "8 ms");
  EXPECT_EQ(ModeText(bytes, 5), "Zoom");
  EXPECT_EQ(Inverted(bytes, 8), true);
  EXPECT_EQ(Inverted(bytes, 2), false);

  // Each bad one is refused with a line naming it.
  for (const std::string bad : {"enc0=OFF", "enc17=OFF", "enc1=1:3", "pulse=50ms", "pulse=0ms",
                                "pulse=208ms", "pulse=fast", "invert=9", "invert=1,,2", "invert=",
                                "mode7=normal", "mode9=zoom", "mode1=wide", "auto=maybe",
                                "colour=red", "enc1"}) {
    const auto parsed = ParseAssignment(bad);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << bad;
    const auto& message = std::get<std::string>(parsed);
    EXPECT_NE(message.find(bad), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }

  // One setting twice is refused, whatever the values; two settings are not.
  const auto several = [](std::vector<std::string> texts) { return ParseAssignments(texts); };
  EXPECT_EQ(std::get<std::string>(several({"enc3=1:2", "pulse=8", "enc3=1:4"})),
            "'enc3=1:4': the same setting as 'enc3=1:2'; give each setting once");
  EXPECT_TRUE(std::holds_alternative<std::string>(several({"pulse=8", "PULSE=8ms"})));
  EXPECT_TRUE(std::holds_alternative<std::string>(several({"invert=1", "invert=none"})));
  EXPECT_EQ(std::get<std::vector<Change>>(several({"enc3=1:2", "enc11=1:2", "mode1=zoom",
                                                   "mode2=zoom"})).size(), 4u);

  // An encoder type needs the rest of its bank from the board.
  SettingBytes noPage16 = Full(0);
  noPage16.erase(24);
  EXPECT_TRUE(ApplyChange(std::get<Change>(ParseAssignment("enc2=1:1")), noPage16));
  EXPECT_FALSE(ApplyChange(std::get<Change>(ParseAssignment("enc9=1:1")), noPage16));
}

}  // namespace
}  // namespace tq::ctl
