#include "app/resuming_download.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>

#include "app/job_folder.h"
#include "app/streams/parallel_ranges.h"
#include "app/streams/ranges_state.h"
#include "app/transfer/range_headers.h"
#include "app/transfer/ranged_fetch.h"
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

// "bytes */1000": what a 416 says of the whole file's size; -1 when it says
// nothing.
int64_t unsatisfiedTotal(const TIdHTTPResponse& response) {
  const std::string value = response.HeaderLines.ValueOf("Content-Range");
  const size_t slash = value.find('/');
  if (LowerCase(value.substr(0, 6)) != "bytes " || slash == std::string::npos) return -1;
  const std::string total = value.substr(slash + 1);
  if (total.empty() || total.size() > 18 || total.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoll(total);
}

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
  std::string text(size_t(std::min<int64_t>(file->GetSize(), 64 * 1024)), '\0');
  file->ReadBuffer(text.data(), int64_t(text.size()));
  std::istringstream lines(text);
  std::string size;
  if (std::getline(lines, record.Address) && std::getline(lines, record.Validator) && std::getline(lines, size) &&
      !size.empty() && size.size() <= 18 && size.find_first_not_of("-0123456789") == std::string::npos)
    record.Size = std::stoll(size);
  else record = {};
  return record;
}

// Written beside the path and renamed over it, so a kill never leaves half a
// record.
void writeRecord(const std::string& path, const TResumeRecord& record) {
  const std::string fresh = path + ".new";
  {
    const std::unique_ptr<TFileStream> file = CreateWorkFile(fresh);
    const std::string text = record.Address + "\n" + record.Validator + "\n" + std::to_string(record.Size) + "\n";
    file->WriteBuffer(text.data(), int64_t(text.size()));
  }
  std::filesystem::rename(fresh, path);
}

// Where the answer's body goes, decided at its first byte (or at the end of
// an empty body) from its head: the page's text, or the video file from the
// byte the fetch continues at; the whole file again from its start when the
// server sends it.
class BodyTarget : public transfer::TRangeTarget {
public:
  BodyTarget(TFetchKind kind, const std::string& address, std::unique_ptr<TFileStream>& file,
             std::function<void()> openFile, TResumeRecord& record, const std::string& recordFile, bool mayGoInParts)
      : media_(file && file->GetSize() > 0),
        kind_(kind),
        address_(address),
        file_(file),
        openFile_(std::move(openFile)),
        record_(record),
        recordFile_(recordFile),
        mayGoInParts_(mayGoInParts),
        page_(client_limits::MaxTextBody) {}

  void Begin(TIdHTTP& http, int64_t keep) override {
    TIdHTTPResponse& response = http.Response();
    FinalAddress = http.CurrentUri.Compose();
    ContentType = response.ContentType;
    if (keep > 0) {
      // The rest of the file the record names.
      file_->SetSize(keep);
      media_ = true;
      return;
    }
    page_.Clear();
    isPage_ = false;
    if (!media_ && ((kind_ == TFetchKind::PageOrMedia && !IsMediaAnswer(ContentType, FinalAddress)) ||
                    (kind_ == TFetchKind::DeclaredMedia && isPageType(ContentType)))) {
      isPage_ = true;
      return;
    }
    if (mayGoInParts_ && response.ContentLength() > TResumingDownload::LargeFile)
      throw InParts{response.ContentLength(), transfer::ValidatorOf(response)};
    media_ = true;
    // The whole file: a first answer, or a server that ignored the range or
    // holds another file now.
    if (!file_) openFile_();
    // Only a file with bytes is cut: one cut to nothing is written out to
    // disk as it closes, stalling the job.
    if (file_->GetSize() > 0) file_->SetSize(0);
    record_ = {address_, transfer::ValidatorOf(response), response.ContentLength()};
    // A later run can continue what this one leaves, even after a kill.
    if (!record_.Validator.empty()) writeRecord(recordFile_, record_);
  }

  void Write(int64_t offset, const char* bytes, int64_t count) override {
    if (isPage_) {
      page_.WriteBuffer(bytes, count);
      return;
    }
    file_->SetPosition(offset);
    file_->WriteBuffer(bytes, count);
  }

  bool MayRetry() const override { return media_; }

  bool IsPage() const { return isPage_; }
  std::string PageText() const { return page_.DataString(); }

  std::string FinalAddress;
  std::string ContentType;

private:
  // A media answer has come: what follows continues it.
  bool media_;
  const TFetchKind kind_;
  const std::string address_;
  std::unique_ptr<TFileStream>& file_;
  std::function<void()> openFile_;
  TResumeRecord& record_;
  const std::string& recordFile_;
  const bool mayGoInParts_;
  TBoundedStringStream page_;
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
  const auto openFile = [&] { file = CreateWorkFile(videoFile_); };
  TResumeRecord record;
  int64_t have = 0;
  if (ContinuePartial) {
    record = readRecord(recordFile_);
    if (record.Address == address && !record.Validator.empty()) file = OpenWorkFile(videoFile_, fmOpenReadWrite);
    if (file) have = file->GetSize();
    else record = {};
  }
  // The specified job empties the video file before it asks for the video.
  if (!file && kind == TFetchKind::AnyBytes) openFile();

  BodyTarget target(kind, address, file, openFile, record, recordFile_, Connections > 1 && bool(ClientFactory));
  transfer::TRangedFetch fetch(http_, Retry);
  fetch.Stopped = stopped;
  fetch.OnPause = ProcessMessages;
  fetch.OnRequest = [&](int64_t offset) {
    // A failed call leaves the client's redirect count where it stopped; a
    // retry is a new call with the full number of redirects.
    http_.RedirectCount = 0;
    if (OnOffset) OnOffset(offset);
  };
  fetch.OnRetry = OnRetry;
  transfer::TVersion version{record.Validator, record.Size};
  const auto finished = [&] {
    std::filesystem::remove(recordFile_);
    return TFetchResult{false, {}, target.ContentType, target.FinalAddress.empty() ? address : target.FinalAddress};
  };
  for (;;) {
    try {
      fetch.Fetch(address, 0, -1, have, version, target);
      break;
    } catch (const InParts& large) {
      http_.CloseConnection();
      return fetchInParts(target.FinalAddress, target.ContentType, large.Total, large.Validator);
    } catch (const std::exception& error) {
      // A 416's "bytes */size" is not a range the response record can read.
      const bool unsatisfiable =
          (dynamic_cast<const EIdHTTPProtocolException*>(&error) || dynamic_cast<const EConvertError*>(&error)) &&
          http_.Response().StatusCode() == 416;
      if (have == 0 || !unsatisfiable) throw;
      // Nothing left to send: the file is whole when the server's size is
      // ours; otherwise it is fetched again from its start.
      http_.CloseConnection();
      if (unsatisfiedTotal(http_.Response()) == have) return finished();
      have = 0;
      version = {};
    }
  }
  if (target.IsPage()) return {true, target.PageText(), target.ContentType, target.FinalAddress};
  // A stopped transfer keeps its record, so that a later run (a paused
  // queue item resumed) continues it instead of starting over.
  if (stopped()) return {false, {}, target.ContentType, target.FinalAddress};
  return finished();
}

TFetchResult TResumingDownload::fetchInParts(const std::string& address, const std::string& contentType, int64_t total,
                                             const std::string& validator) {
  streams::TParallelRanges ranges(ClientFactory);
  ranges.Known = streams::TParallelRanges::TKnownFile{total, validator, contentType};
  ranges.Connections = Connections;
  ranges.Retry = Retry;
  ranges.OnNotice = OnNotice;
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
