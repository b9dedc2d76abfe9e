// How both views bring a toolkit's list to a model list's items: appending
// what it lacks while a program fills the list, rebuilding otherwise.
#include "devlink/ui/list_mirror.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tq::ui {
namespace {

// A toolkit's list, driven only by the steps.
struct FakeList {
  std::vector<std::string> items;
  int clears = 0;
  void Take(const ListMirror::Steps& steps, const ComboBox& model) {
    if (steps.clear) {
      items.clear();
      ++clears;
    }
    for (std::size_t i = steps.appendFrom; i < model.Items().size(); ++i) {
      items.push_back(model.Items()[i]);
    }
  }
};

TEST(ListMirror, AFillingListIsAppendedToAndAnyOtherChangeRebuildsIt) {
  Window window{"frmMain", "Sample", 600, 400};
  ComboBox model{window, "List1", {10, 20, 100, 20}};
  ListMirror mirror;
  FakeList native;
  const auto sync = [&] {
    native.Take(mirror.Mirror(model, static_cast<int>(native.items.size())), model);
  };

  sync();  // empty into empty
  EXPECT_EQ(native.clears, 0);
  model.AddItem("A");
  sync();
  model.AddItem("B");
  const ListMirror::Steps grow = mirror.Mirror(model, 1);
  EXPECT_FALSE(grow.clear);
  EXPECT_EQ(grow.appendFrom, 1u);
  native.Take(grow, model);
  EXPECT_EQ(native.items, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(native.clears, 0);

  // Refilled with other items: rebuilt.
  model.Clear();
  model.AddItem("C");
  sync();
  EXPECT_EQ(native.items, (std::vector<std::string>{"C"}));
  EXPECT_EQ(native.clears, 1);

  // A toolkit list that holds other than what was mirrored into it (the
  // toolkit dropped its items) is rebuilt too.
  const ListMirror::Steps lost = mirror.Mirror(model, 0);
  EXPECT_TRUE(lost.clear);
  EXPECT_EQ(lost.appendFrom, 0u);
}

}  // namespace
}  // namespace tq::ui
