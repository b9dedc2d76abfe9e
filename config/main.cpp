// TQ5271_config on Linux: the hidraw backend and the Qt view.
#include <QApplication>

#include "frm_main.h"
#include "platform/hidraw/hidraw_api.h"
#include "ui/qt/qt_view.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tq::HidrawApi api;
  tq::config::frmMain form(api);
  tq::ui::QtView view(form.Form());
  form.Form_Load();
  return QApplication::exec();
}
