#include "app/streams/parallel_ranges.h"

#include <fmt/format.h>

#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/streams/messages.h"
#include "app/streams/ranged_request.h"
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
  explicit SharedFile(const std::string& path) : file_(path, fmCreate) {}
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
  PartSink(SharedFile& file, int64_t offset, std::atomic<int64_t>& received, const std::atomic<bool>& stopped,
           std::function<void()> check)
      : file_(file), offset_(offset), received_(received), stopped_(stopped), check_(std::move(check)) {}

  int64_t Write(const void* buffer, int64_t count) override {
    if (stopped_) throw StopRequested{};
    if (count <= 0) return 0;
    Decide();
    file_.WriteAt(offset_ + written_, buffer, count);
    written_ += count;
    received_ += count;
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
    written_ = 0;
    decided_ = false;
  }

  SharedFile& file_;
  const int64_t offset_;
  std::atomic<int64_t>& received_;
  const std::atomic<bool>& stopped_;
  std::function<void()> check_;
  int64_t written_ = 0;
  bool decided_ = false;
};

struct Part {
  int64_t First = 0;
  int64_t Last = 0;
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
      parts_.push_back({first, std::min(first + owner_.PartSize, version_.Total) - 1});
  }
  size_t PartCount() const { return parts_.size(); }

  void Work(TIdHTTP& http) {
    for (;;) {
      Part part;
      {
        std::lock_guard guard(lock_);
        if (parts_.empty() || failure_ || changed_ || stopped_) return;
        part = parts_.front();
        parts_.pop_front();
      }
      try {
        fetchPart(http, part);
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
  void fetchPart(TIdHTTP& http, const Part& part) {
    int64_t done = 0;
    std::string reason;
    for (int32_t attempt = 0; attempt <= owner_.Retries; ++attempt) {
      if (attempt > 0) pause(attempt);
      if (stopped_ || Ended()) throw StopRequested{};
      const int64_t first = part.First + done;
      PartSink sink(file_, first, Received, stopped_, [&] { checkAnswer(http, first); });
      try {
        TRangeLines lines(http, first, part.Last, version_.Validator);
        http.GetIntoStream(address_, sink);
        sink.Decide();
        done += sink.Written();
        if (part.First + done <= part.Last)
          throw PartCut{fmt::format(stream_messages::SegmentCut, done, part.Last - part.First + 1)};
        return;
      } catch (const PartCut& cut) {
        reason = cut.Reason;
      } catch (const Exception& error) {
        done += sink.Written();
        reason = error.Message;
      }
      http.CloseConnection();
    }
    throw EVideoStreamFetchFailed(fmt::format(stream_messages::PartFailed, address_, part.First + done, reason));
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
  std::deque<Part> parts_;
  std::optional<std::string> failure_;
  bool changed_ = false;
};

}  // namespace

TParallelRanges::TParallelRanges(THttpClientFactory factory) : factory_(std::move(factory)) {}

TRangesResult TParallelRanges::Fetch(const std::string& address, const std::string& outputFile) {
  stopped_ = false;
  SharedFile file(outputFile);
  std::vector<std::unique_ptr<TIdHTTP>> clients;
  clients.push_back(factory_());
  TIdHTTP& first = *clients.front();

  for (int32_t start = 0;; ++start) {
    file.SetSize(0);
    FileVersion version;
    TRangesResult result;
    Attempt attempt(*this, address, file, version, stopped_);
    // The first part: its answer says whether ranges work at all.
    PartSink sink(file, 0, attempt.Received, stopped_, [&] {
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
      TRangeLines lines(first, 0, PartSize - 1);
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
    const size_t workers = std::min<size_t>(size_t(std::max(Connections, 1)), attempt.PartCount());
    while (clients.size() < workers) clients.push_back(factory_());
    std::atomic<size_t> ended{0};
    std::vector<std::thread> threads;
    for (size_t i = 0; i < workers; ++i)
      threads.emplace_back([&attempt, &ended, http = clients[i].get()] {
        attempt.Work(*http);
        ++ended;
      });
    // The workers end by themselves; progress is reported meanwhile.
    auto nextReport = std::chrono::steady_clock::now();
    while (ended < workers) {
      if (OnProgress && std::chrono::steady_clock::now() >= nextReport) {
        OnProgress(attempt.Received, version.Total);
        nextReport += ProgressInterval;
      }
      std::this_thread::sleep_for(PauseSlice);
    }
    for (std::thread& thread : threads) thread.join();
    if (OnProgress) OnProgress(attempt.Received, version.Total);
    if (std::optional<std::string> failure = attempt.Failure()) throw EVideoStreamFetchFailed(*failure);
    if (attempt.Changed()) {
      if (start >= Retries) throw EVideoStreamFetchFailed(fmt::format(stream_messages::FileChanged, address));
      continue;
    }
    if (stopped_) return {false, attempt.Received, true, result.ContentType};
    return {true, version.Total, true, result.ContentType};
  }
}

}  // namespace streams
