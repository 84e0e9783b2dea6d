// The job with streamed video, against nginx serving what the ffmpeg command
// line wrote as HLS (TS, fMP4, AES-128) and DASH: the quality chosen, the
// segments joined (and the separate sound muxed) into a clean output,
// Original copying the pictures untouched; Stop and --continue in the middle
// of a stream, and a stream with a missing segment; a large file fetched as
// parallel ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "app/download_job.h"
#include "app/http_settings.h"
#include "app/job_folder.h"
#include "app/resuming_download.h"
#include "app/streams/ranges_state.h"
#include "app/streams/stream_errors.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "tests/app/answering_reporter.h"
#include "tests/app/demo_site.h"
#include "tests/app/stream_media.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

// The answering reporter, with the progress it was given and a hook on
// every pass of the job's message loop.
class StreamReporter : public AnsweringReporter {
public:
  void Progress(int64_t position, int64_t maximum) override { Bars.emplace_back(position, maximum); }
  void ProcessMessages() override {
    if (OnMessages) OnMessages();
  }
  bool Saw(const std::string& prefix) const {
    return std::any_of(Statuses.begin(), Statuses.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
  }
  std::vector<std::pair<int64_t, int64_t>> Bars;
  std::function<void()> OnMessages;
};

NginxSite streamSite() {
  NginxSite site;
  // A slow place, so that a transfer can be stopped part-way.
  site.ServerConfig = std::string(StreamTypes) + "location /slow/ { limit_rate 4m; }\n";
  return site;
}

class StreamJobTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    media = new TempFolder;
    WriteHlsStream(media->Path(), "ts", false);
    WriteHlsStream(media->Path(), "fmp4", true);
    WriteHlsStream(media->Path(), "aes", false, "/aes/stream.key");
    WriteDashStream(media->Path(), "dash");
    WriteJoinedHls(media->Path(), "joined-ts", false);
    WriteJoinedHls(media->Path(), "joined-fmp4", true);
  }
  static void TearDownTestSuite() {
    delete media;
    media = nullptr;
  }

  StreamJobTest() {
    std::filesystem::copy(media->Path(), nginx.DocumentRoot(), std::filesystem::copy_options::recursive);
    ApplyMainWindowSettings(http);
    reporter.Answer = work.File("out");
  }
  std::string served(const std::string& path) const { return nginx.DocumentRoot() + path; }

  static TempFolder* media;
  TempFolder work;
  NginxServer nginx{streamSite()};
  TIdHTTP http;
  TVideoEdit videoEdit;
  StreamReporter reporter;
  TDownloadJob job{http, videoEdit, reporter, work.Path() + "/", work.Path() + "/profiles/"};
  TOutputChoices choices;
};

TempFolder* StreamJobTest::media = nullptr;

