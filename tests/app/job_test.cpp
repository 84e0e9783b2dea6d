// The download-and-convert job against the demo site on nginx, which plays
// both video sites through HTTP1's proxy settings, with a reporter that
// answers the save dialog and records what the window would show.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/download_job.h"
#include "app/error_text.h"
#include "app/http_settings.h"
#include "app/job_reporter.h"
#include "app/proxy_settings.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "platform/exception.h"
#include "tests/app/demo_site.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

class RecordingReporter : public TJobReporter {
public:
  void Status(const std::string& text) override {
    // Runs of byte counts, and repeats of one text, collapse into one entry.
    const bool count = !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
    const std::string entry = count ? "<count>" : text;
    if (Statuses.empty() || Statuses.back() != entry) Statuses.push_back(entry);
    LastStatus = text;
  }
  void Progress(int64_t position, int64_t maximum) override {
    Position = position;
    Maximum = maximum;
  }
  void ProcessMessages() override {
    if (OnMessages) OnMessages();
  }
  void DownloadEnabled(bool enabled) override { Enabled = enabled; }
  int SelectedFormatIndex() override { return FormatIndex; }
  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override {
    Requests.push_back(request);
    return Answer;
  }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }

  std::vector<std::string> Statuses;
  std::string LastStatus;
  std::vector<std::string> Messages;
  std::vector<TSaveRequest> Requests;
  std::optional<std::string> Answer;
  std::function<void()> OnMessages;
  int FormatIndex = 8;
  int64_t Position = 0, Maximum = 0;
  bool Enabled = true;
};

class JobTest : public ::testing::Test {
protected:
  JobTest() : site(DemoSiteConfig()) {
    MakeDemoSite(site);
    ApplyMainWindowSettings(http);
    proxies.Forced = TProxyAddress{TProxyKind::Http, "127.0.0.1", site.Port(), "", ""};
    http.ProxyChooser = &proxies;
    reporter.Answer = work.File("out.avi");
  }

  TempFolder work;
  NginxServer site;
  TIdHTTP http;
  TVideoEdit videoEdit;
  RecordingReporter reporter;
  TProxyPolicy proxies;
  TDownloadJob job{http, videoEdit, reporter, work.Path() + "/", work.Path() + "/profiles/"};
  TOutputChoices choices;
};

const std::vector<std::string> kConnectionTexts = {"Connecting to 127.0.0.1.", "Connected."};

TEST_F(JobTest, SuccessfulJobShowsEveryStageInOrder) {
  choices.UseVideoCompressor = true;
  choices.VideoCompressorIndex = 0;
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::Done);
  const std::vector<std::string> expected = {
      "Downloading html", "Connecting to 127.0.0.1.", "Connected.", "Transfering: 272", "<count>", "Done",
      "Disconnecting.", "Disconnected.", "Downloading video", "Connecting to 127.0.0.1.", "Connected.",
      "Transfering: " + std::to_string(std::filesystem::file_size(site.DocumentRoot() + "/video.flv")),
      "<count>", "Done", "Disconnecting.", "Disconnected.", "Converting", "Done.", "Done"};
  EXPECT_EQ(reporter.Statuses, expected);
  EXPECT_TRUE(reporter.Messages.empty());
  EXPECT_TRUE(reporter.Enabled);
  ASSERT_EQ(reporter.Requests.size(), 1u);
  EXPECT_EQ(reporter.Requests[0].Filter, "Avi File (*.avi)|*.avi");
  EXPECT_EQ(reporter.Requests[0].DefaultExt, "avi");
  EXPECT_EQ(reporter.Requests[0].InitialFolder, work.Path() + "/");
  EXPECT_GT(std::filesystem::file_size(work.File("out.avi")), 10000u);
  EXPECT_EQ(ReadWholeFile(work.File("temp.flv")), ReadWholeFile(site.DocumentRoot() + "/video.flv"));
  EXPECT_EQ(ReadWholeFile(work.File("temp.txt")).find("var swfArgs = {hl:'en',video_id:'Kq3fZ8wLp2A'"),
            ReadWholeFile(work.File("temp.txt")).find("var swfArgs"));

  // The second job offers the name chosen in the first.
  reporter.Answer.reset();
  EXPECT_EQ(job.Run(SecondSiteWatch, choices), TJobResult::Cancelled);
  EXPECT_EQ(reporter.Requests.back().FileName, work.File("out.avi"));
  EXPECT_EQ(reporter.LastStatus, "Done");
  EXPECT_TRUE(reporter.Messages.empty());
}

