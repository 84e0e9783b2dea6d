#pragma once
// One large file fetched with several ranged requests at once, each on its
// own client, thread and connection, written into one file at its offsets.
// The first answer decides: a 206 gives the size and the validator (ETag or
// Last-Modified) that every later part names in If-Range; a 200 is the whole
// file over the one connection. Each part is one ranged fetch: a part cut or
// answered short goes on from the byte it reached; a part answered with 200,
// another range, another size or another validator means the file changed on
// the server, and the fetch starts over, never mixing two versions in one
// file. Parts are planned only as connections take them, so a size the
// server merely claims costs nothing until bytes come. A record beside the
// file says how far each part is written, so that a stopped fetch is
// continued later with only the missing bytes, still under If-Range.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/streams/segment_fetcher.h"
#include "app/transfer/retry_policy.h"
#include "app/transfer/stop_relay.h"

class TWorkerGroup;

namespace streams {

struct TRangesResult {
  // False after Stop: the file then has gaps and is of no use.
  bool Complete = false;
  int64_t Bytes = 0;
  // Whether the server took ranged requests, so that parts ran side by side.
  bool Parallel = false;
  std::string ContentType;
};

class TParallelRanges {
public:
  explicit TParallelRanges(THttpClientFactory factory);

  int32_t Connections = 4;
  // Further attempts at a dropped part (continued after its bytes so far),
  // and further starts after the file changed.
  TRetryPolicy Retry;
  // The size of each ranged request.
  int64_t PartSize = int64_t{4} << 20;
  // The first request asks for at most this much: the others cannot start
  // before its answer, so it is kept short.
  int64_t FirstPartSize = int64_t{256} << 10;
  // What an earlier answer of the whole file said of it: with a validator
  // the parts need no first ranged answer before they start.
  struct TKnownFile {
    int64_t Total = -1;
    std::string Validator;
    std::string ContentType;
  };
  std::optional<TKnownFile> Known;
  // On the thread that runs Fetch, every fifth of a second while bytes arrive.
  std::function<void(int64_t bytes, int64_t total)> OnProgress;
  // On the thread that runs Fetch: a record that does not fit the file was
  // put aside, with the message that says so.
  std::function<void(const std::string& notice)> OnNotice;

  // From any thread: every connection's transfer ends at once.
  void Stop();

  // With stateFile the record is kept there while the file has gaps, and
  // with continuePartial a file that such a record describes for this
  // address is continued. Raises EVideoStreamFetchFailed naming the address
  // and the offset of a part that failed after its retries (its cause
  // nested), or saying the file kept changing.
  TRangesResult Fetch(const std::string& address, const std::string& outputFile, const std::string& stateFile = {},
                      bool continuePartial = false);

private:
  THttpClientFactory factory_;
  // Reaches the running start's workers.
  TStopRelay<TWorkerGroup> stop_;
};

}  // namespace streams
