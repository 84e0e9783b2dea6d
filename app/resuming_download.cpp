#include "app/resuming_download.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include "app/job_folder.h"
#include "app/messages.h"
#include "app/streams/parallel_ranges.h"
#include "app/streams/ranged_request.h"
#include "app/streams/ranges_state.h"
#include "net/http/body_streams.h"
#include "net/http/client_limits.h"
#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "net/http/uri.h"
#include "net/transport/exceptions.h"
#include "platform/exception.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace {

constexpr auto FirstPause = std::chrono::milliseconds(100);
constexpr auto PauseSlice = std::chrono::milliseconds(10);

// "Video/MP4; codecs=x" -> "video/mp4".
std::string mediaType(const std::string& contentType) {
  std::string type = LowerCase(contentType.substr(0, contentType.find(';')));
  const size_t start = type.find_first_not_of(" \t");
  const size_t end = type.find_last_not_of(" \t");
  return start == std::string::npos ? std::string() : type.substr(start, end - start + 1);
}

std::string extensionOf(const std::string& address) {
  const std::string name = TIdURI(address).Document;
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : LowerCase(name.substr(dot + 1));
}

bool isPageType(const std::string& contentType) {
  const std::string type = mediaType(contentType);
  // Playlists are text that names the media.
  return type.rfind("text/", 0) == 0 || type.find("html") != std::string::npos ||
         type.find("mpegurl") != std::string::npos || type.find("xml") != std::string::npos ||
         type.find("json") != std::string::npos;
}

// "bytes 100-999/1000" or "bytes */1000"; a part that is not there is -1.
struct ContentRange {
  int64_t First = -1;
  int64_t Total = -1;
};

int64_t number(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoll(text);
}

std::optional<ContentRange> contentRangeOf(const TIdHTTPResponse& response) {
  std::string value = response.HeaderLines.ValueOf("Content-Range");
  if (LowerCase(value.substr(0, 6)) != "bytes ") return std::nullopt;
  value = value.substr(6);
  const size_t slash = value.find('/');
  if (slash == std::string::npos) return std::nullopt;
  ContentRange range;
  range.Total = number(value.substr(slash + 1));
  range.First = number(value.substr(0, std::min(value.find('-'), slash)));
  return range;
}

// A part is of the file we have unless the answer names another version of
// it, in the same kind of validator that was recorded.
bool sameVersion(const TIdHTTPResponse& response, const std::string& recorded) {
  const bool tag = recorded.rfind('"', 0) == 0;
  const std::string current = response.HeaderLines.ValueOf(tag ? "ETag" : "Last-Modified");
  return current.empty() || current == recorded;
}

bool isDroppedConnection(const EIdException& error) {
  return dynamic_cast<const EIdConnClosedGracefully*>(&error) || dynamic_cast<const EIdSocketError*>(&error) ||
         dynamic_cast<const EIdReadTimeout*>(&error) || dynamic_cast<const EIdNotConnected*>(&error) ||
         dynamic_cast<const EIdClosedSocket*>(&error) || dynamic_cast<const EIdConnectTimeout*>(&error);
}

// Raised when an answer cannot continue the file: the next request asks for
// the whole file again.
struct StartOver {};

// Raised at the first byte of a large whole file that is better fetched in
// parallel ranges; what its answer said goes with it.
struct InParts {
  int64_t Total = -1;
  std::string Validator;
};

TResumeRecord readRecord(const std::string& path) {
  TResumeRecord record;
  const std::unique_ptr<TFileStream> file = OpenWorkFile(path, fmOpenRead);
  if (!file) return record;
  std::string text(size_t(file->GetSize()), '\0');
  file->ReadBuffer(text.data(), int64_t(text.size()));
  std::istringstream lines(text);
  std::string size;
  if (std::getline(lines, record.Address) && std::getline(lines, record.Validator) && std::getline(lines, size))
    record.Size = number(size);
  else record = {};
  return record;
}

void writeRecord(const std::string& path, const TResumeRecord& record) {
  const std::unique_ptr<TFileStream> file = CreateWorkFile(path);
  const std::string text = record.Address + "\n" + record.Validator + "\n" + std::to_string(record.Size) + "\n";
  file->WriteBuffer(text.data(), int64_t(text.size()));
}

