#pragma once
// How often and after which pauses a transfer is tried again: one rule for
// whole files, their parallel parts and stream segments. Retries counts the
// further attempts after a dropped, cut, refused or stalled transfer, or a
// server's passing refusal (408, 429, 5xx); 0 means none, anywhere.

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "app/transfer/rate_limit.h"

struct TRetryPolicy {
  int32_t Retries = 3;
  // The pause before the first retry; each later one doubles it.
  std::chrono::milliseconds FirstPause{100};
  // The job's cap on bytes a second, shared by every transfer the policy
  // is given to; none for no cap. It travels with the policy because every
  // ranged fetch is made with one.
  std::shared_ptr<transfer::TRateLimit> RateLimit;

  // Whether another attempt may mend what error says went wrong.
  static bool Retryable(const std::exception& error);

  // Waits before retry number attempt (from 1), running tick every slice of
  // the pause; false when stopped said so meanwhile.
  bool Pause(int32_t attempt, const std::function<bool()>& stopped, const std::function<void()>& tick = {}) const;
};
