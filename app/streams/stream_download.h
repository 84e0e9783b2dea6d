#pragma once
// A planned stream written into work files: the video track into one, its
// separate audio (if any) into another, each with the segment fetcher and a
// record beside it, so that a later run continues from the segments on disk.
// Progress counts the segments and bytes of both tracks together.

#include <cstdint>
#include <functional>
#include <string>

#include "app/streams/segment_fetcher.h"
#include "app/streams/stream_plan.h"
#include "app/transfer/stop_relay.h"

namespace streams {

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
  // As the segment fetcher says.
  std::function<void(const std::string& notice)> OnNotice;

  // From any thread: the track being fetched ends with its whole segments,
  // and no further track starts.
  void Stop();

  // True when every track is whole in its file; false after Stop. Raises
  // EVideoStreamFetchFailed as the segment fetcher does.
  bool Fetch(const TStreamPlan& plan, const TStreamFiles& files);

private:
  bool fetchTrack(const TTrack& track, const std::string& file, const std::string& state,
                  const TSegmentProgress& before, int32_t segmentCount);

  THttpClientFactory factory_;
  // Reaches the track being fetched.
  TStopRelay<TSegmentFetcher> stop_;
};

}  // namespace streams
