#pragma once
// Fetches one track of a streamed video with several HTTP clients at once and
// writes it in order into one file: the init section, then every segment,
// AES-128 segments decrypted. Each client runs on its own thread over its own
// kept-alive connection. A segment finished early waits in memory only within
// a window of twice as many segments as there are clients, so memory stays
// bounded however long the stream, while a client never idles behind one
// slow segment of another. Each segment is one ranged fetch, so a cut or
// short answer is continued under If-Range on the segment's first answer. A
// segment that still fails after its retries ends the fetch naming it, with
// the network's error nested inside: a stream with a hole is never written
// as complete. The clients' threads belong to a worker group: Stop ends
// their transfers at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/streams/stream_plan.h"
#include "app/transfer/retry_policy.h"
#include "app/transfer/stop_relay.h"

class TIdHTTP;
class TWorkerGroup;

namespace streams {

// Makes one configured client (proxy, cookies, TLS are the caller's);
// called on the thread that runs Fetch.
using THttpClientFactory = std::function<std::unique_ptr<TIdHTTP>()>;

struct TSegmentProgress {
  // Bytes received so far, those of an earlier run's file included.
  int64_t Bytes = 0;
  int32_t SegmentsDone = 0;
  int32_t SegmentCount = 0;
};

struct TSegmentFetchResult {
  // Every segment is in the file; false after Stop.
  bool Complete = false;
  // The file holds exactly this many whole segments (the init section not
  // counted) and bytes.
  int32_t SegmentsWritten = 0;
  int64_t Bytes = 0;
};

class TSegmentFetcher {
public:
  explicit TSegmentFetcher(THttpClientFactory factory);

  // Clients at a time.
  int32_t Connections = 4;
  // Further attempts at a failed segment or key, after a growing pause.
  TRetryPolicy Retry;
  // On the thread that runs Fetch: after every segment written, and every
  // fifth of a second while bytes arrive.
  std::function<void(const TSegmentProgress&)> OnProgress;
  // On the thread that runs Fetch: a record that does not fit the file was
  // put aside, with the message that says so.
  std::function<void(const std::string& notice)> OnNotice;

  // From any thread: every client's transfer ends at once, and Fetch
  // returns with the whole segments written so far.
  void Stop();

  // Writes the track into outputFile. With stateFile a record beside it
  // says after every segment how far the file is whole, and with
  // continuePartial a file that such a record describes for this track is
  // continued after its whole segments. The record goes when the file is
  // complete. Raises EVideoStreamFetchFailed naming the segment or key that
  // could not be fetched, its cause nested; the file then holds whole
  // segments only.
  TSegmentFetchResult Fetch(const TTrack& track, const std::string& outputFile, const std::string& stateFile = {},
                            bool continuePartial = false);

private:
  THttpClientFactory factory_;
  // Reaches the running fetch's workers.
  TStopRelay<TWorkerGroup> stop_;
};

}  // namespace streams
