// tq5271ctl's commands against emulated boards: what each prints, its exit
// code, and the exact reports that reach the board.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "ctl/cli.h"
#include "ctl/settings_file.h"
#include "emulator/simulated_hid.h"
#include "tests/fault_sweep.h"
#include "tests/sent_reports.h"

namespace tq::ctl {
namespace {

using testing::Bytes;
using testing::SetReport;

struct Result {
  int code;
  std::string out;
  std::string err;
};

const HostHints kHints{IdsFromDevicePath, "install the udev rule"};

Result RunCtl(emu::SimulatedHid& hid, std::vector<std::string> args) {
  std::vector<const char*> argv{"tq5271ctl"};
  for (const auto& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCommandLine(static_cast<int>(argv.size()), argv.data(), hid, kHints, out, err);
  testing::ExpectHandlesBalanced(hid);
  return {code, out.str(), err.str()};
}

int Lines(const std::string& text) { return static_cast<int>(std::ranges::count(text, '\n')); }

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string TempFile(const std::string& name) {
  return (std::filesystem::path(::testing::TempDir()) / ("tq5271ctl_" + name)).string();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

emu::EmulatedBoard WithBytes(std::u16string serial, const std::vector<std::pair<int, int>>& bytes) {
  emu::EmulatedBoard board = emu::MakeTQ5271(std::move(serial));
  for (const auto& [address, value] : bytes) {
    board.settings[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
  }
  return board;
}

// Every byte the programs can write differs between these two; input 7's
// byte is the same on both.
emu::EmulatedBoard Source() {
  return WithBytes(u"00001", {{11, 0xA5}, {12, 1}, {14, 198}, {15, 0}, {16, 198}, {17, 0},
                              {18, 198}, {19, 0}, {20, 0}, {21, 198}, {22, 0x8A}, {23, 0x51},
                              {24, 0x8C}, {25, 0x22}, {26, 25}});
}

emu::EmulatedBoard Target() {
  return WithBytes(u"00002", {{11, 0x5A}, {12, 0}, {14, 0}, {15, 198}, {16, 0}, {17, 198},
                              {18, 0}, {19, 198}, {20, 0}, {21, 0}, {22, 0x75}, {23, 0xAE},
                              {24, 0x73}, {25, 0xDD}, {26, 1}});
}

// The reports a restore of Source() onto Target() must send, in order.
const std::vector<std::pair<int, int>> kRestoreReports{
    {11, 0xA5}, {12, 1}, {14, 198}, {15, 0}, {16, 198}, {17, 0}, {18, 198},
    {19, 0}, {21, 198}, {22, 0x8A}, {24, 0x8C}, {23, 0x51}, {25, 0x22}, {26, 25}};

std::string SavedSource() {
  static const std::string path = [] {
    const std::string file = TempFile("source.json");
    emu::SimulatedHid hid;
    hid.Attach(Source());
    const Result saved = RunCtl(hid, {"save", file});
    EXPECT_EQ(saved.code, 0) << saved.err;
    return file;
  }();
  return path;
}

TEST(CtlList, LinesAndExitCodes) {
  emu::SimulatedHid hid;
  Result result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, "no usable board\n");

  emu::EmulatedBoard foreign;
  foreign.vendorId = 0x046D;
  foreign.productId = 0xC52B;
  hid.Attach(foreign);
  emu::EmulatedBoard denied = emu::MakeTQ5271(u"00003");
  denied.productId = 0x0502;
  denied.openError = kErrorAccessDenied;
  const auto deniedId = hid.Attach(denied);
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 1) << "a board nobody may open is not usable";
  EXPECT_EQ(result.out, "2A7E:0502  " + hid.PathOf(deniedId) +
                            "  cannot open: permission denied; install the udev rule\n"
                            "no usable board\n");

  const auto boardId = hid.Attach(emu::MakeTQ5271(u"00001"));
  emu::EmulatedBoard encodersOnly = emu::MakeTQ5271(u"00004");
  encodersOnly.productId = 0x0510;
  encodersOnly.indexedStrings.clear();
  encodersOnly.manufacturer.reset();
  const auto encodersOnlyId = hid.Attach(encodersOnly);
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "serial 00001  2A7E:0501  release 1.21  tag TQ5271A  manufacturer "
                              "\"TQ Controls\"  product \"TQ5271 Joystick Interface\"  "
                              "TQ5271_encoders yes  TQ5271_config yes  " +
                                  hid.PathOf(boardId) + "\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "serial 00004  2A7E:0510  release 1.21  tag -  manufacturer -  "
                              "product \"TQ5271 Joystick Interface\"  TQ5271_encoders yes  "
                              "TQ5271_config no  " +
                                  hid.PathOf(encodersOnlyId) + "\n"))
      << result.out;
  EXPECT_FALSE(Has(result.out, "046D")) << "other vendors are not listed";
  EXPECT_TRUE(result.out.ends_with("2 usable boards\n")) << result.out;
  EXPECT_EQ(hid.CallCount("HidD_SetFeature") + hid.CallCount("HidD_GetFeature"), 0);

