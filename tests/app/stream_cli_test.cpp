// quillfen-cli with streamed video: a stream saved with -N and
// --max-height, and the streams it refuses (exit 3, no file written).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/text.h"
#include "tests/app/cli_runner.h"
#include "tests/app/range_peer.h"
#include "tests/app/stream_media.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

class StreamCliTest : public ::testing::Test {
protected:
  StreamCliTest()
      : nginx([] {
          NginxSite site;
          site.ServerConfig = StreamTypes;
          return site;
        }()) {}

  // The program's exit code; its standard error lands in err.
  int run(const std::vector<std::string>& arguments) {
    std::string command = "env -i PATH=/usr/bin:/bin HOME=" + quoted(work.Path()) + " " + quoted(QUILLFEN_CLI);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += " >/dev/null 2>" + quoted(work.File("stderr"));
    const int status = std::system(command.c_str());
    err = work.ReadFile("stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string probe(const std::string& path) {
    const std::string command = "ffprobe -v error -show_entries stream=codec_name,height -of csv=p=0 " + quoted(path) +
                                " >" + quoted(work.File("probe")) + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return work.ReadFile("probe");
  }

  TempFolder work;
  NginxServer nginx;
  std::string err;
};

// --max-height picks the variant that fits, and Original copies it over
// several connections at once; a segment that is gone fails the run as a
// network error with nothing saved; the numbers are checked first.
TEST_F(StreamCliTest, MaxHeightAndConnections) {
  WriteHlsStream(nginx.DocumentRoot(), "ts", false);
  const std::string output = work.File("clip.mp4");
  ASSERT_EQ(run({"-N", "3", "--max-height", "200", "--format", "Original", "-o", output, nginx.Url("/ts/master.m3u8")}),
            0)
      << err;
  EXPECT_EQ(probe(output), "h264,120\naac\n");
  EXPECT_NE(err.find("160x120"), std::string::npos) << err;

  std::filesystem::remove(output);
  std::filesystem::remove(nginx.DocumentRoot() + "/ts/v1/seg3.ts");
  EXPECT_EQ(run({"--max-height", "120", "-o", output, nginx.Url("/ts/master.m3u8")}), 5) << err;
  EXPECT_NE(err.find("/ts/v1/seg3.ts"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(output));

  for (const auto& bad : {std::vector<std::string>{"-N", "0"}, {"--connections", "17"}, {"--max-height", "x"}})
    EXPECT_EQ(run({bad[0], bad[1], "-o", output, nginx.Url("/ts/master.m3u8")}), 2) << bad[0];
}

// --limit-rate is one budget for the whole job: three connections at once
// take no more than one would. The limiter lets a tenth of a second's bytes
// through at once, so the segments cannot have come sooner than the rest
// allows; a slow machine only takes longer.
TEST_F(StreamCliTest, LimitRateHoldsAcrossConnections) {
  WriteHlsStream(nginx.DocumentRoot(), "ts", false);
  int64_t bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(nginx.DocumentRoot() + "/ts/v0"))
    if (entry.path().extension() == ".ts") bytes += int64_t(entry.file_size());
  const int64_t rate = bytes * 2 / 3;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run({"-N", "3", "--limit-rate", std::to_string(rate), "--format", "Original", "-o", work.File("clip.mp4"),
                 nginx.Url("/ts/master.m3u8")}),
            0)
      << err;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed.count(), double(bytes - rate / 10) / double(rate));
}

