// quillfen-cli against servers that stall, refuse or fail, and arguments it
// cannot use: the exit code, the one line that says what went wrong, and
// what is left on disk.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/app/cli_runner.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/app/streams/segment_peer.h"
#include "tests/servers/full_accept_queue.h"
#include "tests/servers/loopback.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

// A run that hangs ends here, as a failure, instead of holding the suite.
const std::vector<std::string> Bounded = {"timeout", "--signal=KILL", "60"};

class CliFailuresTest : public ::testing::Test {
protected:
  CliFailuresTest() : site(DemoSiteConfig()) { MakeDemoSite(site); }

  CliRun run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
    return RunCli(work, arguments, environment, Bounded);
  }

  TempFolder work;
  NginxServer site;
};

// A video server that sends the head and a part of the body and then goes
// silent, and a listener that never accepts: each gives up after --timeout,
// the stalled video is retried as a dropped connection, and the batch
// reaches its last address.
TEST_F(CliFailuresTest, StalledServersTimeOutAndTheBatchGoesOn) {
  ScriptedPeer stalled({script::Receive(16),
                        script::Send("HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: 90000\r\n\r\n" +
                                     std::string(5000, 'v')),
                        script::Receive(size_t(1) << 30)});
  FullAcceptQueue silent;
  const std::string stalledVideo = "http://127.0.0.1:" + std::to_string(stalled.Port()) + "/stalled.flv";
  const std::string silentPage = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/watch";
  const CliRun batch = run({"--timeout", "1", "--retries", "1", "--format", "FLV", "-o", work.File("%(title)s.%(ext)s"),
                            stalledVideo, silentPage, site.Url("/video.flv")});
  EXPECT_EQ(batch.exitCode, 5) << batch.err;
  EXPECT_EQ(batch.out, work.File("video.flv") + "\n");
  EXPECT_NE(batch.err.find("(retry 1 of 1)"), std::string::npos) << batch.err;
  EXPECT_NE(batch.err.find("quillfen-cli: 1 of 3 saved\n"), std::string::npos) << batch.err;
  EXPECT_EQ(run({"--timeout", "-1", "-o", "x", stalledVideo}).exitCode, 2);
}

// Runs the program with a small, nearly full file system mounted on folder,
// in a mount namespace of its own.
std::vector<std::string> onSmallDisk(const std::string& folder) {
  std::filesystem::create_directories(folder);
  return {"unshare", "-m", "sh", "-c", "mount -t tmpfs -o size=48k tmpfs \"$0\" && exec \"$@\"", folder};
}

