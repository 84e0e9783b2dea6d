#include "app/transfer/host_slots.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

// How often a waiting taker looks whether it was stopped.
constexpr auto StopCheck = std::chrono::milliseconds(20);

struct Slots {
  std::mutex Lock;
  std::condition_variable Freed;
  std::map<std::string, int32_t> Used;
  int32_t Limit = THostSlots::DefaultLimit;
};

Slots& slots() {
  static Slots all;
  return all;
}

void release(const std::string& host) {
  Slots& all = slots();
  {
    std::lock_guard guard(all.Lock);
    if (--all.Used[host] <= 0) all.Used.erase(host);
  }
  all.Freed.notify_all();
}

}  // namespace

void THostSlots::SetLimit(int32_t limit) {
  Slots& all = slots();
  {
    std::lock_guard guard(all.Lock);
    all.Limit = std::max(limit, 1);
  }
  all.Freed.notify_all();
}

THostSlots::TSlot::TSlot(TSlot&& other) noexcept : host_(std::move(other.host_)) { other.host_.clear(); }

THostSlots::TSlot& THostSlots::TSlot::operator=(TSlot&& other) noexcept {
  if (this != &other) {
    if (Held()) release(host_);
    host_ = std::move(other.host_);
    other.host_.clear();
  }
  return *this;
}

THostSlots::TSlot::~TSlot() {
  if (Held()) release(host_);
}

THostSlots::TSlot THostSlots::Take(const std::string& host, const std::function<bool()>& stopped) {
  Slots& all = slots();
  // An address without a host still counts as one.
  const std::string key = host.empty() ? std::string(" ") : host;
  std::unique_lock lock(all.Lock);
  while (all.Used[key] >= all.Limit) {
    if (stopped && stopped()) return {};
    all.Freed.wait_for(lock, StopCheck);
  }
  ++all.Used[key];
  return TSlot(key);
}

int32_t THostSlots::InUse(const std::string& host) {
  Slots& all = slots();
  std::lock_guard guard(all.Lock);
  const auto found = all.Used.find(host);
  return found == all.Used.end() ? 0 : found->second;
}
