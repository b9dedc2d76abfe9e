#include "encoders/frm_main.h"

#include <string>

#include "board/encoder_reports.h"

namespace tq::encoders {
namespace {

constexpr int kColumnPairs = 8;
constexpr int kRowStep = 480;

int RowTop(int pair, int firstTop) { return firstTop + kRowStep * ((pair - 1) % kColumnPairs); }
bool LeftColumn(int pair) { return pair <= kColumnPairs; }

}  // namespace

frmMain::frmMain(HidApi& api)
    : LinkedProgramWindow(api, kEncodersVariant, "TQ5271 Rotary Encoders Configuration v1.7",
                          4820, 6970),
      DeviceDetected(link_.DeviceDetected),
      Frame1(form_, "Frame1", {120, 0, 4575, 1935}, "Device details"),
      Label3(Frame1, "Label3", {240, 360, 1815, 285}, "Serial Number"),
      lblSerialNumber(Frame1, "lblSerialNumber", {1680, 360, 3300, 330}),
      SerNo(Frame1, "SerNo", {1680, 300, 1320, 360}),
      Label4(Frame1, "Label4", {240, 720, 1215, 285}, "Manufacturer"),
      lblManuf(Frame1, "lblManuf", {1680, 720, 3300, 330}),
      Label5(Frame1, "Label5", {240, 1080, 1215, 285}, "Product"),
      lblProduct(Frame1, "lblProduct", {1680, 1080, 3300, 330}),
      Label2(Frame1, "Label2", {240, 1440, 1455, 285}, "Version"),
      lblVersion(Frame1, "lblVersion", {1680, 1440, 3300, 330}),
      Timer(Frame1, "Timer", kDesignedIntervalMs),
      Frame3(form_, "Frame3", {120, 2040, 4575, 4815}, "Rotary encoder type on each input pair:"),
      Line1(Frame3, "Line1", 120, 4200, 4440, 4200),
      enc_(MakePairLists(Frame3)),
      pairLabels_(MakePairLabels(Frame3)),
      ModeCh1(Frame3, "ModeCh1", {240, 4320, 900, 360}),
      Label1(Frame3, "Label1", {1260, 4380, 1095, 375}, "Pulse Width") {
  for (int pair = 1; pair <= kPairCount; ++pair) Enc(pair).Click = [this, pair] { Enc_Click(pair); };

  // What a screen reader names each list and text by: the caption beside it.
  Label3.SetLabelFor(SerNo);
  Label4.SetLabelFor(lblManuf);
  Label5.SetLabelFor(lblProduct);
  Label2.SetLabelFor(lblVersion);
  Label1.SetLabelFor(ModeCh1);
  for (int pair = 1; pair <= kPairCount; ++pair) PairLabel(pair).SetLabelFor(Enc(pair));

  for (ui::Label* value : {&lblSerialNumber, &lblManuf, &lblProduct, &lblVersion}) {
    value->SetColors(ui::SystemColor::WindowBackground, ui::SystemColor::WindowText);
  }
  for (ui::Control* designedOff :
       std::initializer_list<ui::Control*>{&Frame1, &Frame3, &SerNo, &ModeCh1, &Label1}) {
    designedOff->SetEnabled(false);
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    Enc(pair).SetEnabled(false);
    PairLabel(pair).SetEnabled(false);
  }

  SerNo.Click = [this] { SerNo_Click(); };
  ModeCh1.Click = [this] { ModeCh1_Click(); };
  Timer.TimerEvent = [this] { Timer_Timer(); };
  form_.Unload = [this] { Form_Unload(); };
}

frmMain::PairLists frmMain::MakePairLists(ui::Frame& frame) {
  PairLists lists;
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const int left = LeftColumn(pair) ? 240 : 2400;
    lists[static_cast<std::size_t>(pair)] = std::make_unique<ui::ComboBox>(
        frame, "Enc" + std::to_string(pair), ui::TwipsRect{left, RowTop(pair, 360), 900, 360});
  }
  return lists;
}

frmMain::PairLabels frmMain::MakePairLabels(ui::Frame& frame) {
  PairLabels labels;
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const int left = LeftColumn(pair) ? 1260 : 3420;
    labels[static_cast<std::size_t>(pair)] = std::make_unique<ui::Label>(
        frame, "Label" + std::to_string(pair + 5),
        ui::TwipsRect{left, RowTop(pair, 420), 1095, 375}, PairInputs(pair));
  }
  return labels;
}

void frmMain::Form_Load() {
  link_.GetHidGuid();
  SettingsLoaded = false;
  ScanComplete = false;
  form_.Show();
  Scan_USB_devices();
  DeviceDetected = FindTheHid();
  ReadBoardSettings();
  Timer.SetEnabled(true);
}

void frmMain::Form_Unload() {
  Timer.SetEnabled(false);
  ScanComplete = false;
  link_.CloseBoard();
}

void frmMain::Timer_Timer() { CheckBoardPresence(); }

bool frmMain::FindTheHid() { return link_.FindTheHid(SerNo.Text()); }

}  // namespace tq::encoders
