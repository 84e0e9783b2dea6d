// quillfen-cli in the test language (built from quillfen_xx.ts): the
// program's own words, the job's status lines and the failure line, whose
// parts are translated one by one, all come from the translation; the job's
// composed messages are found again and filled in the translation's order.
#include <gtest/gtest.h>

#include "tests/app/cli_runner.h"
#include "tests/servers/loopback.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

TEST(CliTranslation, TestLanguageTranslatesStatusFailureAndComposedLines) {
  TempFolder work;
  RefusingPort dead;
  const std::string deadPort = "127.0.0.1:" + std::to_string(dead.Port());
  const CliRun refused = RunCli(work, {"-o", work.File("a.avi"), "http://" + deadPort + "/watch"}, {"LANGUAGE=xx"});
  EXPECT_EQ(refused.exitCode, 5) << refused.err;
  EXPECT_TRUE(refused.err.starts_with("[xx] Downloading html\n")) << refused.err;
  EXPECT_TRUE(refused.err.ends_with("\nquillfen-cli: [xx] Cannot fetch http://" + deadPort + "/watch: [xx] " +
                                    deadPort + " refused the connection.\n"))
      << refused.err;

  // The proxy setting's message is composed by the job; its translation
  // names the two values the other way round.
  const CliRun badProxy =
      RunCli(work, {"-o", work.File("a.avi"), "http://" + deadPort + "/watch"}, {"LC_ALL=xx", "http_proxy=h:abc"});
  EXPECT_EQ(badProxy.exitCode, 2) << badProxy.err;
  EXPECT_EQ(badProxy.err,
            "quillfen-cli: [xx] h:abc in http_proxy is no proxy address.\n[xx] Try 'quillfen-cli --help'.\n");
}

}  // namespace