// -F lists the qualities, -j tells them with the chosen one and its output
// name, --print one field and -s nothing, none of them fetching a segment
// (they are gone by then); -f takes a quality by its id or as the worst.
TEST_F(StreamCliTest, SeeBeforeYouFetch) {
  WriteHlsStream(nginx.DocumentRoot(), "ts", false);
  const std::string master = nginx.Url("/ts/master.m3u8");
  const std::string output = work.File("clip.mp4");
  for (const char* quality : {"1", "worst"}) {
    SCOPED_TRACE(quality);
    ASSERT_EQ(run({"-f", quality, "--format", "Original", "-o", output, master}), 0) << err;
    EXPECT_EQ(probe(output), "h264,120\naac\n");
  }
  EXPECT_EQ(run({"-f", "7", "-o", output, master}), 3) << err;
  EXPECT_NE(err.find("no quality '7'"), std::string::npos) << err;
  for (const char* variant : {"v0", "v1"})
    for (const auto& entry : std::filesystem::directory_iterator(nginx.DocumentRoot() + "/ts/" + variant))
      if (entry.path().extension() == ".ts") std::filesystem::remove(entry.path());
  std::filesystem::remove(output);

  const CliRun table = RunCli(work, {"-F", master});
  ASSERT_EQ(table.exitCode, 0) << table.err;
  const std::vector<std::string> rows = SplitLines(table.out);
  ASSERT_EQ(rows.size(), 3u) << table.out;
  EXPECT_TRUE(rows[0].starts_with("ID  ")) << table.out;
  EXPECT_TRUE(rows[1].starts_with("0  ") && rows[1].find("320x240") != std::string::npos) << table.out;
  EXPECT_TRUE(rows[2].starts_with("1  ") && rows[2].find("160x120") != std::string::npos) << table.out;

  const CliRun json = RunCli(work, {"-j", "--max-height", "200", "-o", work.File("%(title)s.%(ext)s"), master});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const QJsonObject found = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(found["format_id"].toString(), "1") << json.out;
  EXPECT_EQ(found["height"].toInt(), 120) << json.out;
  EXPECT_EQ(found["formats"].toArray().size(), 2) << json.out;
  EXPECT_EQ(found["filename"].toString().toStdString(), work.File("master.mp4")) << json.out;

  EXPECT_EQ(RunCli(work, {"--print", "resolution", master}).out, "320x240\n");
  EXPECT_EQ(run({"-s", "-o", output, master}), 0) << err;
  EXPECT_FALSE(std::filesystem::exists(output));
}

// A plain file is one row, and -s leaves it unsaved; an HLS or DASH quality
// lists the sound tracks it plays with.
TEST_F(StreamCliTest, OneRowForAFileAndDashSound) {
  nginx.WriteDocument("clip.mp4", std::string(4096, 'x'));
  const CliRun file = RunCli(work, {"-F", nginx.Url("/clip.mp4")});
  ASSERT_EQ(file.exitCode, 0) << file.err;
  EXPECT_EQ(SplitLines(file.out).size(), 2u) << file.out;
  EXPECT_EQ(run({"-s", "-o", work.File("clip.webm"), nginx.Url("/clip.mp4")}), 0) << err;
  EXPECT_FALSE(std::filesystem::exists(work.File("clip.webm")));
  // A video's bytes are never read: a server that would take minutes to send
  // them is left as soon as it answers.
  RangePeer slow({std::string(size_t{4} << 20, 'v'), "\"v1\""},
                 {ConnectionPlan::Trickling(1024, std::chrono::milliseconds(100))});
  CliProcess looking(work, {"-F", slow.Url()});
  EXPECT_EQ(looking.Wait(60), 0) << looking.Error();
  EXPECT_EQ(SplitLines(work.ReadFile("stdout")).size(), 2u) << work.ReadFile("stdout");

  // The sound renditions of a variant's group, with their languages; the
  // playlists behind them are never read.
  nginx.WriteDocument("sound.m3u8",
                      "#EXTM3U\n"
                      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"English\",LANGUAGE=\"en\",URI=\"gone/en.m3u8\"\n"
                      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"Deutsch\",LANGUAGE=\"de\",URI=\"gone/de.m3u8\"\n"
                      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"b\",NAME=\"Other\",URI=\"gone/o.m3u8\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=900000,RESOLUTION=640x360,AUDIO=\"a\"\ngone/v.m3u8\n");
  const CliRun sound = RunCli(work, {"-F", nginx.Url("/sound.m3u8")});
  ASSERT_EQ(sound.exitCode, 0) << sound.err;
  ASSERT_EQ(SplitLines(sound.out).size(), 2u) << sound.out;
  EXPECT_TRUE(SplitLines(sound.out)[1].ends_with("  English (en); Deutsch (de)")) << sound.out;

  WriteDashStream(nginx.DocumentRoot(), "dash");
  const CliRun dash = RunCli(work, {"-F", nginx.Url("/dash/manifest.mpd")});
  ASSERT_EQ(dash.exitCode, 0) << dash.err;
  const std::vector<std::string> rows = SplitLines(dash.out);
  ASSERT_EQ(rows.size(), 2u) << dash.out;
  EXPECT_NE(rows[1].find("kbit/s"), rows[1].rfind("kbit/s")) << "the video's rate and its sound's: " << dash.out;
}

