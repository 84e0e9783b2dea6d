// The download-and-convert job against the demo site on nginx, which plays
// both video sites through HTTP1's proxy settings, with a reporter that
// answers the save dialog and records what the window would show.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "app/download_job.h"
#include "app/error_text.h"
#include "app/http_settings.h"
#include "app/job_folder.h"
#include "app/job_reporter.h"
#include "app/proxy_settings.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "platform/exception.h"
#include "tests/app/answering_reporter.h"
#include "tests/app/demo_site.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

class RecordingReporter : public TJobReporter {
public:
  void Report(const TJobProgress& progress) override {
    const std::optional<std::string> text = StatusText(progress);
    if (!text) return;
    // Runs of byte counts, and repeats of one text, collapse into one entry.
    const std::string entry = progress.Kind == TProgressKind::Bytes ? "<count>" : *text;
    if (Statuses.empty() || Statuses.back() != entry) Statuses.push_back(entry);
    LastStatus = *text;
  }
  void Progress(int64_t position, int64_t maximum) override {
    Position = position;
    Maximum = maximum;
  }
  void ProcessMessages() override {
    if (OnMessages) OnMessages();
  }
  void DownloadEnabled(bool enabled) override { Enabled = enabled; }
  std::optional<TOutputType> SelectedFormat() override { return Format; }
  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override {
    Requests.push_back(request);
    if (BeforeAnswer) BeforeAnswer();
    return Answer;
  }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }

  std::vector<std::string> Statuses;
  std::string LastStatus;
  std::vector<std::string> Messages;
  std::vector<TSaveRequest> Requests;
  std::optional<std::string> Answer;
  std::function<void()> OnMessages;
  std::optional<TOutputType> Format = otAVI;
  int64_t Position = 0, Maximum = 0;
  bool Enabled = true;
  // The job's work files when the job asked for the output's name.
  std::function<void()> BeforeAnswer;
};

class JobTest : public ::testing::Test {
protected:
  JobTest() : site(DemoSiteConfig()) {
    MakeDemoSite(site);
    ApplyMainWindowSettings(http);
    proxies.Forced = TProxyAddress{TProxyKind::Http, "127.0.0.1", site.Port(), "", ""};
    http.ProxyChooser = &proxies;
    reporter.Answer = work.File("out.avi");
    reporter.BeforeAnswer = [this] {
      pageAtSave = ReadWholeFile(job.PageFile());
      videoAtSave = ReadWholeFile(job.VideoFile());
    };
  }
  std::string jobFile(const std::string& address, const char* name) const {
    return JobFolderPath(work.Path() + "/", address) + name;
  }

  TempFolder work;
  NginxServer site;
  TIdHTTP http;
  TVideoEdit videoEdit;
  RecordingReporter reporter;
  TProxyPolicy proxies;
  TDownloadJob job{http, videoEdit, reporter, work.Path() + "/", work.Path() + "/profiles/"};
  TOutputChoices choices;
  std::string pageAtSave, videoAtSave;
};

const std::vector<std::string> kConnectionTexts = {"Connecting to 127.0.0.1.", "Connected."};