// The stream the client writes one answer's body into. The first byte (or
// the end of an empty body) decides from the answer's head where the body
// goes: the page's text, or the video file at the offset the request asked
// for, or from its start when the server sends the whole file instead.
class BodySink : public TAnswerSink {
public:
  BodySink(TIdHTTP& http, TFetchKind kind, const std::string& address, TFileStream* file, int64_t offset,
           TResumeRecord& record, const std::string& recordFile, std::function<TFileStream*()> openFile,
           bool mayGoInParts)
      : http_(http),
        kind_(kind),
        address_(address),
        recordFile_(recordFile),
        file_(file),
        offset_(offset),
        record_(record),
        openFile_(std::move(openFile)),
        mayGoInParts_(mayGoInParts),
        page_(client_limits::MaxTextBody) {}

  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0) return 0;
    Decide();
    if (isPage_) page_.WriteBuffer(buffer, count);
    else file_->WriteBuffer(buffer, count);
    written_ += count;
    return count;
  }
  int64_t GetSize() override { return written_; }

  void Decide() {
    if (decided_) return;
    decided_ = true;
    TIdHTTPResponse& response = http_.Response();
    FinalAddress = http_.CurrentUri.Compose();
    ContentType = response.ContentType;
    if (response.StatusCode() == 206) {
      const std::optional<ContentRange> range = contentRangeOf(response);
      if (offset_ == 0 || !range || range->First != offset_ || !sameVersion(response, record_.Validator))
        throw StartOver{};
      record_.Size = range->Total;
      file_->SetPosition(offset_);
      return;
    }
    if ((kind_ == TFetchKind::PageOrMedia && !IsMediaAnswer(ContentType, FinalAddress)) ||
        (kind_ == TFetchKind::DeclaredMedia && isPageType(ContentType))) {
      isPage_ = true;
      return;
    }
    if (mayGoInParts_ && offset_ == 0 && response.ContentLength() > TResumingDownload::LargeFile)
      throw InParts{response.ContentLength(), streams::ValidatorOf(response)};
    // The whole file: a first answer, or a server that ignored the range or
    // holds another file now.
    offset_ = 0;
    if (!file_) file_ = openFile_();
    file_->SetSize(0);
    file_->SetPosition(0);
    record_ = {address_, streams::ValidatorOf(response), response.ContentLength()};
    // A later run can continue what this one leaves, even after a kill.
    if (!record_.Validator.empty()) writeRecord(recordFile_, record_);
  }

  bool IsPage() const { return decided_ && isPage_; }
  bool IsMedia() const { return decided_ && !isPage_; }
  std::string PageText() const { return page_.DataString(); }
  int64_t Offset() const { return offset_; }
  TFileStream* File() const { return file_; }

  std::string FinalAddress;
  std::string ContentType;

private:
  void Forget() override {
    if (!decided_) return;
    if (isPage_) page_.Clear();
    else file_->SetSize(offset_);
    decided_ = isPage_ = false;
    written_ = 0;
  }

  TIdHTTP& http_;
  const TFetchKind kind_;
  const std::string address_;
  const std::string recordFile_;
  TFileStream* file_;
  int64_t offset_;
  TResumeRecord& record_;
  std::function<TFileStream*()> openFile_;
  const bool mayGoInParts_;
  TBoundedStringStream page_;
  int64_t written_ = 0;
  bool decided_ = false;
  bool isPage_ = false;
};

}  // namespace

bool IsMediaAnswer(const std::string& contentType, const std::string& address) {
  static const char* const genericTypes[] = {"",
                                             "application/octet-stream",
                                             "binary/octet-stream",
                                             "application/x-octet-stream",
                                             "application/binary",
                                             "application/download",
                                             "application/force-download",
                                             "application/unknown"};
  static const char* const mediaExtensions[] = {"flv", "mp4", "m4v",  "m4a", "mov",  "webm", "mkv",  "mka", "avi",
                                                "wmv", "asf", "wma",  "mpg", "mpeg", "ts",   "m2ts", "3gp", "ogv",
                                                "ogg", "oga", "opus", "mp3", "wav",  "aac",  "flac", "rm"};
  const std::string type = mediaType(contentType);
  // Playlists name other files; they are not the media.
  if (type.find("mpegurl") != std::string::npos) return false;
  if (type.rfind("video/", 0) == 0 || type.rfind("audio/", 0) == 0 || type == "application/ogg" ||
      type == "application/mp4")
    return true;
  if (std::find(std::begin(genericTypes), std::end(genericTypes), type) == std::end(genericTypes)) return false;
  const std::string extension = extensionOf(address);
  return std::find(std::begin(mediaExtensions), std::end(mediaExtensions), extension) != std::end(mediaExtensions);
}

TResumingDownload::TResumingDownload(TIdHTTP& http, std::string videoFile, std::string recordFile)
    : http_(http), videoFile_(std::move(videoFile)), recordFile_(std::move(recordFile)) {}

