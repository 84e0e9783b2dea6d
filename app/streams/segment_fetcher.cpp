#include "app/streams/segment_fetcher.h"

#include <fmt/format.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "app/streams/aes_decryption.h"
#include "app/streams/messages.h"
#include "app/streams/segment_state.h"
#include "app/streams/stream_errors.h"
#include "app/streams/timestamp_rebase.h"
#include "app/transfer/ranged_fetch.h"
#include "app/transfer/work_file.h"
#include "app/transfer/worker_group.h"
#include "net/http/http_client.h"
#include "net/http/uri.h"
#include "platform/streams.h"

namespace streams {

namespace {

constexpr auto ProgressInterval = std::chrono::milliseconds(200);

// The body of one segment, kept in memory as the ranged fetch takes it.
class SegmentBody : public transfer::TRangeTarget {
public:
  SegmentBody(std::string& data, std::atomic<int64_t>& received) : data_(data), received_(received) {}

  void Begin(TIdHTTP&, int64_t keep) override {
    if (int64_t(data_.size()) <= keep) return;
    received_ -= int64_t(data_.size()) - keep;
    data_.resize(size_t(keep));
  }
  void Write(int64_t, const char* bytes, int64_t count) override {
    data_.append(bytes, size_t(count));
    received_ += count;
  }

private:
  std::string& data_;
  std::atomic<int64_t>& received_;
};

// One Fetch call: the items to write, the window of work handed out, and
// the segments waiting to be written.
class Run {
public:
  Run(const TSegmentFetcher& fetcher, const TTrack& track, const TWorkerGroup& workers)
      : fetcher_(fetcher), workers_(workers) {
    if (track.Init) items_.push_back(&*track.Init);
    for (const TSegment& segment : track.Segments) items_.push_back(&segment);
    hasInit_ = track.Init.has_value();
  }

  size_t ItemCount() const { return items_.size(); }
  int32_t SegmentsOf(size_t items) const { return int32_t(items) - (hasInit_ && items > 0 ? 1 : 0); }

  void StartAt(size_t item, int64_t bytes, TTimestampRebase rebase) {
    next_ = written_ = item;
    received_ = bytes;
    rebase_ = std::move(rebase);
  }
  std::string TimestampsWritten() const { return rebase_.Save(); }

  // A worker: takes the next item within the window until none is left or
  // the group ends. A failure leaves through the worker group.
  void Work(TIdHTTP& http) {
    try {
      for (;;) {
        size_t index;
        {
          std::unique_lock lock(lock_);
          changed_.wait(lock, [&] { return ending() || next_ >= items_.size() || next_ < written_ + window_; });
          if (ending() || next_ >= items_.size()) return;
          index = next_++;
        }
        std::optional<std::string> data = fetchSegment(http, *items_[index]);
        if (!data) return;
        {
          std::lock_guard guard(lock_);
          ready_.emplace(index, std::move(*data));
        }
        changed_.notify_all();
      }
    } catch (...) {
      {
        std::lock_guard guard(lock_);
        failed_ = true;
      }
      changed_.notify_all();
      throw;
    }
  }

  // Writes the items in order as they arrive, until all are written, a
  // worker failed or the group was stopped.
  void WriteInOrder(TStream& file, int64_t& bytes, const std::function<void(size_t written)>& onWritten,
                    const std::function<void()>& onTick) {
    std::unique_lock lock(lock_);
    while (written_ < items_.size()) {
      changed_.wait_for(lock, ProgressInterval, [&] { return ready_.count(written_) || failed_ || ending(); });
      if (takeAndWrite(lock, file, bytes, onWritten)) continue;
      if (failed_ || ending()) break;
      lock.unlock();
      onTick();
      lock.lock();
    }
  }

  // Wakes every worker that waits for room in the window.
  void WakeAll() { changed_.notify_all(); }
  // A worker failed: its failure ends the others through the worker group.
  bool Failed() {
    std::lock_guard guard(lock_);
    return failed_;
  }

