#include "app/streams/parallel_ranges.h"

#include <fmt/format.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/streams/messages.h"
#include "app/streams/ranges_state.h"
#include "app/streams/stream_errors.h"
#include "app/transfer/messages.h"
#include "app/transfer/range_headers.h"
#include "app/transfer/ranged_fetch.h"
#include "app/transfer/transfer_errors.h"
#include "app/transfer/work_file.h"
#include "app/transfer/worker_group.h"
#include "net/http/http_client.h"
#include "net/http/uri.h"
#include "platform/streams.h"

namespace streams {

namespace {

constexpr auto ProgressInterval = std::chrono::milliseconds(200);

// The file as several threads write into it: each write at its own offset.
class SharedFile {
public:
  SharedFile(const std::string& path, bool keep)
      : file_(keep ? OpenWorkFile(path, fmOpenReadWrite) : CreateWorkFile(path)) {
    if (!file_) file_ = CreateWorkFile(path);
  }
  void WriteAt(int64_t offset, const void* bytes, int64_t count) {
    std::lock_guard guard(lock_);
    file_->SetPosition(offset);
    file_->WriteBuffer(bytes, count);
  }
  void SetSize(int64_t size) {
    std::lock_guard guard(lock_);
    // A file cut to nothing is written out to disk as it closes (a file
    // system's guard for files rewritten in place), which stalls the job
    // for as long: a file of that size already is left alone.
    if (file_->GetSize() != size) file_->SetSize(size);
  }

private:
  std::mutex lock_;
  std::unique_ptr<TFileStream> file_;
};

// A part as the workers share it: Done grows as its bytes reach the file.
struct Part {
  Part(int64_t first, int64_t last, int64_t done) : First(first), Last(last), Done(done) {}
  const int64_t First;
  int64_t Last;
  std::atomic<int64_t> Done;
  bool Whole() const { return First + Done > Last; }
};

// One start of the fetch: the version its bytes belong to, the parts handed
// out so far (in the file's order) and the ones still to hand out.
class Attempt {
public:
  Attempt(const TParallelRanges& owner, const std::string& address, SharedFile& file, const TWorkerGroup& workers)
      : owner_(owner), address_(address), file_(file), workers_(workers) {}

  std::atomic<int64_t> Received{0};
  std::string ContentType;

  // A version known before any answer: every part may start at once.
  void Know(const transfer::TVersion& version) {
    version_ = version;
    known_ = true;
  }
  // The parts an earlier run left, in order from byte 0; the bytes after
  // them are still to come.
  void Resume(const std::vector<TRangePart>& parts) {
    for (const TRangePart& part : parts) {
      Part& kept = parts_.emplace_back(part.First, part.Last, part.Done);
      Received += part.Done;
      if (!kept.Whole()) waiting_.push_back(&kept);
    }
    planned_ = parts.empty() ? 0 : parts.back().Last + 1;
  }

  // A worker: parts until none is left, the file changed or the group ends.
  void Work(TIdHTTP& http) {
    while (Part* part = take()) {
      try {
        fetchPart(http, *part);
      } catch (const EVersionChanged&) {
        std::lock_guard guard(lock_);
        changed_ = true;
        known_ = true;
        settled_.notify_all();
        return;
      } catch (const std::exception& error) {
        std::throw_with_nested(EVideoStreamFetchFailed(
            fmt::format(stream_messages::PartFailed, address_, part->First + part->Done, error.what())));
      }
    }
  }