TEST_F(JobTest, SuccessfulJobShowsEveryStageInOrder) {
  choices.UseVideoCompressor = true;
  choices.VideoCompressorIndex = 0;
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::Done);
  const std::vector<std::string> expected = {
      "Downloading html",
      "Connecting to 127.0.0.1.",
      "Connected.",
      "Transfering: 272",
      "<count>",
      "Done",
      "Disconnecting.",
      "Disconnected.",
      "Downloading video",
      "Connecting to 127.0.0.1.",
      "Connected.",
      "Transfering: " + std::to_string(std::filesystem::file_size(site.DocumentRoot() + "/video.flv")),
      "<count>",
      "Done",
      "Disconnecting.",
      "Disconnected.",
      "Converting",
      "Done.",
      "Done"};
  EXPECT_EQ(reporter.Statuses, expected);
  EXPECT_TRUE(reporter.Messages.empty());
  EXPECT_TRUE(reporter.Enabled);
  ASSERT_EQ(reporter.Requests.size(), 1u);
  EXPECT_EQ(reporter.Requests[0].Filter, "Avi File (*.avi)|*.avi");
  EXPECT_EQ(reporter.Requests[0].DefaultExt, "avi");
  EXPECT_EQ(reporter.Requests[0].InitialFolder, work.Path() + "/");
  EXPECT_GT(std::filesystem::file_size(work.File("out.avi")), 10000u);
  EXPECT_EQ(videoAtSave, ReadWholeFile(site.DocumentRoot() + "/video.flv"));
  EXPECT_EQ(pageAtSave.find("var swfArgs = {hl:'en',video_id:'Kq3fZ8wLp2A'"), pageAtSave.find("var swfArgs"));
  EXPECT_FALSE(std::filesystem::exists(JobFolderPath(work.Path() + "/", FirstSiteWatch))) << "saved: its files go";

  // The second job offers the name chosen in the first.
  reporter.Answer.reset();
  EXPECT_EQ(job.Run(SecondSiteWatch, choices), TJobResult::Cancelled);
  EXPECT_EQ(reporter.Requests.back().FileName, work.File("out.avi"));
  EXPECT_EQ(reporter.LastStatus, "Done");
  EXPECT_TRUE(reporter.Messages.empty());
  EXPECT_TRUE(std::filesystem::exists(jobFile(SecondSiteWatch, "temp.flv"))) << "not saved: its files stay";
}

TEST_F(JobTest, PageWithoutMarkerIsNoVideo) {
  const std::string address = "http://www.clipcove.example/novideo";
  std::filesystem::create_directory(JobFolderPath(work.Path() + "/", address));
  work.WriteFile(JobFolderName(address) + "/temp.flv", "earlier video");
  EXPECT_EQ(job.Run(address, choices), TJobResult::NoVideo);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"No video"});
  EXPECT_EQ(reporter.LastStatus, "Done");
  EXPECT_TRUE(reporter.Enabled);
  EXPECT_EQ(ReadWholeFile(jobFile(address, "temp.txt")), "<html><body>No player on this page.</body></html>\r\n");
  EXPECT_EQ(ReadWholeFile(jobFile(address, "temp.flv")), "earlier video");
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
  EXPECT_FALSE(std::filesystem::exists(jobFile(FirstSiteWatch, "temp.txt")));
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
  const auto partial = videoAtSave.size();
  EXPECT_GE(partial, 30000u);
  EXPECT_LT(partial, std::filesystem::file_size(site.DocumentRoot() + "/video.flv"));
  EXPECT_EQ(reporter.Requests.size(), 1u);
  EXPECT_EQ(reporter.LastStatus, "Done");
}

// A conversion the user stops (the window's Stop, the queue's Pause) leaves
// the whole download behind: a continued job converts it again without
// fetching it, though the site now serves something else; unless the file
// no longer holds what was fetched.
TEST_F(JobTest, StoppedConversionIsConvertedAgainFromTheKeptDownload) {
  struct {
    const char* how;
    void (TDownloadJob::*end)();
    TJobResult result;
  } cases[] = {{"stopped", &TDownloadJob::Stop, TJobResult::Stopped},
               {"aborted", &TDownloadJob::Abort, TJobResult::Aborted}};
  const std::string video = ReadWholeFile(site.DocumentRoot() + "/video.flv");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    site.WriteDocument("video.flv", video);
    job.ContinuePartial = false;
    bool ended = false;
    reporter.OnMessages = [&] {
      if (!ended && job.Step() == TJobStep::Conversion) {
        ended = true;
        (job.*c.end)();
      }
    };
    EXPECT_EQ(job.Run(FirstSiteWatch, choices), c.result);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(std::filesystem::exists(work.File("out.avi")));

    site.WriteDocument("video.flv", "not a video");
    reporter.OnMessages = nullptr;
    job.ContinuePartial = true;
    EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::Done);
    EXPECT_EQ(videoAtSave, video);
    EXPECT_GT(std::filesystem::file_size(work.File("out.avi")), 10000u);
    std::filesystem::remove(work.File("out.avi"));
  }

  // A kept download that no longer holds what was fetched is fetched again.
  site.WriteDocument("video.flv", video);
  job.ContinuePartial = false;
  reporter.OnMessages = [&] {
    if (job.Step() == TJobStep::Conversion) job.Abort();
  };
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::Aborted);
  std::filesystem::resize_file(job.VideoFile(), video.size() / 2);
  site.WriteDocument("video.flv", "not a video");
  reporter.OnMessages = nullptr;
  job.ContinuePartial = true;
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::TimelineEmpty);
}

