// TQ5271_config on Linux: the hidraw backend and the Qt view.
#include <QApplication>
#include <cstdio>

#include "config/frm_main.h"
#include "devlink/platform/hidraw/hidraw_api.h"
#include "devlink/ui/qt/desktop_session.h"
#include "devlink/ui/qt/qt_view.h"

int main(int argc, char* argv[]) {
  if (const std::string missing = tq::ui::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "TQ5271_config: %s\n", missing.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  tq::ui::PresentToDesktop(app, "tq5271-config", ":/icons/config.ico");
  tq::HidrawApi api;
  tq::config::frmMain form(api);
  tq::ui::QtView view(form.Form());
  form.Form_Load();
  return QApplication::exec();
}
