#include "app/streams/parallel_ranges.h"

#include <fmt/format.h>

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/streams/messages.h"
#include "app/streams/ranged_request.h"
#include "app/streams/ranges_state.h"
#include "app/streams/stream_errors.h"
#include "net/http/body_streams.h"
#include "net/http/http_client.h"
#include "platform/streams.h"

namespace streams {

namespace {

constexpr auto ProgressInterval = std::chrono::milliseconds(200);
constexpr auto PauseSlice = std::chrono::milliseconds(10);

struct StopRequested {};
// The server holds another version of the file, or ignored the range.
struct FileChanged {};
// A part's answer ended early; the rest of the part is asked for again.
struct PartCut {
  std::string Reason;
};

// The file as several threads write into it: each write at its own offset.
class SharedFile {
public:
  SharedFile(const std::string& path, bool keep) : file_(path, keep ? fmOpenReadWrite | fmNoFollow : fmCreate) {}
  void WriteAt(int64_t offset, const void* bytes, int64_t count) {
    std::lock_guard guard(lock_);
    file_.SetPosition(offset);
    file_.WriteBuffer(bytes, count);
  }
  void SetSize(int64_t size) {
    std::lock_guard guard(lock_);
    file_.SetSize(size);
  }

private:
  std::mutex lock_;
  TFileStream file_;
};

// What the first answer said of the file.
struct FileVersion {
  int64_t Total = -1;
  std::string Validator;
};

// One answer's body written at its offset. The first byte (or the end of an
// empty body) checks the answer's head: check may raise FileChanged.
class PartSink : public TAnswerSink {
public:
  PartSink(SharedFile& file, int64_t offset, std::atomic<int64_t>& received, std::atomic<int64_t>& done,
           const std::atomic<bool>& stopped, std::function<void()> check)
      : file_(file), offset_(offset), received_(received), done_(done), stopped_(stopped), check_(std::move(check)) {}

  int64_t Write(const void* buffer, int64_t count) override {
    if (stopped_) throw StopRequested{};
    if (count <= 0) return 0;
    Decide();
    file_.WriteAt(offset_ + written_, buffer, count);
    written_ += count;
    received_ += count;
    // Counted once in the file, so that a record never claims unwritten bytes.
    done_ += count;
    return count;
  }
  int64_t GetSize() override { return written_; }
  void Decide() {
    if (decided_) return;
    decided_ = true;
    check_();
  }
  int64_t Written() const { return written_; }

private:
  // A redirect's or challenge's body: its bytes will be written over.
  void Forget() override {
    received_ -= written_;
    done_ -= written_;
    written_ = 0;
    decided_ = false;
  }

  SharedFile& file_;
  const int64_t offset_;
  std::atomic<int64_t>& received_;
  std::atomic<int64_t>& done_;
  const std::atomic<bool>& stopped_;
  std::function<void()> check_;
  int64_t written_ = 0;
  bool decided_ = false;
};

// A part as the workers share it: Done grows as its bytes reach the file.
struct Part {
  Part(int64_t first, int64_t last, int64_t done) : First(first), Last(last), Done(done) {}
  const int64_t First;
  const int64_t Last;
  std::atomic<int64_t> Done;
};

// One start of the fetch: the parts still to do and the first failure.
class Attempt {
public:
  Attempt(const TParallelRanges& owner, const std::string& address, SharedFile& file, const FileVersion& version,
          std::atomic<bool>& stopped)
      : owner_(owner), address_(address), file_(file), version_(version), stopped_(stopped) {}

  std::atomic<int64_t> Received{0};

  void Plan(int64_t from) {
    for (int64_t first = from; first < version_.Total; first += owner_.PartSize)
      parts_.emplace_back(first, std::min(first + owner_.PartSize, version_.Total) - 1, 0);
  }
  // The parts an earlier run left unfinished; the rest of the file is whole.
  void Resume(const std::vector<TRangePart>& parts) {
    int64_t missing = 0;
    for (const TRangePart& part : parts) {
      if (part.First + part.Done > part.Last) continue;
      parts_.emplace_back(part.First, part.Last, part.Done);
      missing += part.Last - part.First + 1 - part.Done;
    }
    Received = version_.Total - missing;
  }
  size_t PartCount() const { return parts_.size(); }
  // How far every part is, for the record beside the file.
  std::vector<TRangePart> Progress() const {
    std::vector<TRangePart> parts;
    for (const Part& part : parts_) parts.push_back({part.First, part.Last, part.Done});
    return parts;
  }

