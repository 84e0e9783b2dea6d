#pragma once
// A listener on 127.0.0.1 that never accepts and whose accept queue is full,
// so that a further connect waits without an answer: the unreachable peer of
// the connect time-out tests, without leaving the machine.

#include <vector>

#include "tests/servers/loopback.h"

class FullAcceptQueue {
public:
  // Fills the queue and checks that one more connect really waits; raises
  // PeerError when this kernel completes it anyway.
  FullAcceptQueue();
  int Port() const { return Listener.Port(); }

private:
  LoopbackListener Listener;
  std::vector<UniqueFd> Fillers;
};
