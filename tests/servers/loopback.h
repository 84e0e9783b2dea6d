#pragma once
// Loopback sockets for test peers: listeners on a free port of 127.0.0.1 and
// the waits a peer needs to stop promptly when its test ends.

#include <cstdint>
#include <string>

// An owned file descriptor.
class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : Fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : Fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd() { Reset(); }

  int Get() const { return Fd; }
  explicit operator bool() const { return Fd >= 0; }
  int Release();
  void Reset(int fd = -1);

private:
  int Fd = -1;
};

// A listening TCP socket on 127.0.0.1 with a port the kernel chose.
class LoopbackListener {
public:
  explicit LoopbackListener(int backlog = 16);
  int Port() const { return ListenPort; }
  int Fd() const { return Socket.Get(); }

private:
  int ListenPort = 0;  // before Socket: set while Socket is made
  UniqueFd Socket;
};

// A port of 127.0.0.1 held by a bound socket that does not listen: every
// connect to it is refused, and no other test can take the port meanwhile.
class RefusingPort {
public:
  RefusingPort();
  int Port() const { return BoundPort; }

private:
  int BoundPort = 0;  // before Socket: set while Socket is made
  UniqueFd Socket;
};

// A port on 127.0.0.1 that was free a moment ago, for peers that are
// separate programs and must be told their port.
int FreeLoopbackPort();
// True once something accepts connections on 127.0.0.1:port.
bool AcceptsConnections(int port);
// A blocking client socket connected to 127.0.0.1:port.
UniqueFd ConnectToLoopback(int port);

// A stop signal that a peer thread can wait on together with its sockets.
class StopSignal {
public:
  StopSignal();
  void Raise();
  bool Raised() const;
  int Fd() const { return Event.Get(); }

private:
  UniqueFd Event;
};

// Waits until fd is ready for events (POLLIN / POLLOUT); false when stop was
// raised first.
bool WaitReady(int fd, short events, const StopSignal& stop);
// Sends all bytes; false when the peer went away or stop was raised.
bool SendAll(int fd, const std::string& bytes, const StopSignal& stop);
