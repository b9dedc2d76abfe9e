// The backup file of tq5271ctl save and restore: what it holds, and every
// way a file can be malformed.
#include <gtest/gtest.h>

#include <string>

#include "ctl/settings_file.h"

namespace tq::ctl {
namespace {

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

}  // namespace
}  // namespace tq::ctl
