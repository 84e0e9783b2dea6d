#include "tests/servers/scripted_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace {
constexpr auto ReceivedWait = std::chrono::seconds(10);
}

ScriptStep script::Send(std::string bytes) { return {ScriptStep::SendBytes, std::move(bytes), 0}; }
ScriptStep script::Receive(size_t count) { return {ScriptStep::ReceiveBytes, {}, count}; }
ScriptStep script::Close() { return {ScriptStep::CloseConnection, {}, 0}; }

ScriptedPeer::ScriptedPeer(std::vector<ScriptStep> script)
    : Script(std::move(script)), Listener(1), Thread([this] { Run(); }) {}

ScriptedPeer::~ScriptedPeer() {
  Stop.Raise();
  Thread.join();
}

std::string ScriptedPeer::Received() {
  std::unique_lock lock(Lock);
  Ended.wait_for(lock, ReceivedWait, [this] { return Done; });
  return Recorded;
}

bool ScriptedPeer::ReceiveInto(int connection, size_t count) {
  char block[65536];
  size_t received = 0;
  while (received < count) {
    if (!WaitReady(connection, POLLIN, Stop)) return false;
    const ssize_t n = ::recv(connection, block, std::min(sizeof block, count - received), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    std::lock_guard guard(Lock);
    Recorded.append(block, static_cast<size_t>(n));
    received += static_cast<size_t>(n);
  }
  return true;
}

// Returns false when the connection ended during the script.
bool ScriptedPeer::Play(int connection) {
  for (const ScriptStep& step : Script) {
    switch (step.Kind) {
      case ScriptStep::SendBytes:
        if (!SendAll(connection, step.Bytes, Stop)) return false;
        break;
      case ScriptStep::ReceiveBytes:
        if (!ReceiveInto(connection, step.Count)) return false;
        break;
      case ScriptStep::CloseConnection: return false;
    }
  }
  return true;
}

void ScriptedPeer::Run() {
  if (WaitReady(Listener.Fd(), POLLIN, Stop)) {
    UniqueFd connection(::accept4(Listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection && Play(connection.Get())) ReceiveInto(connection.Get(), SIZE_MAX);
  }
  std::lock_guard guard(Lock);
  Done = true;
  Ended.notify_all();
}
