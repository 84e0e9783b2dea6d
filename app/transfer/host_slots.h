#pragma once
// The connections a process keeps open to one host at a time, counted
// across every job (the queue's jobs at once, each with -N connections), so
// that no server sees more of us than a browser would open.

#include <cstdint>
#include <functional>
#include <string>

class THostSlots {
public:
  static constexpr int32_t DefaultLimit = 8;
  // The limit for every host from now on.
  static void SetLimit(int32_t limit);

  // One connection's slot, held until the object goes.
  class TSlot {
  public:
    TSlot() = default;
    TSlot(TSlot&& other) noexcept;
    TSlot& operator=(TSlot&& other) noexcept;
    ~TSlot();
    bool Held() const { return !host_.empty(); }

  private:
    friend class THostSlots;
    explicit TSlot(std::string host) : host_(std::move(host)) {}
    std::string host_;
  };

  // Waits for a free slot of host; an empty slot when stopped said so first.
  static TSlot Take(const std::string& host, const std::function<bool()>& stopped);
  // Slots of host in use now.
  static int32_t InUse(const std::string& host);
};
