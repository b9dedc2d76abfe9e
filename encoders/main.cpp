// TQ5271_encoders on Linux: the hidraw backend and the Qt view.
#include <QApplication>
#include <cstdio>

#include "devlink/platform/hidraw/hidraw_api.h"
#include "devlink/ui/qt/desktop_session.h"
#include "devlink/ui/qt/qt_view.h"
#include "encoders/frm_main.h"

int main(int argc, char* argv[]) {
  if (const std::string missing = tq::ui::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "TQ5271_encoders: %s\n", missing.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  tq::ui::PresentToDesktop(app, "tq5271-encoders", ":/icons/encoders.ico");
  tq::HidrawApi api;
  tq::encoders::frmMain form(api);
  tq::ui::QtView view(form.Form());
  form.Form_Load();
  return QApplication::exec();
}
