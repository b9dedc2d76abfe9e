#include "devlink/ui/qt/accessible_widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include "devlink/ui/qt/indicator_paint.h"
#include "devlink/ui/qt/text_label.h"

namespace tq::ui {
namespace {

QString Spoken(const std::string& text) { return QString::fromStdString(text); }

class OwnWidgetAccessible final : public QAccessibleWidget,
                                  public QAccessibleTextInterface,
                                  public QAccessibleValueInterface {
 public:
  explicit OwnWidgetAccessible(QWidget* widget) : QAccessibleWidget(widget) {}

  QAccessible::Role role() const override {
    if (Label() || Naming()) return QAccessible::StaticText;
    if (BarOf()) return QAccessible::ProgressBar;
    if (LampOf()) return QAccessible::StaticText;
    if (widget()->isWindow()) return QAccessible::Window;
    return QAccessibleWidget::role();
  }

  QString text(QAccessible::Text kind) const override {
    const Control* indicator = Indicator();
    if (!Label() && !Naming() && !indicator) return QAccessibleWidget::text(kind);
    if (!widget()->accessibleName().isEmpty() && kind == QAccessible::Name) {
      return widget()->accessibleName();
    }
    if (Label() || Naming()) {
      return kind == QAccessible::Name ? Caption().trimmed() : QAccessibleWidget::text(kind);
    }
    switch (kind) {
      case QAccessible::Name: return Spoken(SpokenName(*indicator));
      case QAccessible::Description:
      case QAccessible::Value: return Spoken(SpokenState(*indicator));
      default: return QAccessibleWidget::text(kind);
    }
  }

  // A naming label names its buddy, as Qt's own label does.
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
      QAccessible::Relation match) const override {
    auto found = QAccessibleWidget::relations(match);
    const BuddyLabel* naming = Naming();
    if ((match & QAccessible::Labelled) && naming && naming->buddy()) {
      if (QAccessibleInterface* named = QAccessible::queryAccessibleInterface(naming->buddy())) {
        found.append({named, QAccessible::Labelled});
      }
    }
    return found;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface && (Label() || Naming())) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::ValueInterface && BarOf()) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // A label's text: its caption, which no one selects or edits.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return Caption().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Caption().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

  // A bar's value and range; the program sets them, not the reader.
  QVariant currentValue() const override { return BarOf() ? BarOf()->Value() : 0; }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return BarOf() ? BarOf()->Maximum() : 0; }
  QVariant minimumValue() const override { return BarOf() ? BarOf()->Minimum() : 0; }
  QVariant minimumStepSize() const override { return 1; }

 private:
  const TextLabel* Label() const { return dynamic_cast<const TextLabel*>(widget()); }
  const BuddyLabel* Naming() const { return dynamic_cast<const BuddyLabel*>(widget()); }
  const Bar* BarOf() const {
    const auto* bar = dynamic_cast<const BarWidget*>(widget());
    return bar ? &bar->Model() : nullptr;
  }
  const Lamp* LampOf() const {
    const auto* lamp = dynamic_cast<const LampWidget*>(widget());
    return lamp ? &lamp->Model() : nullptr;
  }
  const Control* Indicator() const {
    if (const Bar* bar = BarOf()) return bar;
    return LampOf();
  }
  QString Caption() const {
    if (const TextLabel* label = Label()) return label->text();
    return Naming() ? Naming()->caption() : QString();
  }
};

// Asked for each class a widget is, most derived first: the view's own
// widgets are plain QWidgets to Qt (they declare no class of their own),
// and a naming label a QLabel, which reads as the others do once made.
QAccessibleInterface* OwnWidgetFactory(const QString& className, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  const bool plain = className == QLatin1String("QWidget");
  if (!plain && !(className == QLatin1String("QLabel") && dynamic_cast<BuddyLabel*>(object))) {
    return nullptr;
  }
  return new OwnWidgetAccessible(static_cast<QWidget*>(object));
}

}  // namespace

void InstallAccessibleWidgets() {
  static const bool installed = [] {
    QAccessible::installFactory(OwnWidgetFactory);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace tq::ui
