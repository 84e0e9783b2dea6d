#pragma once
// A TCP peer on 127.0.0.1 that accepts one connection and plays a script:
// send these bytes, wait for that many bytes, close early. After the script
// it records everything until the client closes. Tests use it where the exact
// bytes on the wire matter: line ends, counted bodies, SOCKS exchanges.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/servers/loopback.h"

struct ScriptStep {
  enum Kind { SendBytes, ReceiveBytes, CloseConnection } Kind;
  std::string Bytes;
  size_t Count = 0;
};

namespace script {
ScriptStep Send(std::string bytes);
// Waits until count more bytes have arrived (or the client closed).
ScriptStep Receive(size_t count);
// Closes the connection at once, ending the script.
ScriptStep Close();
}  // namespace script

class ScriptedPeer {
public:
  explicit ScriptedPeer(std::vector<ScriptStep> script);
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  int Port() const { return Listener.Port(); }
  // Everything the client sent, once the connection has ended (waits at
  // most a few seconds for that).
  std::string Received();

private:
  void Run();
  bool Play(int connection);
  bool ReceiveInto(int connection, size_t count);

  std::vector<ScriptStep> Script;
  LoopbackListener Listener;
  StopSignal Stop;
  std::mutex Lock;
  std::condition_variable Ended;
  bool Done = false;
  std::string Recorded;
  std::thread Thread;
};
