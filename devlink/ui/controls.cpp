#include "devlink/ui/controls.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tq::ui {

Control::Control(Container& parent, std::string name, Kind kind, TwipsRect position)
    : name_(std::move(name)),
      kind_(kind),
      parent_(&parent),
      owner_(&parent.Owner()),
      position_(position) {
  parent.children_.push_back(this);
}

Control::Control(std::string name, Kind kind, TwipsRect position)
    : name_(std::move(name)), kind_(kind), position_(position) {}

void Control::Notify(Change change) {
  if (ViewObserver* view = owner_->View()) view->OnChanged(*this, change);
}

void Control::Raise(const Handler& handler) {
  if (!handler) return;
  ++owner_->handlerDepth_;
  struct Leave {
    Window* w;
    ~Leave() { --w->handlerDepth_; }
  } leave{owner_};
  handler();
}

void Control::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Notify(Change::Caption);
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Change::Enabled);
}

void Control::SetHint(std::string hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  Notify(Change::Hint);
}

Frame::Frame(Container& parent, std::string name, TwipsRect position, std::string caption)
    : Container(parent, std::move(name), Kind::Frame, position) {
  SetCaption(std::move(caption));
}

Label::Label(Container& parent, std::string name, TwipsRect position, std::string caption)
    : Control(parent, std::move(name), Kind::Label, position) {
  SetCaption(std::move(caption));
}

bool Label::SetLabelFor(Control& control) {
  switch (control.GetKind()) {
    case Kind::Window:
    case Kind::Frame:
    case Kind::Timer:
    case Kind::Line:
      return false;
    default:
      break;
  }
  if (&control == this || &control.Owner() != &Owner() || labelFor_ != nullptr ||
      control.labelledBy_ != nullptr) {
    return false;
  }
  labelFor_ = &control;
  control.labelledBy_ = this;
  return true;
}

void Label::SetColors(SystemColor back, SystemColor fore) {
  if (back == back_ && fore == fore_) return;
  back_ = back;
  fore_ = fore;
  Notify(Change::Colors);
}

ComboBox::ComboBox(Container& parent, std::string name, TwipsRect position)
    : Control(parent, std::move(name), Kind::ComboBox, position) {}

void ComboBox::Clear() {
  if (items_.empty() && index_ == -1) return;
  items_.clear();
  index_ = -1;
  Notify(Change::Items);
}

void ComboBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Notify(Change::Items);
}

bool ComboBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) return false;
  if (index == index_) return true;
  index_ = index;
  Notify(Change::Selection);
  Raise(Click);
  return true;
}

void ComboBox::UserPick(int index) {
  if (index >= 0 && index == index_) {
    Raise(Click);
    return;
  }
  SetListIndex(index);
}

std::string ComboBox::Text() const {
  if (index_ < 0 || index_ >= ListCount()) return {};
  return items_[static_cast<std::size_t>(index_)];
}

CheckBox::CheckBox(Container& parent, std::string name, TwipsRect position, std::string caption)
    : Control(parent, std::move(name), Kind::CheckBox, position) {
  SetCaption(std::move(caption));
}

bool CheckBox::SetValue(int value) {
  if (value != 0 && value != 1) return false;
  if (value == value_) return true;
  value_ = value;
  Notify(Change::Value);
  Raise(Click);
  return true;
}

PushButton::PushButton(Container& parent, std::string name, TwipsRect position,
                       std::string caption)
    : Control(parent, std::move(name), Kind::PushButton, position) {
  SetCaption(std::move(caption));
}

// A view may report a press it had queued before the program disabled the
// button (or its frame); the program must not act on it.
void PushButton::UserPress() {
  for (const Control* at = this; at != nullptr; at = at->Parent()) {
    if (!at->Enabled()) return;
  }
  Raise(Click);
}

Timer::Timer(Container& parent, std::string name, int intervalMs, TimerMode mode)
    : Control(parent, std::move(name), Kind::Timer, {}), interval_(intervalMs), mode_(mode) {
  SetEnabled(false);
}

void Timer::SetInterval(int intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  Notify(Change::Interval);
}

void Timer::Tick() {
  if (!Enabled()) {
    requested_.store(false);
    return;
  }
  if (Owner().InHandler()) {
    if (requested_.exchange(false)) Request();
    return;
  }
  requested_.store(false);
  Raise(TimerEvent);
}

void Timer::Request() {
  if (mode_ != TimerMode::OnRequest || requested_.exchange(true)) return;
  Window& window = Owner();
  const std::lock_guard lock(window.viewMutex_);
  if (window.view_ != nullptr) window.view_->OnTickRequested(*this);
}

Line::Line(Container& parent, std::string name, int x1, int y1, int x2, int y2)
    : Control(parent, std::move(name), Kind::Line, {x1, y1, x2 - x1, y2 - y1}) {}

