// Which board the window works with: the serials of all attached boards in
// SerNo, the user's pick among them, and the watch that notices an unplug.
#include <string>

#include "encoders/frm_main.h"

namespace tq::encoders {

bool frmMain::Scan_USB_devices() {
  ScanComplete = false;
  SerNo.Clear();
  SerNo.SetEnabled(false);
  int lastItem = -1;

  // DeviceHandle is the working handle here, so no board may be open.
  link_.WalkInterfaces([&] {
    if (!link_.OpenDeviceHandle(kGenericRead | kGenericWrite)) return false;
    std::string serial;
    if (link_.ReadAttributes() && link_.IsAcceptedBoard() && link_.ReadSerialText(serial)) {
      SerNo.AddItem(serial);
      ++lastItem;
      // Raises SerNo_Click, which ScanComplete keeps from acting.
      SerNo.SetListIndex(lastItem);
    }
    link_.CloseDeviceHandle();
    return false;
  });

  if (lastItem > 0) SerNo.SetEnabled(true);
  ScanComplete = true;
  return false;
}

void frmMain::SerNo_Click() {
  if (!ScanComplete) return;
  Timer.SetEnabled(false);
  if (DeviceDetected) {
    DeviceDetected = false;
    link_.CloseBoard();
    Timer.SetInterval(kLostIntervalMs);
  }
  SettingsLoaded = false;
  DeviceDetected = FindTheHid();
  ReadBoardSettings();
  Timer.SetEnabled(true);
}

void frmMain::CheckBoardPresence() {
  if (DeviceDetected) {
    // Only whether the board still answers matters, not the serial itself.
    if (link_.ReadBoardString(&HidApi::HidD_GetSerialNumberString)) {
      Timer.SetInterval(kPresentIntervalMs);
    } else {
      DeviceDetected = false;
      link_.CloseBoard();
      Timer.SetInterval(kLostIntervalMs);
      SettingsLoaded = false;
    }
  }
  if (!DeviceDetected) {
    SettingsLoaded = false;
    Scan_USB_devices();
    DeviceDetected = FindTheHid();
    ReadBoardSettings();
  }
}

}  // namespace tq::encoders
