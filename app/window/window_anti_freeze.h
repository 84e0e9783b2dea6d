#pragma once
// The window's messages keep flowing while the job on the window's thread
// waits for the network, connect and response head included: a server that
// has gone silent cannot freeze the window, and Stop, run from here, closes
// the connection the wait is on.

#include "net/transport/anti_freeze.h"

class TWindowAntiFreeze : public TIdAntiFreezeBase {
public:
  // Often enough that the window answers at once, seldom enough that a busy
  // transfer does not notice.
  static constexpr int32_t WaitSlice = 15;
  TWindowAntiFreeze() { IdleTimeOut = WaitSlice; }
  void Process() override;
};