// Each stream ends as one clean file of the format asked for, in the
// quality the rule picks: Original keeps the chosen variant's pictures as
// they were; a re-encoded format takes the smallest quality at least as tall
// as its output; DASH's separate sound is muxed in.
TEST_F(StreamJobTest, StreamsEndAsCleanOutputs) {
  nginx.WriteDocument("page.html", "<meta property='og:video' content='/ts/master.m3u8'>");
  const struct {
    const char* name;
    std::string address;
    TOutputType format;
    const char* height;
    const char* quality;    // the status line's choice
    const char* extension;  // of the saved file
    const char* variant;    // whose pictures Original keeps, or none
  } cases[] = {
      {"TS, Original", nginx.Url("/ts/master.m3u8"), otOriginal, "240", "Quality: 320x240", "mp4", "/ts/v0/index.m3u8"},
      {"fMP4, Original", nginx.Url("/fmp4/master.m3u8"), otOriginal, "240", "Quality: 320x240", "mp4",
       "/fmp4/v0/index.m3u8"},
      {"AES-128, to MP4 at 120", nginx.Url("/aes/master.m3u8"), otMP4, "120", "Quality: 160x120", "mp4", nullptr},
      {"declared by a page, to MP4 at 200", nginx.Url("/page.html"), otMP4, "200", "Quality: 320x240", "mp4", nullptr},
      {"DASH, Original", nginx.Url("/dash/manifest.mpd"), otOriginal, "240", "Quality: 320x240", "mp4",
       "/dash/manifest.mpd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reporter.Statuses.clear();
    reporter.Bars.clear();
    reporter.Format = c.format;
    choices.Format = c.format;
    choices.Width = "160";
    choices.Height = c.height;
    const std::string output = work.File(std::string("out.") + c.extension);
    reporter.Answer = output;
    ASSERT_EQ(job.Run(c.address, choices), TJobResult::Done);
    EXPECT_TRUE(reporter.Saw(c.quality));
    EXPECT_TRUE(reporter.Saw("segment 4 of "));
    // The bar counts segments and ends full before it is cleared.
    EXPECT_TRUE(std::any_of(reporter.Bars.begin(), reporter.Bars.end(),
                            [](auto bar) { return bar.second > 0 && bar.first == bar.second; }));
    EXPECT_EQ(DecodingErrors(output), "");
    if (c.variant) {
      EXPECT_EQ(PictureChecksums(output), PictureChecksums(served(c.variant)));
    }
    EXPECT_FALSE(std::filesystem::exists(job.VideoFile()));
    std::filesystem::remove(output);
  }
}

// Two parts whose timestamps each start at 0, joined at a discontinuity:
// the saved file runs on without going back in time, copied or re-encoded,
// in TS and in fMP4, and lasts as long as both parts together.
TEST_F(StreamJobTest, DiscontinuityKeepsTimestampsRising) {
  const struct {
    const char* name;
    const char* path;
    TOutputType format;
  } cases[] = {
      {"TS, Original", "/joined-ts/index.m3u8", otOriginal},
      {"TS, to MP4", "/joined-ts/index.m3u8", otMP4},
      {"fMP4, Original", "/joined-fmp4/index.m3u8", otOriginal},
      {"fMP4, to MP4", "/joined-fmp4/index.m3u8", otMP4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    choices.Format = reporter.Format = c.format;
    choices.Width = "320";
    choices.Height = "240";
    const std::string output = work.File("joined.mp4");
    reporter.Answer = output;
    ASSERT_EQ(job.Run(nginx.Url(c.path), choices), TJobResult::Done);
    EXPECT_EQ(DecodingErrors(output), "");
    EXPECT_NEAR(MediaSeconds(output), 4.0, 0.25);
    std::filesystem::remove(output);
  }
}

// Stop in the middle of a stream saves nothing (a stream with a hole is
// never saved as if whole) and keeps the segments; the next run with
// ContinuePartial fetches only the rest and saves it all.
TEST_F(StreamJobTest, StopKeepsTheSegmentsForContinue) {
  choices.Format = reporter.Format = otOriginal;
  reporter.Answer = work.File("out.mp4");
  job.Streams.Connections = 1;
  // Segments already in memory still go into the file; a client runs at most
  // two ahead, so a stop after the first leaves the last one missing.
  reporter.OnMessages = [&] {
    if (reporter.Saw("segment 1 of")) job.Stop();
  };
  EXPECT_EQ(job.Run(nginx.Url("/ts/master.m3u8"), choices), TJobResult::Stopped);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"Stopped; nothing was saved"});
  EXPECT_FALSE(std::filesystem::exists(work.File("out.mp4")));
  EXPECT_TRUE(std::filesystem::exists(job.VideoSegmentsFile()));

  reporter.OnMessages = nullptr;
  reporter.Statuses.clear();
  job.ContinuePartial = true;
  ASSERT_EQ(job.Run(nginx.Url("/ts/master.m3u8"), choices), TJobResult::Done);
  EXPECT_FALSE(reporter.Saw("segment 1 of"));
  EXPECT_EQ(PictureChecksums(work.File("out.mp4")), PictureChecksums(served("/ts/v0/index.m3u8")));
}

