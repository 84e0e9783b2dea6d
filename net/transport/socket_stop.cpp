#include "net/transport/socket_stop.h"

#include <sys/socket.h>

#include <map>
#include <mutex>

namespace {

thread_local TSocketStop* currentStop = nullptr;

// Which stop each open socket belongs to, for a close on another thread than
// the one that opened it. Sockets are opened and closed once a connection:
// one lock for all is cheap.
std::mutex registryLock;
std::map<TIdStackSocketHandle, TSocketStop*>& owners() {
  static std::map<TIdStackSocketHandle, TSocketStop*> map;
  return map;
}

// Both directions: a blocked read sees the end of the stream, a blocked
// connect is abandoned, and nothing more goes out.
void shutBoth(TIdStackSocketHandle socket) { ::shutdown(socket, SHUT_RDWR); }

}  // namespace

TSocketStop::TSocketStop() : parent_(currentStop) {
  std::lock_guard guard(registryLock);
  if (!parent_) return;
  parent_->children_.insert(this);
  stopped_ = parent_->stopped_;
}

TSocketStop::~TSocketStop() {
  std::lock_guard guard(registryLock);
  for (const TIdStackSocketHandle socket : sockets_) owners().erase(socket);
  if (parent_) parent_->children_.erase(this);
  for (TSocketStop* child : children_) child->parent_ = nullptr;
}

void TSocketStop::Stop() {
  std::lock_guard guard(registryLock);
  stopLocked();
}

void TSocketStop::stopLocked() {
  stopped_ = true;
  for (const TIdStackSocketHandle socket : sockets_) shutBoth(socket);
  for (TSocketStop* child : children_) child->stopLocked();
}

bool TSocketStop::Stopped() const {
  std::lock_guard guard(registryLock);
  return stopped_;
}

TSocketStop::TScope::TScope(TSocketStop& stop) : outer_(currentStop) { currentStop = &stop; }

TSocketStop::TScope::~TScope() { currentStop = outer_; }

void TSocketStop::Opened(TIdStackSocketHandle socket) {
  TSocketStop* stop = currentStop;
  if (!stop) return;
  std::lock_guard guard(registryLock);
  stop->sockets_.insert(socket);
  owners()[socket] = stop;
  if (stop->stopped_) shutBoth(socket);
}

void TSocketStop::Closing(TIdStackSocketHandle socket) {
  std::lock_guard guard(registryLock);
  const auto found = owners().find(socket);
  if (found == owners().end()) return;
  found->second->sockets_.erase(socket);
  owners().erase(found);
}
