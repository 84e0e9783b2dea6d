#include "app/transfer/ranged_fetch.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "app/transfer/messages.h"
#include "app/transfer/range_headers.h"
#include "app/transfer/transfer_errors.h"
#include "net/http/body_streams.h"
#include "net/http/http_client.h"

namespace transfer {

namespace {

// Raised inside a transfer once the fetch must end.
struct StopRequested {};

// Once an answer's bytes are taken they are received and written in large
// pieces: a system call per piece instead of one per client-sized chunk.
// The first bytes of each answer still come at the client's own size, so a
// slow server's head is never waited on for a large piece.
constexpr int32_t BulkReceiveSize = 256 * 1024;
constexpr size_t BulkWriteSize = 256 * 1024;
// A slow answer's bytes still reach the target (and the progress it counts)
// this often.
constexpr auto LongestHold = std::chrono::milliseconds(250);

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
      next_ = to;
      hold(bytes + (from - at), to - from);
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
    http_.RecvBufferSize = std::max(http_.RecvBufferSize, BulkReceiveSize);
  }

  // The bytes held back reach the target; every way out of a request
  // passes here before the bytes taken are counted or continued from. Bytes
  // a failed write leaves held are not the target's.
  void Flush() {
    if (held_.empty()) return;
    target_.Write(next_ - int64_t(held_.size()), held_.data(), int64_t(held_.size()));
    held_.clear();
  }

  // The first byte the target does not hold, and the one this request
  // asked for.
  int64_t Next() const { return next_ - int64_t(held_.size()); }
  int64_t AskedFrom() const { return asked_.Next; }
  bool Decided() const { return decided_; }
  // The answer was the whole resource, taken whole.
  bool TookWhole() const { return tookWhole_; }
  // The answer's body ended before what its head announced.
  bool Cut() const { return announced_ >= 0 && received_ < announced_; }
  int64_t Received() const { return received_; }
  int64_t Announced() const { return announced_; }

private:
  void hold(const char* bytes, int64_t count) {
    if (held_.empty()) {
      held_.reserve(BulkWriteSize);
      heldSince_ = std::chrono::steady_clock::now();
    }
    held_.insert(held_.end(), bytes, bytes + count);
    if (held_.size() >= BulkWriteSize || std::chrono::steady_clock::now() - heldSince_ >= LongestHold) Flush();
  }

  // A redirect's or a challenge's body: nothing of it was taken yet.
  void Forget() override {
    held_.clear();
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
  // Taken bytes not yet written, the last ending before next_.
  std::vector<char> held_;
  std::chrono::steady_clock::time_point heldSince_;
  int64_t next_;
  int64_t answerFirst_ = 0;
  int64_t received_ = 0;
  int64_t announced_ = -1;
  int64_t takeEnd_ = INT64_MAX;
  bool decided_ = false;
  bool tookWhole_ = false;
};

// The client's receive size as its owner set it, back for each request's
// first bytes and once the fetch ends.
class OwnReceiveSize {
public:
  explicit OwnReceiveSize(TIdHTTP& http) : http_(http), size_(http.RecvBufferSize) {}
  ~OwnReceiveSize() { Restore(); }
  OwnReceiveSize(const OwnReceiveSize&) = delete;
  OwnReceiveSize& operator=(const OwnReceiveSize&) = delete;
  void Restore() const { http_.RecvBufferSize = size_; }

private:
  TIdHTTP& http_;
  const int32_t size_;
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
  const OwnReceiveSize ownReceiveSize(http_);
  for (int32_t failures = 0, asked = 0;; ++asked) {
    if (stopped() || (asked > 0 && end() >= 0 && next >= end())) return next - first;
    ownReceiveSize.Restore();
    RangeSink sink(http_, {first, next, last}, version, target, WholeAnswer, Stopped, policy_.RateLimit.get(), OnPause);
    if (OnRequest) OnRequest(next);
    try {
      {
        const TRangeLines lines(http_, next, last >= 0 ? std::optional<int64_t>(last) : std::nullopt,
                                next > first ? version.Validator : std::string());
        http_.GetIntoStream(address, sink);
      }
      sink.Flush();
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
      sink.Flush();
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
      if (sink.Decided()) {
        sink.Flush();
        next = sink.Next();
      }
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
