#include "app/streams/segment_fetcher.h"

#include <fmt/format.h>

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/streams/aes_decryption.h"
#include "app/streams/messages.h"
#include "app/streams/ranged_request.h"
#include "app/streams/segment_state.h"
#include "app/streams/stream_errors.h"
#include "app/streams/timestamp_rebase.h"
#include "net/http/body_streams.h"
#include "net/http/http_client.h"
#include "platform/streams.h"

namespace streams {

namespace {

constexpr auto ProgressInterval = std::chrono::milliseconds(200);
constexpr auto PauseSlice = std::chrono::milliseconds(10);

// Raised inside a transfer when Stop was asked for.
struct StopRequested {};

// An answer that cannot be used as it came; the attempt is retried.
struct UnusableAnswer {
  std::string Reason;
};

// The body of one segment, kept in memory. A retry continues after the bytes
// a dropped transfer left when the server answers the range asked for; an
// answer with the whole resource starts the segment again and keeps only
// the segment's own range of it.
class SegmentBody : public TAnswerSink {
public:
  SegmentBody(TIdHTTP& http, std::string& data, std::optional<TByteRange> range, std::atomic<int64_t>& received,
              const std::atomic<bool>& stopped)
      : http_(http), data_(data), range_(range), received_(received), stopped_(stopped), start_(data.size()) {}

  // The first byte asked for, relative to the whole resource.
  int64_t RequestedFirst() const { return (range_ ? range_->Offset : 0) + int64_t(start_); }

  int64_t Write(const void* buffer, int64_t count) override {
    if (stopped_) throw StopRequested{};
    if (count <= 0) return 0;
    Decide();
    const char* bytes = static_cast<const char*>(buffer);
    int64_t keep = count;
    if (skip_ > 0) {
      const int64_t skipped = std::min(skip_, keep);
      skip_ -= skipped;
      bytes += skipped;
      keep -= skipped;
    }
    if (range_) keep = std::min<int64_t>(keep, range_->Length - int64_t(data_.size()));
    if (keep > 0) {
      data_.append(bytes, size_t(keep));
      received_ += keep;
    }
    written_ += count;
    return count;
  }
  int64_t GetSize() override { return written_; }

  // Decided by the answer's head, at its first body byte or its end.
  void Decide() {
    if (decided_) return;
    decided_ = true;
    TIdHTTPResponse& response = http_.Response();
    if (response.StatusCode() == 206) {
      const std::optional<TContentRange> range = ContentRangeOf(response);
      if (!range || range->First != RequestedFirst()) throw UnusableAnswer{stream_messages::WrongRange};
      return;
    }
    // The whole resource: the segment starts again.
    discard(0);
    skip_ = range_ ? range_->Offset : 0;
  }

  // Complete when the segment's range or the answer's length is all there.
  void CheckComplete() {
    Decide();
    const int64_t have = int64_t(data_.size());
    int64_t expected = -1;
    if (range_) expected = range_->Length;
    else if (http_.Response().ContentLength() >= 0)
      expected = http_.Response().StatusCode() == 206 ? int64_t(start_) + http_.Response().ContentLength()
                                                      : http_.Response().ContentLength();
    if (expected >= 0 && have < expected)
      throw UnusableAnswer{fmt::format(stream_messages::SegmentCut, have, expected)};
  }

private:
  void discard(size_t keep) {
    if (data_.size() > keep) received_ -= int64_t(data_.size() - keep);
    data_.resize(keep);
  }
  void Forget() override {
    if (!decided_) return;
    discard(start_);
    decided_ = false;
    skip_ = 0;
    written_ = 0;
  }

