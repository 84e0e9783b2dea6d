#include "net/transport/anti_freeze.h"

#include <atomic>

#include "platform/main_thread.h"

namespace {
// Read from any thread (the connect thread asks too), so it is atomic; the
// object itself is used only on the main thread.
std::atomic<TIdAntiFreezeBase*> instance{nullptr};
}  // namespace

TIdAntiFreezeBase::TIdAntiFreezeBase() { instance.store(this); }

TIdAntiFreezeBase::~TIdAntiFreezeBase() {
  TIdAntiFreezeBase* self = this;
  instance.compare_exchange_strong(self, nullptr);
}

TIdAntiFreezeBase* TIdAntiFreezeBase::Instance() { return instance.load(); }

bool IsAntiFreezeInUse() {
  if (!IsMainThread()) return false;
  const TIdAntiFreezeBase* current = instance.load();
  return current && current->Active;
}

void RunAntiFreeze(bool idle, bool overrideIdle) {
  if (!IsAntiFreezeInUse()) return;
  TIdAntiFreezeBase* current = instance.load();
  if (idle || !current->OnlyWhenIdle || overrideIdle) current->Process();
}
