// The toolkit model: every control of a program's window as a plain object
// with its state, and the event rules that all views and all tests share.
//
// - Setting a list's position or a check box's state from code raises the
//   control's Click handler at once, inside the setting call, when the value
//   changes; setting the value it already has raises nothing.
// - A user's pick or toggle, reported by a view, goes through the same path,
//   except that the user's pick of the item already selected raises Click
//   (re-picking the open board reopens it; re-picking an encoder type
//   resends its bank).
// - Appending never changes the selected position; clearing sets it to -1 and
//   raises nothing. A toolkit that selects the first item appended or
//   signals on clear has that hidden by its view.
// - The mouse wheel moves only a list that has the keyboard focus or is
//   dropped down, in every view: each pick is written to the board at once,
//   so a wheel turned over a list on the way elsewhere must not change it.
// - A push button has no state: only the user's press, reported by a view,
//   raises its Click, and a disabled button raises nothing.
// - A timer ticks only from the event loop, never inside another handler. No
//   handler spins the event loop; showing the window paints it at once.
// - The model belongs to the window's thread, with one exception: another
//   thread may ask a timer on request for a tick (Timer::Request). So a
//   window shown by a thread that waits on a device sleeps until that
//   thread has news, and wakes at most once an interval however much comes.
// - Tab visits the enabled lists, check boxes and buttons in creation order,
//   depth first (AllControls), and back to the first: each program creates
//   them in reading order. A view shows where the focus is once the
//   keyboard has moved it.
// - Bars and lamps show state and raise nothing; setting what they already
//   show notifies no view, so a view repaints only what changed. A view only
//   marks the one control as due for painting: the event loop paints it once
//   however many changes came between two frames.
//
// What a screen reader says of a control: its name, the kind of control (the
// view's toolkit says that), then what it shows: "1-2, combo box, OFF".
// - The name (SpokenName) is the caption of the label that names the control
//   (Label::SetLabelFor: the caption beside a list, "Manufacturer" beside
//   the manufacturer's text), else the name the program gave it
//   (SetAccessibleName: a lamp among many under one caption), else its own
//   caption (a check box, a button, a label); spaces at either end are not
//   spoken.
// - What it shows (SpokenState): a list's shown item, a check box's
//   "checked" or "not checked", a bar's value "127 of 255" (or "-5 in -10 to
//   10" where the range does not start at 0), a lamp's caption where it is
//   not its name and the lamp has no state words of its own (a pair's check
//   says its words), else its state words ("pressed" or "released",
//   Lamp::SetStateWords: a button lamp's caption is a mark its words say), a
//   label's caption where another label names it; nothing for the rest.
// - A label names at most one control and a control has at most one label:
//   the native view says it through the z-order, where one label stands
//   before one control. Each program states the names once, before a view
//   attaches; a view reads them as it makes its controls. What a control
//   shows changes with Change::Caption, Change::Value and Change::Selection,
//   which every view is told of already.
//
// A view attaches to the Window and mirrors every change it is told of.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tq::ui {

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Font {
  std::string face = "Arial";
  int pointSize = 10;
  int charset = 204;
};

enum class Kind { Window, Frame, Label, ComboBox, CheckBox, Timer, Line, Bar, Lamp, PushButton };

// Colours by their system role, so each view draws them in the desktop's own
// scheme.
enum class SystemColor { ButtonFace, ButtonText, WindowBackground, WindowText };

enum class Change { Caption, Enabled, Hint, Colors, Items, Selection, Value, Marked, Interval, Shown };

// What a marked lamp is drawn in (0xRRGGBB): no system colour means
// "wrong", and a warning must look the same in every view.
inline constexpr std::uint32_t kWarningColor = 0xD03020;
// A bar or a lamp draws its caption inside a border of kIndicatorBorderTwips
// (at least one pixel) and a gap, kIndicatorInsetTwips on each side in all:
// the room its text needs beyond its own width.
inline constexpr int kIndicatorBorderTwips = 15;
inline constexpr int kIndicatorInsetTwips = 60;

class Control;
class Container;
class Label;
class Timer;
class Window;

class ViewObserver {
 public:
  virtual ~ViewObserver() = default;
  virtual void OnChanged(Control& control, Change change) = 0;
  // The one call a view takes on any thread: `timer` (on request) was asked
  // for a tick. The view hands it to its event loop, thread-safely, which
  // ticks the timer once, the timer's interval after taking it.
  virtual void OnTickRequested(Timer& timer) = 0;
};

