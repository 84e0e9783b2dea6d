#include "app/streams/stream_download.h"

#include <filesystem>

#include "app/streams/ranges_state.h"
#include "app/streams/segment_state.h"

namespace streams {

namespace {

// One segment that is the whole of a plain file (a DASH representation by
// its BaseURL alone, a playlist of one segment) may be hundreds of
// megabytes: it goes into its file in ranges like any large file, instead
// of into memory as a segment. A byte range or a key keeps it a segment.
bool isOneFile(const TTrack& track) {
  return !track.Init && track.Segments.size() == 1 && !track.Segments[0].Range && !track.Segments[0].Key;
}

// The record beside a track's file is this track's.
bool recordOf(const TTrack& track, const std::string& state) {
  if (isOneFile(track)) {
    const std::optional<TRangesState> ranges = ReadRangesState(state);
    return ranges && ranges->Address == track.Segments[0].Address;
  }
  const std::optional<TSegmentState> segments = ReadSegmentState(state);
  return segments && segments->Track == TrackIdentity(track);
}

// The sound is fetched only once the pictures are whole, and the pictures'
// record goes when they are: a record of this plan's sound beside a file
// of pictures without one means the pictures need nothing more.
bool videoWhole(const TStreamPlan& plan, const TStreamFiles& files) {
  return recordOf(plan.Audio->Track, files.AudioState) && std::filesystem::is_regular_file(files.Video) &&
         !std::filesystem::exists(files.VideoState);
}

}  // namespace

TStreamDownload::TStreamDownload(THttpClientFactory factory) : factory_(std::move(factory)) {}

void TStreamDownload::Stop() {
  segmentsStop_.Stop();
  fileStop_.Stop();
}

bool TStreamDownload::Fetch(const TStreamPlan& plan, const TStreamFiles& files) {
  segmentsStop_.Reset();
  fileStop_.Reset();
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
  if (isOneFile(track)) return fetchOneFile(track.Segments[0].Address, file, state);
  TSegmentFetcher fetcher(factory_);
  fetcher.Connections = Connections;
  fetcher.Retry = Retry;
  fetcher.OnNotice = OnNotice;
  fetcher.OnProgress = [&](const TSegmentProgress& progress) {
    // A Stop that came before this track's fetch began is taken up here.
    if (segmentsStop_.Stopped()) fetcher.Stop();
    if (OnProgress)
      OnProgress({before.Bytes + progress.Bytes, before.SegmentsDone + progress.SegmentsDone, segmentCount});
  };
  if (segmentsStop_.Stopped()) return false;
  const TStopRelay<TSegmentFetcher>::TRunning running(segmentsStop_, fetcher);
  return fetcher.Fetch(track, file, state, ContinuePartial).Complete;
}

bool TStreamDownload::fetchOneFile(const std::string& address, const std::string& file, const std::string& state) {
  TParallelRanges ranges(factory_);
  ranges.Connections = Connections;
  ranges.Retry = Retry;
  ranges.OnNotice = OnNotice;
  ranges.OnProgress = [&](int64_t bytes, int64_t total) {
    // A Stop that came before this track's fetch began is taken up here.
    if (fileStop_.Stopped()) ranges.Stop();
    if (OnParts) OnParts(bytes, total);
  };
  if (fileStop_.Stopped()) return false;
  const TStopRelay<TParallelRanges>::TRunning running(fileStop_, ranges);
  return ranges.Fetch(address, file, state, ContinuePartial).Complete;
}

}  // namespace streams
