// The configuration utility's window on the SetupAPI and hid.dll backend
// under Wine, over a virtual board on a real kernel's USB stack: the
// read-back with the echoes it sends, and each change as one report.
#include <gtest/gtest.h>

#include "config/frm_main.h"
#include "tests/wine/wine_fixture.h"

namespace tq::winetest {
namespace {

using config::frmMain;

class ConfigUnderWine : public UnderWine {
 protected:
  void TearDown() override {
    form.Form().Close();
    UnderWine::TearDown();
  }
  frmMain form{api};
};

TEST_F(ConfigUnderWine, FindsOpensAndReadsBackWithItsEchoes) {
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Link().Attributes.VendorID, kMakerVendorID);
  EXPECT_EQ(form.lblSerialNumber.Caption(), " 00042");
  EXPECT_EQ(form.lblManuf.Caption(), " hidraw");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ Controls TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.21");
  EXPECT_EQ(form.InvertCh(1).Value(), 1);
  EXPECT_EQ(form.InvertCh(2).Value(), 0);
  EXPECT_EQ(form.InvertCh(3).Value(), 1);
  EXPECT_EQ(form.AutoCh.Value(), 1);
  EXPECT_EQ(form.ModeCh(1).Text(), "Normal");
  EXPECT_EQ(form.ModeCh(2).Text(), "Zoom");
  EXPECT_EQ(form.ModeCh(3).Text(), "Zoom");
  // Sixteen reads; each control the first page changes sends its setting
  // back as the controls stand, and the later pages send nothing.
  EXPECT_EQ(Since(kBoard, "GET_REPORT").size(), 16u);
  EXPECT_EQ(SetsIn(Since(kBoard)),
            (std::vector<Bytes>{SetData(11, 0x01), SetData(11, 0x05), SetData(12, 0x01),
                                SetData(15, 198), SetData(16, 198)}));
  EXPECT_EQ(Since(kPad).size(), 0u);
  EXPECT_EQ(api.open.size(), 2u);
}

TEST_F(ConfigUnderWine, EachChangeArrivesAsOneReport) {
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  Remark();
  // Each change and its way back to the factory setting.
  form.InvertCh(2).UserToggle();
  form.InvertCh(2).UserToggle();
  form.ModeCh(8).UserPick(1);
  form.ModeCh(8).UserPick(0);
  form.AutoCh.UserToggle();
  form.AutoCh.UserToggle();
  EXPECT_EQ(SetsIn(Since(kBoard)),
            (std::vector<Bytes>{SetData(11, 0x07), SetData(11, 0x05), SetData(21, 198),
                                SetData(21, 0), SetData(12, 0), SetData(12, 1)}));
  EXPECT_EQ(Since(kBoard, "GET_REPORT").size(), 0u);
}

}  // namespace
}  // namespace tq::winetest
