// The job beyond the two sites, against nginx with a plain and a TLS
// listener: https pages and videos, direct video addresses over both
// schemes, redirects between them, pages that declare their video, and the
// answers it must refuse clearly; and a video whose connection drops.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/download_job.h"
#include "app/http_settings.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/transport/tls/ssl_options.h"
#include "platform/exception.h"
#include "tests/app/answering_reporter.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"
#include "tests/servers/tls_certificates.h"

namespace {

using namespace app_test;

// nginx with its plain listener and a TLS listener for localhost on its first
// extra port, both serving the same documents with their types named, and a
// few redirects between them.
NginxSite bothSchemes() {
  const TlsCertificates& certs = TlsCertificates::Shared();
  NginxSite site;
  site.ExtraPorts = 1;
  const std::string locations =
      "types { text/html html; video/x-flv flv; }\n"
      "location = /to-secure { return 302 https://localhost:@PORT1@/declares-plain.html; }\n"
      "location = /loop { return 302 /loop; }\n";
  site.ServerConfig = locations;
  site.ExtraServers = certs.NginxTlsServer(certs.ServerCertFile(), locations);
  return site;
}

class BeyondSitesTest : public ::testing::Test {
protected:
  BeyondSitesTest() : nginx(bothSchemes()) {
    MakeDemoSite(nginx);
    ApplyMainWindowSettings(http);
    job.TlsOptions().RootCertFile = TlsCertificates::Shared().CaFile();
    reporter.Answer = work.File("out.flv");
    choices.Format = reporter.Format;
    video = ReadWholeFile(nginx.DocumentRoot() + "/video.flv");
    nginx.WriteDocument("clip.mp4", video);  // served as application/octet-stream
    nginx.WriteDocument("declares.html",
                        "<html><head><title>Tom &amp; Jerry / \"Ep 1\"</title>"
                        "<meta property='og:video' content='/video.flv'></head></html>");
    nginx.WriteDocument("declares-plain.html", "<video src=\"" + nginx.Url("/video.flv") + "\"></video>");
    nginx.WriteDocument("declares-page.html", "<meta property=og:video content=/declares.html>");
    nginx.WriteDocument("fake.flv", "not a video at all");
    reporter.BeforeAnswer = [this] { downloaded = ReadWholeFile(job.VideoFile()); };
  }
  std::string secure(const std::string& path) const {
    return "https://localhost:" + std::to_string(nginx.ExtraPort(1)) + path;
  }

  TempFolder work;
  NginxServer nginx;
  std::string video;
  // The job's video file when the job asked for the output's name.
  std::string downloaded;
  TIdHTTP http;
  TVideoEdit videoEdit;
  AnsweringReporter reporter;
  TDownloadJob job{http, videoEdit, reporter, work.Path() + "/", work.Path() + "/profiles/"};
  TOutputChoices choices;
};

// Each address ends with the server's video in the job's work folder and a
// saved output, after which the job's folder goes; the title offered is the
// page's, or the file's name.
TEST_F(BeyondSitesTest, PagesAndVideosOverBothSchemes) {
  struct {
    std::string what;
    std::string address;
    std::string title;
  } cases[] = {
      {"https page declaring its video", secure("/declares.html"), "Tom & Jerry / \"Ep 1\""},
      {"direct video over https", secure("/video.flv"), "video"},
      {"direct video over http", nginx.Url("/video.flv"), "video"},
      {"generic type with a video's extension", nginx.Url("/clip.mp4"), "clip"},
      {"http to https and back to http", nginx.Url("/to-secure"), "video"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(work.File("out.flv"));
    downloaded.clear();
    ASSERT_EQ(job.Run(c.address, choices), TJobResult::Done);
    EXPECT_TRUE(downloaded == video);
    EXPECT_FALSE(std::filesystem::exists(JobFolderPath(work.Path() + "/", c.address))) << "saved: its work files go";
    EXPECT_EQ(reporter.Requests.back().Title, c.title);
    EXPECT_EQ(job.LastOutcome().OutputFile, work.File("out.flv"));
    EXPECT_GT(std::filesystem::file_size(work.File("out.flv")), 1000u);
    EXPECT_TRUE(reporter.Messages.empty());
  }
}

TEST_F(BeyondSitesTest, AnswersThatAreNoVideo) {
  // A page without a declaration, and a declared address that is a page.
  EXPECT_EQ(job.Run(nginx.Url("/novideo.html"), choices), TJobResult::NoVideo);
  EXPECT_EQ(job.Run(secure("/declares-page.html"), choices), TJobResult::NoVideo);
  EXPECT_EQ(reporter.Messages, (std::vector<std::string>{"No video", "No video"}));
  EXPECT_TRUE(reporter.Requests.empty());

  const auto messageOf = [&](const std::string& address) {
    try {
      job.Run(address, choices);
    } catch (const Exception& error) {
      return error.Message;
    }
    return std::string("no error");
  };
  EXPECT_EQ(messageOf(nginx.Url("/fake.flv")),
            nginx.Url("/fake.flv") +
                " was served as a video (video/x-flv), but what arrived is not a video or sound "
                "the converter can read");
  EXPECT_EQ(messageOf(nginx.Url("/loop")), "Too many redirects: the limit of 15 was reached.");
  // A page past the page limit is refused instead of filling the memory.
  std::filesystem::resize_file(nginx.WriteDocument("big.html", ""), (int64_t{64} << 20) + 1);
  EXPECT_EQ(messageOf(nginx.Url("/big.html")), "Response body is larger than 67108864 bytes.");
  EXPECT_TRUE(reporter.Requests.empty());
}

// Without the test CA the server is not trusted; the check is on by default.
TEST_F(BeyondSitesTest, UntrustedServerIsRefused) {
  job.TlsOptions().RootCertFile.clear();
  EXPECT_THROW(job.Run(secure("/video.flv"), choices), Exception);
  EXPECT_TRUE(reporter.Requests.empty());
}

// The window's job continues a dropped video too, and counts on from where
// it continued.
TEST_F(BeyondSitesTest, DroppedVideoIsContinued) {
  RangePeer peer({video, "\"flv\""}, {ConnectionPlan::Cut(20000), ConnectionPlan::Cut(15000, true)});
  ASSERT_EQ(job.Run(peer.Url("/clip.flv"), choices), TJobResult::Done);
  EXPECT_TRUE(downloaded == video);
  EXPECT_EQ(peer.Requests().size(), 3u);
  EXPECT_NE(
      std::find_if(reporter.Statuses.begin(), reporter.Statuses.end(),
                   [](const std::string& s) { return s.rfind("Connection lost; continuing from byte ", 0) == 0; }),
      reporter.Statuses.end());
  EXPECT_EQ(reporter.Statuses.back(), "Done");
}

}  // namespace