  void Work(TIdHTTP& http) {
    for (;;) {
      Part* part;
      {
        std::lock_guard guard(lock_);
        if (next_ >= parts_.size() || failure_ || changed_ || stopped_) return;
        part = &parts_[next_++];
      }
      try {
        fetchPart(http, *part);
      } catch (const StopRequested&) {
        http.CloseConnection();
        return;
      } catch (const FileChanged&) {
        http.CloseConnection();
        std::lock_guard guard(lock_);
        changed_ = true;
        return;
      } catch (const std::exception& error) {
        std::lock_guard guard(lock_);
        if (!failure_) failure_ = error.what();
        return;
      }
    }
  }

  bool Ended() {
    std::lock_guard guard(lock_);
    return failure_.has_value() || changed_;
  }
  bool Changed() {
    std::lock_guard guard(lock_);
    return changed_;
  }
  std::optional<std::string> Failure() {
    std::lock_guard guard(lock_);
    return failure_;
  }

private:
  void fetchPart(TIdHTTP& http, Part& part) {
    std::string reason;
    for (int32_t attempt = 0; attempt <= owner_.Retries; ++attempt) {
      if (attempt > 0) pause(attempt);
      if (stopped_ || Ended()) throw StopRequested{};
      const int64_t first = part.First + part.Done;
      PartSink sink(file_, first, Received, part.Done, stopped_, [&] { checkAnswer(http, first); });
      try {
        TRangeLines lines(http, first, part.Last, version_.Validator);
        http.GetIntoStream(address_, sink);
        sink.Decide();
        if (part.First + part.Done <= part.Last)
          throw PartCut{fmt::format(stream_messages::SegmentCut, part.Done.load(), part.Last - part.First + 1)};
        return;
      } catch (const PartCut& cut) {
        reason = cut.Reason;
      } catch (const Exception& error) {
        reason = error.Message;
      }
      http.CloseConnection();
    }
    throw EVideoStreamFetchFailed(fmt::format(stream_messages::PartFailed, address_, part.First + part.Done, reason));
  }

  // Only a part of the same version, starting where asked, may go in.
  void checkAnswer(TIdHTTP& http, int64_t first) {
    TIdHTTPResponse& response = http.Response();
    if (response.StatusCode() != 206) throw FileChanged{};
    const std::optional<TContentRange> range = ContentRangeOf(response);
    if (!range || range->First != first || range->Total != version_.Total) throw FileChanged{};
    const std::string validator = ValidatorOf(response);
    if (!validator.empty() && validator != version_.Validator) throw FileChanged{};
  }

