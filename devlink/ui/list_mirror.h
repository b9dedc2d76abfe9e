// How both views mirror a list's items into the toolkit's own list. Lists
// grow one item per notification while a program fills them, so only what
// the toolkit's list lacks is appended; anything else rebuilds it. What each
// toolkit list holds is kept here, so telling the two apart takes no text
// out of the toolkit.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "devlink/ui/controls.h"

namespace tq::ui {

class ListMirror {
 public:
  struct Steps {
    bool clear = false;        // empty the toolkit's list first
    std::size_t appendFrom = 0;  // then append the model's items from here on
  };
  // The steps that bring a toolkit list now holding `held` items to show
  // `model`'s items. They are taken as done: the next call starts from
  // what they leave.
  Steps Mirror(const ComboBox& model, int held);

 private:
  std::unordered_map<const ComboBox*, std::vector<std::string>> shown_;
};

}  // namespace tq::ui