// DASH fetches the sound after the pictures: Stop during the sound, and the
// next run continues the sound without asking for a picture again.
TEST_F(StreamJobTest, StopDuringTheSoundKeepsThePicturesWhole) {
  choices.Format = reporter.Format = otOriginal;
  reporter.Answer = work.File("out.mp4");
  job.Streams.Connections = 1;
  reporter.OnMessages = [&] {
    if (reporter.Saw("segment 5 of")) job.Stop();
  };
  EXPECT_EQ(job.Run(nginx.Url("/dash/manifest.mpd"), choices), TJobResult::Stopped);
  ASSERT_TRUE(std::filesystem::exists(job.AudioSegmentsFile()));

  reporter.OnMessages = nullptr;
  job.ContinuePartial = true;
  const size_t logSize = nginx.Files().ReadFile("access.log").size();
  ASSERT_EQ(job.Run(nginx.Url("/dash/manifest.mpd"), choices), TJobResult::Done);
  const std::string log = nginx.Files().ReadFile("access.log").substr(logSize);
  EXPECT_EQ(log.find("stream0"), std::string::npos) << log;
  EXPECT_NE(log.find("stream1"), std::string::npos) << log;
  EXPECT_EQ(DecodingErrors(work.File("out.mp4")), "");
}

// A segment the server no longer has ends the job with an error naming it,
// and nothing is saved.
TEST_F(StreamJobTest, MissingSegmentEndsTheJobNamingIt) {
  std::filesystem::remove(served("/ts/v0/seg2.ts"));
  choices.Format = reporter.Format = otOriginal;
  job.Streams.Connections = 2;
  try {
    job.Run(nginx.Url("/ts/master.m3u8"), choices);
    FAIL() << "the job went on without a segment";
  } catch (const EVideoStreamFetchFailed& error) {
    EXPECT_NE(error.Message.find(nginx.Url("/ts/v0/seg2.ts")), std::string::npos) << error.Message;
  }
  EXPECT_TRUE(reporter.Requests.empty());
}

// A file over 8 MiB whose server takes ranges arrives byte for byte as
// several ranged parts side by side; with one connection, or below the size,
// it is one plain transfer.
TEST_F(StreamJobTest, LargeFileArrivesAsParallelRanges) {
  std::string large(size_t(12) << 20, '\0');
  std::mt19937 random(7);
  for (char& c : large) c = char(random());
  nginx.WriteDocument("large.mp4", large);
  nginx.WriteDocument("small.mp4", large.substr(0, size_t(4) << 20));
  const struct {
    const char* path;
    int32_t connections;
    bool inParts;
  } cases[] = {{"/large.mp4", 4, true}, {"/large.mp4", 1, false}, {"/small.mp4", 4, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " over " + std::to_string(c.connections));
    const std::string before = nginx.Files().ReadFile("access.log");
    TResumingDownload download(http, work.File("video"), work.File("record"));
    download.Connections = c.connections;
    download.ClientFactory = [] {
      auto client = std::make_unique<TIdHTTP>();
      ApplyMainWindowSettings(*client);
      return client;
    };
    int64_t reported = 0;
    download.OnParts = [&](int64_t bytes, int64_t) { reported = bytes; };
    download.Fetch(nginx.Url(c.path), TFetchKind::AnyBytes);
    const std::string served = ReadWholeFile(nginx.DocumentRoot() + c.path);
    EXPECT_TRUE(ReadWholeFile(work.File("video")) == served);
    const std::string log = nginx.Files().ReadFile("access.log").substr(before.size());
    size_t parts = 0;
    for (size_t at = 0; (at = log.find("\" 206 ", at)) != std::string::npos; ++at) ++parts;
    if (c.inParts) {
      EXPECT_GE(parts, 3u) << log;
      EXPECT_EQ(reported, int64_t(large.size()));
    } else {
      EXPECT_EQ(parts, 0u) << log;
    }
  }
}