  bool Changed() {
    std::lock_guard guard(lock_);
    return changed_;
  }
  bool Parallel() {
    std::lock_guard guard(lock_);
    return !whole_;
  }
  transfer::TVersion Version() {
    std::lock_guard guard(lock_);
    return version_;
  }
  // Every byte of the file is in it.
  bool Complete() {
    std::lock_guard guard(lock_);
    if (whole_) return wholeDone_;
    if (changed_ || version_.Total < 0) return false;
    if (planned_ < version_.Total) return false;
    for (const Part& part : parts_)
      if (!part.Whole()) return false;
    return true;
  }
  // How far every part is, whole runs of parts joined, for the record.
  std::vector<TRangePart> Progress() {
    std::lock_guard guard(lock_);
    std::vector<TRangePart> parts;
    for (const Part& part : parts_) {
      const int64_t done = part.Done;
      if (!parts.empty() && parts.back().First + parts.back().Done > parts.back().Last && part.Whole()) {
        parts.back().Last = part.Last;
        parts.back().Done = part.Last - parts.back().First + 1;
      } else {
        parts.push_back({part.First, part.Last, done});
      }
    }
    return parts;
  }
  // Wakes workers that wait for the first answer.
  void WakeAll() { settled_.notify_all(); }

private:
  // The next part to fetch: one left waiting, else a new one after those
  // planned; the first one alone until its answer tells whether ranges work.
  Part* take() {
    std::unique_lock lock(lock_);
    if (!known_ && !parts_.empty()) settled_.wait(lock, [&] { return known_ || workers_.Ending(); });
    if (changed_ || whole_ || workers_.Ending()) return nullptr;
    if (!waiting_.empty()) {
      Part* part = waiting_.front();
      waiting_.pop_front();
      return part;
    }
    if (known_ && planned_ >= version_.Total) return nullptr;
    const int64_t size = known_ ? owner_.PartSize : std::min(owner_.PartSize, owner_.FirstPartSize);
    const int64_t last = known_ ? std::min(planned_ + size, version_.Total) - 1 : planned_ + size - 1;
    Part& part = parts_.emplace_back(planned_, last, 0);
    planned_ = last + 1;
    return &part;
  }

  void fetchPart(TIdHTTP& http, Part& part) {
    class PartTarget : public transfer::TRangeTarget {
    public:
      PartTarget(Attempt& attempt, Part& part, transfer::TRangedFetch& fetch)
          : attempt_(attempt), part_(part), fetch_(fetch) {}
      void Begin(TIdHTTP& http, int64_t keep) override {
        // A whole file sent again begins again.
        if (keep < part_.Done) {
          attempt_.Received -= part_.Done - keep;
          part_.Done = keep;
        }
        // Once ranges are known to work, a whole answer is another version.
        if (attempt_.answered(http, part_)) fetch_.WholeAnswer = transfer::TWholeAnswer::Refuse;
      }
      void Write(int64_t offset, const char* bytes, int64_t count) override {
        attempt_.file_.WriteAt(offset, bytes, count);
        // Counted once in the file, so that a record never claims unwritten bytes.
        part_.Done = offset + count - part_.First;
        attempt_.Received += count;
      }

    private:
      Attempt& attempt_;
      Part& part_;
      transfer::TRangedFetch& fetch_;
    };
    transfer::TRangedFetch fetch(http, owner_.Retry);
    fetch.Stopped = [this] { return workers_.Ending(); };
    // Only the first part, before the version is known, may be the whole file.
    transfer::TVersion version = Version();
    fetch.WholeAnswer = version.Total < 0 ? transfer::TWholeAnswer::TakeAll : transfer::TWholeAnswer::Refuse;
    PartTarget target(*this, part, fetch);
    fetch.Fetch(address_, part.First, part.Last, part.Done, version, target);
    if (workers_.Ending()) return;
    std::lock_guard guard(lock_);
    if (whole_) {
      wholeDone_ = true;
      version_.Total = Received;
    }
  }

  // The first answer of a part: the first part's tells the version. True
  // once the server is known to answer ranges.
  bool answered(TIdHTTP& http, Part& part) {
    std::lock_guard guard(lock_);
    if (known_) return !whole_;
    TIdHTTPResponse& response = http.Response();
    ContentType = response.ContentType;
    known_ = true;
    if (response.StatusCode() == 206) {
      version_ = {transfer::ValidatorOf(response), -1};
      if (const std::optional<transfer::TContentRange> range = transfer::ContentRangeOf(response))
        version_.Total = range->Total;
      // Without a size no part can be planned: the rest comes over this one.
      if (version_.Total < 0) throw EVersionChanged(transfer_messages::WrongRange);
      part.Last = std::min(part.Last, version_.Total - 1);
      planned_ = part.Last + 1;
    } else {
      whole_ = true;
      version_ = {transfer::ValidatorOf(response), response.ContentLength()};
      part.Last = INT64_MAX - 1;
    }
    settled_.notify_all();
    return !whole_;
  }

