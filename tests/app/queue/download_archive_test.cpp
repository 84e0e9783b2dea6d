// The download archive: which entry a video gets, skipping what is recorded,
// and a file shared by programs that append at once or crash half-way
// through a line.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include <fmt/core.h>

#include "app/download_archive.h"
#include "tests/app/queue/queue_test_support.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace queue_test;

struct KeyCase {
  const char* what;
  const char* watch;
  const char* media;
  const char* expected;
};

// The two sites by their watch addresses; everything else by the address
// the video finally came from, or the watch address before the job.
const KeyCase kKeyCases[] = {
    {"first site", "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A", "http://clipcove.example/get_video?x",
     "clipcove Kq3fZ8wLp2A"},
    {"first site, bare domain, more parameters", "https://CLIPCOVE.example/watch?feature=x&v=ab_-9&t=3", "",
     "clipcove ab_-9"},
    {"second site", "http://video.reelharbor.example/videoplay?docid=-4242&hl=en", "", "reelharbor -4242"},
    {"a look-alike domain is another site", "http://evilclipcove.example/watch?v=Kq3fZ8wLp2A", "http://m/v.flv",
     "url http://m/v.flv"},
    {"an id with a blank is no id", "http://www.clipcove.example/watch?v=a%20b", "http://m/v.flv",
     "url http://m/v.flv"},
    {"no id at all", "http://www.clipcove.example/watch?vv=1", "", "url http://www.clipcove.example/watch?vv=1"},
    {"another page of the second site", "http://video.reelharbor.example/search?docid=1", "",
     "url http://video.reelharbor.example/search?docid=1"},
    {"neither site", "http://127.0.0.1:8080/clip.mp4", "http://127.0.0.1:8080/final.mp4",
     "url http://127.0.0.1:8080/final.mp4"},
};

TEST(DownloadArchiveKey, TableOfAddresses) {
  for (const auto& c : kKeyCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DownloadArchiveKey(c.watch, c.media), c.expected);
  }
  // A local copy of the sites names its own host for both.
  const TArchiveSites local{"127.0.0.1", "127.0.0.1"};
  EXPECT_EQ(DownloadArchiveKey("http://127.0.0.1:4000/watch?v=Kq3fZ8wLp2A", "", local), "clipcove Kq3fZ8wLp2A");
  EXPECT_EQ(DownloadArchiveKey("http://127.0.0.1:4000/videoplay?docid=4242", "", local), "reelharbor 4242");
}

// A recorded video is skipped by this archive and by one opened later, and
// an entry another program appends is seen on the next look.
TEST(DownloadArchive, SkipsWhatIsRecorded) {
  TempFolder temp;
  const std::string path = temp.File("archive.txt");
  TDownloadArchive archive(path);
  EXPECT_FALSE(archive.Contains("clipcove Kq3fZ8wLp2A"));
  archive.Record("clipcove Kq3fZ8wLp2A");
  EXPECT_TRUE(archive.Contains("clipcove Kq3fZ8wLp2A"));
  TDownloadArchive other(path);
  EXPECT_TRUE(other.Contains("clipcove Kq3fZ8wLp2A"));
  other.Record("url http://127.0.0.1/v.flv");
  EXPECT_TRUE(archive.Contains("url http://127.0.0.1/v.flv"));
  EXPECT_FALSE(archive.Contains("url http://127.0.0.1/v.fl"));
  EXPECT_EQ(ReadAll(path), "clipcove Kq3fZ8wLp2A\nurl http://127.0.0.1/v.flv\n");
  EXPECT_THROW(archive.Record("url http://a/\nclipcove x"), Exception);
  EXPECT_EQ(ReadAll(path), "clipcove Kq3fZ8wLp2A\nurl http://127.0.0.1/v.flv\n");
}

// A writer that crashed in the middle of a line left no line: the torn
// tail is not an entry, and the next append replaces it instead of being
// glued to it.
TEST(DownloadArchive, TornLastLineIsNoEntry) {
  TempFolder temp;
  const std::string path = temp.File("archive.txt");
  WriteWhole(path, "clipcove AAAAAAAAAAA\r\nreelharbor 42\nclipcove BBBB");
  TDownloadArchive archive(path);
  EXPECT_TRUE(archive.Contains("clipcove AAAAAAAAAAA"));
  EXPECT_TRUE(archive.Contains("reelharbor 42"));
  EXPECT_FALSE(archive.Contains("clipcove BBBB"));
  archive.Record("clipcove CCCCCCCCCCC");
  EXPECT_EQ(ReadAll(path), "clipcove AAAAAAAAAAA\r\nreelharbor 42\nclipcove CCCCCCCCCCC\n");
  EXPECT_TRUE(TDownloadArchive(path).Contains("clipcove CCCCCCCCCCC"));
}

// Two processes append 1000 entries each at the same time: all 2000 are
// there, each a whole line of its own.
TEST(DownloadArchive, TwoProcessesAppendingLoseNothing) {
  TempFolder temp;
  const std::string path = temp.File("archive.txt");
  constexpr int PerProcess = 1000;
  auto entry = [](int process, int i) { return fmt::format("url http://127.0.0.1/p{}/{}", process, i); };
  std::vector<pid_t> children;
  for (int process = 0; process < 2; ++process) {
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        TDownloadArchive archive(path);
        for (int i = 0; i < PerProcess; ++i) archive.Record(entry(process, i));
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string text = ReadAll(path);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  std::multiset<std::string> lines;
  std::istringstream reading(text);
  for (std::string line; std::getline(reading, line);) lines.insert(line);
  std::multiset<std::string> expected;
  for (int process = 0; process < 2; ++process)
    for (int i = 0; i < PerProcess; ++i) expected.insert(entry(process, i));
  EXPECT_EQ(lines, expected);
}

}  // namespace
