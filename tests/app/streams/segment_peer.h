#pragma once
// An HTTP/1.1 server on 127.0.0.1 for the parallel fetchers: serves files
// from memory over kept-alive connections, each connection on its own
// thread, honours Range and If-Range, and misbehaves on purpose per path as
// the test plans it (an error status, a body cut mid-way, a swapped file).
// It records how many connections were open at once.

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/servers/loopback.h"

namespace streams_test {

struct PeerFault {
  // An error answer with this status instead of the file.
  int Status = 0;
  // Closes the connection after this many body bytes (-1: not cut).
  long CutAfter = -1;
  // From this answer on the path holds this content (with a new ETag).
  std::string NewContent;
  // Answers with the whole file whatever Range asks for.
  bool IgnoreRange = false;
  // A 206 with only this many bytes of the range asked for, as its
  // Content-Range says (-1: the whole range).
  long ShortRange = -1;
  // This many bytes more than the range, counted in Content-Length.
  long ExtraBytes = 0;
  // Answers a range of the current content whatever If-Range names.
  bool IgnoreIfRange = false;
  // Reads the request and never answers.
  bool Silent = false;
  // The head claims this Content-Length instead of the body's (-1: the body's).
  long long ClaimedLength = -1;

  static PeerFault Answer(int status);
  static PeerFault Cut(long bytes);
  static PeerFault Replace(std::string content);
  static PeerFault WholeFile();
};

class SegmentPeer {
public:
  SegmentPeer();
  ~SegmentPeer();
  SegmentPeer(const SegmentPeer&) = delete;
  SegmentPeer& operator=(const SegmentPeer&) = delete;

  // Serves content at path ("/a/b.ts") with an ETag of its own.
  void Serve(const std::string& path, std::string content);
  // Faults met by the next requests of path, one per request, in order.
  void Plan(const std::string& path, std::vector<PeerFault> faults);
  // Every request of path answers with status.
  void AlwaysAnswer(const std::string& path, int status);
  // Each answer waits this long before its head, so connections overlap.
  void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }
  // Answers carry no ETag.
  void SendNoValidator() { noValidator_ = true; }

  std::string Url(const std::string& path) const;
  int MostConnectionsAtOnce() const { return most_; }
  int Connections() const { return accepted_; }
  // The request lines with their Range and If-Range values ("GET /a.ts
  // bytes=5- if \"v1\""), in order of arrival.
  std::vector<std::string> Requests();
  int RequestsOf(const std::string& path);

private:
  struct File {
    std::string Content;
    std::string ETag;
  };
  void Accept();
  void Talk(int connection);
  // False when the connection must close.
  bool Answer(int connection, const std::string& head);

  LoopbackListener listener_{64};
  StopSignal stop_;
  std::mutex lock_;
  std::map<std::string, File> files_;
  std::map<std::string, std::deque<PeerFault>> faults_;
  std::map<std::string, int> always_;
  std::vector<std::string> requests_;
  std::atomic<int> open_{0};
  std::atomic<int> most_{0};
  std::atomic<int> accepted_{0};
  std::atomic<int> versions_{0};
  std::chrono::milliseconds delay_{0};
  std::atomic<bool> noValidator_{false};
  std::vector<std::thread> talkers_;
  std::thread acceptor_;
};

// Transfers the peer holds silent: /single.flv is never answered;
// /list.m3u8 is a stream whose one segment, /segment.ts, is never answered;
// /large.mp4 (9 MiB, large enough to go in parts) answers its first request
// and none of the parts after it.
void ServeSilentTransfers(SegmentPeer& peer);

// Bytes unlike each other at every position and for every seed.
std::string PatternBytes(size_t size, unsigned seed);
std::string ReadFileBytes(const std::string& path);

}  // namespace streams_test
