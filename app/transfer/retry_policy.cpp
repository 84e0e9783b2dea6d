#include "app/transfer/retry_policy.h"

#include <thread>

#include "app/transfer/transfer_errors.h"
#include "net/http/http_client_exceptions.h"

namespace {

constexpr auto PauseSlice = std::chrono::milliseconds(10);

bool passingStatus(int32_t status) { return status == 408 || status == 429 || (status >= 500 && status <= 599); }

}  // namespace

bool TRetryPolicy::Retryable(const std::exception& error) {
  if (const auto* refused = dynamic_cast<const EIdHTTPProtocolException*>(&error))
    return passingStatus(refused->ReplyCode);
  return dynamic_cast<const EIdConnClosedGracefully*>(&error) || dynamic_cast<const EIdSocketError*>(&error) ||
         dynamic_cast<const EIdReadTimeout*>(&error) || dynamic_cast<const EIdConnectTimeout*>(&error) ||
         dynamic_cast<const EIdConnectException*>(&error) || dynamic_cast<const EIdNotConnected*>(&error) ||
         dynamic_cast<const EIdClosedSocket*>(&error) || dynamic_cast<const ETransferCut*>(&error);
}

bool TRetryPolicy::Pause(int32_t attempt, const std::function<bool()>& stopped,
                         const std::function<void()>& tick) const {
  const auto until = std::chrono::steady_clock::now() + FirstPause * (int64_t{1} << std::min(attempt - 1, 16));
  while (std::chrono::steady_clock::now() < until) {
    if (stopped && stopped()) return false;
    if (tick) tick();
    std::this_thread::sleep_for(PauseSlice);
  }
  return !(stopped && stopped());
}
