#pragma once
// A component that others merely reference (a transport, an intercept, SOCKS
// settings) tells them when it is destroyed first, so that they forget it
// instead of keeping a dangling pointer.

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

class TIdFreeNotifier {
public:
  TIdFreeNotifier() = default;
  TIdFreeNotifier(const TIdFreeNotifier&) = delete;
  TIdFreeNotifier& operator=(const TIdFreeNotifier&) = delete;
  ~TIdFreeNotifier() {
    for (auto& [subscriber, forget] : Subscribers) forget();
  }

  // forget runs when this object is destroyed; one entry per subscriber.
  void AddFreeNotification(const void* subscriber, std::function<void()> forget) {
    RemoveFreeNotification(subscriber);
    Subscribers.emplace_back(subscriber, std::move(forget));
  }
  void RemoveFreeNotification(const void* subscriber) {
    std::erase_if(Subscribers, [subscriber](const auto& entry) { return entry.first == subscriber; });
  }

private:
  std::vector<std::pair<const void*, std::function<void()>>> Subscribers;
};
