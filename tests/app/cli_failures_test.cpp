// quillfen-cli against servers that stall, refuse or fail, and arguments it
// cannot use: the exit code, the one line that says what went wrong, and
// what is left on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/cli_runner.h"
#include "tests/app/demo_site.h"
#include "tests/servers/full_accept_queue.h"
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
  const CliRun batch = run({"--timeout", "1", "--retries", "1", "--format", "FLV", "-o",
                            work.File("%(title)s.%(ext)s"), stalledVideo, silentPage, site.Url("/video.flv")});
  EXPECT_EQ(batch.exitCode, 5) << batch.err;
  EXPECT_EQ(batch.out, work.File("video.flv") + "\n");
  EXPECT_NE(batch.err.find("(retry 1 of 1)"), std::string::npos) << batch.err;
  EXPECT_NE(batch.err.find("quillfen-cli: 1 of 3 saved\n"), std::string::npos) << batch.err;
  EXPECT_EQ(run({"--timeout", "-1", "-o", "x", stalledVideo}).exitCode, 2);
}

}  // namespace
