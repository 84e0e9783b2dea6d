// quillfen-cli's progress display: plain lines on a pipe, and a redrawn line
// fitted to terminals of several widths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/status_wording.h"

#include "tests/app/cli_runner.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

// What a terminal shows one after another: the text between carriage
// returns and line ends, with the erase-line sequence taken out.
std::vector<std::string> drawnLines(const std::string& transcript) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i <= transcript.size(); ++i) {
    if (i == transcript.size() || transcript[i] == '\r' || transcript[i] == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else if (transcript.compare(i, 3, "\033[K") == 0) {
      i += 2;
    } else {
      line += transcript[i];
    }
  }
  return lines;
}

class CliProgressTest : public ::testing::Test {
protected:
  CliProgressTest() : site(DemoSiteConfig()) { MakeDemoSite(site); }

  TempFolder work;
  NginxServer site;
};

// In a log the counts come as lines in sizes people read, the last one
// included, the conversion as percentages up to 100, and "Done" closes the
// run without a stale percentage.
TEST_F(CliProgressTest, LinesOnAPipe) {
  const std::string size = HumanSize(int64_t(ReadWholeFile(site.DocumentRoot() + "/video.flv").size()));
  const CliRun saved = RunCli(work, {"--format", "AVI", "-o", work.File("p.avi"), site.Url("/video.flv")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  const size_t last = saved.err.find("\n" + size + " of " + size);
  ASSERT_NE(last, std::string::npos) << saved.err;
  EXPECT_NE(saved.err.find("\nDone\nConverting", last), std::string::npos) << saved.err;
  EXPECT_TRUE(saved.err.ends_with("Converting 100%\nDone.\nDone\n")) << saved.err;
  std::istringstream lines(saved.err);
  for (std::string line; std::getline(lines, line);) EXPECT_FALSE(line.starts_with("Done ")) << saved.err;
}

// A transfer cut once and continued, on terminals of three widths: no drawn
// line is wider than the terminal (the long retry notice is cut), the last
// count is shown with a full bar, and the run ends on "Done" with no bar.
TEST_F(CliProgressTest, FittedToTheTerminal) {
  const std::string video = ReadWholeFile(site.DocumentRoot() + "/video.flv");
  const std::string size = HumanSize(int64_t(video.size()));
  for (const int columns : {60, 80, 200}) {
    SCOPED_TRACE(columns);
    RangePeer peer({video, "\"flv\""}, {ConnectionPlan::Cut(9000)});
    const std::string output = work.File("t" + std::to_string(columns) + ".avi");
    const CliRun saved = RunCli(work, {"--format", "AVI", "-o", output, peer.Url()}, {},
                                {"python3", SourcePath("tests/app/in_terminal.py"), std::to_string(columns)});
    ASSERT_EQ(saved.exitCode, 0) << saved.out;
    const std::vector<std::string> lines = drawnLines(saved.out);
    for (const std::string& line : lines) EXPECT_LT(line.size(), size_t(columns)) << line;
    EXPECT_NE(saved.out.find("] 100% " + size + " of " + size), std::string::npos) << saved.out;
    EXPECT_NE(saved.out.find("Connection lost; continuing"), std::string::npos) << saved.out;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Done");
    EXPECT_EQ(lines.back(), output);
  }
}

// A server that ignores the Range of a continuation sends the whole file
// again: the count starts over, and the total stays the file's size.
TEST_F(CliProgressTest, WholeFileAgainKeepsTheTotal) {
  const std::string video = ReadWholeFile(site.DocumentRoot() + "/video.flv");
  const std::string size = HumanSize(int64_t(video.size()));
  RangePeer peer({video, "\"flv\""}, {ConnectionPlan::Cut(9000), ConnectionPlan::IgnoringRange()});
  const CliRun saved = RunCli(work, {"--format", "AVI", "-o", work.File("w.avi"), peer.Url()});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  std::istringstream lines(saved.err);
  for (std::string line; std::getline(lines, line);) {
    const size_t of = line.find(" of ");
    // A count: a size before " of ".
    if (of != std::string::npos && of > 0 && line[of - 1] == 'B') {
      EXPECT_EQ(line.substr(of + 4, line.find(',') - of - 4), size) << saved.err;
    }
  }
  EXPECT_NE(saved.err.find("\n" + size + " of " + size), std::string::npos) << saved.err;
}

// A file large enough to come in parts, then converted, on a pipe: no "Done"
// before its parts have come, and no conversion share shown before the
// conversion began (the transfer's full bar read as "Converting 100%", then
// the conversion's own start). Each was seen.
TEST_F(CliProgressTest, StepsInTheirOrder) {
  const std::string movie = work.File("m.mp4");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10 -t 20 -c:v libx264 "
                         "-movflags +faststart " +
                         ShellQuoted(movie))
                            .c_str()),
            0);
  // A free box of 9 MiB after the movie makes it a large file.
  constexpr uint32_t Padding = 9 << 20;
  std::string bytes = ReadWholeFile(movie);
  for (int shift = 24; shift >= 0; shift -= 8) bytes += char(((Padding + 8) >> shift) & 0xFF);
  bytes += "free" + std::string(Padding, '\0');
  site.WriteDocument("large.mp4", bytes);

  const CliRun saved = RunCli(work, {"-N", "4", "-o", work.File("out.mp4"), site.Url("/large.mp4")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  const std::string total = HumanSize(int64_t(bytes.size()));
  const size_t last = saved.err.find("\n" + total + " of " + total);
  ASSERT_NE(last, std::string::npos) << saved.err;
  EXPECT_EQ(saved.err.rfind("\nDone\n", last), std::string::npos) << saved.err;
  // The conversion's share only grows ("Converting" alone is its start).
  std::istringstream lines(saved.err);
  int shown = 0;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("Converting")) continue;
    const int share = line == "Converting" ? 0 : std::stoi(line.substr(11));
    EXPECT_GE(share, shown) << saved.err;
    shown = share;
  }
}

}  // namespace