TFetchResult TResumingDownload::Fetch(const std::string& address, TFetchKind kind) {
  const auto stopped = [this] { return Stopped && Stopped(); };
  // A large file an earlier run fetched in part as parallel ranges goes on
  // the same way; the ranged fetch checks that it is still the same file.
  if (ContinuePartial && Connections > 1 && ClientFactory) {
    const std::optional<streams::TRangesState> parts = streams::ReadRangesState(partsRecord());
    if (parts && parts->Address == address) return fetchInParts(address, parts->ContentType, -1, {});
  }
  std::unique_ptr<TFileStream> file;
  const auto openFile = [&] {
    file = CreateWorkFile(videoFile_);
    return file.get();
  };
  TResumeRecord record;
  int64_t offset = 0;
  if (ContinuePartial) {
    record = readRecord(recordFile_);
    if (record.Address == address && !record.Validator.empty()) file = OpenWorkFile(videoFile_, fmOpenReadWrite);
    if (file) offset = file->GetSize();
    else record = {};
  }
  // The specified job empties the video file before it asks for the video.
  if (!file && kind == TFetchKind::AnyBytes) openFile();
  bool media = offset > 0;

  for (int attempt = 0;; ++attempt) {
    BodySink sink(http_, kind, address, file.get(), offset, record, recordFile_, openFile,
                  attempt == 0 && Connections > 1 && ClientFactory);
    if (OnOffset) OnOffset(offset);
    std::optional<int64_t> retryFrom;
    try {
      const streams::TRangeLines range(http_, offset, std::nullopt, record.Validator);
      http_.GetIntoStream(address, sink);
      sink.Decide();
      if (sink.IsPage()) return {true, sink.PageText(), sink.ContentType, sink.FinalAddress};
      // A stopped transfer keeps its record, so that a later run (a paused
      // queue item resumed) continues it instead of starting over.
      if (stopped()) return {false, {}, sink.ContentType, sink.FinalAddress};
      const int64_t have = sink.File()->GetSize();
      if (record.Size >= 0 && have < record.Size) throw EIdConnClosedGracefully(app_messages::CutShort);
      std::filesystem::remove(recordFile_);
      return {false, {}, sink.ContentType, sink.FinalAddress};
    } catch (const InParts& large) {
      http_.CloseConnection();
      return fetchInParts(sink.FinalAddress, sink.ContentType, large.Total, large.Validator);
    } catch (const StartOver&) {
      http_.CloseConnection();
      retryFrom = 0;
    } catch (const EIdException& error) {
      http_.CloseConnection();
      const auto* refused = dynamic_cast<const EIdHTTPProtocolException*>(&error);
      if (refused && refused->ReplyCode == 416 && offset > 0) {
        // Nothing left to send: the file is whole when the server's size is ours.
        const std::optional<ContentRange> range = contentRangeOf(http_.Response());
        if (range && range->Total == offset) {
          std::filesystem::remove(recordFile_);
          return {false, {}, http_.Response().ContentType, address};
        }
        retryFrom = 0;
      } else {
        media = media || sink.IsMedia();
        if (!media || !isDroppedConnection(error) || stopped() || attempt >= Retries) throw;
        if (record.Validator.empty()) retryFrom = 0;
      }
    } catch (const EConvertError&) {
      // A 416's "bytes */size" is not a range the response record can read.
      http_.CloseConnection();
      const std::optional<ContentRange> range = contentRangeOf(http_.Response());
      if (http_.Response().StatusCode() != 416 || offset == 0 || !range) throw;
      if (range->Total == offset) {
        std::filesystem::remove(recordFile_);
        return {false, {}, http_.Response().ContentType, address};
      }
      retryFrom = 0;
    }
    if (attempt >= Retries) throw EIdException(app_messages::CannotContinue);
    if (!file) openFile();
    if (retryFrom) {
      file->SetSize(0);
      record = {};
    }
    offset = file->GetSize();
    if (!record.Validator.empty() && offset > 0) writeRecord(recordFile_, record);
    // A failed call leaves the client's redirect count where it stopped; a
    // retry is a new call with the full number of redirects.
    http_.RedirectCount = 0;
    if (OnRetry) OnRetry(attempt + 1, offset);
    const auto pauseEnd = std::chrono::steady_clock::now() + FirstPause * (1 << attempt);
    while (std::chrono::steady_clock::now() < pauseEnd && !stopped()) {
      if (ProcessMessages) ProcessMessages();
      std::this_thread::sleep_for(PauseSlice);
    }
    if (stopped()) return {false, {}, sink.ContentType, sink.FinalAddress};
  }
}

TFetchResult TResumingDownload::fetchInParts(const std::string& address, const std::string& contentType, int64_t total,
                                             const std::string& validator) {
  streams::TParallelRanges ranges(ClientFactory);
  ranges.Known = streams::TParallelRanges::TKnownFile{total, validator, contentType};
  ranges.Connections = Connections;
  ranges.Retries = Retries;
  ranges.OnProgress = [&](int64_t bytes, int64_t total) {
    if (OnParts) OnParts(bytes, total);
    if (ProcessMessages) ProcessMessages();
    if (Stopped && Stopped()) ranges.Stop();
  };
  // The parts gather beside the video file: one with gaps is never taken
  // for the video, yet stays with its record for a later run to complete.
  const std::string partsFile = videoFile_ + ".parts";
  const streams::TRangesResult result = ranges.Fetch(address, partsFile, partsRecord(), ContinuePartial);
  std::filesystem::remove(recordFile_);
  if (result.Complete) std::filesystem::rename(partsFile, videoFile_);
  else std::filesystem::remove(videoFile_);
  return {false, {}, result.ContentType.empty() ? contentType : result.ContentType, address};
}
