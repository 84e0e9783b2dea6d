#pragma once
// Connects one socket on a second thread, so that the caller can give up
// after a time-out: it closes the socket under the thread, which ends the
// blocked connect, and waits for the thread.

#include <atomic>
#include <string>
#include <thread>

class TIdSocketHandle;

class TIdConnectThread {
public:
  // Created suspended: Start runs it.
  explicit TIdConnectThread(TIdSocketHandle& binding) : Binding(binding) {}
  ~TIdConnectThread();
  TIdConnectThread(const TIdConnectThread&) = delete;
  TIdConnectThread& operator=(const TIdConnectThread&) = delete;

  void Start();
  bool Finished() const { return FFinished.load(std::memory_order_acquire); }
  void WaitFor();

  // Empty unless the connect raised; read after WaitFor.
  std::string ConnectError;

private:
  void Execute();

  TIdSocketHandle& Binding;
  std::atomic<bool> FFinished{false};
  std::thread Thread;
};
