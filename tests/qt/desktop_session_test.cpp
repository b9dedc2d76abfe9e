// A Qt program's place on the desktop: the name it gives itself and the
// icon it shows where the icon theme has none.
#include "devlink/ui/qt/desktop_session.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <string>

namespace tq::ui {
namespace {

TEST(Desktop, EachProgramNamesItselfAndHasAnIcon) {
  auto* app = static_cast<QApplication*>(QCoreApplication::instance());
  for (const char* name : {"encoders", "config"}) {
    const std::string desktopName = std::string("tq5271-") + name;
    const std::string icon = std::string(":/icons/") + name + ".ico";
    app->setWindowIcon(QIcon());
    PresentToDesktop(*app, desktopName.c_str(), icon.c_str());
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), desktopName);
    // Where the icon theme has none (here), the program's own artwork.
    const QIcon shown = QApplication::windowIcon();
    ASSERT_FALSE(shown.isNull()) << name;
    EXPECT_FALSE(shown.pixmap(32, 32).isNull()) << name;
    EXPECT_EQ(shown.pixmap(32, 32).toImage(), QIcon(QString::fromStdString(icon)).pixmap(32, 32).toImage())
        << name;
  }
}

}  // namespace
}  // namespace tq::ui
