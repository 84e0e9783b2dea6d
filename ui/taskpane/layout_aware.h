// Controls that need to know when the window layout is being read into them:
// some values are only stored while reading and settled once it ends.
#pragma once

class TmxLayoutAware {
public:
  virtual ~TmxLayoutAware() = default;
  virtual void BeginLayoutRead() = 0;
  virtual void EndLayoutRead() = 0;
};