// A large file stopped while its parts arrive leaves no video file, only its
// parts and their record; continuing fetches the missing bytes alone and
// the video is the server's byte for byte.
TEST_F(StreamJobTest, StoppedParallelFileContinuesWithTheMissingBytes) {
  static constexpr const char* ContinuingAgent = "quillfen-continuing";
  std::string large(size_t(12) << 20, '\0');
  std::mt19937 random(3);
  for (char& c : large) c = char(random());
  nginx.WriteDocument("slow/large.mp4", large);
  const auto fetch = [&](bool continuing, bool stop) {
    TResumingDownload download(http, work.File("video"), work.File("record"));
    download.Connections = 4;
    download.ContinuePartial = continuing;
    download.ClientFactory = [continuing] {
      auto client = std::make_unique<TIdHTTP>();
      ApplyMainWindowSettings(*client);
      // nginx logs the stopped run's requests whenever it notices them
      // closed: the agent tells the continuing run's lines from them.
      if (continuing) client->Request().UserAgent = ContinuingAgent;
      return client;
    };
    int64_t received = 0;
    download.OnParts = [&](int64_t bytes, int64_t) { received = bytes; };
    download.Stopped = [&] { return stop && received > 0; };
    download.Fetch(nginx.Url("/slow/large.mp4"), TFetchKind::AnyBytes);
  };
  // The bytes nginx logged as sent to the continuing run.
  const auto bytesSentToContinuing = [&] {
    std::istringstream lines(nginx.Files().ReadFile("access.log"));
    int64_t sent = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line.find(ContinuingAgent) == std::string::npos) continue;
      // After the request line: the status and the body's bytes.
      std::istringstream fields(line.substr(line.find("\" ", line.find('"') + 1) + 2));
      int status = 0;
      int64_t bytes = 0;
      fields >> status >> bytes;
      sent += bytes;
    }
    return sent;
  };
  fetch(false, true);
  EXPECT_FALSE(std::filesystem::exists(work.File("video")));
  const std::optional<streams::TRangesState> parts = streams::ReadRangesState(work.File("record-parts"));
  ASSERT_TRUE(parts);
  int64_t missing = 0;
  for (const streams::TRangePart& part : parts->Parts) missing += part.Last - part.First + 1 - part.Done;
  // Parts are planned as connections take them: what follows the last one
  // the record names is missing too.
  missing += parts->Total - (parts->Parts.empty() ? 0 : parts->Parts.back().Last + 1);
  EXPECT_GT(missing, 0);
  EXPECT_LT(missing, int64_t(large.size()));
  fetch(true, false);
  EXPECT_TRUE(ReadWholeFile(work.File("video")) == large);
  // nginx may log a request a moment after its last byte left.
  for (int tries = 0; tries < 100 && bytesSentToContinuing() < missing; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(bytesSentToContinuing(), missing);
}

// A record of an earlier run that does not fit its file is put aside, and
// the status line says so: a stream's segment record beside a video file it
// does not describe, and a parallel-ranges record whose parts are gone.
TEST_F(StreamJobTest, RecordThatDoesNotFitIsShownAsPutAside) {
  choices.Format = reporter.Format = otOriginal;
  job.ContinuePartial = true;
  job.Streams.Connections = 2;
  const std::string segment = nginx.Url("/ts/v0/seg0.ts");
  const struct {
    const char* name;
    std::string address;
    // What the earlier run left in the job's folder, named from the work folder.
    std::function<void(const std::string& folder)> leave;
    const char* putAside;
  } cases[] = {
      {"segments", nginx.Url("/ts/master.m3u8"),
       [&](const std::string& folder) {
         work.WriteFile(folder + "/temp.flv", "earlier pictures");
         work.WriteFile(folder + "/temp.segments", "no record");
       },
       "temp.flv"},
      {"parallel ranges", segment,
       [&](const std::string& folder) {
         streams::WriteRangesState(work.File(folder + "/temp.resume-parts"),
                                   {segment, "\"v1\"", "video/mp2t", 5000, {{0, 4999, 100}}});
       },
       "temp.flv.parts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = JobFolderPath(work.Path() + "/", c.address);
    std::filesystem::create_directory(folder);
    c.leave(JobFolderName(c.address));
    reporter.Statuses.clear();
    reporter.Answer = work.File("out.mp4");
    ASSERT_EQ(job.Run(c.address, choices), TJobResult::Done);
    EXPECT_TRUE(
        reporter.Saw("The record of the partial download " + folder + c.putAside + " does not fit it; starting over."));
    std::filesystem::remove(work.File("out.mp4"));
  }
}

}  // namespace