  size_t Written() {
    std::lock_guard guard(lock_);
    return written_;
  }
  int64_t Received() const { return received_; }
  void SetWindow(size_t window) { window_ = window; }

private:
  bool ending() const { return workers_.Ending(); }

  bool takeAndWrite(std::unique_lock<std::mutex>& lock, TStream& file, int64_t& bytes,
                    const std::function<void(size_t)>& onWritten) {
    const auto found = ready_.find(written_);
    if (found == ready_.end()) return false;
    std::string data = std::move(found->second);
    ready_.erase(found);
    const TSegment& item = *items_[written_];
    lock.unlock();
    rebase_.Pass(data, item.Discontinuity);
    file.WriteBuffer(data.data(), int64_t(data.size()));
    bytes += int64_t(data.size());
    lock.lock();
    ++written_;
    const size_t written = written_;
    lock.unlock();
    changed_.notify_all();
    onWritten(written);
    lock.lock();
    return true;
  }

  // The bytes of address (in range); none when the group ended first.
  std::optional<std::string> fetchBytes(TIdHTTP& http, const std::string& address,
                                        const std::optional<TByteRange>& range, std::atomic<int64_t>& received) {
    std::string data;
    SegmentBody body(data, received);
    transfer::TRangedFetch fetch(http, fetcher_.Retry);
    fetch.Stopped = [this] { return ending(); };
    transfer::TVersion version;
    const int64_t first = range ? range->Offset : 0;
    const int64_t last = range ? range->Offset + range->Length - 1 : -1;
    fetch.Fetch(address, first, last, 0, version, body);
    if (ending()) return std::nullopt;
    return data;
  }

  // Keys are fetched once for the whole track; a second worker needing the
  // same key waits for the first.
  std::optional<TAesBlock> keyOf(TIdHTTP& http, const std::string& address) {
    std::lock_guard guard(keyLock_);
    const auto found = keys_.find(address);
    if (found != keys_.end()) return found->second;
    // A key's bytes are no part of the video's.
    std::atomic<int64_t> uncounted{0};
    std::optional<std::string> bytes;
    try {
      bytes = fetchBytes(http, address, std::nullopt, uncounted);
    } catch (const std::exception& error) {
      std::throw_with_nested(EVideoStreamFetchFailed(fmt::format(stream_messages::KeyFailed, address, error.what())));
    }
    if (!bytes) return std::nullopt;
    if (bytes->size() != 16) throw EVideoStreamFetchFailed(fmt::format(stream_messages::BadKey, address));
    TAesBlock key;
    std::copy(bytes->begin(), bytes->end(), key.begin());
    return keys_[address] = key;
  }

  std::optional<std::string> fetchSegment(TIdHTTP& http, const TSegment& segment) {
    std::optional<TAesBlock> key;
    if (segment.Key && !(key = keyOf(http, segment.Key->Address))) return std::nullopt;
    std::optional<std::string> data;
    try {
      data = fetchBytes(http, segment.Address, segment.Range, received_);
    } catch (const std::exception& error) {
      std::throw_with_nested(
          EVideoStreamFetchFailed(fmt::format(stream_messages::SegmentFailed, segment.Address, error.what())));
    }
    if (data && key && !DecryptAes128Cbc(*data, *key, segment.Key->IV))
      throw EVideoStreamFetchFailed(fmt::format(stream_messages::DecryptFailed, segment.Address));
    return data;
  }

  const TSegmentFetcher& fetcher_;
  const TWorkerGroup& workers_;
  std::vector<const TSegment*> items_;
  bool hasInit_ = false;
  size_t window_ = 1;

  std::mutex lock_;
  std::condition_variable changed_;
  size_t next_ = 0;
  size_t written_ = 0;
  std::map<size_t, std::string> ready_;
  bool failed_ = false;
  std::atomic<int64_t> received_{0};
  // Only the writing thread touches it.
  TTimestampRebase rebase_;

