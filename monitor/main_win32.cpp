// TQ5271_monitor on Windows: SetupAPI and hid.dll, the system's joystick
// API for what a game sees, and the desktop's own controls.
#include "devlink/platform/win32/host_hints.h"
#include "devlink/platform/win32/win32_hid_api.h"
#include "devlink/platform/win32/winmm_game_view.h"
#include "devlink/ui/win32/win32_view.h"
#include "monitor/frm_main.h"

int main() {
  tq::Win32HidApi api;
  tq::win32::WinmmGameView game;
  tq::monitor::frmMain form(api, &game, tq::win32::WindowsHostHints());
  tq::ui::Win32View view(form.Form());
  form.Form_Load();
  return tq::ui::Win32View::RunMessageLoop();
}
