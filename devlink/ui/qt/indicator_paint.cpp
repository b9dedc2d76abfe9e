#include "devlink/ui/qt/indicator_paint.h"

#include <QPainter>

namespace tq::ui {
namespace {

QColor Warning() { return QColor::fromRgb(static_cast<QRgb>(kWarningColor)); }

// Every pixel is painted here, so Qt need not clear the rectangle first.
void PaintsItsOwnBackground(QWidget& widget) {
  widget.setAttribute(Qt::WA_OpaquePaintEvent);
  widget.setAttribute(Qt::WA_NoSystemBackground);
}

}  // namespace

BarWidget::BarWidget(QWidget* parent, const Bar& model, int border)
    : QWidget(parent), model_(model), border_(border) {
  PaintsItsOwnBackground(*this);
}

// The frame, the filled part in the selection's colours, the rest in a text
// field's, and the caption across both in the colour that reads on each.
void BarWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const QRect inside = rect().adjusted(border_, border_, -border_, -border_);
  painter.fillRect(rect(), colours.color(QPalette::Dark));
  const int filled = model_.FilledWidth(inside.width());
  const QRect fill(inside.left(), inside.top(), filled, inside.height());
  const QRect rest(inside.left() + filled, inside.top(), inside.width() - filled, inside.height());
  painter.fillRect(fill, colours.color(QPalette::Highlight));
  painter.fillRect(rest, colours.color(QPalette::Base));
  if (model_.Caption().empty()) return;
  const QString caption = QString::fromStdString(model_.Caption());
  painter.setClipRect(fill);
  painter.setPen(colours.color(QPalette::HighlightedText));
  painter.drawText(inside, Qt::AlignCenter, caption);
  painter.setClipRect(rest);
  painter.setPen(colours.color(QPalette::Text));
  painter.drawText(inside, Qt::AlignCenter, caption);
}

LampWidget::LampWidget(QWidget* parent, const Lamp& model, int border)
    : QWidget(parent), model_(model), border_(border) {
  PaintsItsOwnBackground(*this);
}

// Lit in the selection's colour, unlit as a text field; a mark shows in the
// frame and the caption, or fills the lamp while it is lit. A disabled lamp
// shows no mark: nothing it shows is current.
void LampWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const bool warn = model_.Marked() && isEnabled();
  const QRect inside = rect().adjusted(border_, border_, -border_, -border_);
  painter.fillRect(rect(), warn ? Warning() : colours.color(QPalette::Dark));
  QColor fill = colours.color(QPalette::Base);
  QColor text = warn ? Warning() : colours.color(QPalette::Text);
  if (model_.Lit()) {
    fill = warn ? Warning() : colours.color(QPalette::Highlight);
    text = colours.color(QPalette::HighlightedText);
  }
  painter.fillRect(inside, fill);
  painter.setPen(text);
  painter.drawText(inside, Qt::AlignCenter, QString::fromStdString(model_.Caption()));
}

}  // namespace tq::ui
