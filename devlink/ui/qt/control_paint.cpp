// What the view paints itself: the colours of labels, slanted lines, and the
// bars and lamps (indicator_paint.h).
#include <QGuiApplication>
#include <QPainter>

#include "devlink/ui/qt/qt_view_impl.h"

namespace tq::ui {
namespace {

QPalette::ColorRole RoleOf(SystemColor color) {
  switch (color) {
    case SystemColor::WindowBackground: return QPalette::Base;
    case SystemColor::WindowText: return QPalette::Text;
    case SystemColor::ButtonFace: return QPalette::Window;
    case SystemColor::ButtonText: return QPalette::WindowText;
  }
  return QPalette::Window;
}

// Drawn corner to corner.
class SlantedLine final : public QWidget {
 public:
  SlantedLine(QWidget* parent, bool falling) : QWidget(parent), falling_(falling) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect r = rect();
    if (falling_) {
      painter.drawLine(r.topLeft(), r.bottomRight());
    } else {
      painter.drawLine(r.bottomLeft(), r.topRight());
    }
  }

 private:
  bool falling_;
};

}  // namespace

// In every state, so a disabled label greys its text the way the desktop
// does rather than keeping its active colour.
void SetSystemColor(QPalette& palette, QPalette::ColorRole target, SystemColor color) {
  const QPalette system = QGuiApplication::palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, target, system.color(group, RoleOf(color)));
  }
}

QWidget* NewSlantedLine(QWidget* parent, bool falling) { return new SlantedLine(parent, falling); }

}  // namespace tq::ui
