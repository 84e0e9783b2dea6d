#pragma once
// A TCP peer on 127.0.0.1 that sends back every byte it receives, one
// connection after another, until it is destroyed.

#include <thread>

#include "tests/servers/loopback.h"

class EchoPeer {
public:
  EchoPeer();
  ~EchoPeer();
  EchoPeer(const EchoPeer&) = delete;
  EchoPeer& operator=(const EchoPeer&) = delete;

  int Port() const { return Listener.Port(); }

private:
  void Run();
  void Echo(int connection);

  LoopbackListener Listener;
  StopSignal Stop;
  std::thread Thread;
};
