#include "net/transport/anti_freeze.h"

#include "platform/main_thread.h"

namespace {
TIdAntiFreezeBase* instance = nullptr;
}

TIdAntiFreezeBase::TIdAntiFreezeBase() { instance = this; }

TIdAntiFreezeBase::~TIdAntiFreezeBase() {
  if (instance == this) instance = nullptr;
}

TIdAntiFreezeBase* TIdAntiFreezeBase::Instance() { return instance; }

bool IsAntiFreezeInUse() { return instance && instance->Active && IsMainThread(); }

void RunAntiFreeze(bool idle, bool overrideIdle) {
  if (IsAntiFreezeInUse() && (idle || !instance->OnlyWhenIdle || overrideIdle)) instance->Process();
}
