// Start-up over many random boards: the read-back sends back every control
// it changes, and what it sends must leave the board holding what it held.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "config/frm_main.h"
#include "emulator/simulated_hid.h"

namespace tq::config {
namespace {

TEST(ConfigStartUp, BoardHoldsItsSettingsAfterward) {
  struct Id {
    std::uint16_t vendor, product;
  };
  const std::array<Id, 6> ids{{{kMakerVendorID, 0x0501}, {kMakerVendorID, 0x0502},
                               {kMakerVendorID, 0x0600}, {kMakerVendorID, 0x0609},
                               {kSharedVendorID, 0x0C40}, {kSharedVendorID, 0x0C44}}};
  const std::array<int, 7> lengths{2, 3, 17, 18, 19, 64, 255};
  std::mt19937 random(5271);
  const auto below = [&random](std::size_t n) { return std::size_t{random()} % n; };
  const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
  int echoes = 0;
  int shown = 0;

  for (int n = 0; n < 400; ++n) {
    SCOPED_TRACE("board " + std::to_string(n));
    emu::EmulatedBoard board = emu::MakeTQ5271(u"R");
    const Id id = ids[below(ids.size())];
    board.vendorId = id.vendor;
    board.productId = id.product;
    board.versionNumber = static_cast<std::uint16_t>(random());
    board.featureReportByteLength = static_cast<std::uint16_t>(lengths[below(lengths.size())]);
    for (auto& setting : board.settings) setting = byte();
    // Mostly bytes the controls can show, so that they move.
    for (std::size_t address = SetInputMode1; address <= SetInputMode8; ++address) {
      const std::array<std::uint8_t, 3> modes{kModeNormal, kModeZoom, byte()};
      board.settings[address] = modes[below(modes.size())];
    }
    const std::array<std::uint8_t, 3> detection{0, 1, byte()};
    board.settings[SetAutoDetect] = detection[below(detection.size())];
    board.pageRotation.clear();
    for (std::size_t i = 0, count = 1 + below(4); i < count; ++i) {
      const std::array<std::uint8_t, 4> tags{kLowPageTag, kHighPageTag, 32, byte()};
      board.pageRotation.push_back(tags[below(tags.size())]);
    }
    board.nextPage = below(board.pageRotation.size());
    const auto before = board.settings;

    emu::SimulatedHid hid;
    hid.Attach(board);
    frmMain form(hid);
    form.Form_Load();
    ASSERT_TRUE(form.DeviceDetected);
    echoes += hid.CallCount("HidD_SetFeature");
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
    EXPECT_EQ(hid.DoubleCloses(), 0);

    auto after = hid.Board(0).settings;
    // Detection goes out as exactly 0 or 1: bit 0 is the setting, and the
    // byte itself stays put unless it held other bits beside a set bit 0.
    EXPECT_EQ(after[SetAutoDetect] & 1, before[SetAutoDetect] & 1);
    if ((before[SetAutoDetect] & 1) == 0 || before[SetAutoDetect] == 1) {
      EXPECT_EQ(after[SetAutoDetect], before[SetAutoDetect]);
    }
    after[SetAutoDetect] = before[SetAutoDetect];
    EXPECT_EQ(after, before);

    const bool pageZeroRead = board.featureReportByteLength >= kPageLength &&
                              std::ranges::find(board.pageRotation, kLowPageTag) !=
                                  board.pageRotation.end();
    if (pageZeroRead) {
      ++shown;
      for (int input = 1; input <= kInputCount; ++input) {
        EXPECT_EQ(form.InvertCh(input).Value(),
                  IsInverted(before[SetInvertMask], input) ? 1 : 0);
      }
    }
  }
  // The property says nothing unless the read-back did send and show.
  EXPECT_GT(echoes, 400);
  EXPECT_GT(shown, 100);
}

}  // namespace
}  // namespace tq::config
