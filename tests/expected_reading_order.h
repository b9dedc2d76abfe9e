// What a user meets in each program's window, the same in both views: the
// controls Tab visits, in reading order, and the captions a screen reader
// names a list, text or bar by, with the words it says. The Qt view's tests
// and the native view's tests hold their windows to these one lists, so an
// order or a name changes here once and both views are checked against it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "devlink/ui/controls.h"

namespace tq::testing {

// The control of `window` called `name`. A control renamed or gone throws,
// which fails the test that expected it.
inline const ui::Control& ControlNamed(const ui::Window& window, const std::string& name) {
  for (const ui::Control* control : window.AllControls()) {
    if (control->Name() == name) return *control;
  }
  throw std::out_of_range("no control " + name + " in " + window.Name());
}

// `order`, then its first again: Tab comes round.
inline std::vector<std::string> RoundOf(std::vector<std::string> order) {
  order.push_back(order.front());
  return order;
}

// The encoder utility with two boards attached (the serial list is one to
// pick from only then): the serial list, the sixteen pair lists, then the
// pulse width's list below them.
inline std::vector<std::string> EncoderTabOrder() {
  std::vector<std::string> order{"SerNo"};
  for (int pair = 1; pair <= 16; ++pair) order.push_back("Enc" + std::to_string(pair));
  order.push_back("ModeCh1");
  return order;
}

// The configuration utility: each frame in turn, as the eye reads them: the
// modes, the inverts, then what lies below. Dial's mode is the board's own
// and cannot be picked, and the automatic detection waits for an unplug, so
// a disabled one is passed over.
inline std::vector<std::string> ConfigurationTabOrder(const ui::Window& window) {
  std::vector<std::string> order;
  for (int input = 1; input <= 8; ++input) {
    const std::string mode = "ModeCh" + std::to_string(input);
    if (ControlNamed(window, mode).Enabled()) order.push_back(mode);
  }
  for (int input = 1; input <= 8; ++input) order.push_back("InvertCh" + std::to_string(input));
  if (ControlNamed(window, "AutoCh").Enabled()) order.push_back("AutoCh");
  return order;
}

// The monitor once a board is open: its list, then Reset; the rest only
// shows.
inline std::vector<std::string> MonitorTabOrder() { return {"SerNo", "cmdReset"}; }

// A caption that names a control: a reader says `spoken` for the control.
struct Naming {
  std::string label;
  std::string control;
  std::string spoken;
};

// The board's details, each text by the caption before it, alike in both
// configuration windows.
inline void AddDetails(std::vector<Naming>& namings) {
  namings.push_back({"Label4", "lblManuf", "Manufacturer"});
  namings.push_back({"Label5", "lblProduct", "Product"});
  namings.push_back({"Label2", "lblVersion", "Version"});
}

// Each pair's list by its two inputs ("1-2", read from the caption beside
// it), the serial list and the pulse width's list by theirs.
inline std::vector<Naming> EncoderNamings() {
  std::vector<Naming> namings{{"Label3", "SerNo", "Serial Number"}};
  AddDetails(namings);
  for (int pair = 1; pair <= 16; ++pair) {
    namings.push_back({"Label" + std::to_string(pair + 5), "Enc" + std::to_string(pair),
                       std::to_string(2 * pair - 1) + "-" + std::to_string(2 * pair)});
  }
  namings.push_back({"Label1", "ModeCh1", "Pulse Width"});
  return namings;
}

// Each mode list by its input and axis; the serial number's text by its
// caption.
inline std::vector<Naming> ConfigurationNamings() {
  std::vector<Naming> namings{{"Label3", "lblSerialNumber", "Serial Number"}};
  AddDetails(namings);
  const char* const labels[] = {"Label1", "Label6", "Label7", "Label8", "Label9", "Label11", "Label12", "Label13"};
  const char* const spoken[] = {"Input 1 (X)",  "Input 2 (Y)",  "Input 3 (Z)",    "Input 4 (RX)",
                                "Input 5 (RY)", "Input 6 (RZ)", "Input 7 (Dial)", "Input 8 (Slider)"};
  for (int input = 1; input <= 8; ++input) {
    const auto k = static_cast<std::size_t>(input - 1);
    namings.push_back({labels[k], "ModeCh" + std::to_string(input), spoken[k]});
  }
  return namings;
}

// The monitor's serial list, and an axis's bar by the axis's name.
inline std::vector<Naming> MonitorNamings() {
  return {{"Label1", "SerNo", "Serial Number"}, {"lblAxis3", "barAxis3", "Z"}};
}

}  // namespace tq::testing
