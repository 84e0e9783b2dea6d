#pragma once
// The hook through which long blocking waits on the main thread can let the
// user interface breathe. The program itself creates no anti-freeze object,
// so every wait is a plain blocking wait unless one exists.

#include <cstdint>

#include "net/transport/component.h"

class TIdAntiFreezeBase : public TIdBaseComponent {
public:
  // The object created last becomes the process-wide one; destroying it
  // clears the reference.
  TIdAntiFreezeBase();
  ~TIdAntiFreezeBase() override;

  bool Active = true;
  bool ApplicationHasPriority = true;
  int32_t IdleTimeOut = 250;
  bool OnlyWhenIdle = true;

  // The processing step a concrete anti-freeze supplies.
  virtual void Process() = 0;

  // The process-wide object, or none.
  static TIdAntiFreezeBase* Instance();
};

// True when an anti-freeze exists, is active and the caller is the main thread.
bool IsAntiFreezeInUse();
// Runs the processing step when in use and (idle, or not OnlyWhenIdle, or
// override).
void RunAntiFreeze(bool idle, bool overrideIdle = false);
