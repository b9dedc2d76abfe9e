// Boards that answer with anything: odd report lengths, long or strange
// strings, pages of every tag. The window must neither crash nor touch
// memory outside a buffer (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include "board/encoder_reports.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"

namespace tq::encoders {
namespace {

using emu::EmulatedBoard;
using emu::SimulatedHid;

void PickEverything(frmMain& form) {
  for (int pair = 1; pair <= kPairCount; ++pair) form.Enc(pair).UserPick(pair % 4);
  form.ModeCh1.UserPick(24);
  form.Timer.Tick();
}

TEST(EncodersHostile, ReportLengths) {
  for (int length : {0, 1, 2, 3, 12, 13, 17, 18, 64, 4096}) {
    SCOPED_TRACE(length);
    SimulatedHid hid;
    EmulatedBoard board = emu::MakeTQ5271(u"L");
    board.featureReportByteLength = static_cast<std::uint16_t>(length);
    hid.Attach(board);
    frmMain form(hid);
    form.Form_Load();
    ASSERT_TRUE(form.DeviceDetected);
    PickEverything(form);
    for (const auto& call : hid.CallsOf("HidD_SetFeature")) {
      EXPECT_EQ(call.length, static_cast<std::uint32_t>(length));
      EXPECT_GE(length, 3);
    }
    if (length >= 13) {
      EXPECT_EQ(hid.Board(0).settings[26], 25);
      EXPECT_EQ(hid.Board(0).settings[23] & 0x01, 0x01);  // Enc9 "1:1"
    } else {
      // Too short for page 16: the lists keep their defaults.
      form.SerNo_Click();
      EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
    }
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
  }
}

TEST(EncodersHostile, Strings) {
  const std::u16string wide = u"\u0100\u0141\u20AC\uFFFF";
  for (const std::u16string& text :
       {std::u16string(), std::u16string(49, u'x'), std::u16string(50, u'y'),
        std::u16string(126, u'z'), wide, std::u16string(u"A\u0142B")}) {
    SCOPED_TRACE(text.size());
    SimulatedHid hid;
    EmulatedBoard board = emu::MakeTQ5271(text);
    board.manufacturer = text;
    board.product = text;
    board.indexedStrings[42] = text;  // a tag of any content
    hid.Attach(board);
    frmMain form(hid);
    form.Form_Load();
    PickEverything(form);
    if (text.size() <= 50) {
      // Listed and opened: the serial fits the request, the product ID
      // alone makes it accepted.
      ASSERT_TRUE(form.DeviceDetected);
      EXPECT_LE(form.lblManuf.Caption().size(), 1 + 2 * 50u);
      EXPECT_EQ(form.Timer.Interval(), 500);  // still present after a tick
    } else {
      // A serial longer than any request cannot be listed.
      EXPECT_FALSE(form.DeviceDetected);
    }
    form.Form().Close();
    EXPECT_EQ(hid.OpenHandleCount(), 0);
  }
}

TEST(EncodersHostile, PagesOfEveryTag) {
  SimulatedHid hid;
  EmulatedBoard board = emu::MakeTQ5271(u"P");
  for (std::size_t a = 0; a < board.settings.size(); ++a) {
    board.settings[a] = static_cast<std::uint8_t>(255 - a);
  }
  board.pageRotation.clear();
  for (int tag = 0; tag < 256; ++tag) board.pageRotation.push_back(static_cast<std::uint8_t>(tag));
  const auto id = hid.Attach(board);
  frmMain form(hid);
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  // Sixteen reads per read-back walk through tags 0 .. 15, then 16 .. 31.
  form.SerNo_Click();
  // Page 16 carried 233 (22), 232, 231, 230 and a pulse code of 229, which
  // no list item shows: the width keeps its default.
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  EXPECT_EQ(form.Enc(1).Text(), "1:4");  // bit 0 of 233 and of 231
  EXPECT_EQ(form.Enc(2).Text(), "1:2");  // bit 1: 0 in 233, 1 in 231
  for (int round = 0; round < 20; ++round) form.SerNo_Click();
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
  EXPECT_EQ(hid.Board(id).settings[22], 233);
  form.Form().Close();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace tq::encoders
