// quillfen-cli as a user runs it: through the demo site on nginx, its exit
// code for each failure, and the proxy variables and flags.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/app/cli_runner.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/servers/dante_server.h"
#include "tests/servers/loopback.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"
#include "tests/servers/tls_certificates.h"

namespace {

using namespace app_test;

class CliTest : public ::testing::Test {
protected:
  CliTest() : site(DemoSiteConfig()) { MakeDemoSite(site); }

  CliRun run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
    return RunCli(work, arguments, environment);
  }
  std::string proxyFlag() const { return "127.0.0.1:" + std::to_string(site.Port()); }
  std::string probe(const std::string& path) {
    const std::string command = "ffprobe -v error -show_entries format=format_name:stream=codec_name -of csv=p=0 " +
                                ShellQuoted(path) + " >" + ShellQuoted(work.File("probe")) + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return work.ReadFile("probe");
  }
  // A watch page reached directly, with the video requests sent to the same
  // server: for proxies that cannot reach the sites' names.
  std::vector<std::string> localJob(const std::string& output) {
    return {"--site-host", proxyFlag(), "--format", "AVI", "-o", work.File(output), site.Url("/watch?v=Kq3fZ8wLp2A")};
  }

  TempFolder work;
  NginxServer site;
};

TEST_F(CliTest, TwoFormatsThroughTheDemoSite) {
  CliRun avi = run({"--proxy", proxyFlag(), "--format", "AVI", "-o", work.File("clip"), FirstSiteWatch});
  ASSERT_EQ(avi.exitCode, 0) << avi.err;
  EXPECT_EQ(avi.out, work.File("clip.avi") + "\n");
  EXPECT_EQ(probe(work.File("clip.avi")), "mjpeg\npcm_s16le\navi\n");
  EXPECT_NE(avi.err.find("Converting\n"), std::string::npos) << "plain progress lines when not a terminal";

  CliRun dvd = run({"--proxy", proxyFlag(), "--format", "DVD_PAL", "--width", "720", "--height", "576", "-o",
                    work.File("clip.mpg"), SecondSiteWatch});
  ASSERT_EQ(dvd.exitCode, 0) << dvd.err;
  const std::string streams = probe(work.File("clip.mpg"));
  EXPECT_NE(streams.find("mpeg2video"), std::string::npos) << streams;
  EXPECT_NE(streams.find("ac3"), std::string::npos) << streams;
  EXPECT_TRUE(std::filesystem::is_empty(work.File("cache/quillfen"))) << "saved jobs leave no work files";
  EXPECT_EQ(std::filesystem::status(work.File("cache/quillfen")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
}

TEST_F(CliTest, ExitCodeForEachFailure) {
  RefusingPort dead;
  site.WriteDocument("garbage.mp4", std::string(5000, '\x5a'));
  // Sorenson video beside Nellymoser sound: streams no container keeps.
  const std::string unfit = work.File("nellymoser.flv");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=10 -f lavfi -i sine=sample_rate=22050 "
                         "-t 1 -c:v flv -c:a nellymoser -ac 1 '" +
                         unfit + "'")
                            .c_str()),
            0);
  site.WriteDocument("nellymoser.flv", ReadWholeFile(unfit));

  struct {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    const char* message;
  } cases[] = {
      {"help", {"--help"}, 0, ""},
      {"no address", {"-o", "x.avi"}, 2, "quillfen-cli: No WATCH-URL given.\n"},
      {"unknown format",
       {"--format", "Betamax", "-o", "x", FirstSiteWatch},
       2,
       "Unknown format 'Betamax'; known are: VCD_NTSC, VCD_PAL,"},
      {"width not a number",
       {"--proxy", proxyFlag(), "--width", "abc", "-o", "x", FirstSiteWatch},
       2,
       "quillfen-cli: 'abc' is not a valid integer value.\n"},
      {"width too large",
       {"--proxy", proxyFlag(), "--width", "70000", "-o", "x", FirstSiteWatch},
       2,
       "'70000' is not a valid frame width"},
      {"no video",
       {"--proxy", proxyFlag(), "-o", "x", "http://www.clipcove.example/novideo"},
       3,
       "quillfen-cli: No video\n"},
      {"HTTP error",
       {"--proxy", proxyFlag(), "-o", "x", "http://www.clipcove.example/gone"},
       5,
       "quillfen-cli: Cannot fetch http://www.clipcove.example/gone: HTTP/1.1 404 Not Found.\n"},
      {"refused", {"-o", "x", "http://127.0.0.1:" + std::to_string(dead.Port()) + "/watch"}, 5, "quillfen-cli: "},
      {"fail to save",
       {"--proxy", proxyFlag(), "--format", "AVI", "-o", work.File(std::string(300, 'n') + ".avi"), FirstSiteWatch},
       4,
       ".avi': File name too long.\n"},
      {"garbage served as a video",
       {"-o", work.File("g.mp4"), site.Url("/garbage.mp4")},
       4,
       "/garbage.mp4 was served as a video ("},
      {"streams Original cannot keep",
       {"--format", "Original", "-o", work.File("n"), site.Url("/nellymoser.flv")},
       4,
       "Cannot keep the original streams"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

// Without -o the video is named from its title in the current folder; a
// folder takes the same name; a fixed name ends in the format's extension,
// and the change is told. The streams are copied as they are by default.
TEST_F(CliTest, DefaultsPeopleExpect) {
  const std::vector<std::string> inWork = {"env", "-C", work.Path()};
  const CliRun noOutput = RunCli(work, {site.Url("/video.flv")}, {}, inWork);
  ASSERT_EQ(noOutput.exitCode, 0) << noOutput.err;
  EXPECT_EQ(noOutput.out, "video.flv\n");
  EXPECT_EQ(probe(work.File("video.flv")), "mp3\nflv1\nflv\n");

  const CliRun folder = run({"-o", work.File("outdir/"), site.Url("/video.flv")});
  ASSERT_EQ(folder.exitCode, 0) << folder.err;
  EXPECT_EQ(folder.out, work.File("outdir/video.flv") + "\n");
  EXPECT_FALSE(std::filesystem::exists(work.File("outdir/.flv")));

  const CliRun other = run({"--format", "WebM", "-o", work.File("w.mp4"), site.Url("/video.flv")});
  ASSERT_EQ(other.exitCode, 0) << other.err;
  EXPECT_EQ(other.out, work.File("w.webm") + "\n");
  EXPECT_FALSE(std::filesystem::exists(work.File("w.mp4")));
  EXPECT_NE(other.err.find("quillfen-cli: Saving as '" + work.File("w.webm") + "': the format's files end in .webm\n"),
            std::string::npos)
      << other.err;
}

TEST_F(CliTest, HttpProxyVariableAndNoProxy) {
  RefusingPort dead;
  const std::string deadProxy = "http://127.0.0.1:" + std::to_string(dead.Port());
  EXPECT_EQ(run({"-o", work.File("a.avi"), FirstSiteWatch}, {"http_proxy=http://" + proxyFlag()}).exitCode, 0);
  // A scheme in the flag is taken as given.
  EXPECT_EQ(run({"--proxy", "http://" + proxyFlag(), "-o", work.File("f.avi"), FirstSiteWatch}).exitCode, 0);
  // The flag wins over the variable.
  EXPECT_EQ(
      run({"--proxy", proxyFlag(), "-o", work.File("b.avi"), FirstSiteWatch}, {"http_proxy=" + deadProxy}).exitCode, 0);
  // no_proxy sends the loopback site around the (dead) proxy.
  EXPECT_EQ(run(localJob("c.avi"), {"http_proxy=" + deadProxy, "no_proxy=localhost,127.0.0.1"}).exitCode, 0);
  EXPECT_EQ(run(localJob("d.avi"), {"http_proxy=" + deadProxy}).exitCode, 5);
  const CliRun malformed = run(localJob("e.avi"), {"all_proxy=gopher://127.0.0.1:70"});
  EXPECT_EQ(malformed.exitCode, 2);
  EXPECT_NE(malformed.err.find("The proxy setting all_proxy holds 'gopher://127.0.0.1:70'"), std::string::npos)
      << malformed.err;
}

// danted resolves no site names, so the job runs against the server's own
// address; all_proxy must carry both requests through SOCKS 5.
TEST_F(CliTest, SocksProxyFromAllProxy) {
  DanteServer dante;
  const std::string socks = "socks5://127.0.0.1:" + std::to_string(dante.Port());
  const CliRun result = run(localJob("s.avi"), {"all_proxy=" + socks});
  EXPECT_EQ(result.exitCode, 0) << result.err << dante.Log();
  EXPECT_TRUE(std::filesystem::exists(work.File("s.avi")));
  RefusingPort dead;
  EXPECT_EQ(run(localJob("t.avi"), {"all_proxy=socks5://127.0.0.1:" + std::to_string(dead.Port())}).exitCode, 5);
  EXPECT_EQ(run({"--socks5", "127.0.0.1:" + std::to_string(dante.Port()), "--site-host", proxyFlag(), "-o",
                 work.File("u.avi"), site.Url("/watch?v=Kq3fZ8wLp2A")})
                .exitCode,
            0);
}

// Three addresses, one of them failing, the last two from a list file with a
// comment and a blank line: the others are saved under their titles, the
// summary lists each, and the exit code is the failure's.
TEST_F(CliTest, BatchGoesOnAfterAFailure) {
  work.WriteFile("list.txt",
                 "# tonight\n\n  " + site.Url("/gone") + "  \r\n" + site.Url("/watch?v=Kq3fZ8wLp2A") + "\n");
  const CliRun batch = run({"--site-host", proxyFlag(), "--format", "FLV", "-o", work.File("out/%(title)s.%(ext)s"),
                            site.Url("/video.flv"), "-a", work.File("list.txt")});
  EXPECT_EQ(batch.exitCode, 5) << batch.err;
  EXPECT_EQ(batch.out, work.File("out/video.flv") + "\n" + work.File("out/Demo clip - Clipcove.flv") + "\n");
  EXPECT_NE(
      batch.err.find("quillfen-cli: 2 of 3 saved\n"
                     "  saved   " +
                     site.Url("/video.flv") + " -> " + work.File("out/video.flv") +
                     "\n"
                     "  failed  " +
                     site.Url("/gone") + ": Cannot fetch " + site.Url("/gone") +
                     ": HTTP/1.1 404 Not Found.\n"
                     "  saved   " +
                     site.Url("/watch?v=Kq3fZ8wLp2A") + " -> " + work.File("out/Demo clip - Clipcove.flv") + "\n"),
      std::string::npos)
      << batch.err;
  EXPECT_EQ(probe(work.File("out/video.flv")), "mp3\nflv1\nflv\n");

  const CliRun fixedName = run({"-o", work.File("one.flv"), site.Url("/video.flv"), site.Url("/video.flv")});
  EXPECT_EQ(fixedName.exitCode, 2);
  EXPECT_NE(fixedName.err.find("-o must be a name template"), std::string::npos) << fixedName.err;
  EXPECT_EQ(run({"-o", "%(uploader)s", site.Url("/video.flv")}).exitCode, 2);
  EXPECT_EQ(run({"-a", work.File("missing.txt"), "-o", "x"}).exitCode, 2);
}

// Three jobs at once over a list with failures in the middle and two
// addresses of one title: the summary keeps the list's order whichever job
// ends first, the exit code is the first failure's in that order, and the
// two videos of one title are two whole files.
TEST_F(CliTest, JobsAtOnceKeepTheListsOrder) {
  site.WriteDocument("garbage.mp4", std::string(5000, '\x5a'));
  const std::vector<std::string> addresses = {site.Url("/video.flv"), site.Url("/gone"), site.Url("/video.flv?copy=2"),
                                              site.Url("/garbage.mp4"), site.Url("/watch?v=Kq3fZ8wLp2A")};
  std::string list;
  for (const std::string& address : addresses) list += address + "\n";
  work.WriteFile("list.txt", list);
  const CliRun batch = run({"--jobs", "3", "--site-host", proxyFlag(), "--format", "FLV", "-o",
                            work.File("out/%(title)s.%(ext)s"), "-a", work.File("list.txt")});
  EXPECT_EQ(batch.exitCode, 5) << batch.err;

  const std::string sameTitle[] = {work.File("out/video.flv"), work.File("out/video (2).flv")};
  const size_t summary = batch.err.find("quillfen-cli: 3 of 5 saved\n");
  ASSERT_NE(summary, std::string::npos) << batch.err;
  const std::string expectedLines[] = {
      "  saved   " + addresses[0] + " -> ", "  failed  " + addresses[1] + ": Cannot fetch " + addresses[1],
      "  saved   " + addresses[2] + " -> ", "  failed  " + addresses[3] + ": ",
      "  saved   " + addresses[4] + " -> " + work.File("out/Demo clip - Clipcove.flv")};
  size_t from = summary;
  for (const std::string& line : expectedLines) {
    SCOPED_TRACE(line);
    from = batch.err.find("\n" + line, from);
    ASSERT_NE(from, std::string::npos) << batch.err;
  }
  for (const std::string& name : sameTitle) {
    SCOPED_TRACE(name);
    EXPECT_NE(batch.out.find(name + "\n"), std::string::npos) << batch.out;
    EXPECT_EQ(probe(name), "mp3\nflv1\nflv\n");
  }
}

// A page's title with a slash, quotes and letters beyond ASCII names the
// sound extracted from its declared video; a second video of that title
// gets a name of its own.
TEST_F(CliTest, TitleTemplateAndExtractAudio) {
  site.WriteDocument("declared.html",
                     "<title>Tom/Jerry \"Ep 1\" 'pilot' \xc3\x89t\xc3\xa9</title>"
                     "<video><source src='video.flv' type='video/x-flv'></video>");
  const std::vector<std::string> arguments = {"-x", "-o", work.File("%(title)s.%(ext)s"), site.Url("/declared.html"),
                                              site.Url("/declared.html")};
  const CliRun result = run(arguments);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string name = work.File("Tom_Jerry \"Ep 1\" 'pilot' \xc3\x89t\xc3\xa9.mp3");
  const std::string second = work.File("Tom_Jerry \"Ep 1\" 'pilot' \xc3\x89t\xc3\xa9 (2).mp3");
  EXPECT_EQ(result.out, name + "\n" + second + "\n");
  EXPECT_EQ(probe(name), "mp3\nmp3\n");
}

// https with the test CA trusted through SSL_CERT_FILE, refused without it,
// and taken with a warning under --insecure; Original keeps the streams.
TEST_F(CliTest, HttpsVerificationAndInsecure) {
  const TlsCertificates& certs = TlsCertificates::Shared();
  NginxSite secureSite;
  secureSite.ExtraPorts = 1;
  secureSite.ExtraServers =
      "server { listen 127.0.0.1:@PORT1@ ssl; server_name localhost; root @ROOT@;\n"
      "  ssl_certificate " +
      certs.ServerCertFile() + "; ssl_certificate_key " + certs.ServerKeyFile() + "; }\n";
  NginxServer secure(secureSite);
  MakeDemoSite(secure);
  const std::string address = "https://localhost:" + std::to_string(secure.ExtraPort(1)) + "/video.flv";

  const CliRun trusted =
      run({"--format", "Original", "-o", work.File("kept"), address}, {"SSL_CERT_FILE=" + certs.CaFile()});
  ASSERT_EQ(trusted.exitCode, 0) << trusted.err;
  EXPECT_EQ(trusted.out, work.File("kept.flv") + "\n");
  EXPECT_EQ(probe(work.File("kept.flv")), "mp3\nflv1\nflv\n");

  const CliRun untrusted = run({"-o", work.File("no.avi"), address});
  EXPECT_EQ(untrusted.exitCode, 5) << untrusted.err;
  EXPECT_NE(untrusted.err.find("not accepted: unable to get local issuer certificate. Name a file of trusted "
                               "certificates with SSL_CERT_FILE, or skip the check with --insecure.\n"),
            std::string::npos)
      << untrusted.err;
  const CliRun insecure = run({"--insecure", "-o", work.File("yes.avi"), address});
  EXPECT_EQ(insecure.exitCode, 0) << insecure.err;
  EXPECT_NE(insecure.err.find("warning: --insecure"), std::string::npos) << insecure.err;
}

// Drops beyond --retries fail the run and leave the partial video; --continue
// then asks only for the rest.
TEST_F(CliTest, RetriesAndContinue) {
  const std::string video = ReadWholeFile(site.DocumentRoot() + "/video.flv");
  RangePeer peer({video, "\"flv\""}, {ConnectionPlan::Cut(9000), ConnectionPlan::Cut(9000)});
  const CliRun gaveUp = run({"--retries", "1", "-o", work.File("r.avi"), peer.Url()});
  EXPECT_EQ(gaveUp.exitCode, 5) << gaveUp.err;
  // The failed job's folder is the only one in the work folder.
  const std::filesystem::directory_iterator jobFolders(work.File("cache/quillfen"));
  ASSERT_NE(jobFolders, std::filesystem::directory_iterator());
  const std::string partial = ReadWholeFile(jobFolders->path() / "temp.flv");
  EXPECT_LT(partial.size(), video.size());
  EXPECT_GT(partial.size(), 0u);

  const CliRun continued = run({"--continue", "--format", "AVI", "-o", work.File("r.avi"), peer.Url()});
  EXPECT_EQ(continued.exitCode, 0) << continued.err;
  EXPECT_EQ(peer.RangeLines().back(), "bytes=" + std::to_string(partial.size()) + "- if \"flv\"");
  EXPECT_EQ(probe(work.File("r.avi")), "mjpeg\npcm_s16le\navi\n");
  EXPECT_TRUE(std::filesystem::is_empty(work.File("cache/quillfen")));
  EXPECT_EQ(run({"--retries", "x", "-o", "y", peer.Url()}).exitCode, 2);
}

// A shared archive: a video recorded by one run is skipped by the next and
// counted in its summary; a watch page of the local site is recorded by its
// video id, any other address by itself; two runs at once each add a whole
// line.
TEST_F(CliTest, DownloadArchiveSkipsAndRecords) {
  const std::string archive = work.File("archive.txt");
  const std::string watch = site.Url("/watch?v=Kq3fZ8wLp2A");
  const std::string media = site.Url("/video.flv");
  const std::vector<std::string> common = {
      "--download-archive", archive, "--site-host", proxyFlag(),
      "--format",           "FLV",   "-o",          work.File("out/%(title)s.%(ext)s")};
  const auto with = [&](std::vector<std::string> addresses) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), addresses.begin(), addresses.end());
    return arguments;
  };

  const CliRun first = run(with({watch}));
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(work.ReadFile("archive.txt"), "clipcove Kq3fZ8wLp2A\n");

  const CliRun second = run(with({media, watch, site.Url("/gone")}));
  EXPECT_EQ(second.exitCode, 5) << second.err;
  EXPECT_EQ(second.out, work.File("out/video.flv") + "\n");
  EXPECT_NE(second.err.find("quillfen-cli: 1 of 3 saved, 1 skipped\n"
                            "  saved   " +
                            media + " -> " + work.File("out/video.flv") +
                            "\n"
                            "  skipped " +
                            watch +
                            "\n"
                            "  failed  " +
                            site.Url("/gone") + ": Cannot fetch " + site.Url("/gone") + ": HTTP/1.1 404 Not Found.\n"),
            std::string::npos)
      << second.err;
  EXPECT_EQ(work.ReadFile("archive.txt"), "clipcove Kq3fZ8wLp2A\nurl " + media + "\n");

  const CliRun again = run(with({watch}));
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.out, "");
  EXPECT_NE(again.err.find(watch + ": already in the download archive"), std::string::npos) << again.err;

  const std::string second1 = site.Url("/videoplay?docid=4242"), other = site.Url("/video.flv?copy=2");
  {
    CliProcess a(work, with({second1}));
    CliProcess b(work, with({other}));
    ASSERT_EQ(a.Wait(120), 0) << a.Error();
    ASSERT_EQ(b.Wait(120), 0) << b.Error();
  }
  std::string lines = work.ReadFile("archive.txt");
  EXPECT_EQ(lines.size(),
            std::string("clipcove Kq3fZ8wLp2A\nurl " + media + "\nreelharbor 4242\nurl " + other + "\n").size())
      << lines;
  EXPECT_NE(lines.find("\nreelharbor 4242\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find("\nurl " + other + "\n"), std::string::npos) << lines;
  const CliRun skipsBoth = run(with({second1, other}));
  EXPECT_EQ(skipsBoth.exitCode, 0) << skipsBoth.err;
  EXPECT_NE(skipsBoth.err.find("quillfen-cli: 0 of 2 saved, 2 skipped\n"), std::string::npos) << skipsBoth.err;
}

}  // namespace
