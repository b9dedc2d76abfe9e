// tq5271ctl restore: the reports a backup needs, verified, and what an older
// release or a lost board leaves written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

using testing::Bytes;
using testing::SetReport;

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

}  // namespace
}  // namespace tq::ctl
