#pragma once
// The reader/writer lock of the cookie store. Header composition reads under
// the shared side; storing, freeing and expiry write under the exclusive
// side, and the thread that writes may take either side again (the expiry
// pass frees cookies, which lock once more, while it holds the lock).

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <thread>

class TIdCookieLock {
public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  void EndWrite();

private:
  bool heldByThisThread() const { return Writer.load() == std::this_thread::get_id(); }

  std::shared_mutex Lock;
  std::atomic<std::thread::id> Writer{};
  // Nested entries of the writing thread, reads included.
  int32_t WriterDepth = 0;
};
