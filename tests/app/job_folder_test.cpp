// Jobs at the same time in one work folder: each keeps its work files in a
// folder of its own, named after its address, and a second run for an
// address whose download is under way is turned away at once instead of
// writing into the first one's files. And the work folder itself is used
// only when it is the user's own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "app/app_folders.h"
#include "app/download_job.h"
#include "app/http_settings.h"
#include "app/job_folder.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "platform/exception.h"
#include "tests/app/answering_reporter.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;
using namespace std::chrono_literals;

// A job with a client and a converter of its own, as a second program would
// have.
struct Session {
  Session(const std::string& workFolder, const std::string& output)
      : job(http, videoEdit, reporter, workFolder, workFolder + "profiles/") {
    ApplyMainWindowSettings(http);
    reporter.Answer = output;
    reporter.BeforeAnswer = [this] { downloaded = ReadWholeFile(job.VideoFile()); };
    choices.Format = reporter.Format;
  }
  // "Done", "not saved", or the error's message.
  std::string Run(const std::string& address) {
    try {
      return job.Run(address, choices) == TJobResult::Done ? "Done" : "not saved";
    } catch (const std::exception& error) {
      return error.what();
    }
  }

  TIdHTTP http;
  TVideoEdit videoEdit;
  AnsweringReporter reporter;
  TDownloadJob job;
  TOutputChoices choices;
  // The job's video file when it asked for the output's name.
  std::string downloaded;
};

// A slow server: the body comes in small blocks, so the jobs overlap.
ConnectionPlan slowly() { return ConnectionPlan::Trickling(1024, 5ms); }

class JobFolderTest : public ::testing::Test {
protected:
  JobFolderTest() {
    // Two videos unlike each other, so that a mix of them shows.
    MakeDemoSite(work.File("a"), 1, "160x120");
    MakeDemoSite(work.File("b"), 2, "176x144");
    videoA = ReadWholeFile(work.File("a/video.flv"));
    videoB = ReadWholeFile(work.File("b/video.flv"));
  }

  TempFolder work;
  const std::string workFolder = work.Path() + "/";
  std::string videoA, videoB;
};

TEST_F(JobFolderTest, TwoAddressesAtOnceEachSaveTheirOwnVideo) {
  RangePeer peerA({videoA, "\"a\""}, {slowly()});
  RangePeer peerB({videoB, "\"b\""}, {slowly()});
  Session a(workFolder, work.File("a.flv"));
  Session b(workFolder, work.File("b.flv"));
  std::string resultA;
  std::thread other([&] { resultA = a.Run(peerA.Url()); });
  const std::string resultB = b.Run(peerB.Url());
  other.join();
  EXPECT_EQ(resultA, "Done");
  EXPECT_EQ(resultB, "Done");
  EXPECT_TRUE(a.downloaded == videoA) << a.downloaded.size() << " bytes of " << videoA.size();
  EXPECT_TRUE(b.downloaded == videoB) << b.downloaded.size() << " bytes of " << videoB.size();
  EXPECT_GT(std::filesystem::file_size(work.File("a.flv")), 1000u);
  EXPECT_GT(std::filesystem::file_size(work.File("b.flv")), 1000u);
}

