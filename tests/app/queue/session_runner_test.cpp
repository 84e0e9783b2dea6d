// The queue with its real runner against the demo site on nginx, sending
// slowly: a queue process killed in the middle of a download leaves a queue
// file and a partial video that is the start of the server's, byte for byte,
// and the next start asks for exactly the rest with a range request. A job
// whose server holds it silent ends on Pause and Stop all the same. Items as
// a planted queue holds them fail when they run, writing nothing.
#include "app/queue/session_runner.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "app/queue/queue_event_inbox.h"
#include "app/queue/queue_scheduler.h"
#include "app/queue/queue_store.h"
#include "tests/app/demo_site.h"
#include "tests/app/queue/queue_test_support.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;
using enum TQueueState;

NginxSite slowDemoSite() {
  NginxSite site = DemoSiteConfig();
  site.ServerConfig += "limit_rate 120k;\n";
  return site;
}

class SessionRunnerTest : public ::testing::Test {
protected:
  explicit SessionRunnerTest(NginxSite config = slowDemoSite()) : site(std::move(config)) {
    MakeDemoSite(site, 20, "640x360");
    setenv("XDG_STATE_HOME", temp.File("state").c_str(), 1);
    options.Folders = {temp.File("work") + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
    options.SiteHost = "127.0.0.1:" + std::to_string(site.Port());
    std::filesystem::create_directories(temp.File("work"));
    std::filesystem::permissions(temp.File("work"), std::filesystem::perms::owner_all);
    settings.Folder = temp.File("out") + "/";
    std::filesystem::create_directories(settings.Folder);
    settings.Choices.Format = otOriginal;
  }

  std::string serverVideo() const { return ReadWholeFile(site.DocumentRoot() + "/video.flv"); }

  TempFolder temp;
  NginxServer site;
  TSessionOptions options;
  TQueueItemSettings settings;
  const std::string address = site.Url("/watch?v=Kq3fZ8wLp2A");
};

TEST_F(SessionRunnerTest, KilledMidDownloadContinuesAfterRestart) {
  TQueueItem item;
  item.Address = address;
  const std::string partial = TSessionJobRunner(options, nullptr).PartialFileOf(item);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The queue as a window runs it, until it is killed.
    try {
      TQueueStore store(TQueueStore::DefaultPath());
      TQueueEventInbox inbox;
      TSessionJobRunner runner(options, [&inbox](std::function<void()> call) { inbox.Post(std::move(call)); });
      TQueueScheduler scheduler(store, runner);
      scheduler.OnItemChanged = [](const TQueueItem& item) {
        if (item.State == Failed) std::fprintf(stderr, "queue child: %s\n", item.Error.c_str());
      };
      scheduler.Add(address, settings);
      for (;;) inbox.Deliver(std::chrono::milliseconds(100));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "queue child: %s\n", error.what());
    }
    ::_exit(1);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const auto sizeOfPartial = [&]() -> uintmax_t {
    std::error_code missing;
    const uintmax_t size = std::filesystem::file_size(partial, missing);
    return missing ? 0 : size;
  };
  while (sizeOfPartial() < 100000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  const std::string video = serverVideo();
  const std::string kept = ReadWholeFile(partial);
  ASSERT_GE(kept.size(), 100000u);
  ASSERT_LT(kept.size(), video.size()) << "the kill came too late to cut the download";
  EXPECT_TRUE(kept == video.substr(0, kept.size()));

  TQueueStore store(TQueueStore::DefaultPath());
  TQueueEventInbox inbox;
  TSessionJobRunner runner(options, [&inbox](std::function<void()> call) { inbox.Post(std::move(call)); });
  TQueueScheduler scheduler(store, runner);
  ASSERT_EQ(scheduler.Items().size(), 1u);
  const TQueueItem interrupted = scheduler.Items().front();
  EXPECT_EQ(interrupted.State, Paused);
  EXPECT_EQ(interrupted.PartialFile, partial);

  scheduler.Resume(interrupted.Id);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while ((scheduler.Item(interrupted.Id).State != Saved && scheduler.Item(interrupted.Id).State != Failed) &&
         std::chrono::steady_clock::now() < end)
    inbox.Deliver(std::chrono::milliseconds(100));

  const TQueueItem saved = scheduler.Item(interrupted.Id);
  ASSERT_EQ(saved.State, Saved) << saved.Error;
  EXPECT_EQ(saved.Title, "Demo clip - Clipcove");
  EXPECT_EQ(saved.OutputFile, temp.File("out/Demo clip - Clipcove.flv"));
  // The rest came as one range of the same file: the video is the server's.
  const std::string log = site.Files().ReadFile("access.log");
  const size_t partAnswer = log.find("\" 206 ");
  ASSERT_NE(partAnswer, std::string::npos) << "no range was asked for:\n" << log;
  EXPECT_EQ(std::stoull(log.substr(partAnswer + 6)), video.size() - kept.size()) << log;
  const std::string probeCommand = "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + saved.OutputFile +
                                   "' >'" + temp.File("probe") + "' 2>&1";
  EXPECT_EQ(std::system(probeCommand.c_str()), 0);
  EXPECT_EQ(temp.ReadFile("probe"), "mp3\nflv1\n");
  EXPECT_FALSE(std::filesystem::exists(partial)) << "a saved job leaves no work files";
}

class FastSessionRunnerTest : public SessionRunnerTest {
protected:
  FastSessionRunnerTest() : SessionRunnerTest(DemoSiteConfig()) {}
};

// An output name is held only while its job runs: the address queued again
// after its file was deleted is saved under the plain name once more, not as
// a numbered copy. Each save clears away the unfinished output that a
// killed run left beside its file.
TEST_F(FastSessionRunnerTest, NamesAreFreeAgainAndSavesLeaveNoUnfinishedOutput) {
  const std::string target = settings.Folder + "Demo clip - Clipcove.flv";
  const std::string leftover =
      settings.Folder + ".Demo clip - Clipcove.flv." + std::to_string(queue_test::EndedProcess()) + "-0.part";
  TQueueStore store(TQueueStore::DefaultPath());
  TQueueEventInbox inbox;
  TSessionJobRunner runner(options, [&inbox](std::function<void()> call) { inbox.Post(std::move(call)); });
  TQueueScheduler scheduler(store, runner);
  std::vector<std::string> outputs;
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    queue_test::WriteWhole(leftover, "unfinished");
    const int64_t id = scheduler.Add(address, settings);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (scheduler.RunningJobs() > 0 && std::chrono::steady_clock::now() < deadline)
      inbox.Deliver(std::chrono::milliseconds(20));
    const TQueueItem saved = scheduler.Item(id);
    ASSERT_EQ(saved.State, Saved) << saved.Error;
    outputs.push_back(saved.OutputFile);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    std::filesystem::remove(saved.OutputFile);
  }
  EXPECT_EQ(outputs, (std::vector<std::string>{target, target}));
}

