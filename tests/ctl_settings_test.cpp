// The console program's pure parts: NAME=VALUE, the backup file, which
// reports bring a board to a wanted state and what a release refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/board_scan.h"
#include "ctl/named_settings.h"
#include "ctl/settings_file.h"
#include "ctl/write_plan.h"

namespace tq::ctl {
namespace {

SettingBytes Full(std::uint8_t fill) {
  SettingBytes bytes;
  for (const auto address : kSettingAddresses) bytes[address] = fill;
  return bytes;
}

std::vector<int> Addresses(const WritePlan& plan) {
  std::vector<int> addresses;
  for (const auto& write : plan.writes) addresses.push_back(write.address);
  return addresses;
}

const BoardFacts kNewest{0x0121, true, true, true};

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

TEST(CtlSettingsFile, RoundTripAndEveryMalformation) {
  SettingsFile file;
  file.board = {"00001", 0x2A7E, 0x0501, 0x0121, "TQ Controls", "Board \xC3\xA9"};
  for (const auto address : kSettingAddresses) file.settings[address] = static_cast<std::uint8_t>(address * 7);
  const std::string text = FormatSettingsFile(file);
  const auto parsed = ParseSettingsFile(text);
  ASSERT_TRUE(std::holds_alternative<SettingsFile>(parsed)) << std::get<std::string>(parsed);
  EXPECT_EQ(std::get<SettingsFile>(parsed).settings, file.settings);
  EXPECT_EQ(std::get<SettingsFile>(parsed).board.serial, "00001");
  EXPECT_NE(text.find("\"release\": \"1.21\""), std::string::npos) << text;

  const auto withSettings = [](const std::string& settings) {
    return R"({"format": "tq5271ctl settings", "version": 1, "settings": {)" + settings + "}}";
  };
  std::string all;
  for (const auto address : kSettingAddresses) {
    all += (all.empty() ? "" : ", ") + ("\"" + std::to_string(address) + "\": 0");
  }
  ASSERT_TRUE(std::holds_alternative<SettingsFile>(ParseSettingsFile(withSettings(all))));

  std::string longArray = "[1";
  for (int i = 0; i < 200; ++i) longArray += ", 1";
  longArray += "]";
  const std::vector<std::pair<std::string, std::string>> cases{
      {"", "the file is empty"},
      {"{\"format\": ", "line 1, column 12"},
      {"{\n\"format\": \"tq5271ctl settings\",\n\"version\": 1,\n}", "line 4, column 1"},
      {"[1, 2]", "one JSON object"},
      {R"({"version": 1, "settings": {}})", "\"format\""},
      {R"({"format": "other", "version": 1, "settings": {}})", "\"format\""},
      {R"({"format": "tq5271ctl settings", "settings": {}})", "\"version\" must be"},
      {R"({"format": "tq5271ctl settings", "version": 2, "settings": {}})", "\"version\" 2"},
      {R"({"format": "tq5271ctl settings", "version": 1})", "\"settings\" must"},
      {withSettings(all + R"(, "13": 0)"), "settings.\"13\": not a settings address"},
      {withSettings(all + R"(, "x": 0)"), "settings.\"x\""},
      {withSettings(all + R"(, "0011": 0)"), "settings.\"0011\""},
      {withSettings(all.substr(0, all.size() - 1) + "256"), "settings.\"26\": expected a byte 0 to 255, got 256"},
      {withSettings(all.substr(0, all.size() - 1) + "-1"), "got -1"},
      {withSettings(all.substr(0, all.size() - 1) + "\"6\""), "got \"6\""},
      {withSettings(all.substr(0, all.size() - 1) + "6.5"), "got 6.5"},
      {withSettings(all.substr(all.find(',') + 2)), "address 11 (invert) is missing"},
      {R"({"format": "tq5271ctl settings", "version": 1e400, "settings": {}})",
       "number overflow parsing '1e400'"},
      {withSettings(all.substr(0, all.size() - 1) + "1e400"), "number overflow"},
      {R"({"note": -1e400, "format": "tq5271ctl settings"})", "number overflow"},
      {withSettings(all + R"(, "12": 1)"), "settings.\"12\" is given twice"},
      {R"({"format": "tq5271ctl settings", "format": "tq5271ctl settings"})",
       "\"format\" is given twice"},
      {R"({"x": [{"a": 1, "a": 2}]})", "x.\"a\" is given twice"},
      {"{\"format\": \"tq5271ctl settings\", \"board\": {\"serial\": \"\xFF\xFE\"}}",
       "invalid string: ill-formed UTF-8 byte"},
      {"{\"\xC3\": 1}", "ill-formed UTF-8"},
      {std::string(100000, '[') + std::string(100000, ']'), "nested deeper than 8 levels"},
      {R"({"a": {"b": {"c": {"d": {"e": {"f": {"g": {"h": {"i": 1}}}}}}}}})", "nested deeper"},
      {R"({"format": "tq5271ctl settings", "version": 1, "board": [], "settings": {}})",
       "\"board\" must be an object"},
      {R"({"format": "tq5271ctl settings", "version": 1, "board": {"serial": 1}, "settings": {}})",
       "board.\"serial\" must be a string"},
      {withSettings(all.substr(0, all.size() - 1) + longArray),
       "got array"},
      {withSettings(all.substr(0, all.size() - 1) + "\"" + std::string(500, 'x') + "\""),
       "got \"xxxx"},
  };
  for (const auto& [content, expected] : cases) {
    const auto result = ParseSettingsFile(content);
    ASSERT_TRUE(std::holds_alternative<std::string>(result)) << content;
    const auto& message = std::get<std::string>(result);
    EXPECT_NE(message.find(expected), std::string::npos)
        << content.substr(0, 200) << " -> " << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_LT(message.size(), 200u) << message;
  }
}

TEST(CtlWritePlan, EveryByteDifferentInTheWindowsOrder) {
  SettingBytes board = Full(0);
  SettingBytes target = Full(0);
  for (const auto address : kSettingAddresses) target[address] = 1;
  target[14] = target[15] = target[16] = target[17] = target[18] = target[19] = target[21] = 198;
  target[20] = 0;  // input 7 stays as it is
  const WritePlan plan = PlanWrites(board, target, kNewest);
  EXPECT_EQ(Addresses(plan), (std::vector<int>{11, 12, 14, 15, 16, 17, 18, 19, 21, 22, 24, 23, 25, 26}));
  EXPECT_TRUE(plan.refusals.empty());

  // One byte of a bank differing still sends the whole bank, low first.
  board = target;
  target[25] = 0;
  EXPECT_EQ(Addresses(PlanWrites(board, target, kNewest)), (std::vector<int>{23, 25}));
  // Nothing differs, nothing is sent; an unread byte is sent.
  EXPECT_TRUE(PlanWrites(target, target, kNewest).writes.empty());
  board = target;
  board.erase(12);
  EXPECT_EQ(Addresses(PlanWrites(board, target, kNewest)), (std::vector<int>{12}));
}

TEST(CtlWritePlan, RefusesWhatTheWindowsDoNotOffer) {
  SettingBytes board = Full(0);
  board[26] = 1;
  SettingBytes target = board;
  target[11] = 0x05;
  target[12] = 1;
  target[14] = 198;
  target[22] = 0x01;  // enc1 "1:1"
  target[24] = 0x02;  // enc2 "1:2"
  target[26] = 6;

  struct Case {
    BoardFacts facts;
    std::vector<int> sent;
    std::vector<std::string> named;
  };
  const std::vector<Case> cases{
      {{0x0121, true, true, true}, {11, 12, 14, 22, 24, 26}, {}},
      {{0x0120, true, true, true}, {11, 12, 14, 26}, {"enc2=1:2 not offered by release 1.20 (needs .21"}},
      {{0x0110, true, true, true}, {12, 14}, {"invert=0x05: not offered by release 1.10 (needs .11", "enc1-8: not offered", "pulse=0x06: not offered"}},
      {{0x010F, true, true, true}, {12}, {"mode1=0xC6: not offered by release 1.F (needs .10"}},
      {{0x0106, true, true, true}, {}, {"auto=0x01: not offered by release 1.6 (needs .7"}},
      {{0x0221, false, true, true}, {}, {"release is unknown"}},
      {{0x0121, true, true, false}, {22, 24, 26}, {"invert=0x05: not offered: TQ5271_config does not accept this board"}},
      {{0x0121, true, false, true}, {11, 12, 14}, {"enc1-8: not offered: TQ5271_encoders does not accept"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.facts.versionNumber));
    const WritePlan plan = PlanWrites(board, target, c.facts);
    EXPECT_EQ(Addresses(plan), c.sent);
    std::string reasons;
    for (const auto& refusal : plan.refusals) reasons += refusal.reason + "\n";
    for (const auto& name : c.named) EXPECT_NE(reasons.find(name), std::string::npos) << reasons;
    std::size_t covered = plan.writes.size();
    for (const auto& refusal : plan.refusals) covered += refusal.addresses.size();
    EXPECT_EQ(covered, 6u) << "every differing byte is either sent or refused";
  }

  // Values no window sends, whatever the release.
  for (const auto& [address, value, reason] :
       std::vector<std::tuple<int, int, std::string>>{{12, 3, "auto=0x03: not a value"},
                                                      {15, 1, "mode2=0x01: not a mode"},
                                                      {20, 198, "mode7=0xC6: input 7"},
                                                      {20, 0, "command 20 is never sent"},
                                                      {26, 0, "pulse=0x00: not a pulse width"},
                                                      {26, 26, "pulse=0x1A: not a pulse width"}}) {
    SettingBytes wanted = board;
    if (address == 20 && value == 0) {
      SettingBytes zoomed = board;
      zoomed[20] = 198;
      const WritePlan plan = PlanWrites(zoomed, wanted, kNewest);
      EXPECT_TRUE(plan.writes.empty());
      ASSERT_EQ(plan.refusals.size(), 1u);
      EXPECT_NE(plan.refusals[0].reason.find(reason), std::string::npos) << plan.refusals[0].reason;
      continue;
    }
    wanted[static_cast<std::uint8_t>(address)] = static_cast<std::uint8_t>(value);
    const WritePlan plan = PlanWrites(board, wanted, kNewest);
    EXPECT_TRUE(plan.writes.empty()) << address;
    ASSERT_EQ(plan.refusals.size(), 1u) << address;
    EXPECT_NE(plan.refusals[0].reason.find(reason), std::string::npos) << plan.refusals[0].reason;
  }
}

TEST(CtlDevicePath, IdsFromWindowsStylePaths) {
  const auto ids = IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_0501&mi_00#7&1a2b3c00&0&0000#{4d1e55b2})");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->vendorId, 0x2A7E);
  EXPECT_EQ(ids->productId, 0x0501);
  EXPECT_EQ(IdsFromDevicePath(R"(\\?\HID#VID_16C0&PID_0C4F)")->productId, 0x0C4F);
  EXPECT_FALSE(IdsFromDevicePath("/dev/hidraw3"));
  EXPECT_FALSE(IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_05)"));
  EXPECT_FALSE(IdsFromDevicePath(R"(\\?\hid#vid_2a7e&pid_05zz)"));
}

}  // namespace
}  // namespace tq::ctl
