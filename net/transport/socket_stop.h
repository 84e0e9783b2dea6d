#pragma once
// A way to end, from any thread, every transfer that a group of threads has
// in progress: sockets opened on a thread while a stop's scope is set there
// belong to that stop, and Stop shuts them all down at once, so that a
// blocked connect, read or TLS handshake returns at once instead of waiting
// for a silent server. A socket opened after Stop is shut as it is made. A
// stop made on a thread inside another's scope is part of it: stopping the
// outer one (a job) stops the inner ones (its workers) too.

#include <set>

#include "net/transport/stack.h"

class TSocketStop {
public:
  TSocketStop();
  ~TSocketStop();
  TSocketStop(const TSocketStop&) = delete;
  TSocketStop& operator=(const TSocketStop&) = delete;

  void Stop();
  bool Stopped() const;

  // Sockets the current thread opens while the scope lives belong to stop.
  class TScope {
  public:
    explicit TScope(TSocketStop& stop);
    ~TScope();
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;

  private:
    TSocketStop* outer_;
  };

  // The socket layer's side: a socket made on this thread, and one about to
  // be closed on any thread. The number is forgotten before the close, so
  // Stop never reaches a number the system has handed out again.
  static void Opened(TIdStackSocketHandle socket);
  static void Closing(TIdStackSocketHandle socket);

private:
  void stopLocked();

  // Guarded by the registry's lock, which every stop shares.
  TSocketStop* parent_;
  std::set<TSocketStop*> children_;
  std::set<TIdStackSocketHandle> sockets_;
  bool stopped_ = false;
};
