#include "net/transport/connect_thread.h"

#include <exception>

#include "net/transport/socket_handle.h"

namespace {
// Codes of a socket closed under the connect by a time-out.
constexpr std::initializer_list<int32_t> ClosedUnderConnect = {10009, 10038};
}

TIdConnectThread::~TIdConnectThread() { WaitFor(); }

void TIdConnectThread::Start() { Thread = std::thread([this] { Execute(); }); }

void TIdConnectThread::WaitFor() {
  if (Thread.joinable()) Thread.join();
}

void TIdConnectThread::Execute() {
  try {
    SharedStack->CheckSocketResult(Binding.ConnectPeer(Id_PF_INET), ClosedUnderConnect);
  } catch (const std::exception& error) {
    ConnectError = error.what();
  }
  FFinished.store(true, std::memory_order_release);
}
