// The labels of the toolkit model as Qt widgets.
//
// TextLabel: the monitor gives a value's label a new caption up to sixty
// times a second; a QLabel answers each new text by telling accessibility
// tools whether or not one listens, measuring its contents rectangle, and
// when painted fills its background in one painter and draws the text
// through the style in another. This one keeps the caption as plain text (a
// model's caption is never markup), paints its whole rectangle in one
// painter, and tells accessibility tools of a change only while one listens;
// they read its caption as its name and its text (accessible_widgets.h).
//
// BuddyLabel: a label that names another control ("1-2" beside a list).
// Qt tells a screen reader which label names a control only of a QLabel
// whose buddy the control is, so such a label is one, drawn exactly as a
// TextLabel. Its caption seldom changes, so what a QLabel spends on a new
// one does not matter.
#pragma once

#include <QLabel>
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

class BuddyLabel final : public QLabel {
 public:
  explicit BuddyLabel(QWidget* parent);

  // The caption as given: a QLabel with a buddy would take "&" as the mark
  // of a shortcut key, so it is doubled in QLabel::text().
  QString caption() const;
  void setCaption(const QString& caption);
};

// The caption of either label.
void SetLabelCaption(QWidget& label, const QString& caption);

}  // namespace tq::ui