  const TParallelRanges& owner_;
  const std::string& address_;
  SharedFile& file_;
  const TWorkerGroup& workers_;
  std::mutex lock_;
  std::condition_variable settled_;
  transfer::TVersion version_;
  bool known_ = false;
  // The server sent the whole file to the first ranged request.
  bool whole_ = false;
  bool wholeDone_ = false;
  bool changed_ = false;
  // A deque keeps each part where it is while more are added.
  std::deque<Part> parts_;
  std::deque<Part*> waiting_;
  // Where the next new part begins.
  int64_t planned_ = 0;
};

}  // namespace

TParallelRanges::TParallelRanges(THttpClientFactory factory) : factory_(std::move(factory)) {}

void TParallelRanges::Stop() { stop_.Stop(); }

TRangesResult TParallelRanges::Fetch(const std::string& address, const std::string& outputFile,
                                     const std::string& stateFile, bool continuePartial) {
  stop_.Reset();
  std::optional<TRangesState> earlier;
  if (continuePartial && !stateFile.empty() && std::filesystem::exists(stateFile)) {
    earlier = ReadRangesState(stateFile);
    const auto written = [&] {
      int64_t end = 0;
      for (const TRangePart& part : earlier->Parts) end = std::max(end, part.First + part.Done);
      return end;
    };
    if (!earlier || earlier->Address != address || !std::filesystem::is_regular_file(outputFile) ||
        int64_t(std::filesystem::file_size(outputFile)) < written()) {
      earlier.reset();
      std::filesystem::remove(stateFile);
      if (OnNotice) OnNotice(fmt::format(stream_messages::RecordDiscarded, outputFile));
    }
  }
  SharedFile file(outputFile, earlier.has_value());
  const std::string host = TIdURI(address).Host;

  // Made and destroyed on this thread, which their shared cookie store's
  // notifications expect; each start's workers, joined before, only use them.
  std::vector<std::unique_ptr<TIdHTTP>> clients;
  for (int32_t start = 0;; ++start) {
    TWorkerGroup workers;
    Attempt attempt(*this, address, file, workers);
    if (earlier) {
      // The parts left missing are asked for under the recorded validator: a
      // file that changed since answers whole, and the fetch starts over.
      attempt.Know({earlier->Validator, earlier->Total});
      attempt.ContentType = earlier->ContentType;
      attempt.Resume(earlier->Parts);
      earlier.reset();
    } else {
      file.SetSize(0);
      if (start == 0 && Known && Known->Total > 0 && !Known->Validator.empty()) {
        attempt.Know({Known->Validator, Known->Total});
        attempt.ContentType = Known->ContentType;
      }
    }
    const TStopRelay<TWorkerGroup>::TRunning running(stop_, workers);

    std::optional<TRangesState> recorded;
    const auto record = [&] {
      const transfer::TVersion version = attempt.Version();
      // Without a validator a later run could not tell another version apart.
      if (stateFile.empty() || version.Validator.empty() || version.Total <= 0) return;
      TRangesState state{address, version.Validator, attempt.ContentType, version.Total, attempt.Progress()};
      if (recorded == state) return;
      WriteRangesState(stateFile, state);
      recorded = std::move(state);
    };
    while (clients.size() < size_t(std::max(Connections, 1))) clients.push_back(factory_());
    for (const std::unique_ptr<TIdHTTP>& client : clients)
      workers.Start(host, [&attempt, http = client.get()] { attempt.Work(*http); });
    try {
      workers.Wait(ProgressInterval, [&] {
        attempt.WakeAll();
        if (OnProgress) OnProgress(attempt.Received, attempt.Version().Total);
        record();
      });
    } catch (const EVideoStreamFetchFailed&) {
      // What the parts hold so far stays usable for a later run.
      record();
      throw;
    }
    const transfer::TVersion version = attempt.Version();
    if (OnProgress) OnProgress(attempt.Received, version.Total);
    if (attempt.Changed()) {
      if (!stateFile.empty()) std::filesystem::remove(stateFile);
      if (start >= Retry.Retries) throw EVideoStreamFetchFailed(fmt::format(stream_messages::FileChanged, address));
      continue;
    }
    if (workers.StopRequested() || !attempt.Complete()) {
      record();
      if (!workers.StopRequested() && !attempt.Complete() && version.Total >= 0)
        throw EVideoStreamFetchFailed(
            fmt::format(stream_messages::PartFailed, address, attempt.Received.load(),
                        fmt::format(transfer_messages::AnswerCut, attempt.Received.load(), version.Total)));
      return {false, attempt.Received, attempt.Parallel(), attempt.ContentType};
    }
    if (!stateFile.empty()) std::filesystem::remove(stateFile);
    file.SetSize(version.Total);
    return {true, version.Total, attempt.Parallel(), attempt.ContentType};
  }
}

}  // namespace streams
