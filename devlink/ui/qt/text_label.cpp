#include "devlink/ui/qt/text_label.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>

#include "devlink/ui/qt/accessible_widgets.h"

namespace tq::ui {

TextLabel::TextLabel(QWidget* parent) : QWidget(parent) {
  InstallAccessibleWidgets();
  // Every pixel is painted here, so Qt need not paint the frame behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TextLabel::setText(const QString& text) {
  if (text == text_) return;
  const QString previous = text_;
  text_ = text;
  update();
  if (QAccessible::isActive()) {
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleTextUpdateEvent changed(this, 0, previous, text_);
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

// Set as TextLabel draws: plain text from the top left, wrapped at words,
// on the palette's window colour.
BuddyLabel::BuddyLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
  setAutoFillBackground(true);
}

QString BuddyLabel::caption() const {
  QString shown = text();
  return shown.replace(QLatin1String("&&"), QLatin1String("&"));
}

// QLabel tells a listening reader of its new name itself; its text, which
// only the view's interface offers, is told here.
void BuddyLabel::setCaption(const QString& caption) {
  QString escaped = caption;
  escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
  if (escaped == text()) return;
  const QString previous = this->caption();
  setText(escaped);
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent changed(this, 0, previous, caption);
    QAccessible::updateAccessibility(&changed);
  }
}

void SetLabelCaption(QWidget& label, const QString& caption) {
  if (auto* named = dynamic_cast<BuddyLabel*>(&label)) {
    named->setCaption(caption);
  } else {
    static_cast<TextLabel&>(label).setText(caption);
  }
}

}  // namespace tq::ui
