#include "config/frm_main.h"

#include <initializer_list>
#include <string>

namespace tq::config {
namespace {

constexpr int kRowStep = 480;
constexpr int kFirstRowTop = 360;
constexpr int kDetailsRowStep = 360;
// Captions sit a little lower than the lists beside them, so that the
// texts share a baseline.
constexpr int kCaptionDrop = 60;

constexpr std::array<const char*, kInputCount> kAxisNames{"X",  "Y",  "Z",    "RX",
                                                          "RY", "RZ", "Dial", "Slider"};
// The input captions' names by input; the numbering is the window's own
// and skips Label10.
constexpr std::array<int, kInputCount> kInputLabelNumbers{1, 6, 7, 8, 9, 11, 12, 13};

int RowTop(int input) { return kFirstRowTop + kRowStep * (input - 1); }
int DetailsRowTop(int row) { return kDetailsRowStep * row; }

std::string AxisName(int input) { return kAxisNames[static_cast<std::size_t>(input - 1)]; }

}  // namespace

frmMain::frmMain(HidApi& api)
    : LinkedProgramWindow(api, kConfigVariant, "TQ5271 configuration", 5420, 7470),
      DeviceDetected(link_.DeviceDetected),
      Frame1(form_, "Frame1", {120, 0, 5175, 1935}, "Device details"),
      Label4(Frame1, "Label4", {240, DetailsRowTop(1), 1335, 285}, "Manufacturer"),
      lblManuf(Frame1, "lblManuf", {1680, DetailsRowTop(1), 3300, 330}),
      Label5(Frame1, "Label5", {240, DetailsRowTop(2), 1335, 285}, "Product"),
      lblProduct(Frame1, "lblProduct", {1680, DetailsRowTop(2), 3300, 330}),
      Label2(Frame1, "Label2", {240, DetailsRowTop(3), 1335, 285}, "Version"),
      lblVersion(Frame1, "lblVersion", {1680, DetailsRowTop(3), 3300, 330}),
      Label3(Frame1, "Label3", {240, DetailsRowTop(4), 1335, 285}, "Serial Number"),
      lblSerialNumber(Frame1, "lblSerialNumber", {1680, DetailsRowTop(4), 3300, 330}),
      Frame2(form_, "Frame2", {120, 2040, 3015, 4335}, "Analog input mode"),
      Frame3(form_, "Frame3", {3240, 2040, 2055, 4335}, "Invert analog inputs"),
      Frame4(form_, "Frame4", {120, 6480, 5175, 855}, "Miscellaneous"),
      AutoCh(Frame4, "AutoCh", {240, kFirstRowTop, 4815, 300},
             "Automatic detection of connected analog inputs") {
  // Each row's caption first, so that its list lies above it where a long
  // caption reaches under the list.
  for (int input = 1; input <= kInputCount; ++input) {
    const auto k = static_cast<std::size_t>(input);
    inputLabels_[k] = std::make_unique<ui::Label>(
        Frame2, "Label" + std::to_string(kInputLabelNumbers[k - 1]),
        ui::TwipsRect{240, RowTop(input) + kCaptionDrop, 1320, 285},
        "Input " + std::to_string(input) + " (" + AxisName(input) + ")");
    modeCh_[k] = std::make_unique<ui::ComboBox>(Frame2, "ModeCh" + std::to_string(input),
                                                ui::TwipsRect{1560, RowTop(input), 1215, 360});
  }
  for (int input = 1; input <= kInputCount; ++input) {
    invertCh_[static_cast<std::size_t>(input)] = std::make_unique<ui::CheckBox>(
        Frame3, "InvertCh" + std::to_string(input), ui::TwipsRect{240, RowTop(input), 1700, 300},
        "Invert " + std::to_string(input) + " (" + AxisName(input) + ")");
  }

  // What a screen reader names each list and text by: the caption beside it.
  Label4.SetLabelFor(lblManuf);
  Label5.SetLabelFor(lblProduct);
  Label2.SetLabelFor(lblVersion);
  Label3.SetLabelFor(lblSerialNumber);
  for (int input = 1; input <= kInputCount; ++input) InputLabel(input).SetLabelFor(ModeCh(input));

  for (ui::Label* value : {&lblManuf, &lblProduct, &lblVersion, &lblSerialNumber}) {
    value->SetColors(ui::SystemColor::WindowBackground, ui::SystemColor::WindowText);
  }
  ModeCh(kUnzoomableInput).SetHint(kUnzoomableInputRule);
  AutoCh.SetHint("Please unplug the controller to activate this setting.");

  for (ui::Control* designedOff :
       std::initializer_list<ui::Control*>{&Frame1, &Frame2, &Frame3, &Frame4, &AutoCh}) {
    designedOff->SetEnabled(false);
  }
  for (int input = 1; input <= kInputCount; ++input) {
    ModeCh(input).SetEnabled(false);
    InputLabel(input).SetEnabled(false);
    InvertCh(input).SetEnabled(false);
  }

  for (int input = 1; input <= kInputCount; ++input) {
    InvertCh(input).Click = [this, input] { InvertCh_Click(input); };
    // Input 7's list is left without a handler: nothing it shows is sent.
    if (input != kUnzoomableInput) ModeCh(input).Click = [this, input] { ModeCh_Click(input); };
  }
  AutoCh.Click = [this] { AutoCh_Click(); };
  form_.Unload = [this] { Form_Unload(); };
}

void frmMain::Form_Load() {
  form_.Show();
  FillModeLists();
  DeviceDetected = FindTheHid();
  ReadSettings();
}

void frmMain::Form_Unload() { link_.CloseBoard(); }

bool frmMain::FindTheHid() { return link_.FindTheHid(); }

}  // namespace tq::config