using Handler = std::function<void()>;

class Control {
 public:
  Control(Container& parent, std::string name, Kind kind, TwipsRect position);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Kind GetKind() const { return kind_; }
  Container* Parent() const { return parent_; }
  TwipsRect Position() const { return position_; }
  Window& Owner() const { return *owner_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);

  // The label that names this control to a screen reader; null for none.
  Label* LabelledBy() const { return labelledBy_; }
  // The name spoken where no label names the control and its caption does
  // not say what it is.
  const std::string& AccessibleName() const { return accessibleName_; }
  void SetAccessibleName(std::string name) { accessibleName_ = std::move(name); }

 protected:
  friend class Label;  // SetLabelFor ties both ends
  // For the window itself, which has no container.
  Control(std::string name, Kind kind, TwipsRect position);
  void BindOwner(Window* owner) { owner_ = owner; }
  void Notify(Change change);
  // Runs a handler under the window's handler count (see Timer::Tick).
  void Raise(const Handler& handler);

 private:
  std::string name_;
  Kind kind_;
  Container* parent_ = nullptr;
  Window* owner_ = nullptr;
  TwipsRect position_;
  std::string caption_;
  bool enabled_ = true;
  std::string hint_;
  Label* labelledBy_ = nullptr;
  std::string accessibleName_;
};

class Container : public Control {
 public:
  using Control::Control;
  const std::vector<Control*>& Children() const { return children_; }

 private:
  friend class Control;
  std::vector<Control*> children_;
};

class Frame : public Container {
 public:
  Frame(Container& parent, std::string name, TwipsRect position, std::string caption);
};

class Label : public Control {
 public:
  Label(Container& parent, std::string name, TwipsRect position, std::string caption = {});
  SystemColor BackColor() const { return back_; }
  SystemColor ForeColor() const { return fore_; }
  void SetColors(SystemColor back, SystemColor fore);

  // Names `control` with this label's caption. Refused, changing nothing,
  // for the label itself, a control of another window, a window, frame,
  // timer or line, a control another label names already, or when this
  // label names another control already.
  bool SetLabelFor(Control& control);
  // The control this label names; null for none.
  Control* LabelFor() const { return labelFor_; }

 private:
  Control* labelFor_ = nullptr;
  SystemColor back_ = SystemColor::ButtonFace;
  SystemColor fore_ = SystemColor::ButtonText;
};

// A pick-only drop-down list, selected by position (-1 for none).
class ComboBox : public Control {
 public:
  ComboBox(Container& parent, std::string name, TwipsRect position);

  void Clear();
  void AddItem(std::string item);
  int ListCount() const { return static_cast<int>(items_.size()); }
  const std::vector<std::string>& Items() const { return items_; }
  int ListIndex() const { return index_; }
  // Returns false, changing nothing, for a position outside -1 .. count-1.
  bool SetListIndex(int index);
  // The selected item's text; empty when nothing is selected.
  std::string Text() const;
  // What a view reports when the user picks an item. Unlike a selection
  // made by code, a pick of the item already selected still raises Click:
  // the user asked for it again (to reopen a board, to resend a setting).
  void UserPick(int index);

  Handler Click;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class CheckBox : public Control {
 public:
  CheckBox(Container& parent, std::string name, TwipsRect position, std::string caption);

  int Value() const { return value_; }
  // States are 0 and 1; any other value is refused.
  bool SetValue(int value);
  void UserToggle() { SetValue(1 - value_); }

  Handler Click;

 private:
  int value_ = 0;
};

// A button the user presses to make something happen now (the monitor's "Reset").
class PushButton : public Control {
 public:
  PushButton(Container& parent, std::string name, TwipsRect position, std::string caption);
  // What a view reports when the user presses it: raises Click, unless disabled.
  void UserPress();

  Handler Click;
};

// Periodic: ticks every interval. On request: ticks once, an interval after
// the first Request() since its last tick, however many requests come
// meanwhile.
enum class TimerMode { Periodic, OnRequest };

// Enabled() is whether the timer runs.
class Timer : public Control {
 public:
  Timer(Container& parent, std::string name, int intervalMs,
        TimerMode mode = TimerMode::Periodic);

