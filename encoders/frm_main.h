// The encoder utility's one window: every control, the window flags and the
// device link, with the routines named as the board's owners know them.
#pragma once

#include <array>
#include <memory>

#include "devlink/device_link.h"
#include "devlink/ui/controls.h"
#include "windowed/program_window.h"

namespace tq::encoders {

class frmMain : public LinkedProgramWindow {
 public:
  explicit frmMain(HidApi& api);

  // Window events.
  void Form_Load();
  void Form_Unload();
  void Timer_Timer();
  void SerNo_Click();
  void Enc_Click(int pair);  // Enc1_Click ... Enc16_Click
  void ModeCh1_Click();

  // Public routines.
  bool FindTheHid();
  bool Scan_USB_devices();

  void ReadBoardSettings();
  void WriteEncoderBank1();
  void WriteEncoderBank2();
  void CheckBoardPresence();

  // Window flags.
  bool SettingsLoaded = false;
  bool ScanComplete = false;
  bool& DeviceDetected;  // the device link's own flag

  static constexpr int kPresentIntervalMs = 500;
  static constexpr int kLostIntervalMs = 250;
  static constexpr int kDesignedIntervalMs = 50;

 private:
  void WriteEncoderBank(int firstPair, std::uint8_t lowCommand, std::uint8_t highCommand);
  void ClearSettingsControls();
  void FillDeviceDetails(int& minor);
  void OfferItems(int minor);
  void ApplySettingsPages();
  using PairLists = std::array<std::unique_ptr<ui::ComboBox>, 17>;
  using PairLabels = std::array<std::unique_ptr<ui::Label>, 17>;
  static PairLists MakePairLists(ui::Frame& frame);
  static PairLabels MakePairLabels(ui::Frame& frame);

 public:
  // Controls, in the window's stacking order (later ones lie on top).
  ui::Frame Frame1;
  ui::Label Label3;
  ui::Label lblSerialNumber;
  ui::ComboBox SerNo;
  ui::Label Label4;
  ui::Label lblManuf;
  ui::Label Label5;
  ui::Label lblProduct;
  ui::Label Label2;
  ui::Label lblVersion;
  ui::Timer Timer;
  ui::Frame Frame3;
  ui::Line Line1;

  // Enc1 ... Enc16 and their pair captions Label6 ... Label21, by pair number.
  ui::ComboBox& Enc(int pair) { return *enc_.at(static_cast<std::size_t>(pair)); }
  ui::Label& PairLabel(int pair) { return *pairLabels_.at(static_cast<std::size_t>(pair)); }

 private:
  // Before the pulse width's list, which is read after them: the keyboard
  // visits the controls in their stacking order.
  PairLists enc_;
  PairLabels pairLabels_;

 public:
  ui::ComboBox ModeCh1;
  ui::Label Label1;
};

}  // namespace tq::encoders
