// Stop while a server holds its connections silent: the fetchers' transfers
// end at once, not when the server speaks again, and what they return says
// the file is not whole.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/streams/parallel_ranges.h"
#include "app/streams/segment_fetcher.h"
#include "net/http/http_client.h"
#include "tests/app/streams/segment_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace streams;
using streams_test::PatternBytes;
using streams_test::PeerFault;
using streams_test::SegmentPeer;

TEST(SilentServerStop, StopEndsTransfersTheServerHoldsSilent) {
  PeerFault silent;
  silent.Silent = true;
  struct Case {
    const char* what;
    // Runs the fetch against path; true when it came back whole.
    std::function<bool(const std::string& address, const std::string& file, std::function<void()>& stop)> fetch;
  };
  const auto client = [] { return std::make_unique<TIdHTTP>(); };
  const Case cases[] = {
      {"stream segments",
       [&](const std::string& address, const std::string& file, std::function<void()>& stop) {
         TSegmentFetcher fetcher(client);
         stop = [&] { fetcher.Stop(); };
         return fetcher.Fetch({std::nullopt, {{address, std::nullopt, std::nullopt}}}, file).Complete;
       }},
      {"parallel ranges",
       [&](const std::string& address, const std::string& file, std::function<void()>& stop) {
         TParallelRanges ranges(client);
         stop = [&] { ranges.Stop(); };
         return ranges.Fetch(address, file).Complete;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SegmentPeer peer;
    TempFolder work;
    peer.Serve("/v.ts", PatternBytes(100000, 1));
    peer.Plan("/v.ts", {silent});
    std::function<void()> stop;
    std::thread stopper([&] {
      while (peer.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      stop();
    });
    EXPECT_FALSE(c.fetch(peer.Url("/v.ts"), work.File("out"), stop));
    stopper.join();
  }
}

}  // namespace