// Each failure ends with one line that says what failed and what to do: the
// server or proxy that refused, whether the page or its video was missing,
// what a failed video keeps for --continue, which file the full disk took.
// No "Done" comes before it.
TEST_F(CliFailuresTest, OneClearLinePerFailure) {
  RefusingPort dead;
  const std::string deadPort = "127.0.0.1:" + std::to_string(dead.Port());
  site.WriteDocument("lost.html", "<title>Lost</title><video src='missing.flv'></video>");
  const std::string video = ReadWholeFile(site.DocumentRoot() + "/video.flv");
  RangePeer cutting({video, "\"flv\""}, {ConnectionPlan::Cut(9000), ConnectionPlan::Cut(9000)});
  struct {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> launcher;
    int exitCode;
    std::string line;
    std::string later = "";
  } cases[] = {
      {"refused",
       {"-o", work.File("a.avi"), "http://" + deadPort + "/watch"},
       {},
       5,
       "Cannot fetch http://" + deadPort + "/watch: " + deadPort + " refused the connection."},
      {"proxy refused",
       {"--proxy", deadPort, "-o", work.File("a.avi"), site.Url("/video.flv")},
       {},
       5,
       "Cannot fetch " + site.Url("/video.flv") + ": the proxy " + deadPort + " refused the connection."},
      {"video missing",
       {"-o", work.File("a.avi"), site.Url("/lost.html")},
       {},
       5,
       "Cannot fetch the video " + site.Url("/missing.flv") + " that the page names: HTTP/1.1 404 Not Found."},
      {"retries ran out",
       {"--retries", "1", "-o", work.File("a.avi"), cutting.Url()},
       {},
       5,
       "Cannot fetch " + cutting.Url() + ": Connection Closed Gracefully; ",
       " bytes of the video are kept, and the same command with --continue goes on from there."},
      {"disk full while downloading",
       {"-o", work.File("a.avi"), site.Url("/video.flv")},
       onSmallDisk(work.File("cache")),
       1,
       "Cannot write '" + work.File("cache/quillfen/"),
       "/temp.flv': the disk is full; "},
      {"disk full while converting",
       {"--format", "AVI", "-o", work.File("small/a.avi"), site.Url("/video.flv")},
       onSmallDisk(work.File("small")),
       4,
       "Cannot write '" + work.File("small/a.avi") + "': the disk is full."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> launcher = Bounded;
    launcher.insert(launcher.end(), c.launcher.begin(), c.launcher.end());
    const CliRun failed = RunCli(work, c.arguments, {}, launcher);
    EXPECT_EQ(failed.exitCode, c.exitCode) << failed.err;
    const size_t line = failed.err.find("quillfen-cli: ");
    ASSERT_NE(line, std::string::npos) << failed.err;
    EXPECT_EQ(failed.err.substr(line + 14, c.line.size()), c.line) << failed.err;
    EXPECT_NE(failed.err.find(c.later, line), std::string::npos) << failed.err;
    EXPECT_TRUE(failed.err.ends_with(".\n")) << failed.err;
    EXPECT_EQ(failed.err.find("quillfen-cli: ", line + 1), std::string::npos) << "one line: " << failed.err;
    EXPECT_TRUE(failed.err.ends_with("\n") && failed.err.find('\n', line) == failed.err.size() - 1) << failed.err;
    EXPECT_FALSE(failed.err.substr(0, line).ends_with("Done\n")) << failed.err;
  }
}

// Servers' and pages' texts reach the terminal on the failure lines, the
// status lines, the summary and the saved file's line: a reason phrase that
// retitles and clears the terminal, and a title with a C1 CSI, steer nothing
// there, whether the program writes a log or redraws a terminal's line, and
// the failure line still names the status. A pipe gets the saved file's
// name as the file system holds it.
TEST_F(CliFailuresTest, ServersTextsCannotSteerTheTerminal) {
  // CSI as a C1 character in UTF-8 and as the lone byte of 8-bit terminals.
  const std::string csi = "\u009b", rawCsi = "\x9b";
  const std::string reply =
      "HTTP/1.1 404 \x1b]2;owned\x07\x1b[2J" + csi + "2J" + rawCsi + "2J\r\nContent-Length: 0\r\n\r\n";
  site.WriteDocument("hostile.html", "<title>" + csi + "2J clip</title><video src='video.flv'></video>");
  // A name made from the title drops the control.
  const std::string savedName = work.File("2J clip.flv");
  struct {
    const char* name;
    std::vector<std::string> launcher;
    std::vector<std::string> steering;
  } cases[] = {
      {"a log", {}, {"\x1b", "\x07", "\x9b"}},
      // The reporter's own redraw ("\r\x1b[K") is the one escape there.
      {"a terminal", {"python3", SourcePath("tests/app/in_terminal.py"), "200"}, {"\x1b]", "\x1b[2J", "\x07", "\x9b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(savedName);
    ScriptedPeer page({script::Receive(16), script::Send(reply), script::Close()});
    const std::string address = "http://127.0.0.1:" + std::to_string(page.Port()) + "/watch";
    std::vector<std::string> launcher = Bounded;
    launcher.insert(launcher.end(), c.launcher.begin(), c.launcher.end());
    const CliRun failed =
        RunCli(work, {"--format", "FLV", "-o", work.File("%(title)s.%(ext)s"), address, site.Url("/hostile.html")}, {},
               launcher);
    EXPECT_EQ(failed.exitCode, 5) << failed.err;
    EXPECT_TRUE(std::filesystem::exists(savedName));
    const std::string shown = c.launcher.empty() ? failed.err : failed.out;
    for (const std::string& bytes : c.steering) EXPECT_EQ(shown.find(bytes), std::string::npos) << shown;
    EXPECT_NE(shown.find("quillfen-cli: Cannot fetch " + address + ": HTTP/1.1 404 \uFFFD]2;owned"), std::string::npos)
        << shown;
    if (c.launcher.empty()) {
      EXPECT_EQ(failed.out, savedName + "\n");
    }
  }
}

// Arguments that cannot work are refused with the others, before anything
// is fetched: exit 2 and one line that names the culprit.
TEST_F(CliFailuresTest, RefusedBeforeAnyDownload) {
  work.WriteFile("plain.txt", "not a folder");
  const std::string video = site.Url("/video.flv");
  struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {"other scheme",
       {"-o", work.File("x.avi"), "ftp://127.0.0.1/x.flv"},
       "quillfen-cli: Cannot fetch 'ftp://127.0.0.1/x.flv': only http:// and https:// addresses are supported.\n"},
      {"output folder is a file",
       {"-o", work.File("plain.txt/x.avi"), video},
       "quillfen-cli: Cannot create the output folder '" + work.File("plain.txt") + "': "},
      {"template folder is a file",
       {"-o", work.File("plain.txt/%(title)s.%(ext)s"), video, video},
       "quillfen-cli: Cannot create the output folder '" + work.File("plain.txt") + "': "},
      {"rate 0",
       {"--rate", "0", "-o", work.File("x.avi"), video},
       "quillfen-cli: --rate takes a whole number from 1 to 120, not '0'\n"},
      {"rate negative",
       {"--rate", "-25", "-o", work.File("x.avi"), video},
       "quillfen-cli: --rate takes a whole number from 1 to 120, not '-25'\n"},
      {"rate above 120",
       {"--rate", "121", "-o", work.File("x.avi"), video},
       "quillfen-cli: --rate takes a whole number from 1 to 120, not '121'\n"},
      {"existing output kept",
       {"--no-overwrite", "-o", work.File("plain.txt"), video},
       "quillfen-cli: '" + work.File("plain.txt") + "' exists, and --no-overwrite keeps it.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun refused = run(c.arguments);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_TRUE(refused.err.starts_with(c.message)) << refused.err;
    EXPECT_EQ(refused.err.find("Downloading"), std::string::npos) << refused.err;
  }
}

// An address without a scheme is taken as http, and the folders of a plain
// output name are made as those of a template are.
TEST_F(CliFailuresTest, AddressWithoutSchemeIntoNewFolders) {
  const std::string name = work.File("new/sub/x.flv");
  const CliRun saved = run({"--format", "FLV", "-o", name, "127.0.0.1:" + std::to_string(site.Port()) + "/video.flv"});
  EXPECT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(saved.out, name + "\n");
}

// A name known only from the page keeps an existing file under
// --no-overwrite too: the address is refused and the file left as it was.
TEST_F(CliFailuresTest, NoOverwriteKeepsAFileNamedByTheTemplate) {
  const std::string kept = work.WriteFile("video.flv", "an earlier file");
  const CliRun refused =
      run({"--no-overwrite", "--format", "FLV", "-o", work.File("%(title)s.%(ext)s"), site.Url("/video.flv")});
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_EQ(work.ReadFile("video.flv"), "an earlier file");
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("quillfen-cli: '" + kept + "' exists, and --no-overwrite keeps it.\n"), std::string::npos)
      << refused.err;
}

// A page's title names the output before its video is fetched: an existing
// file of that name is kept and the address refused at once, the video
// never asked for.
TEST_F(CliFailuresTest, NoOverwriteRefusesBeforeTheVideo) {
  site.WriteDocument("kept.html", "<title>Kept</title><video><source src='video.flv' type='video/x-flv'></video>");
  const std::string kept = work.WriteFile("Kept.flv", "an earlier file");
  const CliRun refused =
      run({"--no-overwrite", "--format", "FLV", "-o", work.File("%(title)s.%(ext)s"), site.Url("/kept.html")});
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_EQ(work.ReadFile("Kept.flv"), "an earlier file");
  EXPECT_EQ(refused.err.find("Downloading video"), std::string::npos) << refused.err;
  EXPECT_TRUE(refused.err.ends_with("quillfen-cli: '" + kept + "' exists, and --no-overwrite keeps it.\n"))
      << refused.err;
}

// A name of 254 bytes is allowed, so it is written, although the unfinished
// file beside it needs a name of its own.
TEST_F(CliFailuresTest, LongestOutputNameIsWritten) {
  const std::string name = work.File(std::string(250, 'n') + ".avi");
  const CliRun saved = run({"--format", "AVI", "-o", name, site.Url("/video.flv")});
  EXPECT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(saved.out, name + "\n");
}

// The files of folder whose names start with a dot: the converter's
// unfinished outputs.
std::vector<std::string> hiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".")) names.push_back(entry.path().filename().string());
  return names;
}

