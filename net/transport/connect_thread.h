#pragma once
// Connects one socket on a second thread, so that the caller can give up
// after a time-out. The thread works on the socket number and peer taken when
// it is made and touches the handle no further; giving up aborts the blocked
// connect (a shutdown wakes it, where closing the socket would not) and waits
// for the thread before the socket is closed.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "net/transport/stack.h"

class TIdSocketHandle;

class TIdConnectThread {
public:
  // Created suspended: Start runs it.
  explicit TIdConnectThread(TIdSocketHandle& binding);
  // A connect still running is aborted first, so that leaving early (for
  // instance when the anti-freeze step raised) never waits for the system's
  // own connect time-out.
  ~TIdConnectThread();
  TIdConnectThread(const TIdConnectThread&) = delete;
  TIdConnectThread& operator=(const TIdConnectThread&) = delete;

  void Start();
  bool Finished() const;
  // Waits at most ms milliseconds for the connect to end; whether it has.
  // The caller's steps wake as soon as the connect ends, instead of
  // sleeping out a whole step after a connect that took a millisecond.
  bool WaitFinished(int32_t ms) const;
  // Ends a connect that is still blocked; the thread then finishes at once.
  void Abort();
  void WaitFor();

  // Read after WaitFor: whether the socket connected, and the error text when
  // the connect raised (empty otherwise) with the error itself, whose code
  // the caller passes on.
  bool Connected = false;
  std::string ConnectError;
  std::exception_ptr ConnectFailure;

private:
  void Execute();

  TIdSocketHandle& Binding;
  const TIdStackSocketHandle Socket;
  const std::string RemoteIP;
  const int32_t RemotePort;
  mutable std::mutex FLock;
  mutable std::condition_variable FEnded;
  bool FFinished = false;
  std::thread Thread;
};
