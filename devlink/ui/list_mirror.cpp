#include "devlink/ui/list_mirror.h"

#include <algorithm>

namespace tq::ui {

ListMirror::Steps ListMirror::Mirror(const ComboBox& model, int held) {
  const std::vector<std::string>& items = model.Items();
  std::vector<std::string>& shown = shown_[&model];
  const bool prefix =
      shown.size() <= items.size() && std::equal(shown.begin(), shown.end(), items.begin());
  Steps steps;
  if (!prefix || held != static_cast<int>(shown.size())) {
    steps.clear = true;
    shown.clear();
  }
  steps.appendFrom = shown.size();
  shown = items;
  return steps;
}

}  // namespace tq::ui
