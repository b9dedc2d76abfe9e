// The configuration utility's one window: its controls, the mode table and
// the device link, with the routines named as the board's owners know them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "board/config_reports.h"
#include "devlink/device_link.h"
#include "devlink/ui/controls.h"
#include "windowed/program_window.h"

namespace tq::config {

class frmMain : public LinkedProgramWindow {
 public:
  explicit frmMain(HidApi& api);

  // Window events.
  void Form_Load();
  void Form_Unload();
  void InvertCh_Click(int input);  // InvertCh1_Click ... InvertCh8_Click
  void AutoCh_Click();
  // ModeCh1_Click ... ModeCh6_Click, ModeCh8_Click; ModeCh7 has no handler.
  void ModeCh_Click(int input);

  // Public routines.
  bool FindTheHid();
  void FillModeLists();
  void ReadSettings();
  void WriteInvertSettings();

  bool& DeviceDetected;  // the device link's own flag

  // Mode byte by list position; positions past "Zoom" stay 0.
  static constexpr std::size_t kModeCodeSize = 33;
  std::array<std::uint8_t, kModeCodeSize> ModeCode{};

 private:
  void FillDeviceDetails(int& minor);
  void ApplySettingsPages();
  void EnableSupported(int minor);

 public:
  // Controls, in the window's stacking order (later ones lie on top).
  ui::Frame Frame1;
  ui::Label Label4;
  ui::Label lblManuf;
  ui::Label Label5;
  ui::Label lblProduct;
  ui::Label Label2;
  ui::Label lblVersion;
  ui::Label Label3;
  ui::Label lblSerialNumber;
  ui::Frame Frame2;
  ui::Frame Frame3;
  ui::Frame Frame4;
  ui::CheckBox AutoCh;

  // By input number 1 ... 8: ModeCh1 ... ModeCh8, their captions (Label1,
  // Label6 ... Label9, Label11 ... Label13) and InvertCh1 ... InvertCh8.
  ui::ComboBox& ModeCh(int input) { return *modeCh_.at(static_cast<std::size_t>(input)); }
  ui::Label& InputLabel(int input) { return *inputLabels_.at(static_cast<std::size_t>(input)); }
  ui::CheckBox& InvertCh(int input) { return *invertCh_.at(static_cast<std::size_t>(input)); }

 private:
  std::array<std::unique_ptr<ui::ComboBox>, kInputCount + 1> modeCh_;
  std::array<std::unique_ptr<ui::Label>, kInputCount + 1> inputLabels_;
  std::array<std::unique_ptr<ui::CheckBox>, kInputCount + 1> invertCh_;
};

}  // namespace tq::config