  TIdHTTP& http_;
  std::string& data_;
  const std::optional<TByteRange> range_;
  std::atomic<int64_t>& received_;
  const std::atomic<bool>& stopped_;
  size_t start_;
  int64_t skip_ = 0;
  int64_t written_ = 0;
  bool decided_ = false;
};

// One Fetch call: the items to write, the window of work handed out, the
// segments waiting to be written, and the first failure.
class Run {
public:
  Run(const TSegmentFetcher& fetcher, const TTrack& track, std::atomic<bool>& stopped)
      : fetcher_(fetcher), stopped_(stopped) {
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

  void Work(TIdHTTP& http) {
    for (;;) {
      size_t index;
      {
        std::unique_lock lock(lock_);
        changed_.wait(lock, [&] { return abort_ || next_ >= items_.size() || next_ < written_ + window_; });
        if (abort_ || next_ >= items_.size()) return;
        index = next_++;
      }
      try {
        std::string data = fetchSegment(http, *items_[index]);
        std::lock_guard guard(lock_);
        ready_.emplace(index, std::move(data));
      } catch (const StopRequested&) {
        http.CloseConnection();
        return;
      } catch (const std::exception& error) {
        std::lock_guard guard(lock_);
        if (!failure_) failure_ = error.what();
        abort_ = true;
      }
      changed_.notify_all();
    }
  }

  // Writes the items in order as they arrive, until all are written, a
  // worker failed or Stop was asked for; then ends the workers.
  void WriteInOrder(TStream& file, int64_t& bytes, const std::function<void(size_t written)>& onWritten,
                    const std::function<void()>& onTick) {
    std::unique_lock lock(lock_);
    while (written_ < items_.size()) {
      changed_.wait_for(lock, ProgressInterval, [&] { return ready_.count(written_) || failure_ || stopped_; });
      if (!takeAndWrite(lock, file, bytes, onWritten)) {
        if (failure_ || stopped_) break;
        lock.unlock();
        onTick();
        lock.lock();
      }
    }
    abort_ = true;
    lock.unlock();
    changed_.notify_all();
  }

  // After the workers ended: what arrived in order still goes into the file.
  void WriteRest(TStream& file, int64_t& bytes, const std::function<void(size_t written)>& onWritten) {
    std::unique_lock lock(lock_);
    while (!failure_ && takeAndWrite(lock, file, bytes, onWritten)) {
    }
  }

  void Abort() {
    {
      std::lock_guard guard(lock_);
      abort_ = true;
    }
    changed_.notify_all();
  }

  std::optional<std::string> Failure() {
    std::lock_guard guard(lock_);
    return failure_;
  }
  size_t Written() {
    std::lock_guard guard(lock_);
    return written_;
  }
  int64_t Received() const { return received_; }
  void SetWindow(size_t window) { window_ = window; }

private:
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

  // The bytes of address (in range), after up to Retries further attempts;
  // then EVideoStreamFetchFailed with giveUp's text for the last reason.
  std::string fetchWithRetries(TIdHTTP& http, const std::string& address, std::optional<TByteRange> range,
                               std::atomic<int64_t>& received,
                               const std::function<std::string(const std::string& reason)>& giveUp) {
    std::string data;
    std::string reason;
    for (int32_t attempt = 0; attempt <= fetcher_.Retries; ++attempt) {
      if (attempt > 0) pause(attempt);
      if (stopped_) throw StopRequested{};
      SegmentBody body(http, data, range, received, stopped_);
      try {
        const int64_t first = body.RequestedFirst();
        const std::optional<int64_t> last =
            range ? std::optional<int64_t>(range->Offset + range->Length - 1) : std::nullopt;
        TRangeLines lines(http, first, last);
        http.GetIntoStream(address, body);
        body.CheckComplete();
        return data;
      } catch (const UnusableAnswer& unusable) {
        reason = unusable.Reason;
      } catch (const StopRequested&) {
        throw;
      } catch (const Exception& error) {
        reason = error.Message;
      }
      http.CloseConnection();
    }
    throw EVideoStreamFetchFailed(giveUp(reason));
  }

  void pause(int32_t attempt) {
    const auto until = std::chrono::steady_clock::now() + fetcher_.FirstPause * attempt;
    while (!stopped_ && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(PauseSlice);
  }

  // Keys are fetched once for the whole track; a second worker needing the
  // same key waits for the first.
  TAesBlock keyOf(TIdHTTP& http, const std::string& address) {
    std::lock_guard guard(keyLock_);
    const auto found = keys_.find(address);
    if (found != keys_.end()) return found->second;
    // A key's bytes are no part of the video's.
    std::atomic<int64_t> uncounted{0};
    const std::string bytes = fetchWithRetries(http, address, std::nullopt, uncounted, [&](const std::string& reason) {
      return fmt::format(stream_messages::KeyFailed, address, reason);
    });
    if (bytes.size() != 16) throw EVideoStreamFetchFailed(fmt::format(stream_messages::BadKey, address));
    TAesBlock key;
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return keys_[address] = key;
  }

  std::string fetchSegment(TIdHTTP& http, const TSegment& segment) {
    std::optional<TAesBlock> key;
    if (segment.Key) key = keyOf(http, segment.Key->Address);
    std::string data =
        fetchWithRetries(http, segment.Address, segment.Range, received_, [&](const std::string& reason) {
          return fmt::format(stream_messages::SegmentFailed, segment.Address, reason);
        });
    if (key && !DecryptAes128Cbc(data, *key, segment.Key->IV))
      throw EVideoStreamFetchFailed(fmt::format(stream_messages::DecryptFailed, segment.Address));
    return data;
  }

  const TSegmentFetcher& fetcher_;
  std::atomic<bool>& stopped_;
  std::vector<const TSegment*> items_;
  bool hasInit_ = false;
  size_t window_ = 1;

  std::mutex lock_;
  std::condition_variable changed_;
  size_t next_ = 0;
  size_t written_ = 0;
  std::map<size_t, std::string> ready_;
  std::optional<std::string> failure_;
  bool abort_ = false;
  std::atomic<int64_t> received_{0};
  // Only the writing thread touches it.
  TTimestampRebase rebase_;

  std::mutex keyLock_;
  std::map<std::string, TAesBlock> keys_;
};

}  // namespace

TSegmentFetcher::TSegmentFetcher(THttpClientFactory factory) : factory_(std::move(factory)) {}

TSegmentFetchResult TSegmentFetcher::Fetch(const TTrack& track, const std::string& outputFile,
                                           const std::string& stateFile, bool continuePartial) {
  stopped_ = false;
  Run run(*this, track, stopped_);
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
      file = std::make_unique<TFileStream>(outputFile, fmOpenReadWrite);
      // Whatever followed the last whole segment is of no use.
      file->SetSize(earlier->Bytes);
      file->Seek(0, TSeekOrigin::soEnd);
      state = *earlier;
    }
  }
  if (!file) file = std::make_unique<TFileStream>(outputFile, fmCreate);
  run.StartAt(size_t(state.SegmentsDone), state.Bytes, std::move(rebase));

  const size_t workers =
      std::min<size_t>(size_t(std::max(Connections, 1)), run.ItemCount() - size_t(state.SegmentsDone));
  run.SetWindow(2 * size_t(std::max(Connections, 1)));
  std::vector<std::unique_ptr<TIdHTTP>> clients;
  for (size_t i = 0; i < workers; ++i) clients.push_back(factory_());

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

  std::vector<std::thread> threads;
  for (auto& client : clients) threads.emplace_back([&run, http = client.get()] { run.Work(*http); });
  try {
    run.WriteInOrder(*file, state.Bytes, onWritten, [&] { progress(run.Written()); });
  } catch (...) {
    run.Abort();
    stopped_ = true;
    for (std::thread& thread : threads) thread.join();
    throw;
  }
  for (std::thread& thread : threads) thread.join();
  run.WriteRest(*file, state.Bytes, onWritten);

  if (const std::optional<std::string> failure = run.Failure()) throw EVideoStreamFetchFailed(*failure);
  const size_t written = run.Written();
  const bool complete = written == run.ItemCount();
  if (complete && !stateFile.empty()) std::filesystem::remove(stateFile);
  return {complete, run.SegmentsOf(written), state.Bytes};
}

}  // namespace streams
