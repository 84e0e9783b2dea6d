// The page history walked like a browser's: adds discard the forward part,
// steps only move the cursor.
#include <gtest/gtest.h>

#include "ui/taskpane/page_history.h"

namespace {

// Stand-ins for pages: the list never looks inside them.
TmxCustomTaskPanePage* page(int n) { return reinterpret_cast<TmxCustomTaskPanePage*>(std::uintptr_t(n * 16)); }

struct Recorder {
  int changes = 0, navigations = 0;
  explicit Recorder(TmxTaskPageMRUList& list) {
    list.OnChange = [this] { ++changes; };
    list.OnNavigate = [this] { ++navigations; };
  }
};

std::vector<TmxCustomTaskPanePage*> entries(const TmxTaskPageMRUList& list) {
  std::vector<TmxCustomTaskPanePage*> result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list.Entry(i));
  return result;
}

TEST(PageHistory, AddAfterStepsBackDropsTheForwardPart) {
  TmxTaskPageMRUList list;
  Recorder recorder(list);
  list.Add(page(1));
  list.Add(page(2));
  list.Add(page(3));
  list.StepBack();
  list.StepBack();
  EXPECT_EQ(list.Current(), page(1));
  EXPECT_EQ(recorder.navigations, 2);
  list.Add(page(4));
  EXPECT_EQ(entries(list), (std::vector{page(1), page(4)}));
  EXPECT_EQ(list.Current(), page(4));
  EXPECT_FALSE(list.CanStepForward());
  EXPECT_TRUE(list.CanStepBack());
  EXPECT_EQ(recorder.changes, 4);
}

TEST(PageHistory, DuplicatesAreKept) {
  TmxTaskPageMRUList list;
  list.Add(page(1));
  list.Add(page(1));
  EXPECT_EQ(list.Count(), 2);
  list.StepBack();
  EXPECT_EQ(list.Current(), page(1));
  EXPECT_EQ(list.Cursor(), 0);
}

TEST(PageHistory, EmptyListAndNoPageDoNothing) {
  TmxTaskPageMRUList list;
  Recorder recorder(list);
  EXPECT_EQ(list.Current(), nullptr);
  list.StepBack();
  list.StepForward();
  list.Add(nullptr);
  EXPECT_EQ(recorder.changes + recorder.navigations, 0);
  EXPECT_EQ(list.Cursor(), -1);
}

// A page that leaves its pane leaves the history; the cursor stays on the
// entry it was on, or the one before a removed entry.
TEST(PageHistory, RemovedPageLeavesNoEntry) {
  TmxTaskPageMRUList list;
  for (int n : {1, 2, 1, 3}) list.Add(page(n));
  list.StepBack();  // on the second 1
  list.Remove(page(1));
  EXPECT_EQ(entries(list), (std::vector{page(2), page(3)}));
  EXPECT_EQ(list.Current(), page(2));
  list.Remove(page(2));
  list.Remove(page(3));
  EXPECT_EQ(list.Current(), nullptr);
  EXPECT_EQ(list.Cursor(), -1);
}

}  // namespace
