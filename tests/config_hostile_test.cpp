// Boards that answer with anything, against the configuration utility.
#include <gtest/gtest.h>

#include "board/config_reports.h"
#include "config/frm_main.h"
#include "emulator/simulated_hid.h"

namespace tq::config {
namespace {

using emu::EmulatedBoard;
using emu::SimulatedHid;

void ChangeEverything(frmMain& form) {
  for (int input = 1; input <= kInputCount; ++input) {
    form.InvertCh(input).UserToggle();
    form.ModeCh(input).UserPick(1);
  }
  form.AutoCh.UserToggle();
}

TEST(ConfigHostile, ReportLengthsAndPagesOfEveryTag) {
  for (int length : {0, 1, 2, 3, 12, 13, 17, 18, 64, 4096}) {
    SCOPED_TRACE(length);
    SimulatedHid hid;
    EmulatedBoard board = emu::MakeTQ5271(u"L");
    board.featureReportByteLength = static_cast<std::uint16_t>(length);
    // Foreign tags between the two pages this utility reads, up to the last
    // address a page can start at.
    board.pageRotation = {32, 255, 0, 7, 240, 16, 1, 200};
    for (std::size_t a = 0; a < board.settings.size(); ++a) {
      board.settings[a] = static_cast<std::uint8_t>(a * 7);
    }
    hid.Attach(board);
    frmMain form(hid);
    form.Form_Load();
    ChangeEverything(form);
    for (const auto& call : hid.CallsOf("HidD_SetFeature")) {
      EXPECT_EQ(call.length, static_cast<std::uint32_t>(length));
      EXPECT_GE(length, 3);
      EXPECT_NE(call.bytes.at(1), SetInputMode7);
    }
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
  }
}

TEST(ConfigHostile, Strings) {
  for (const std::u16string& text :
       {std::u16string(), std::u16string(49, u'x'), std::u16string(50, u'y'),
        std::u16string(126, u'z'), std::u16string(u"\u0100\u0141\uFFFF")}) {
    SCOPED_TRACE(text.size());
    SimulatedHid hid;
    EmulatedBoard board = emu::MakeTQ5271(text);
    board.manufacturer = text;
    board.product = text;
    hid.Attach(board);
    frmMain form(hid);
    form.Form_Load();
    ASSERT_TRUE(form.DeviceDetected);  // this utility never asks for the serial to choose
    if (text.size() > 50) {
      // Longer than the request: the strings cannot be read, so the release
      // is not trusted and nothing version-gated is enabled.
      EXPECT_EQ(form.lblManuf.Caption(), "");
      EXPECT_EQ(form.lblSerialNumber.Caption(), "");
      EXPECT_FALSE(form.AutoCh.Enabled());
    } else if (!text.empty() && text[0] == u'\u0100') {
      EXPECT_EQ(form.lblManuf.Caption(), " ");  // U+0100 ends the text at once
    } else {
      EXPECT_EQ(form.lblManuf.Caption(), " " + std::string(text.begin(), text.end()));
    }
    ChangeEverything(form);
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
  }
}

}  // namespace
}  // namespace tq::config
