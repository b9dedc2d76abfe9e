// What the native view tells Windows' accessibility layer beyond what it
// finds for itself. Windows names a list or a check box by its own caption
// or by the static label standing just before it in z-order (the view
// stacks each label so); a bar or a lamp is an owner-drawn static with no
// text, so its name and its state ("Button 7", "pressed") are set here, and
// every labelled list's name again, explicitly. The system's implementation
// is Dynamic Annotation (IAccPropServices::SetHwndPropStr); the tests
// record the calls instead.
//
// The Windows headers stay in the .cpp: a native handle is a void* here.
#pragma once

#include <memory>
#include <string>

namespace tq::ui {

class AccessibleAnnotations {
 public:
  enum class Property { Name, Value };

  virtual ~AccessibleAnnotations() = default;
  // Gives the control's client object the property. False where the system
  // refuses (Wine answers E_NOTIMPL): the view then stops asking.
  virtual bool Set(void* hwnd, Property property, const std::wstring& text) = 0;
  // Takes back what Set gave, before the control is destroyed.
  virtual void Clear(void* hwnd) = 0;
};

// Over the system's IAccPropServices; null where COM or the service is
// missing. It initialises COM on the calling thread for as long as it
// lives, unless the thread has already done so.
std::unique_ptr<AccessibleAnnotations> SystemAnnotations();

}  // namespace tq::ui
