#include "net/http/cookie_lock.h"

void TIdCookieLock::BeginRead() {
  if (heldByThisThread()) {
    ++WriterDepth;
    return;
  }
  Lock.lock_shared();
}

void TIdCookieLock::EndRead() {
  if (heldByThisThread()) {
    --WriterDepth;
    return;
  }
  Lock.unlock_shared();
}

void TIdCookieLock::BeginWrite() {
  if (heldByThisThread()) {
    ++WriterDepth;
    return;
  }
  Lock.lock();
  Writer.store(std::this_thread::get_id());
  WriterDepth = 1;
}

void TIdCookieLock::EndWrite() {
  if (--WriterDepth > 0) return;
  Writer.store(std::thread::id());
  Lock.unlock();
}