  hid.FailAlways("SetupDiGetClassDevsA");
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: cannot list the HID interfaces\n");
}

TEST(CtlShow, NamesBytesJsonAndTheSixteenReads) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  Result result = RunCtl(hid, {"show"});
  EXPECT_EQ(result.code, 0) << result.err;
  for (const std::string line :
       {"board 00001  2A7E:0501  release 1.21  \"TQ Controls\"  \"TQ5271 Joystick Interface\"\n",
        "  enc1   1-2    OFF\n", "  enc2   3-4    1:1\n", "  enc3   5-6    1:2\n",
        "  enc8   15-16  1:4\n", "  enc9   17-18  1:1\n", "  enc16  31-32  OFF\n",
        "pulse width  48 ms\n", "  1 X       Normal  inverted\n",
        "  2 Y       Zoom  not inverted\n", "  3 Z       Zoom  inverted\n",
        "  8 Slider  Normal  not inverted\n", "automatic detection  on\n",
        "setting bytes 11=0x05 12=0x01 14=0x00 15=0xC6 16=0xC6 17=0x00 18=0x00 19=0x00 "
        "20=0x00 21=0x00 22=0x8A 23=0x01 24=0x8C 25=0x00 26=0x06\n"}) {
    EXPECT_TRUE(Has(result.out, line)) << line << "in\n" << result.out;
  }
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);

  hid.ClearCalls();
  result = RunCtl(hid, {"show", "--json"});
  EXPECT_EQ(result.code, 0);
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_EQ(json["serial"], "00001");
  EXPECT_EQ(json["vendorId"], "2A7E");
  EXPECT_EQ(json["productId"], "0501");
  EXPECT_EQ(json["release"], "1.21");
  EXPECT_EQ(json["encoders"]["enc3"], "1:2");
  EXPECT_EQ(json["pulse"], "48 ms");
  EXPECT_EQ(json["inputs"][1]["mode"], "Zoom");
  EXPECT_EQ(json["inputs"][2]["inverted"], true);
  EXPECT_EQ(json["autoDetect"], true);
  EXPECT_EQ(json["settings"]["22"], 0x8A);
  EXPECT_TRUE(json["notRead"].empty());
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);
}

