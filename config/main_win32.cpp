// TQ5271_config on Windows: SetupAPI and hid.dll, and the desktop's own
// controls.
#include "config/frm_main.h"
#include "devlink/platform/win32/win32_hid_api.h"
#include "devlink/ui/win32/win32_view.h"

int main() {
  tq::Win32HidApi api;
  tq::config::frmMain form(api);
  tq::ui::Win32View view(form.Form());
  form.Form_Load();
  return tq::ui::Win32View::RunMessageLoop();
}
