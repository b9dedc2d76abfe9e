// The encoder utility on a real kernel's USB stack: what its window shows and
// what reaches the virtual board's endpoint 0.
#include <gtest/gtest.h>

#include "encoders/frm_main.h"
#include "vm_fixture.h"

namespace tq::vmtest {
namespace {

using encoders::frmMain;

class EncodersOnRealUsb : public RealUsb {};

TEST_F(EncodersOnRealUsb, FindsOpensAndReadsBack) {
  vboard::BoardDevice& board = Plug(Board(u"00042"));
  board.ClearLog();
  frmMain form(api);
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.21");
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  // Sixteen reads, each the whole report after its ID byte; nothing written.
  const auto gets = board.LogOf("GET_REPORT");
  EXPECT_EQ(gets.size(), 16u);
  for (const auto& get : gets) {
    EXPECT_EQ(get.value, 0x0300);
    EXPECT_EQ(get.length, 63);
    EXPECT_EQ(get.bytes.size(), 63u);
  }
  EXPECT_EQ(CountOf(board, "SET_REPORT"), 0u);
  form.Form().Close();
}

}  // namespace
}  // namespace tq::vmtest