  std::mutex keyLock_;
  std::map<std::string, TAesBlock> keys_;
};

}  // namespace

TSegmentFetcher::TSegmentFetcher(THttpClientFactory factory) : factory_(std::move(factory)) {}

void TSegmentFetcher::Stop() { stop_.Stop(); }

TSegmentFetchResult TSegmentFetcher::Fetch(const TTrack& track, const std::string& outputFile,
                                           const std::string& stateFile, bool continuePartial) {
  stop_.Reset();
  // Made and destroyed on this thread, which their shared cookie store's
  // notifications expect; the workers, joined before, only use them.
  std::vector<std::unique_ptr<TIdHTTP>> clients;
  TWorkerGroup workers;
  Run run(*this, track, workers);
  const std::string identity = TrackIdentity(track);

  std::unique_ptr<TFileStream> file;
  TSegmentState state{identity, 0, 0, {}};
  TTimestampRebase rebase;
  if (continuePartial && !stateFile.empty() && std::filesystem::exists(outputFile)) {
    const std::optional<TSegmentState> earlier = ReadSegmentState(stateFile);
    const std::optional<TTimestampRebase> shifts =
        earlier ? TTimestampRebase::Restore(earlier->Timestamps) : std::nullopt;
    if (earlier && shifts && earlier->Track == identity && size_t(earlier->SegmentsDone) <= run.ItemCount() &&
        int64_t(std::filesystem::file_size(outputFile)) >= earlier->Bytes) {
      rebase = *shifts;
      file = OpenWorkFile(outputFile, fmOpenReadWrite);
      // Whatever followed the last whole segment is of no use.
      file->SetSize(earlier->Bytes);
      file->Seek(0, TSeekOrigin::soEnd);
      state = *earlier;
    } else if (std::filesystem::exists(stateFile) && OnNotice) {
      OnNotice(fmt::format(stream_messages::RecordDiscarded, outputFile));
    }
  }
  if (!file) file = CreateWorkFile(outputFile);
  run.StartAt(size_t(state.SegmentsDone), state.Bytes, std::move(rebase));

  const size_t workerCount =
      std::min<size_t>(size_t(std::max(Connections, 1)), run.ItemCount() - size_t(state.SegmentsDone));
  run.SetWindow(2 * size_t(std::max(Connections, 1)));

  const auto progress = [&](size_t written) {
    if (OnProgress) OnProgress({run.Received(), run.SegmentsOf(written), run.SegmentsOf(run.ItemCount())});
  };
  const auto onWritten = [&](size_t written) {
    state.SegmentsDone = int32_t(written);
    state.Timestamps = run.TimestampsWritten();
    if (!stateFile.empty()) WriteSegmentState(stateFile, state);
    progress(written);
  };

  // Recorded from the start, so that even a stop before the first segment
  // tells a later run which track this file is.
  state.Timestamps = run.TimestampsWritten();
  if (!stateFile.empty()) WriteSegmentState(stateFile, state);

  const TStopRelay<TWorkerGroup>::TRunning running(stop_, workers);

  const std::string host =
      run.ItemCount() > 0 ? TIdURI(track.Init ? track.Init->Address : track.Segments[0].Address).Host : std::string();
  for (size_t i = 0; i < workerCount; ++i)
    workers.Start(host, [&run, http = clients.emplace_back(factory_()).get()] { run.Work(*http); });
  run.WriteInOrder(*file, state.Bytes, onWritten, [&] { progress(run.Written()); });
  // Stopped: the workers end at once. A failed worker ends them itself, and
  // its failure is what Wait raises.
  if (run.Written() < run.ItemCount() && !run.Failed()) workers.Stop();
  run.WakeAll();
  workers.Wait(ProgressInterval, [&] { run.WakeAll(); });

  const size_t written = run.Written();
  const bool complete = written == run.ItemCount();
  if (complete && !stateFile.empty()) std::filesystem::remove(stateFile);
  return {complete, run.SegmentsOf(written), state.Bytes};
}

}  // namespace streams