// A server that sends the head and part of a video and then holds the
// connection silent: the job's read is blocked and reports nothing, yet
// Pause and Stop end it, and the job ends with Paused, keeping the bytes that
// arrived. Each event is waited for a few seconds at most, so a job that
// stays blocked fails the test instead of hanging the suite.
TEST(SessionRunnerSilentServer, PauseAndStopEndABlockedTransfer) {
  const std::string body(600000, 'v');
  const size_t sent = 400000;
  // A transfer writes what arrived in pieces of 256 KiB: the first is in the
  // file before the server falls silent, the rest once the job ends.
  const size_t written = 256 * 1024;
  const struct {
    const char* name;
    void (TQueueJobHandle::*ask)();
  } cases[] = {{"Pause", &TQueueJobHandle::Pause}, {"Stop", &TQueueJobHandle::Stop}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    std::filesystem::create_directories(temp.File("work"));
    std::filesystem::permissions(temp.File("work"), std::filesystem::perms::owner_all);
    TSessionOptions options;
    options.Folders = {temp.File("work") + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
    TQueueEventInbox inbox;
    TSessionJobRunner runner(options, [&inbox](std::function<void()> call) { inbox.Post(std::move(call)); });
    std::string ended;
    TQueueJobEvents events;
    events.Titled = [](const std::string&) {};
    events.Started = [](const std::string&) {};
    events.Progress = [](int64_t, int64_t, int64_t) {};
    events.Named = [](const std::string&) {};
    events.Converting = [](int) {};
    events.Saved = [&](const std::string&) { ended = "saved"; };
    events.Failed = [&](const TJobFailure& failure) { ended = "failed: " + failure.Message; };
    events.Paused = [&] { ended = "paused"; };
    const auto deliverUntil = [&](const std::function<bool()>& done) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (!done() && std::chrono::steady_clock::now() < deadline) inbox.Deliver(std::chrono::milliseconds(20));
    };

    // The peer goes before the job is joined: its end unblocks a job that
    // Pause or Stop failed to end.
    std::unique_ptr<TQueueJobHandle> job;
    ScriptedPeer peer({script::Send("HTTP/1.0 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body.substr(0, sent)),
                       script::Receive(SIZE_MAX)});
    TQueueItem item;
    item.Address = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/clip.flv";
    item.Settings.Folder = temp.File("out") + "/";
    std::filesystem::create_directories(item.Settings.Folder);
    item.Settings.Choices.Format = otOriginal;
    const std::string partial = runner.PartialFileOf(item);
    const auto partialSize = [&] {
      std::error_code missing;
      const uintmax_t size = std::filesystem::file_size(partial, missing);
      return missing ? 0 : size;
    };
    job = runner.Start(item, events);
    deliverUntil([&] { return partialSize() >= written || !ended.empty(); });
    ASSERT_GE(partialSize(), written) << ended;
    // A count is reported just after its bytes are written; then the job
    // goes back to its read, where nothing more comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    ((*job).*c.ask)();
    deliverUntil([&] { return !ended.empty(); });
    EXPECT_EQ(ended, "paused");
    const std::string kept = ReadWholeFile(partial);
    EXPECT_GE(kept.size(), written);
    EXPECT_TRUE(body.starts_with(kept));
  }
}

// What a planted queue file may hold, resumed at start: names that climb out
// of the chosen folder or start at the root, and a folder that is no absolute
// path of a folder. Each item starts by itself and fails before anything is
// fetched, and nothing is written outside the chosen folder: the climbing
// name, were it followed, would land in the test's own folder, not in /root.
TEST_F(SessionRunnerTest, PlantedSaveTargetsFailAndWriteNothing) {
  const std::string chosen = temp.File("a/b/c/etc/");
  std::filesystem::create_directories(chosen);
  const std::string plain = temp.WriteFile("plain", "");
  const std::string leaves = "' leads out of the save folder";
  const std::string noFolder = "' is not an absolute path of a folder";
  const struct {
    std::string folder;
    std::string nameTemplate;
    std::string failure;
  } cases[] = {
      {chosen, "../../../../root/.bashrc", "The output template '../../../../root/.bashrc" + leaves},
      {chosen, "%(title)s/../../%(title)s.%(ext)s", "The output template '%(title)s/../../%(title)s.%(ext)s" + leaves},
      {chosen, temp.File("%(title)s.%(ext)s"), "The output template '" + temp.File("%(title)s.%(ext)s") + leaves},
      {"relative/", "%(title)s.%(ext)s", "The save folder 'relative/" + noFolder},
      {plain + "/", "%(title)s.%(ext)s", "The save folder '" + plain + "/" + noFolder},
  };
  TQueueStore store(temp.File("work/queue.sqlite3"));
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    TQueueItem planted;
    planted.Address = address;
    planted.Settings = {.Choices = settings.Choices, .NameTemplate = c.nameTemplate, .Folder = c.folder};
    store.Add(planted);
    expected.push_back(c.failure);
  }
  // One at a time: the items share an address, and so a job folder.
  TQueueSettings resumed;
  resumed.ResumeAtStart = true;
  resumed.JobsAtOnce = 1;
  store.SaveSettings(resumed);
  // So that the relative folder, were it followed, lands here too.
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(temp.Path());
  TQueueEventInbox inbox;
  TSessionJobRunner runner(options, [&inbox](std::function<void()> call) { inbox.Post(std::move(call)); });
  TQueueScheduler scheduler(store, runner);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (scheduler.RunningJobs() > 0 && std::chrono::steady_clock::now() < deadline)
    inbox.Deliver(std::chrono::milliseconds(20));
  std::filesystem::current_path(started);
  std::vector<std::string> errors;
  for (const TQueueItem& item : scheduler.Items()) errors.push_back(item.Error);
  EXPECT_EQ(errors, expected);
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.Path()))
    if (!entry.is_directory() && !entry.path().string().starts_with(temp.File("work/")))
      written.push_back(entry.path().string());
  EXPECT_EQ(written, std::vector<std::string>{plain});
  EXPECT_EQ(site.Files().ReadFile("access.log"), "") << "nothing is fetched";
}

}  // namespace
