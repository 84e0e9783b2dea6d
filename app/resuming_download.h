// One address fetched for the job: a page's text, or a video written into the
// video file, whichever the server's answer turns out to be. The video is one
// ranged fetch: a connection closed or reset part-way is continued from the
// byte the file holds, guarded by If-Range on the validator the first answer
// gave, so bytes of a different file are never appended. A large video may
// instead be fetched as several ranges at once, and a later run continues
// those ranges where they stopped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/streams/segment_fetcher.h"
#include "app/transfer/retry_policy.h"

class TIdHTTP;

// What an answer may be.
enum class TFetchKind {
  // The address the user gave: a page, or a video or sound file served as one.
  PageOrMedia,
  // A video a page declared: media, or a page that is no video after all.
  DeclaredMedia,
  // A site's composed video address: whatever comes is the video.
  AnyBytes,
};

struct TFetchResult {
  bool IsPage = false;
  std::string Page;          // the page's text when IsPage
  std::string ContentType;   // as the server gave it
  std::string FinalAddress;  // after redirects
};

// The video file's continuation record, kept beside it while it is partial.
struct TResumeRecord {
  std::string Address;
  std::string Validator;  // ETag, else Last-Modified; empty: cannot continue
  int64_t Size = -1;      // the whole file's size, -1 when unknown
};

class TResumingDownload {
public:
  // videoFile and recordFile are paths; the record file lets a later run
  // continue a partial video file.
  TResumingDownload(TIdHTTP& http, std::string videoFile, std::string recordFile);

  // Retries after a dropped video transfer, each after a short growing pause.
  TRetryPolicy Retry;
  // Continue a partial video file of an earlier run for the same address.
  bool ContinuePartial = false;
  // Keeps the owner's messages flowing during pauses.
  std::function<void()> ProcessMessages;
  // The user asked to stop: the transfer ends with what it has and is
  // never retried.
  std::function<bool()> Stopped;
  // The offset the next transfer's byte counts start from, and every retry.
  std::function<void(int64_t offset)> OnOffset;
  std::function<void(int attempt, int64_t offset)> OnRetry;
  // With more than one connection and a factory of clients, a video larger
  // than LargeFile is fetched again as that many ranges at once (when its
  // server takes ranges); OnParts then tells its bytes so far and its size.
  int32_t Connections = 1;
  streams::THttpClientFactory ClientFactory;
  std::function<void(int64_t bytes, int64_t total)> OnParts;
  // A record of an earlier run that does not fit its file was put aside.
  std::function<void(const std::string& notice)> OnNotice;
  static constexpr int64_t LargeFile = int64_t{8} << 20;

  TFetchResult Fetch(const std::string& address, TFetchKind kind);

private:
  // total and validator as the whole file's answer gave them; -1 and empty
  // when no such answer came.
  TFetchResult fetchInParts(const std::string& address, const std::string& contentType, int64_t total,
                            const std::string& validator);
  // Beside the record: how far each parallel part is.
  std::string partsRecord() const { return recordFile_ + "-parts"; }

  TIdHTTP& http_;
  const std::string videoFile_;
  const std::string recordFile_;
};

// "video/...", "audio/...", and a generic binary type (or none) on a file
// whose name ends in a media extension.
bool IsMediaAnswer(const std::string& contentType, const std::string& address);
