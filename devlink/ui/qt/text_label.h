// The label of the toolkit model as a Qt widget. The monitor gives a value's
// label a new caption up to sixty times a second; a QLabel answers each new
// text by telling accessibility tools whether or not one listens, measuring
// its contents rectangle, and when painted fills its background in one
// painter and draws the text through the style in another. This one keeps
// the caption as plain text (a model's caption is never markup), paints its
// whole rectangle in one painter, and tells accessibility tools of a change
// only while one listens; they read it as static text, as a QLabel's.
#pragma once

#include <QString>
#include <QWidget>

namespace tq::ui {

class TextLabel final : public QWidget {
 public:
  explicit TextLabel(QWidget* parent);

  const QString& text() const { return text_; }
  void setText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace tq::ui
