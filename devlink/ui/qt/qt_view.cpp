// The view's window and its public calls; the jobs behind them are split by
// file (qt_view_impl.h says which).
#include "devlink/ui/qt/qt_view.h"

#include <QFont>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "devlink/ui/qt/accessible_widgets.h"
#include "devlink/ui/qt/qt_view_impl.h"

namespace tq::ui {

QtView::QtView(Window& window) : impl_(std::make_unique<Impl>(window)) {
  Impl& v = *impl_;
  // Before any widget: a listening reader asks of each as it is made.
  InstallAccessibleWidgets();
  v.top = std::make_unique<TopLevel>(window);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  v.pixelsPerTwip = dpi / kTwipsPerInch;

  const Font& font = window.GetFont();
  QFont qfont(ToQt(font.face));
  qfont.setPointSize(font.pointSize);
  // Where the face is missing, fontconfig's metric-compatible substitute
  // keeps the layout's text widths.
  qfont.setStyleHint(QFont::SansSerif);
  v.top->setFont(qfont);
  v.top->setWindowTitle(ToQt(window.Caption()));
  v.widgets[&window] = v.top.get();

  v.Build(window, v.top.get());
  v.NameLabelled();
  for (const auto& [control, widget] : v.widgets) {
    if (widget) v.needs.Set(*control, control == &window ? v.TitleNeed() : v.MeasureNeed(*control, widget));
  }
  v.Relayout();
  window.AttachView(this);
}

QtView::~QtView() {
  if (impl_->window.View() == this) impl_->window.AttachView(nullptr);
  for (auto& [control, timer] : impl_->timers) timer->stop();
}

QWidget* QtView::Widget() const { return impl_->top.get(); }

QWidget* QtView::WidgetOf(const Control& control) const { return impl_->WidgetOf(control); }

QTimer* QtView::TimerOf(const Control& control) const { return impl_->TimerOf(control); }

int QtView::Pixels(int twips) const { return impl_->Pixels(twips); }

int QtView::IndicatorBorder() const { return impl_->IndicatorBorder(); }

bool QtView::SaveScreenshot(const std::string& pngPath) const {
  const QPixmap picture = impl_->top->grab();
  return !picture.isNull() && picture.save(ToQt(pngPath), "PNG");
}

// Any thread: the timer is started on the event loop's, once the loop takes
// the call; a view gone by then takes it with its top widget.
void QtView::OnTickRequested(Timer& timer) {
  Impl* v = impl_.get();
  QMetaObject::invokeMethod(
      v->top.get(), [v, &timer] { v->MirrorTimer(timer); }, Qt::QueuedConnection);
}

void QtView::OnChanged(Control& control, Change change) {
  if (change == Change::Shown) {
    impl_->top->show();
    impl_->top->repaint();  // painted before the program goes on searching
    return;
  }
  impl_->Mirror(control, change);
}

}  // namespace tq::ui
