// A small HTTP server on 127.0.0.1 that serves one file and honours Range
// and If-Range the way a real server does, but misbehaves on purpose, one
// connection at a time as the test plans it: closes or resets after some
// body bytes, ignores Range, swaps the file for another version, answers 416,
// trickles.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/servers/loopback.h"

namespace app_test {

struct PeerVersion {
  std::string Content;
  std::string ETag;  // with its quotes; empty sends none
};

struct ConnectionPlan {
  // Body bytes sent before the connection goes; -1 sends the whole body.
  long CutAfter = -1;
  // Going with a reset instead of a close.
  bool Reset = false;
  // Answers every request with the whole file.
  bool IgnoreRange = false;
  // From this connection on the server holds this version.
  std::optional<PeerVersion> NewVersion;
  // Answers a range with a part of the current version even when If-Range
  // names another one, as a careless server might.
  bool IgnoreIfRange = false;
  // Sends the body in blocks of this many bytes with a pause after each, as
  // a slow server does; 0 sends it at once.
  size_t TrickleBlock = 0;
  std::chrono::milliseconds TricklePause{0};

  static ConnectionPlan Cut(long bytes, bool reset = false);
  static ConnectionPlan Trickling(size_t block, std::chrono::milliseconds pause);
  static ConnectionPlan IgnoringRange();
  static ConnectionPlan Switching(PeerVersion version, bool ignoreIfRange = false);
};

class RangePeer {
public:
  RangePeer(PeerVersion version, std::vector<ConnectionPlan> plans);
  ~RangePeer();
  RangePeer(const RangePeer&) = delete;
  RangePeer& operator=(const RangePeer&) = delete;

  std::string Url(const std::string& path = "/video.flv") const;
  // The request heads received so far, in order.
  std::vector<std::string> Requests();
  // The Range and If-Range lines of each request ("" when none), one text each.
  std::vector<std::string> RangeLines();

private:
  void Run();
  void Serve(int connection, const ConnectionPlan& plan);

  LoopbackListener Listener;
  StopSignal Stop;
  std::mutex Lock;
  PeerVersion Version;
  std::vector<ConnectionPlan> Plans;
  std::vector<std::string> Heads;
  std::thread Thread;
};

// Bytes unlike each other at every position, so a misplaced part shows.
std::string PatternBytes(size_t size, unsigned seed = 7);

}  // namespace app_test
