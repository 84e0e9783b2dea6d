#pragma once
// The one way a byte range of a resource is fetched, for a whole file, a
// part of a large file fetched in parallel, and a stream segment. It asks
// for the range, checks each answer's status, Content-Range (start, end and
// total) and validator against what it asked and what the first answer
// named, takes exactly the bytes asked for, and continues after a cut or a
// short answer from the byte it reached, under If-Range on the version
// begun, so that bytes of two versions never join and a hole is never taken
// for the end. Failures are retried as the retry policy says; what it
// cannot mend reaches the caller as the error itself.

#include <cstdint>
#include <functional>
#include <string>

#include "app/transfer/retry_policy.h"

class TIdHTTP;

namespace transfer {

// The version of a resource that the bytes taken so far belong to.
struct TVersion {
  // A strong ETag, else Last-Modified; empty while no answer named one.
  std::string Validator;
  // The resource's size; -1 while no answer said it.
  int64_t Total = -1;
  bool operator==(const TVersion&) const = default;
};

// Where a ranged fetch puts what it takes; offsets count from the
// resource's start.
class TRangeTarget {
public:
  virtual ~TRangeTarget() = default;
  // An answer's bytes are about to be taken: of the range, the first keep
  // bytes written before stay, anything after them is void. The answer's
  // head may be read from http; raising refuses the answer.
  virtual void Begin(TIdHTTP& http, int64_t keep) = 0;
  virtual void Write(int64_t offset, const char* bytes, int64_t count) = 0;
  // Whether a failure may be retried now: a page, unlike a video, is not.
  virtual bool MayRetry() const { return true; }
};

// What a whole resource (a 200) answering a ranged request means.
enum class TWholeAnswer {
  // The range begins again, taken out of the whole resource.
  Restart,
  // The whole resource is taken, whatever the range asked for.
  TakeAll,
  // Nothing of it may be used: EVersionChanged, for the caller to act on.
  Refuse,
};

class TRangedFetch {
public:
  TRangedFetch(TIdHTTP& http, TRetryPolicy policy);

  TWholeAnswer WholeAnswer = TWholeAnswer::Restart;
  // True when the fetch must end; it then returns with what it has.
  std::function<bool()> Stopped;
  // Run on the fetch's thread during the pauses before retries.
  std::function<void()> OnPause;
  // A retry is about to start at offset.
  std::function<void(int32_t attempt, int64_t offset)> OnRetry;
  // Every request, with the offset its bytes start from.
  std::function<void(int64_t offset)> OnRequest;

  // Bytes first to last (-1: to the resource's end) of address into target,
  // of which the first have bytes are there already. An empty version is
  // filled in by the first answer; a version that answer contradicts is
  // another file (EVersionChanged, or a restart with Restart). Returns how
  // many bytes of the range target holds: all of them unless stopped.
  int64_t Fetch(const std::string& address, int64_t first, int64_t last, int64_t have, TVersion& version,
                TRangeTarget& target);

private:
  TIdHTTP& http_;
  const TRetryPolicy policy_;
};

}  // namespace transfer