// Ctrl-C during a conversion and SIGTERM during a download that waits for
// ever, alone or as jobs beside each other: the jobs end promptly, no
// unfinished output is left in the output folder, and the exit code tells
// the signal.
TEST_F(CliFailuresTest, SignalsEndTheJobAndLeaveNoPartialOutput) {
  NginxServer longSite(DemoSiteConfig());
  MakeDemoSite(longSite, 30, "640x480");
  // A video that starts and then never goes on.
  const std::vector<ScriptStep> silentVideo = {
      script::Receive(16),
      script::Send("HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: 90000\r\n\r\n" +
                   std::string(5000, 'v')),
      script::Receive(size_t(1) << 30)};
  ScriptedPeer stalled(silentVideo);
  ScriptedPeer stalledBeside(silentVideo);
  std::filesystem::create_directory(work.File("out"));
  struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* waitFor;
    int signal;
  } cases[] = {
      {"Ctrl-C while converting",
       {"--format", "WebM", "-o", work.File("out/long.webm"), longSite.Url("/video.flv")},
       "Converting",
       SIGINT},
      {"SIGTERM while the server is silent",
       {"--timeout", "0", "-o", work.File("out/stalled.avi"),
        "http://127.0.0.1:" + std::to_string(stalled.Port()) + "/stalled.flv"},
       "Transfering: 87.9 KiB",
       SIGTERM},
      {"Ctrl-C with jobs at once, one converting and one on a silent server",
       {"--jobs", "2", "--timeout", "0", "--format", "WebM", "-o", work.File("out/%(title)s.%(ext)s"),
        longSite.Url("/video.flv"), "http://127.0.0.1:" + std::to_string(stalledBeside.Port()) + "/stalled.flv"},
       "Converting",
       SIGINT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CliProcess program(work, c.arguments);
    ASSERT_TRUE(program.WaitForError(c.waitFor, 60)) << program.Error();
    program.Signal(c.signal);
    EXPECT_EQ(program.Wait(5), 128 + c.signal) << program.Error();
    EXPECT_EQ(hiddenFiles(work.File("out")), std::vector<std::string>{});
    EXPECT_TRUE(std::filesystem::is_empty(work.File("out")));
    EXPECT_NE(program.Error().find("quillfen-cli: Stopped by "), std::string::npos) << program.Error();
  }
}

// Ctrl-C while a server holds the segments' or the parallel parts'
// connections silent: the workers' reads end at once and the program with
// them, instead of waiting for the server.
TEST_F(CliFailuresTest, CtrlCEndsTransfersTheServerHoldsSilent) {
  streams_test::SegmentPeer peer;
  streams_test::ServeSilentTransfers(peer);
  struct {
    const char* name;
    const char* path;
    const char* silentPath;
  } cases[] = {
      {"a stream's segment", "/list.m3u8", "/segment.ts"},
      {"a large file's parts", "/large.mp4", "/large.mp4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CliProcess program(work, {"-N", "4", "--timeout", "0", "-o", work.File("out.avi"), peer.Url(c.path)});
    for (int waited = 0; peer.RequestsOf(c.silentPath) < (c.path == c.silentPath ? 2 : 1) && waited < 600; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(5), 128 + SIGINT) << program.Error();
  }
}

}  // namespace