  void pause(int32_t attempt) {
    const auto until = std::chrono::steady_clock::now() + owner_.FirstPause * attempt;
    while (!stopped_ && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(PauseSlice);
  }

  const TParallelRanges& owner_;
  const std::string& address_;
  SharedFile& file_;
  const FileVersion& version_;
  std::atomic<bool>& stopped_;
  std::mutex lock_;
  // A deque keeps each part where it is while more are added.
  std::deque<Part> parts_;
  size_t next_ = 0;
  std::optional<std::string> failure_;
  bool changed_ = false;
};

}  // namespace

TParallelRanges::TParallelRanges(THttpClientFactory factory) : factory_(std::move(factory)) {}

TRangesResult TParallelRanges::Fetch(const std::string& address, const std::string& outputFile,
                                     const std::string& stateFile, bool continuePartial) {
  stopped_ = false;
  std::optional<TRangesState> earlier;
  if (continuePartial && !stateFile.empty() && std::filesystem::is_regular_file(outputFile)) {
    earlier = ReadRangesState(stateFile);
    if (earlier && (earlier->Address != address || int64_t(std::filesystem::file_size(outputFile)) != earlier->Total))
      earlier.reset();
  }
  SharedFile file(outputFile, earlier.has_value());
  if (!earlier && Known && Known->Total > 0 && !Known->Validator.empty()) {
    // Every part can start at once, each under If-Range on the version
    // already seen; the file is as large as the server said.
    earlier = TRangesState{address, Known->Validator, Known->ContentType, Known->Total, {}};
    for (int64_t first = 0; first < Known->Total; first += PartSize)
      earlier->Parts.push_back({first, std::min(first + PartSize, Known->Total) - 1, 0});
    file.SetSize(Known->Total);
  }
  std::vector<std::unique_ptr<TIdHTTP>> clients;
  clients.push_back(factory_());
  TIdHTTP& first = *clients.front();

  for (int32_t start = 0;; ++start) {
    FileVersion version;
    TRangesResult result;
    Attempt attempt(*this, address, file, version, stopped_);
    if (earlier) {
      // The parts left missing are asked for under the recorded validator: a
      // file that changed since answers whole, and the fetch starts over.
      version = {earlier->Total, earlier->Validator};
      result = {false, 0, true, earlier->ContentType};
      attempt.Resume(earlier->Parts);
      earlier.reset();
    } else {
      file.SetSize(0);
      // The first part: its answer says whether ranges work at all.
      std::atomic<int64_t> firstDone{0};
      PartSink sink(file, 0, attempt.Received, firstDone, stopped_, [&] {
        TIdHTTPResponse& response = first.Response();
        result.ContentType = response.ContentType;
        if (response.StatusCode() == 206) {
          const std::optional<TContentRange> range = ContentRangeOf(response);
          if (!range || range->First != 0 || range->Total < 0) throw FileChanged{};
          version = {range->Total, ValidatorOf(response)};
          result.Parallel = true;
        } else {
          version = {response.ContentLength(), {}};
        }
      });
      try {
        TRangeLines lines(first, 0, std::min(PartSize, FirstPartSize) - 1);
        first.GetIntoStream(address, sink);
        sink.Decide();
      } catch (const StopRequested&) {
        first.CloseConnection();
        return {false, attempt.Received, result.Parallel, result.ContentType};
      } catch (const FileChanged&) {
        first.CloseConnection();
        if (start >= Retries) throw EVideoStreamFetchFailed(fmt::format(stream_messages::FileChanged, address));
        continue;
      } catch (const Exception& error) {
        first.CloseConnection();
        throw EVideoStreamFetchFailed(fmt::format(stream_messages::PartFailed, address, sink.Written(), error.Message));
      }
      if (!result.Parallel) {
        // The whole file came over the one connection.
        if (version.Total >= 0 && sink.Written() < version.Total)
          throw EVideoStreamFetchFailed(
              fmt::format(stream_messages::PartFailed, address, sink.Written(),
                          fmt::format(stream_messages::SegmentCut, sink.Written(), version.Total)));
        return {true, sink.Written(), false, result.ContentType};
      }
      file.SetSize(version.Total);
      attempt.Plan(sink.Written());
    }

    const auto record = [&] {
      if (!stateFile.empty())
        WriteRangesState(stateFile,
                         {address, version.Validator, result.ContentType, version.Total, attempt.Progress()});
    };
    // Without a validator a later run could not tell another version apart.
    const bool recorded = !version.Validator.empty();
    const size_t workers = std::min<size_t>(size_t(std::max(Connections, 1)), attempt.PartCount());
    while (clients.size() < workers) clients.push_back(factory_());
    std::atomic<size_t> ended{0};
    std::vector<std::thread> threads;
    for (size_t i = 0; i < workers; ++i)
      threads.emplace_back([&attempt, &ended, http = clients[i].get()] {
        attempt.Work(*http);
        ++ended;
      });
    // The workers end by themselves; progress is reported and recorded meanwhile.
    auto nextReport = std::chrono::steady_clock::now();
    while (ended < workers) {
      if (std::chrono::steady_clock::now() >= nextReport) {
        if (OnProgress) OnProgress(attempt.Received, version.Total);
        if (recorded) record();
        nextReport += ProgressInterval;
      }
      std::this_thread::sleep_for(PauseSlice);
    }
    for (std::thread& thread : threads) thread.join();
    if (OnProgress) OnProgress(attempt.Received, version.Total);
    if (std::optional<std::string> failure = attempt.Failure()) {
      if (recorded) record();
      throw EVideoStreamFetchFailed(*failure);
    }
    if (attempt.Changed()) {
      if (!stateFile.empty()) std::filesystem::remove(stateFile);
      if (start >= Retries) throw EVideoStreamFetchFailed(fmt::format(stream_messages::FileChanged, address));
      continue;
    }
    if (stopped_) {
      if (recorded) record();
      return {false, attempt.Received, true, result.ContentType};
    }
    if (!stateFile.empty()) std::filesystem::remove(stateFile);
    return {true, version.Total, true, result.ContentType};
  }
}

}  // namespace streams
