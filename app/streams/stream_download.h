#pragma once
// A planned stream written into work files: the video track into one, its
// separate audio (if any) into another, each with a record beside it, so
// that a later run continues from what is on disk. A track of segments goes
// through the segment fetcher; a track that is one whole file (a DASH
// representation given by its BaseURL alone) is fetched like any large
// file, in ranges straight into its file, never held in memory. Progress
// counts the segments and bytes of both tracks together; a whole file's
// ranges tell their own bytes.

#include <cstdint>
#include <functional>
#include <string>

#include "app/streams/parallel_ranges.h"
#include "app/streams/segment_fetcher.h"
#include "app/streams/stream_plan.h"
#include "app/transfer/stop_relay.h"

namespace streams {

// Each file with its record: of its segments, or of its ranges for a track
// that is one whole file.
struct TStreamFiles {
  std::string Video;
  std::string VideoState;
  // Used only when the plan has separate audio.
  std::string Audio;
  std::string AudioState;
};

class TStreamDownload {
public:
  explicit TStreamDownload(THttpClientFactory factory);

  int32_t Connections = 4;
  TRetryPolicy Retry;
  bool ContinuePartial = false;
  // On the thread that runs Fetch, as the segment fetcher reports.
  std::function<void(const TSegmentProgress&)> OnProgress;
  // On the thread that runs Fetch, while a track that is one whole file
  // arrives: its bytes so far and its size.
  std::function<void(int64_t bytes, int64_t total)> OnParts;
  // As the segment fetcher and the parallel ranges say.
  std::function<void(const std::string& notice)> OnNotice;

  // From any thread: the track being fetched ends with its whole segments
  // (one whole file with its record of the ranges so far), and no further
  // track starts.
  void Stop();

  // True when every track is whole in its file; false after Stop. Raises
  // EVideoStreamFetchFailed as the segment fetcher and the parallel ranges do.
  bool Fetch(const TStreamPlan& plan, const TStreamFiles& files);

private:
  bool fetchTrack(const TTrack& track, const std::string& file, const std::string& state,
                  const TSegmentProgress& before, int32_t segmentCount);
  bool fetchOneFile(const std::string& address, const std::string& file, const std::string& state);

  THttpClientFactory factory_;
  // Reach the track being fetched, by segments or as one file; Stop goes
  // to both.
  TStopRelay<TSegmentFetcher> segmentsStop_;
  TStopRelay<TParallelRanges> fileStop_;
};

}  // namespace streams
