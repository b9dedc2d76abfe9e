#include "devlink/ui/qt/text_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>

namespace tq::ui {
namespace {

class TextLabelAccessible final : public QAccessibleWidget {
 public:
  explicit TextLabelAccessible(TextLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
  QString text(QAccessible::Text kind) const override {
    const QString own = QAccessibleWidget::text(kind);
    if (kind != QAccessible::Name || !own.isEmpty()) return own;
    return static_cast<const TextLabel*>(widget())->text();
  }
};

QAccessibleInterface* AccessibleTextLabel(const QString&, QObject* object) {
  auto* label = dynamic_cast<TextLabel*>(object);
  return label ? new TextLabelAccessible(label) : nullptr;
}

}  // namespace

TextLabel::TextLabel(QWidget* parent) : QWidget(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(AccessibleTextLabel);
    return true;
  }();
  static_cast<void>(installed);
  // Every pixel is painted here, so Qt need not paint the frame behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TextLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
  if (QAccessible::isActive()) {
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
  }
}

// As a QLabel without a frame draws plain text: the background in the
// palette's window colour, then the text from the top left, wrapped at
// words, through the style, so a disabled one greys as the desktop's do.
void TextLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  painter.fillRect(rect(), colours.color(backgroundRole()));
  style()->drawItemText(&painter, rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, colours,
                        isEnabled(), text_, foregroundRole());
}

}  // namespace tq::ui
