#include "ui/taskpane/page_history.h"

void TmxTaskPageMRUList::Add(TmxCustomTaskPanePage* page) {
  if (!page) return;
  if (cursor_ == -1) {
    entries_.push_back(page);
    cursor_ = 0;
  } else {
    entries_.insert(entries_.begin() + cursor_ + 1, page);
    ++cursor_;
  }
  while (Count() - 1 > cursor_) entries_.pop_back();
  if (OnChange) OnChange();
}

void TmxTaskPageMRUList::StepBack() {
  if (!CanStepBack()) return;
  --cursor_;
  if (OnNavigate) OnNavigate();
}

void TmxTaskPageMRUList::StepForward() {
  if (!CanStepForward()) return;
  ++cursor_;
  if (OnNavigate) OnNavigate();
}

void TmxTaskPageMRUList::Clear() {
  entries_.clear();
  cursor_ = -1;
  if (OnChange) OnChange();
}

void TmxTaskPageMRUList::Remove(TmxCustomTaskPanePage* page) {
  bool removed = false;
  for (int i = Count() - 1; i >= 0; --i) {
    if (entries_[i] != page) continue;
    entries_.erase(entries_.begin() + i);
    if (i <= cursor_) --cursor_;
    removed = true;
  }
  if (cursor_ < 0 && !entries_.empty()) cursor_ = 0;
  if (removed && OnChange) OnChange();
}