Bar::Bar(Container& parent, std::string name, TwipsRect position, int minimum, int maximum)
    : Control(parent, std::move(name), Kind::Bar, position),
      minimum_(std::min(minimum, maximum)),
      maximum_(std::max(minimum, maximum)),
      value_(minimum_) {}

void Bar::SetValue(int value) {
  value = std::clamp(value, minimum_, maximum_);
  if (value == value_) return;
  value_ = value;
  Notify(Change::Value);
}

bool Bar::SetRange(int minimum, int maximum) {
  if (minimum >= maximum) return false;
  if (minimum == minimum_ && maximum == maximum_) return true;
  minimum_ = minimum;
  maximum_ = maximum;
  value_ = std::clamp(value_, minimum_, maximum_);
  Notify(Change::Value);
  return true;
}

int Bar::FilledWidth(int width) const {
  if (width <= 0 || maximum_ <= minimum_) return 0;
  // In 64 bits: a 32-bit axis's span times a width overflows 32.
  const std::int64_t span = std::int64_t{maximum_} - minimum_;
  const std::int64_t filled = std::int64_t{value_} - minimum_;
  return static_cast<int>((filled * width + span / 2) / span);
}

Lamp::Lamp(Container& parent, std::string name, TwipsRect position, std::string caption)
    : Control(parent, std::move(name), Kind::Lamp, position) {
  SetCaption(std::move(caption));
}

void Lamp::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  Notify(Change::Value);
}

void Lamp::SetMarked(bool marked) {
  if (marked == marked_) return;
  marked_ = marked;
  Notify(Change::Marked);
}

void Lamp::SetStateWords(std::string lit, std::string unlit) {
  ownWords_ = true;
  if (lit == litWord_ && unlit == unlitWord_) return;
  litWord_ = std::move(lit);
  unlitWord_ = std::move(unlit);
  // What a screen reader says of it changed, as with a new state.
  Notify(Change::Value);
}

Window::Window(std::string name, std::string caption, int clientWidthTwips, int clientHeightTwips,
               Font font)
    : Container(std::move(name), Kind::Window, {0, 0, clientWidthTwips, clientHeightTwips}),
      font_(std::move(font)) {
  BindOwner(this);
  SetCaption(std::move(caption));
}

void Window::AttachView(ViewObserver* view) {
  const std::lock_guard lock(viewMutex_);
  view_ = view;
}

void Window::Show() {
  shown_ = true;
  Notify(Change::Shown);
}

void Window::Close() { Raise(Unload); }

namespace {
void Collect(const Container& container, std::vector<Control*>& out) {
  for (Control* child : container.Children()) {
    out.push_back(child);
    if (child->GetKind() == Kind::Frame) Collect(static_cast<const Container&>(*child), out);
  }
}
}  // namespace

std::vector<Control*> Window::AllControls() const {
  std::vector<Control*> out;
  Collect(*this, out);
  return out;
}

Control* Window::Find(const std::string& name) const {
  for (Control* control : AllControls())
    if (control->Name() == name) return control;
  return nullptr;
}

namespace {
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Whether the control's own caption is its name.
bool NamedByCaption(const Control& control) {
  return control.LabelledBy() == nullptr && control.AccessibleName().empty();
}
}  // namespace

std::string SpokenName(const Control& control) {
  if (const Label* label = control.LabelledBy()) return Trimmed(label->Caption());
  if (!control.AccessibleName().empty()) return Trimmed(control.AccessibleName());
  return Trimmed(control.Caption());
}

std::string SpokenState(const Control& control) {
  switch (control.GetKind()) {
    case Kind::ComboBox:
      return static_cast<const ComboBox&>(control).Text();
    case Kind::CheckBox:
      return static_cast<const CheckBox&>(control).Value() != 0 ? "checked" : "not checked";
    case Kind::Bar: {
      const auto& bar = static_cast<const Bar&>(control);
      if (bar.Minimum() == 0) {
        return std::to_string(bar.Value()) + " of " + std::to_string(bar.Maximum());
      }
      return std::to_string(bar.Value()) + " in " + std::to_string(bar.Minimum()) + " to " +
             std::to_string(bar.Maximum());
    }
    case Kind::Lamp: {
      const auto& lamp = static_cast<const Lamp&>(control);
      const std::string caption = Trimmed(lamp.Caption());
      if (!NamedByCaption(lamp) && !caption.empty() && !lamp.HasStateWords()) return caption;
      return lamp.StateWord(lamp.Lit());
    }
    case Kind::Label:
      return NamedByCaption(control) ? std::string() : Trimmed(control.Caption());
    default:
      return {};
  }
}

}  // namespace tq::ui