// A page's upload day and the chosen quality's size name the output, and -j
// tells them before anything is fetched.
TEST_F(StreamCliTest, UploadDateAndSizeInTheName) {
  WriteHlsStream(nginx.DocumentRoot(), "ts", false);
  nginx.WriteDocument("talk.html",
                      "<title>Talk</title><meta property=og:video content=/ts/master.m3u8>"
                      "<meta property=article:published_time content=2024-03-05T10:00:00Z>");
  const std::string page = nginx.Url("/talk.html");
  const std::string names = work.File("%(upload_date)s-%(resolution)s-%(width)s.%(ext)s");
  const CliRun json = RunCli(work, {"-j", "--max-height", "200", "-o", names, page});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const QJsonObject found = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(found["upload_date"].toString(), "20240305") << json.out;
  EXPECT_EQ(found["title"].toString(), "Talk") << json.out;
  EXPECT_EQ(found["filename"].toString().toStdString(), work.File("20240305-160x120-160.mp4")) << json.out;

  ASSERT_EQ(run({"--max-height", "200", "--format", "MP4", "-o", names, page}), 0) << err;
  EXPECT_TRUE(std::filesystem::exists(work.File("20240305-160x120-160.mp4"))) << err;
  // A plain file's size is the one it is made at, and a page without a date has none.
  std::filesystem::copy_file(work.File("20240305-160x120-160.mp4"), nginx.DocumentRoot() + "/clip.mp4");
  ASSERT_EQ(run({"--width", "64", "--height", "48", "--format", "MP4", "-o", names, nginx.Url("/clip.mp4")}), 0) << err;
  EXPECT_TRUE(std::filesystem::exists(work.File("NA-64x48-64.mp4"))) << err;
}

// Streams that cannot be saved whole end with exit 3, the reason on
// standard error, and no output file.
TEST_F(StreamCliTest, RefusedStreamsExitWithNoVideo) {
  const std::string segment = nginx.Url("/s.ts");
  nginx.WriteDocument("s.ts", "x");
  const struct {
    const char* name;
    const char* text;
    const char* reason;
  } cases[] = {
      {"live.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\ns.ts\n", "live stream"},
      {"drm.m3u8",
       "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:2,\ns.ts\n"
       "#EXT-X-ENDLIST\n",
       "protected"},
      {"ftp.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nftp://127.0.0.1/s.ts\n#EXT-X-ENDLIST\n",
       "not http or https"},
      {"loop.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nloop.m3u8\n", "leads back to itself"},
      {"dynamic.mpd", "<MPD type=\"dynamic\"><Period/></MPD>", "live stream"},
      {"drm.mpd",
       "<MPD type=\"static\" mediaPresentationDuration=\"PT2S\"><Period><AdaptationSet mimeType=\"video/mp4\">"
       "<ContentProtection schemeIdUri=\"urn:uuid:edef8ba9-79d6-4ace-a3c8-27dcd51d21ed\"/>"
       "<Representation id=\"v\" bandwidth=\"1\" width=\"2\" height=\"2\"><BaseURL>s.ts</BaseURL>"
       "</Representation></AdaptationSet></Period></MPD>",
       "protected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    nginx.WriteDocument(c.name, c.text);
    const std::string output = work.File("out.mp4");
    EXPECT_EQ(run({"--format", "Original", "-o", output, nginx.Url(std::string("/") + c.name)}), 3) << err;
    EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

}  // namespace
