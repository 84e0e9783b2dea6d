#include "app/transfer/ranged_fetch.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>

#include "app/transfer/messages.h"
#include "app/transfer/range_headers.h"
#include "app/transfer/transfer_errors.h"
#include "net/http/body_streams.h"
#include "net/http/http_client.h"

namespace transfer {

namespace {

// Raised inside a transfer once the fetch must end.
struct StopRequested {};

// What one request asked for.
struct Asked {
  int64_t RangeFirst;  // where the whole range begins
  int64_t Next;        // the first byte this request wants
  int64_t Last;        // -1: to the end
  bool SentRange() const { return Next > 0 || Last >= 0; }
};

// One answer's body. Its head is checked at the first byte (or at the end
// of an empty body); then the bytes from the wanted offset up to the end of
// the range (and of the answer's own Content-Range) go to the target, and
// whatever else the answer carries is read past.
class RangeSink : public TAnswerSink {
public:
  RangeSink(TIdHTTP& http, const Asked& asked, TVersion& version, TRangeTarget& target, TWholeAnswer wholeAnswer,
            const std::function<bool()>& stopped, TRateLimit* rateLimit, const std::function<void()>& tick)
      : http_(http),
        asked_(asked),
        version_(version),
        target_(target),
        wholeAnswer_(wholeAnswer),
        stopped_(stopped),
        rateLimit_(rateLimit),
        tick_(tick),
        next_(asked.Next) {}

  int64_t Write(const void* buffer, int64_t count) override {
    if (stopped_ && stopped_()) throw StopRequested{};
    if (count <= 0) return 0;
    Decide();
    const char* bytes = static_cast<const char*>(buffer);
    // The resource offset of this block's first byte.
    const int64_t at = answerFirst_ + received_;
    received_ += count;
    const int64_t from = std::max(at, next_);
    const int64_t to = std::min(at + count, takeEnd_);
    if (to > from) {
      target_.Write(from, bytes + (from - at), to - from);
      next_ = to;
    }
    // The bytes are taken; the next read waits until the job's rate allows.
    if (rateLimit_ && !rateLimit_->Take(count, stopped_, tick_)) throw StopRequested{};
    return count;
  }
  int64_t GetSize() override { return received_; }

  void Decide() {
    if (decided_) return;
    decided_ = true;
    TIdHTTPResponse& response = http_.Response();
    const std::string validator = ValidatorOf(response);
    int64_t keep = asked_.Next - asked_.RangeFirst;
    int64_t answerLast = -1;
    if (response.StatusCode() == 206) {
      const std::optional<TContentRange> range = ContentRangeOf(response);
      if (!range || range->First != asked_.Next) throw EVersionChanged(transfer_messages::WrongRange);
      if ((version_.Total >= 0 && range->Total >= 0 && range->Total != version_.Total) ||
          (!version_.Validator.empty() && !validator.empty() && validator != version_.Validator))
        throw EVersionChanged(transfer_messages::OtherVersion);
      answerFirst_ = range->First;
      answerLast = range->Last;
      if (version_.Total < 0) version_.Total = range->Total;
      if (version_.Validator.empty() && keep == 0) version_.Validator = validator;
    } else {
      // The whole resource, from its start.
      if (asked_.SentRange() && wholeAnswer_ == TWholeAnswer::Refuse)
        throw EVersionChanged(transfer_messages::WrongRange);
      answerFirst_ = 0;
      const int64_t length = response.ContentLength();
      if (length >= 0) answerLast = length - 1;
      version_ = {validator, length};
      keep = 0;
      next_ = asked_.RangeFirst;
      tookWhole_ = wholeAnswer_ == TWholeAnswer::TakeAll;
    }
    announced_ = answerLast >= 0 ? answerLast - answerFirst_ + 1 : -1;
    int64_t end = answerLast >= 0 ? answerLast + 1 : INT64_MAX;
    if (asked_.Last >= 0 && !tookWhole_) end = std::min(end, asked_.Last + 1);
    takeEnd_ = end;
    target_.Begin(http_, keep);
  }