TEST_F(JobFolderTest, SecondRunOfAnAddressUnderWayIsTurnedAway) {
  RangePeer peer({videoA, "\"a\""}, {slowly()});
  Session first(workFolder, work.File("first.flv"));
  Session second(workFolder, work.File("second.flv"));
  std::string firstResult;
  std::thread other([&] { firstResult = first.Run(peer.Url()); });
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (peer.Requests().empty() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(second.Run(peer.Url()),
            "Another Quillfen is already downloading " + peer.Url() + "; this run leaves it alone");
  EXPECT_TRUE(second.reporter.Statuses.empty()) << "refused before it fetched anything";
  other.join();
  EXPECT_EQ(firstResult, "Done");
  EXPECT_TRUE(first.downloaded == videoA) << first.downloaded.size() << " bytes of " << videoA.size();
  EXPECT_EQ(peer.Requests().size(), 1u);

  // Once the first run is over, the address is free again.
  EXPECT_EQ(second.Run(peer.Url()), "Done");
  EXPECT_TRUE(second.downloaded == videoA);
}

// The address's folder name is its FNV-1a 64 hash, the same in every run.
TEST(JobFolderName, StableHashOfTheAddress) {
  EXPECT_EQ(JobFolderName(""), "cbf29ce484222325");
  EXPECT_EQ(JobFolderName("a"), "af63dc4c8601ec8c");
  EXPECT_EQ(JobFolderPath("/w/", "a"), "/w/af63dc4c8601ec8c/");
}

struct RemoveCase {
  const char* behaviour;
  std::vector<std::string> files;
  // Put there by somebody else: a link to a file outside, a folder with a file.
  const char* link;
  const char* folder;
  // What stays in the job folder, below it too; none when the folder goes.
  std::optional<std::set<std::string>> left;
};

const RemoveCase kRemoveCases[] = {
    {"a saved stream with separate sound and continue records leaves nothing",
     {"temp.txt", "temp.flv", "temp.audio", "temp.segments", "temp.audio-segments", "temp.audio-segments.new",
      "temp.resume", "temp.resume-parts", "temp.flv.parts", "temp.flv.parts.new"},
     nullptr,
     nullptr,
     std::nullopt},
    {"a link is none of the job's: it and the folder stay, its target is not followed",
     {"temp.flv"},
     "temp.audio",
     nullptr,
     std::set<std::string>{"temp.audio"}},
    {"a folder inside is none of the job's: it and what it holds stay",
     {"temp.flv"},
     nullptr,
     "old",
     std::set<std::string>{"old", "old/temp.flv"}},
};

std::optional<std::set<std::string>> namesIn(const std::string& folder) {
  if (!std::filesystem::exists(std::filesystem::symlink_status(folder))) return std::nullopt;
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(entry.path().lexically_relative(folder));
  return names;
}

// Once the output is saved, every file the job made goes, and the folder
// with them; nothing outside the folder is touched.
TEST(JobFolderRemove, TakesEveryFileTheJobMade) {
  for (const RemoveCase& c : kRemoveCases) {
    SCOPED_TRACE(c.behaviour);
    TempFolder work;
    const std::string outside = work.WriteFile("outside", "not the job's");
    TJobFolder folder(work.Path() + "/", "https://example.test/film.m3u8");
    for (const std::string& name : c.files) std::ofstream(folder.Path() + name) << "work";
    if (c.link) std::filesystem::create_symlink(outside, folder.Path() + c.link);
    if (c.folder && std::filesystem::create_directory(folder.Path() + c.folder))
      std::ofstream(folder.Path() + c.folder + "/temp.flv") << "older";
    folder.Remove();
    EXPECT_EQ(namesIn(folder.Path()), c.left);
    EXPECT_EQ(work.ReadFile("outside"), "not the job's");
  }
}

// XDG_CACHE_HOME for one test.
class CacheHome {
public:
  explicit CacheHome(const std::string& folder) {
    if (const char* value = std::getenv("XDG_CACHE_HOME")) saved_ = value;
    ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  }
  ~CacheHome() {
    if (saved_) ::setenv("XDG_CACHE_HOME", saved_->c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
  }

private:
  std::optional<std::string> saved_;
};

std::filesystem::perms permissionsOf(const std::string& path) {
  return std::filesystem::status(path).permissions() & std::filesystem::perms::mask;
}

// A work folder that is a link, or that others can write, is refused by
// name; the link's target keeps its permissions. The user's own folder is
// taken and closed to others.
TEST(WorkFolder, OnlyTheUsersOwnClosedFolderIsUsed) {
  TempFolder cache;
  const CacheHome home(cache.Path());
  const std::string folder = cache.File("quillfen");
  const auto refusal = [] {
    try {
      LocateAppFolders("/opt/quillfen/bin/quillfen");
    } catch (const Exception& error) {
      return error.Message;
    }
    return std::string("taken");
  };

  std::filesystem::create_directory(cache.File("elsewhere"));
  ::chmod(cache.File("elsewhere").c_str(), 0755);
  std::filesystem::create_directory_symlink(cache.File("elsewhere"), folder);
  EXPECT_EQ(refusal(), "The work folder '" + folder +
                           "' is a symbolic link; work files are written only into a real folder of the user's own");
  EXPECT_EQ(permissionsOf(cache.File("elsewhere")), std::filesystem::perms(0755));

  std::filesystem::remove(folder);
  std::filesystem::create_directory(folder);
  ::chmod(folder.c_str(), 0770);
  EXPECT_EQ(refusal(), "The work folder '" + folder +
                           "' can be written by other users; work files are written only into a folder closed to them");

  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(refusal(), "taken");
  EXPECT_EQ(LocateAppFolders("/opt/quillfen/bin/quillfen").Work, folder + "/");
  EXPECT_EQ(permissionsOf(folder), std::filesystem::perms::owner_all);
}

}  // namespace
