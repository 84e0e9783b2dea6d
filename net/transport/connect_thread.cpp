#include "net/transport/connect_thread.h"

#include <chrono>
#include <exception>

#include "net/transport/socket_handle.h"

namespace {
// Codes of a socket closed or shut under the connect.
constexpr std::initializer_list<int32_t> ClosedUnderConnect = {10009, 10038};
constexpr int32_t ShutdownBoth = 2;
}  // namespace

TIdConnectThread::TIdConnectThread(TIdSocketHandle& binding)
    : Binding(binding), Socket(binding.SocketId), RemoteIP(binding.RemoteIP), RemotePort(binding.RemotePort) {}

TIdConnectThread::~TIdConnectThread() {
  Abort();
  WaitFor();
}

bool TIdConnectThread::Finished() const {
  std::lock_guard guard(FLock);
  return FFinished;
}

bool TIdConnectThread::WaitFinished(int32_t ms) const {
  std::unique_lock guard(FLock);
  return FEnded.wait_for(guard, std::chrono::milliseconds(ms), [this] { return FFinished; });
}

void TIdConnectThread::Start() {
  Thread = std::thread([this] { Execute(); });
}

// Only while the handle still holds this thread's socket: once it was closed
// (which shut it, waking the connect) its number may belong to another file.
void TIdConnectThread::Abort() {
  if (Thread.joinable() && !Finished() && Binding.IsOpen && Binding.SocketId == Socket)
    SharedStack->SocketShutdown(Socket, ShutdownBoth);
}

void TIdConnectThread::WaitFor() {
  if (Thread.joinable()) Thread.join();
}

void TIdConnectThread::Execute() {
  try {
    const int32_t result = SharedStack->SocketConnect(Socket, Id_PF_INET, RemoteIP, RemotePort);
    Connected = result != Id_SOCKET_ERROR;
    SharedStack->CheckSocketResult(result, ClosedUnderConnect);
  } catch (const std::exception& error) {
    ConnectError = error.what();
    ConnectFailure = std::current_exception();
  }
  {
    std::lock_guard guard(FLock);
    FFinished = true;
  }
  FEnded.notify_all();
}
