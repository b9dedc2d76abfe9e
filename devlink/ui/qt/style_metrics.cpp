// What the style draws around a control's text, probed on the widget itself
// so the layout widens a control by what its text needs beyond it.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "devlink/ui/qt/qt_view_impl.h"

namespace tq::ui {

int ComboBoxChrome(const QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = false;
  option.frame = combo.hasFrame();
  constexpr int kProbeWidth = 1000;
  option.rect = QRect(0, 0, kProbeWidth, combo.height());
  const QRect field =
      combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
  // Styles draw the item one pixel in from each side of the field.
  return kProbeWidth - field.width() + 2;
}

int CheckBoxChrome(const QCheckBox& box) {
  QStyleOptionButton option;
  option.initFrom(&box);
  constexpr int kProbeWidth = 1000;
  option.rect = QRect(0, 0, kProbeWidth, box.height());
  return kProbeWidth - box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

// What the style draws around a button's caption: its bevel and margins.
// Measured beside a wide caption, past any least width the style gives a
// button with a short one.
int PushButtonChrome(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  constexpr int kProbeWidth = 1000;
  const QSize around = button.style()->sizeFromContents(
      QStyle::CT_PushButton, &option, QSize(kProbeWidth, button.fontMetrics().height()), &button);
  return around.width() - kProbeWidth;
}

int GroupBoxChrome(const QGroupBox& frame) {
  QStyleOptionGroupBox option;
  option.initFrom(&frame);
  option.text = frame.title();
  option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
  option.lineWidth = 1;
  option.rect = QRect(0, 0, 1000, frame.height());
  const QRect label =
      frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame);
  // As much room after the caption as before it.
  return label.width() - frame.fontMetrics().horizontalAdvance(frame.title()) + 2 * label.left();
}

}  // namespace tq::ui