  // The first byte not yet taken, and the one this request asked for.
  int64_t Next() const { return next_; }
  int64_t AskedFrom() const { return asked_.Next; }
  bool Decided() const { return decided_; }
  // The answer was the whole resource, taken whole.
  bool TookWhole() const { return tookWhole_; }
  // The answer's body ended before what its head announced.
  bool Cut() const { return announced_ >= 0 && received_ < announced_; }
  int64_t Received() const { return received_; }
  int64_t Announced() const { return announced_; }

private:
  // A redirect's or a challenge's body: nothing of it was taken yet.
  void Forget() override {
    decided_ = tookWhole_ = false;
    received_ = 0;
    next_ = asked_.Next;
  }

  TIdHTTP& http_;
  const Asked asked_;
  TVersion& version_;
  TRangeTarget& target_;
  const TWholeAnswer wholeAnswer_;
  const std::function<bool()>& stopped_;
  TRateLimit* const rateLimit_;
  const std::function<void()>& tick_;
  int64_t next_;
  int64_t answerFirst_ = 0;
  int64_t received_ = 0;
  int64_t announced_ = -1;
  int64_t takeEnd_ = INT64_MAX;
  bool decided_ = false;
  bool tookWhole_ = false;
};

}  // namespace

TRangedFetch::TRangedFetch(TIdHTTP& http, TRetryPolicy policy) : http_(http), policy_(policy) {}

int64_t TRangedFetch::Fetch(const std::string& address, int64_t first, int64_t last, int64_t have, TVersion& version,
                            TRangeTarget& target) {
  const auto stopped = [this] { return Stopped && Stopped(); };
  int64_t next = first + have;
  // A range past the resource's end ends with the resource.
  const auto end = [&] {
    if (last < 0) return version.Total;
    return version.Total >= 0 ? std::min(last + 1, version.Total) : last + 1;
  };
  // Even a range that seems whole is asked for once: only the server can say
  // that nothing is left of it.
  for (int32_t failures = 0, asked = 0;; ++asked) {
    if (stopped() || (asked > 0 && end() >= 0 && next >= end())) return next - first;
    RangeSink sink(http_, {first, next, last}, version, target, WholeAnswer, Stopped, policy_.RateLimit.get(), OnPause);
    if (OnRequest) OnRequest(next);
    try {
      {
        const TRangeLines lines(http_, next, last >= 0 ? std::optional<int64_t>(last) : std::nullopt,
                                next > first ? version.Validator : std::string());
        http_.GetIntoStream(address, sink);
      }
      sink.Decide();
      next = sink.Next();
      if (sink.TookWhole()) last = -1;
      if (stopped()) return next - first;
      if (sink.Cut()) throw ETransferCut(fmt::format(transfer_messages::AnswerCut, sink.Received(), sink.Announced()));
      // An answer of unknown length ends the resource.
      if (end() < 0 || next >= end()) return next - first;
      // A short but whole answer: the rest is asked for at once, as long as
      // each answer brings something.
      if (next > sink.AskedFrom()) continue;
      throw ETransferCut(fmt::format(transfer_messages::AnswerCut, next - first, end() - first));
    } catch (const StopRequested&) {
      http_.CloseConnection();
      return sink.Next() - first;
    } catch (const EVersionChanged&) {
      http_.CloseConnection();
      if (WholeAnswer == TWholeAnswer::Refuse || failures >= policy_.Retries || !target.MayRetry()) throw;
      // Begun again, as a new fetch of the range.
      version = {};
      next = first;
      ++failures;
      if (OnRetry) OnRetry(failures, next);
      if (!policy_.Pause(failures, Stopped, OnPause)) return 0;
    } catch (const std::exception& error) {
      http_.CloseConnection();
      if (sink.Decided()) next = sink.Next();
      if (sink.TookWhole()) last = -1;
      if (stopped()) return next - first;
      if (!TRetryPolicy::Retryable(error) || failures >= policy_.Retries || !target.MayRetry()) throw;
      ++failures;
      if (OnRetry) OnRetry(failures, next);
      if (!policy_.Pause(failures, Stopped, OnPause)) return next - first;
    }
  }
}

}  // namespace transfer