  TimerMode Mode() const { return mode_; }
  int Interval() const { return interval_; }
  void SetInterval(int intervalMs);
  // One tick from the event loop. Ignored while disabled or while another
  // handler of the window is running (a request is then asked again, so
  // the news it stood for is not lost). A request is taken before the
  // handler runs: news that comes while it runs asks for the next tick.
  void Tick();

  // Safe on any thread, the only call of the model that is: asks the view
  // for a tick unless one is asked for already. Does nothing on a periodic
  // timer.
  void Request();
  // Whether a request waits for its tick.
  bool Requested() const { return requested_.load(); }

  Handler TimerEvent;

 private:
  int interval_;
  TimerMode mode_;
  std::atomic<bool> requested_{false};
};

// A straight separator line from (x1, y1) to (x2, y2) in twips.
class Line : public Control {
 public:
  Line(Container& parent, std::string name, int x1, int y1, int x2, int y2);
  int X1() const { return Position().left; }
  int Y1() const { return Position().top; }
  int X2() const { return Position().left + Position().width; }
  int Y2() const { return Position().top + Position().height; }
};

// A value shown as a horizontal bar filled from the left in proportion to
// where it lies between Minimum() and Maximum(), its caption (the value as
// text, say "64") centred over it. Values are kept within the range. Drawn
// as a frame, FilledWidth(w) of its w inner pixels in the selection's colour
// and the rest as a text field; grey while it or its frame is disabled.
class Bar : public Control {
 public:
  // The range may be given either way round; the value starts at its
  // minimum.
  Bar(Container& parent, std::string name, TwipsRect position, int minimum, int maximum);

  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Value() const { return value_; }
  // Clamped into the range.
  void SetValue(int value);
  // Refused, changing nothing, unless minimum < maximum; the value is
  // clamped into the new range.
  bool SetRange(int minimum, int maximum);
  // How many of `width` pixels the fill covers, rounded to the nearest.
  int FilledWidth(int width) const;

 private:
  int minimum_;
  int maximum_;
  int value_;
};

// A lit or unlit indicator with a short caption (a button's number): a frame
// around the caption, filled in the selection's colour while lit. A marked
// lamp draws its frame and caption, or its fill while lit, in the warning
// colour. Disabled (or in a disabled frame) it is grey and shows no mark.
class Lamp : public Control {
 public:
  Lamp(Container& parent, std::string name, TwipsRect position, std::string caption);

  bool Lit() const { return lit_; }
  void SetLit(bool lit);
  bool Marked() const { return marked_; }
  void SetMarked(bool marked);

  // What a screen reader says of the lamp lit and unlit ("pressed",
  // "released"): once set, said in place of the caption, which is then only
  // a mark these words say ("released, seen" beside a ring). "on" and "off"
  // where the caption is its name or empty, unless set.
  void SetStateWords(std::string lit, std::string unlit);
  const std::string& StateWord(bool lit) const { return lit ? litWord_ : unlitWord_; }
  bool HasStateWords() const { return ownWords_; }

 private:
  std::string litWord_ = "on";
  std::string unlitWord_ = "off";
  bool ownWords_ = false;
  bool lit_ = false;
  bool marked_ = false;
};

class Window : public Container {
 public:
  Window(std::string name, std::string caption, int clientWidthTwips, int clientHeightTwips,
         Font font = {});

  const Font& GetFont() const { return font_; }
  int ClientWidth() const { return Position().width; }
  int ClientHeight() const { return Position().height; }

  // The view is attached and dropped on the window's thread; a timer's
  // request from another thread reaches it under viewMutex_.
  void AttachView(ViewObserver* view);
  ViewObserver* View() const { return view_; }

  // Shows the window; an attached view paints it before this returns.
  void Show();
  bool Shown() const { return shown_; }
  // The user closed the window: raises Unload, which is never cancelled.
  void Close();

  Handler Unload;

  bool InHandler() const { return handlerDepth_ > 0; }

  // Every control in creation order, depth first.
  std::vector<Control*> AllControls() const;
  Control* Find(const std::string& name) const;

 private:
  friend class Control;
  friend class Timer;
  Font font_;
  std::mutex viewMutex_;
  ViewObserver* view_ = nullptr;  // written under viewMutex_
  bool shown_ = false;
  int handlerDepth_ = 0;
};

// A control's name and what it shows, as a screen reader says them (see the
// rules at the top).
std::string SpokenName(const Control& control);
std::string SpokenState(const Control& control);

}  // namespace tq::ui