TEST(CtlShow, PagesLateInTheSixteenOrNeverAndAnOldRelease) {
  // Page 0 comes at the 6th request and page 16 at the 16th: both count.
  emu::EmulatedBoard late = emu::MakeTQ5271(u"00001");
  late.pageRotation.assign(16, 32);
  late.pageRotation[5] = 0;
  late.pageRotation[15] = 16;
  emu::SimulatedHid hid;
  hid.Attach(late);
  Result result = RunCtl(hid, {"show"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_TRUE(Has(result.out, "  enc8   15-16  1:4\n"));

  // Page 16 would come at the 17th: not read, and said so.
  late.pageRotation.push_back(16);
  late.pageRotation[15] = 32;
  emu::SimulatedHid never;
  never.Attach(late);
  result = RunCtl(never, {"show"});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(Has(result.out, "  enc8   15-16  ?\n")) << result.out;
  EXPECT_TRUE(Has(result.out, "pulse width  ?\n"));
  EXPECT_TRUE(Has(result.out, "  1 X       Normal  inverted\n"));
  EXPECT_EQ(result.err, "tq5271ctl: page 16 did not come back in 16 requests; those settings "
                        "show as unknown\n");
  EXPECT_EQ(never.CallCount("HidD_GetFeature"), 16);
  const std::string file = TempFile("never.json");
  std::filesystem::remove(file);
  emu::SimulatedHid neverAgain;  // the rotation starts over
  neverAgain.Attach(late);
  result = RunCtl(neverAgain, {"save", file});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: page 16 did not come back in 16 requests; nothing saved\n");
  EXPECT_FALSE(std::filesystem::exists(file));

  emu::EmulatedBoard old = emu::MakeTQ5271(u"00001");
  old.versionNumber = 0x0110;
  emu::SimulatedHid oldHid;
  oldHid.Attach(old);
  result = RunCtl(oldHid, {"show"});
  EXPECT_TRUE(Has(result.out, "encoder types  (not offered by release 1.10 (needs .20 or later))\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "analog inputs\n")) << "modes are offered from .10";
}

TEST(CtlBoards, ChoiceBySerial) {
  emu::SimulatedHid none;
  Result result = RunCtl(none, {"show"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no board attached\n");

  emu::EmulatedBoard denied = emu::MakeTQ5271(u"00003");
  denied.openError = kErrorAccessDenied;
  const auto deniedId = none.Attach(denied);
  result = RunCtl(none, {"save", TempFile("denied.json")});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no usable board: " + none.PathOf(deniedId) +
                            ": cannot open: permission denied; install the udev rule\n");

  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  hid.Attach(emu::MakeTQ5271(u"00002"));
  for (const auto& command : std::vector<std::vector<std::string>>{
           {"show"}, {"save", TempFile("two.json")}, {"restore", SavedSource()}, {"set", "auto=off"}}) {
    result = RunCtl(hid, command);
    EXPECT_EQ(result.code, 2) << command[0];
    EXPECT_EQ(result.err,
              "tq5271ctl: 2 boards attached (serials 00001, 00002); choose one with --serial\n");
  }
  result = RunCtl(hid, {"show", "--serial", "00002"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(result.out.starts_with("board 00002  "));
  result = RunCtl(hid, {"show", "--serial", "9"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no board with serial 9 (attached: 00001, 00002)\n");
  hid.Attach(emu::MakeTQ5271(u"00002"));
  result = RunCtl(hid, {"set", "auto=off", "--serial", "00002"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: 2 boards share serial 00002; unplug all but one\n");
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::ranges::sort(names);
  return names;
}

TEST(CtlSave, ReplacesTheOldFileOnlyOnceTheNewOneIsWhole) {
  const std::string folder = TempFile("save");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string file = (std::filesystem::path(folder) / "left.json").string();
  const std::string old = "{\"an earlier backup\": \"that must survive a failed save\"}\n";
  WriteText(file, old);
  emu::SimulatedHid hid;
  hid.Attach(Source());

#ifndef _WIN32
  ::chmod(file.c_str(), 0640);
  {
    // The process may not make any file longer than a few bytes: the write
    // of the new backup fails midway, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result failed = RunCtl(hid, {"save", file});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(failed.code, 2);
    EXPECT_EQ(failed.err, "tq5271ctl: " + file + ": cannot write the file\n");
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(ReadText(file), old) << "the old backup must stay whole";
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"})
        << "no temporary file may stay behind";
  }
#endif

  // A folder that is not there: nothing is written anywhere.
  const std::string nowhere = (std::filesystem::path(folder) / "absent" / "left.json").string();
  const Result missing = RunCtl(hid, {"save", nowhere});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err, "tq5271ctl: " + nowhere + ": cannot write the file\n");
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"});

  // A save that succeeds replaces the file with the whole new backup and
  // keeps the old file's permissions.
  const Result saved = RunCtl(hid, {"save", file});
  EXPECT_EQ(saved.code, 0) << saved.err;
  const auto parsed = ParseSettingsFile(ReadText(file));
  ASSERT_TRUE(std::holds_alternative<SettingsFile>(parsed)) << std::get<std::string>(parsed);
  EXPECT_EQ(std::get<SettingsFile>(parsed).settings.at(11), 0xA5);
  EXPECT_EQ(std::get<SettingsFile>(parsed).settings.at(26), 25);
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"});
#ifndef _WIN32
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
#endif
}

TEST(CtlRestore, EveryByteDifferentSendsExactlyTheNeededReportsAndVerifies) {
  const std::string file = SavedSource();
  const auto json = nlohmann::json::parse(std::ifstream(file));
  EXPECT_EQ(json["format"], "tq5271ctl settings");
  EXPECT_EQ(json["version"], 1);
  EXPECT_EQ(json["board"]["serial"], "00001");
  EXPECT_EQ(json["settings"].size(), 15u);

  emu::SimulatedHid hid;
  const auto target = hid.Attach(Target());
  Result result = RunCtl(hid, {"restore", file, "--dry-run"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
  EXPECT_TRUE(Has(result.out, "would write enc1-8 low bits = 0x8A\n")) << result.out;
  EXPECT_TRUE(Has(result.out, "14 reports would be sent; nothing sent (dry run)\n"));

  hid.ClearCalls();
  result = RunCtl(hid, {"restore", file});
  EXPECT_EQ(result.code, 0) << result.err;
  std::vector<Bytes> expected;
  for (const auto& [command, value] : kRestoreReports) {
    expected.push_back(SetReport(static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(value)));
  }
  EXPECT_EQ(testing::TakeSent(hid), expected);
  const auto source = Source();
  for (const auto address : kSettingAddresses) {
    EXPECT_EQ(hid.Board(target).settings[address], source.settings[address]) << int{address};
  }
  EXPECT_TRUE(Has(result.out, "restoring " + file + " (saved from board 00001) onto board 00002"));
  EXPECT_TRUE(Has(result.out, "wrote mode8 = 0xC6\n"));
  EXPECT_TRUE(Has(result.out, "14 reports sent; verified invert, auto, mode1, mode2, mode3, mode4, "
                              "mode5, mode6, mode7, mode8, enc1-8 low bits, enc9-16 low bits, "
                              "enc1-8 high bits, enc9-16 high bits, pulse\n"))
      << result.out;

  // Again: nothing differs, nothing is sent, everything verifies.
  result = RunCtl(hid, {"restore", file});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(testing::TakeSent(hid).empty());
}

TEST(CtlRestore, OlderReleaseRefusesWhatItCannotOffer) {
  emu::SimulatedHid hid;
  emu::EmulatedBoard old = Target();
  old.versionNumber = 0x0120;
  old.settings[20] = 198;  // input 7 zoomed on this board: no report can change that
  const auto oldId = hid.Attach(old);
  const Result result = RunCtl(hid, {"restore", SavedSource()});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(Has(result.out, "refused mode7=0x00: input 7 is never given a mode (command 20 is "
                              "never sent)\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "refused enc1-8: enc3=1:2, enc4=1:4, enc8=1:4 not offered by "
                              "release 1.20 (needs .21 or later); the bank's two bytes go "
                              "together, so none of its pairs is written\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "refused enc9-16: enc10=1:2, enc14=1:2 not offered by release 1.20"))
      << result.out;
  std::vector<int> commands;
  for (const auto& sent : testing::TakeSent(hid)) commands.push_back(sent[1]);
  EXPECT_EQ(commands, (std::vector<int>{11, 12, 14, 15, 16, 17, 18, 19, 21, 26}));
  EXPECT_EQ(hid.Board(oldId).settings[22], 0x75) << "refused banks are left alone";
  EXPECT_EQ(hid.Board(oldId).settings[26], 25);
  EXPECT_TRUE(Has(result.out, "10 reports sent; verified invert, auto, mode1"));
}

TEST(CtlRestore, BoardLostAfterEveryReportSaysExactlyWhatWasWritten) {
  const std::string file = SavedSource();
  const auto source = Source();
  const auto original = Target();
  const int n = static_cast<int>(kRestoreReports.size());
  for (int k = 0; k <= n; ++k) {
    SCOPED_TRACE("unplugged after report " + std::to_string(k));
    emu::SimulatedHid hid;
    const auto id = hid.Attach(Target());
    if (k < n) {
      hid.UnplugBefore("HidD_SetFeature", k + 1, id);
    } else {
      hid.UnplugBefore("HidD_GetFeature", 17, id);  // the first read of the check
    }
    const Result result = RunCtl(hid, {"restore", file});

    std::string written;
    std::string unwritten;
    for (int i = 0; i < n; ++i) {
      const auto [address, value] = kRestoreReports[static_cast<std::size_t>(i)];
      const auto a = static_cast<std::uint8_t>(address);
      const std::string name = SettingName(a);
      if (i < k) {
        written += (written.empty() ? "" : ", ") + name + " = " + Hex(static_cast<std::uint8_t>(value));
        EXPECT_EQ(hid.Board(id).settings[a], source.settings[a]) << name;
      } else {
        unwritten += (unwritten.empty() ? "" : ", ") + name;
        EXPECT_EQ(hid.Board(id).settings[a], original.settings[a]) << name;
      }
    }
    std::size_t wrote = 0;
    for (auto at = result.out.find("wrote "); at != std::string::npos; at = result.out.find("wrote ", at + 1)) {
      ++wrote;
    }
    EXPECT_EQ(wrote, static_cast<std::size_t>(k)) << "one line per report taken:\n" << result.out;
    if (k < n) {
      EXPECT_EQ(result.code, 2);
      const auto [address, value] = kRestoreReports[static_cast<std::size_t>(k)];
      EXPECT_EQ(result.err, "tq5271ctl: board lost: report " + std::to_string(k + 1) + " of " +
                                std::to_string(n) + " (" + SettingName(static_cast<std::uint8_t>(address)) +
                                " = " + Hex(static_cast<std::uint8_t>(value)) +
                                ") was not taken; written: " + (k == 0 ? "nothing" : written) +
                                "; not written: " + unwritten + "\n");
    } else {
      EXPECT_EQ(result.code, 1);
      EXPECT_EQ(Lines(result.err), 15) << result.err;
      EXPECT_TRUE(Has(result.err, "tq5271ctl: not verified pulse: its page did not come back"));
    }
  }
}

TEST(CtlMalformed, FilesAndValuesGiveOneLineAndSendNothing) {
  emu::SimulatedHid hid;
  hid.Attach(Target());
  const std::string file = TempFile("bad.json");
  const std::vector<std::pair<std::string, std::string>> files{
      {"{", "not JSON: parse error at line 1, column 2"},
      {R"({"format": "tq5271ctl settings", "version": 3, "settings": {}})", "\"version\" 3"},
      {R"({"format": "tq5271ctl settings", "version": 1, "settings": {"11": 1}})",
       "address 12 (auto) is missing"},
      {R"({"format": "tq5271ctl settings", "version": 1, "settings": {"11": 300}})",
       "settings.\"11\": expected a byte 0 to 255, got 300"},
  };
  for (const auto& [content, message] : files) {
    WriteText(file, content);
    const Result result = RunCtl(hid, {"restore", file});
    EXPECT_EQ(result.code, 2) << content;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: " + file + ": ")) << result.err;
    EXPECT_TRUE(Has(result.err, message)) << result.err;
    EXPECT_EQ(Lines(result.err), 1) << result.err;
  }
  Result result = RunCtl(hid, {"restore", TempFile("absent.json")});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err,
            "tq5271ctl: " + TempFile("absent.json") +
                " cannot be read: No such file or directory\n");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"set", "enc1=1:1", "enc2=1:9"}, {"set", "mode7=zoom"}, {"set", "pulse=7ms"},
           {"set", "invert=0"}, {"set", "volume=11"}, {"set"}, {"restore"}, {"show", "--bogus"},
           {}, {"list", "extra"}, {"set", "enc3=1:2", "enc3=1:4"}}) {
    result = RunCtl(hid, args);
    EXPECT_EQ(result.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(Lines(result.err), 1) << result.err;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: ")) << result.err;
  }
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

#ifndef _WIN32
// What is no backup is refused by name before anything is asked of the
// platform, at once: no stall on a FIFO, no read of a device or a huge file.
TEST(CtlRestore, WhatIsNoBackupIsRefusedInOneLineAtOnce) {
  const std::string dir = TempFile("not-a-file");
  std::filesystem::create_directories(dir);
  const std::string fifo = TempFile("fifo");
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = TempFile("huge.json");
  WriteText(huge, "");
  std::filesystem::resize_file(huge, 50u << 20);
  std::ifstream saved(SavedSource(), std::ios::binary);
  const std::string valid{std::istreambuf_iterator<char>(saved), {}};
  const auto replaced = [&valid](const std::string& from, const std::string& to) {
    std::string text = valid;
    return text.replace(text.find(from), from.size(), to);
  };
  const std::vector<std::pair<std::string, std::string>> written{
      {"", "the file is empty"},
      {replaced("\"version\": 1", "\"version\": 1e400"), "number overflow parsing '1e400'"},
      {replaced("\"12\": 1", "\"12\": 1e400"), "number overflow parsing '1e400'"},
      {replaced("\"format\"", "\"unread\": 1e400, \"format\""), "number overflow"},
      {replaced("\"12\": 1", "\"12\": 1, \"12\": 0"), "settings.\"12\" is given twice"},
      {replaced("00001", "\xC0\xAF"), "ill-formed UTF-8"},
      {std::string(100000, '[') + std::string(100000, ']'), " is larger than 65536 bytes"},
  };
  std::vector<std::pair<std::string, std::string>> cases{
      {dir, " is a directory, not a file"},
      {fifo, " is a FIFO, not a file (give - to read a pipe)"},
      {"/dev/zero", " is a device, not a file"},
      {huge, " is larger than 65536 bytes, too large for this file"}};
  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::string file = TempFile("bad" + std::to_string(i) + ".json");
    WriteText(file, written[i].first);
    cases.emplace_back(file, written[i].second);
  }
  for (const auto& [file, message] : cases) {
    emu::SimulatedHid hid;
    hid.Attach(Target());
    const auto start = std::chrono::steady_clock::now();
    const Result result = RunCtl(hid, {"restore", file});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << file;
    EXPECT_EQ(result.code, 2) << file;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: " + file) && Has(result.err, message))
        << result.err;
    EXPECT_EQ(Lines(result.err), 1) << result.err;
    EXPECT_TRUE(hid.Calls().empty()) << file << ": the board is not even looked for";
  }

  // A whole file gets as far as looking for the board, from a file or a pipe.
  emu::SimulatedHid none;
  EXPECT_EQ(RunCtl(none, {"restore", SavedSource()}).err, "tq5271ctl: no board attached\n");
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(write(pipeEnds[1], valid.data(), valid.size()), static_cast<ssize_t>(valid.size()));
  close(pipeEnds[1]);
  const int stdinCopy = dup(STDIN_FILENO);
  dup2(pipeEnds[0], STDIN_FILENO);
  emu::SimulatedHid hid;
  hid.Attach(Target());
  const Result piped = RunCtl(hid, {"restore", "-", "--dry-run"});
  dup2(stdinCopy, STDIN_FILENO);
  close(stdinCopy);
  close(pipeEnds[0]);
  EXPECT_EQ(piped.code, 0) << piped.err;
  EXPECT_TRUE(piped.out.starts_with("restoring standard input (saved from board 00001)"))
      << piped.out;
  std::filesystem::remove(fifo);
  std::filesystem::remove(huge);
}
#endif

TEST(CtlSet, NamedChangesGoOutAsTheProgramsSendThem) {
  emu::SimulatedHid hid;
  const auto id = hid.Attach(emu::MakeTQ5271(u"00001"));
  Result result = RunCtl(hid, {"set", "enc1=1:4", "pulse=200ms", "mode5=zoom", "invert=1,3", "auto=on"});
  EXPECT_EQ(result.code, 0) << result.err;
  // Invert and detection already hold those values; enc1 resends its bank.
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(18, 198), SetReport(22, 0x8B),
                                                          SetReport(24, 0x8D), SetReport(26, 25)}));
  EXPECT_TRUE(Has(result.out, "4 reports sent; verified invert, auto"));

  // Only the high byte changes; the low byte still goes first.
  result = RunCtl(hid, {"set", "enc1=1:1"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(22, 0x8B), SetReport(24, 0x8C)}));

  result = RunCtl(hid, {"set", "--dry-run", "enc16=1:4"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "would write enc9-16 low bits = 0x81\nwould write enc9-16 high bits = 0x80\n"))
      << result.out;
  EXPECT_TRUE(testing::TakeSent(hid).empty());

  hid.Board(id).versionNumber = 0x0120;
  result = RunCtl(hid, {"set", "enc2=1:2", "pulse=8ms"});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(Has(result.out, "refused enc1-8: enc2=1:2"));
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(26, 1)}));
}

TEST(CtlCommandLine, HelpAndVersion) {
  emu::SimulatedHid hid;
  Result result = RunCtl(hid, {"--help"});
  EXPECT_EQ(result.code, 0);
  for (const std::string word : {"list", "show", "save", "restore", "set"}) {
    EXPECT_TRUE(Has(result.out, "  " + word + " ")) << word;
  }
  EXPECT_EQ(RunCtl(hid, {"help"}).out, result.out);
  result = RunCtl(hid, {"help", "restore"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "Usage: tq5271ctl restore [OPTIONS] FILE")) << result.out;
  for (const auto& args : std::vector<std::vector<std::string>>{{"bogus"}, {"help", "bogus"}}) {
    result = RunCtl(hid, args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.err, "tq5271ctl: no command 'bogus'; the commands are list, show, save, "
                          "restore, set, watch, help\n");
  }
  result = RunCtl(hid, {"--version"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(result.out.starts_with("tq5271ctl ")) << result.out;
  EXPECT_TRUE(hid.Calls().empty());
}

}  // namespace
}  // namespace tq::ctl