TEST_F(JobTest, PageWithoutMarkerIsNoVideo) {
  work.WriteFile("temp.flv", "earlier video");
  EXPECT_EQ(job.Run("http://www.clipcove.example/novideo", choices), TJobResult::NoVideo);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"No video"});
  EXPECT_EQ(reporter.LastStatus, "Done");
  EXPECT_TRUE(reporter.Enabled);
  EXPECT_EQ(work.ReadFile("temp.txt"), "<html><body>No player on this page.</body></html>\r\n");
  EXPECT_EQ(work.ReadFile("temp.flv"), "earlier video");
}

TEST_F(JobTest, ConverterRefusalIsFailToSave) {
  reporter.Answer = work.File("no-such-folder/out.avi");
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::SaveFailed);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"Fail to save file"});
  EXPECT_EQ(reporter.LastStatus, "Done");
}

// The number fields are read before the page is asked for.
TEST_F(JobTest, BadWidthEndsTheJobBeforeAnyDownload) {
  choices.Width = "abc";
  try {
    job.Run(FirstSiteWatch, choices);
    ADD_FAILURE() << "the job ran";
  } catch (const EConvertError& error) {
    EXPECT_EQ(ErrorBoxText(error.Message), "'abc' is not a valid integer value.");
  }
  EXPECT_TRUE(reporter.Statuses.empty());
  EXPECT_TRUE(reporter.Enabled);
  EXPECT_FALSE(std::filesystem::exists(work.File("temp.txt")));
}

TEST_F(JobTest, HttpErrorReachesTheErrorHandler) {
  try {
    job.Run("http://www.clipcove.example/missing", choices);
    ADD_FAILURE() << "the job ran";
  } catch (const EIdHTTPProtocolException& error) {
    EXPECT_EQ(error.ReplyCode, 404);
    EXPECT_EQ(ErrorBoxText(error.Message), "HTTP/1.1 404 Not Found.");
  }
  EXPECT_TRUE(reporter.Enabled);
  EXPECT_NE(reporter.LastStatus, "Done");
}

// Stop closes the connection inside OnWork; the job goes on with the part
// that arrived and still asks for the output file.
TEST_F(JobTest, StopDuringTheVideoKeepsThePartialFile) {
  bool stopped = false;
  reporter.OnMessages = [&] {
    if (!stopped && reporter.Maximum > 30000 && reporter.Position >= 30000) {
      stopped = true;
      job.Stop();
    }
  };
  job.Run(FirstSiteWatch, choices);
  ASSERT_TRUE(stopped);
  const auto partial = std::filesystem::file_size(work.File("temp.flv"));
  EXPECT_GE(partial, 30000u);
  EXPECT_LT(partial, std::filesystem::file_size(site.DocumentRoot() + "/video.flv"));
  EXPECT_EQ(reporter.Requests.size(), 1u);
  EXPECT_EQ(reporter.LastStatus, "Done");
}

TEST_F(JobTest, UnreadableVideoIsAnEmptyTimeline) {
  site.WriteDocument("video.flv", "not a video");
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::TimelineEmpty);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"Timeline empty,cannot process"});
  EXPECT_TRUE(reporter.Requests.empty());
  EXPECT_EQ(reporter.LastStatus, "Done");
}

}  // namespace
