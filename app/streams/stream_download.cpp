#include "app/streams/stream_download.h"

#include <filesystem>

#include "app/streams/segment_state.h"

namespace streams {

namespace {

// The sound is fetched only once the pictures are whole, and the pictures'
// record goes when they are: a record of this plan's sound beside a file
// of pictures without one means the pictures need nothing more.
bool videoWhole(const TStreamPlan& plan, const TStreamFiles& files) {
  const std::optional<TSegmentState> audio = ReadSegmentState(files.AudioState);
  return audio && audio->Track == TrackIdentity(plan.Audio->Track) && std::filesystem::is_regular_file(files.Video) &&
         !std::filesystem::exists(files.VideoState);
}

}  // namespace

TStreamDownload::TStreamDownload(THttpClientFactory factory) : factory_(std::move(factory)) {}

void TStreamDownload::Stop() { stop_.Stop(); }

bool TStreamDownload::Fetch(const TStreamPlan& plan, const TStreamFiles& files) {
  stop_.Reset();
  int32_t segmentCount = int32_t(plan.Video.Track.Segments.size());
  if (plan.Audio) segmentCount += int32_t(plan.Audio->Track.Segments.size());
  TSegmentProgress done{0, 0, segmentCount};
  if (!(ContinuePartial && plan.Audio && videoWhole(plan, files)) &&
      !fetchTrack(plan.Video.Track, files.Video, files.VideoState, done, segmentCount))
    return false;
  if (!plan.Audio) return true;
  done.SegmentsDone = int32_t(plan.Video.Track.Segments.size());
  done.Bytes = int64_t(std::filesystem::file_size(files.Video));
  return fetchTrack(plan.Audio->Track, files.Audio, files.AudioState, done, segmentCount);
}

bool TStreamDownload::fetchTrack(const TTrack& track, const std::string& file, const std::string& state,
                                 const TSegmentProgress& before, int32_t segmentCount) {
  TSegmentFetcher fetcher(factory_);
  fetcher.Connections = Connections;
  fetcher.Retry = Retry;
  fetcher.OnNotice = OnNotice;
  fetcher.OnProgress = [&](const TSegmentProgress& progress) {
    // A Stop that came before this track's fetch began is taken up here.
    if (stop_.Stopped()) fetcher.Stop();
    if (OnProgress)
      OnProgress({before.Bytes + progress.Bytes, before.SegmentsDone + progress.SegmentsDone, segmentCount});
  };
  if (stop_.Stopped()) return false;
  const TStopRelay<TSegmentFetcher>::TRunning running(stop_, fetcher);
  return fetcher.Fetch(track, file, state, ContinuePartial).Complete;
}

}  // namespace streams
