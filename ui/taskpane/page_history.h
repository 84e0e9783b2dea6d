// The pages a task pane has shown, in order, with a cursor on the page shown
// now, so that Back and Next walk them like a browser's history.
#pragma once

#include <functional>
#include <vector>

class TmxCustomTaskPanePage;

class TmxTaskPageMRUList {
public:
  int Count() const { return int(entries_.size()); }
  int Cursor() const { return cursor_; }
  bool CanStepBack() const { return cursor_ > 0; }
  bool CanStepForward() const { return cursor_ < Count() - 1; }
  TmxCustomTaskPanePage* Current() const { return cursor_ < 0 ? nullptr : entries_[cursor_]; }
  TmxCustomTaskPanePage* Entry(int index) const { return entries_.at(index); }

  // Puts the page after the cursor and drops the forward part.
  void Add(TmxCustomTaskPanePage* page);
  void StepBack();
  void StepForward();
  void Clear();
  // Forgets every entry for a page that leaves its pane, keeping the cursor
  // on the same entry where it survives.
  void Remove(TmxCustomTaskPanePage* page);

  std::function<void()> OnChange;
  std::function<void()> OnNavigate;

private:
  std::vector<TmxCustomTaskPanePage*> entries_;
  int cursor_ = -1;
};