// A link planted for a work file or for the job's folder is never written
// through: the job fails naming it, and the link's target stays as it was.
// A work folder that others can write, or that is a link, is refused too.
TEST_F(JobTest, PlantedLinksAndOpenFoldersAreRefused) {
  const std::string victim = work.WriteFile("victim", "the user's own file");
  const std::string victimFolder = work.File("victim-folder");
  std::filesystem::create_directory(victimFolder);
  const std::string jobFolder = JobFolderPath(work.Path() + "/", FirstSiteWatch);
  const std::string jobFolderName = jobFolder.substr(0, jobFolder.size() - 1);
  const auto linkedFile = [&](const char* name) {
    return [&, name] {
      std::filesystem::create_directory(jobFolder);
      std::filesystem::create_symlink(victim, jobFolder + name);
    };
  };
  const std::string notPlain = "' is a symbolic link or not a plain file; it is not written through";
  struct {
    const char* what;
    std::function<void()> plant;
    std::string message;
  } cases[] = {
      {"the page file", linkedFile("temp.txt"), "The work file '" + jobFolder + "temp.txt" + notPlain},
      {"the video file", linkedFile("temp.flv"), "The work file '" + jobFolder + "temp.flv" + notPlain},
      {"the job's folder", [&] { std::filesystem::create_directory_symlink(victimFolder, jobFolderName); },
       "The work folder '" + jobFolderName +
           "' is a symbolic link; work files are written only into a real folder of the user's own"},
      {"a work folder others can write", [&] { ::chmod(work.Path().c_str(), 0770); },
       "The work folder '" + work.Path() +
           "' can be written by other users; work files are written only into a folder closed to them"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(jobFolderName);
    c.plant();
    try {
      job.Run(FirstSiteWatch, choices);
      ADD_FAILURE() << "the job ran";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message, c.message);
    }
    ::chmod(work.Path().c_str(), 0700);
    EXPECT_EQ(work.ReadFile("victim"), "the user's own file");
    EXPECT_TRUE(std::filesystem::is_empty(victimFolder));
    EXPECT_TRUE(reporter.Requests.empty());
  }

  std::filesystem::create_directory_symlink(work.Path(), work.File("linked-work"));
  TDownloadJob linked{http, videoEdit, reporter, work.File("linked-work") + "/", work.Path() + "/profiles/"};
  try {
    linked.Run(FirstSiteWatch, choices);
    ADD_FAILURE() << "the job ran";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message,
              "The work folder '" + work.File("linked-work") +
                  "' is a symbolic link; work files are written only into a real folder of the user's own");
  }
}

TEST_F(JobTest, UnreadableVideoIsAnEmptyTimeline) {
  site.WriteDocument("video.flv", "not a video");
  EXPECT_EQ(job.Run(FirstSiteWatch, choices), TJobResult::TimelineEmpty);
  EXPECT_EQ(reporter.Messages, std::vector<std::string>{"Timeline empty,cannot process"});
  EXPECT_TRUE(reporter.Requests.empty());
  EXPECT_EQ(reporter.LastStatus, "Done");
}

}  // namespace
