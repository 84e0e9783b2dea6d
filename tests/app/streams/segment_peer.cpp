#include "tests/app/streams/segment_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "tests/servers/request_head.h"

namespace streams_test {

PeerFault PeerFault::Answer(int status) {
  PeerFault fault;
  fault.Status = status;
  return fault;
}
PeerFault PeerFault::Cut(long bytes) {
  PeerFault fault;
  fault.CutAfter = bytes;
  return fault;
}
PeerFault PeerFault::Replace(std::string content) {
  PeerFault fault;
  fault.NewContent = std::move(content);
  return fault;
}
PeerFault PeerFault::WholeFile() {
  PeerFault fault;
  fault.IgnoreRange = true;
  return fault;
}

SegmentPeer::SegmentPeer() : acceptor_([this] { Accept(); }) {}

SegmentPeer::~SegmentPeer() {
  stop_.Raise();
  acceptor_.join();
  for (std::thread& talker : talkers_) talker.join();
}

void SegmentPeer::Serve(const std::string& path, std::string content) {
  std::lock_guard guard(lock_);
  files_[path] = {std::move(content), "\"v" + std::to_string(++versions_) + "\""};
}

void SegmentPeer::Plan(const std::string& path, std::vector<PeerFault> faults) {
  std::lock_guard guard(lock_);
  faults_[path].insert(faults_[path].end(), faults.begin(), faults.end());
}

void SegmentPeer::AlwaysAnswer(const std::string& path, int status) {
  std::lock_guard guard(lock_);
  always_[path] = status;
}

std::string SegmentPeer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(listener_.Port()) + path;
}

std::vector<std::string> SegmentPeer::Requests() {
  std::lock_guard guard(lock_);
  return requests_;
}

int SegmentPeer::RequestsOf(const std::string& path) {
  std::lock_guard guard(lock_);
  return int(std::count_if(requests_.begin(), requests_.end(),
                           [&](const std::string& r) { return r.rfind("GET " + path + " ", 0) == 0; }));
}

void SegmentPeer::Accept() {
  while (WaitReady(listener_.Fd(), POLLIN, stop_)) {
    const int connection = ::accept4(listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ++accepted_;
    const int now = ++open_;
    for (int most = most_; now > most && !most_.compare_exchange_weak(most, now);) {
    }
    std::lock_guard guard(lock_);
    talkers_.emplace_back([this, connection] { Talk(connection); });
  }
}

// Requests one after another on one kept-alive connection.
void SegmentPeer::Talk(int connection) {
  UniqueFd owned(connection);
  std::string received;
  char block[4096];
  for (;;) {
    const size_t end = received.find("\r\n\r\n");
    if (end != std::string::npos) {
      const std::string head = received.substr(0, end + 2);
      received.erase(0, end + 4);
      if (!Answer(connection, head)) break;
      continue;
    }
    if (!WaitReady(connection, POLLIN, stop_)) break;
    const ssize_t n = ::recv(connection, block, sizeof block, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    received.append(block, size_t(n));
  }
  --open_;
}

bool SegmentPeer::Answer(int connection, const std::string& head) {
  const std::string requestLine = head.substr(0, head.find("\r\n"));
  const std::string path = requestLine.substr(4, requestLine.rfind(' ') - 4);
  const std::string range = RequestHeaderValue(head, "range");
  const std::string ifRange = RequestHeaderValue(head, "if-range");
  PeerFault fault;
  File file;
  bool found = false;
  int always = 0;
  {
    std::lock_guard guard(lock_);
    requests_.push_back(requestLine + (range.empty() ? "" : " " + range) + (ifRange.empty() ? "" : " if " + ifRange));
    auto& planned = faults_[path];
    if (!planned.empty()) {
      fault = planned.front();
      planned.pop_front();
    }
    if (!fault.NewContent.empty()) files_[path] = {fault.NewContent, "\"v" + std::to_string(++versions_) + "\""};
    if (always_.count(path)) always = always_[path];
    if (files_.count(path)) {
      file = files_[path];
      found = true;
    }
  }
  if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
  if (fault.Silent) {
    // Holds the connection until the client closes it or the peer stops.
    char byte;
    while (WaitReady(connection, POLLIN, stop_) && ::recv(connection, &byte, 1, 0) > 0) {
    }
    return false;
  }
  const int status = always ? always : fault.Status ? fault.Status : found ? 200 : 404;
  if (status != 200) {
    const std::string text = "no";
    return SendAll(connection,
                   "HTTP/1.1 " + std::to_string(status) + " Planned\r\nContent-Length: " + std::to_string(text.size()) +
                       "\r\n\r\n" + text,
                   stop_);
  }
  const size_t size = file.Content.size();
  size_t first = 0;
  size_t last = size - 1;
  std::string statusLine = "200 OK";
  std::string extra;
  if (!range.empty() && !fault.IgnoreRange && (ifRange.empty() || ifRange == file.ETag || fault.IgnoreIfRange)) {
    const std::string bounds = range.substr(range.find('=') + 1);
    first = std::stoul(bounds.substr(0, bounds.find('-')));
    const std::string end = bounds.substr(bounds.find('-') + 1);
    if (!end.empty()) last = std::min(last, size_t(std::stoul(end)));
    if (fault.ShortRange >= 0) last = std::min(last, first + size_t(fault.ShortRange) - 1);
    statusLine = "206 Partial Content";
    extra = "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size) +
            "\r\n";
  }
  std::string body = file.Content.substr(first, last - first + 1) + std::string(size_t(fault.ExtraBytes), 'x');
  const std::string length =
      fault.ClaimedLength >= 0 ? std::to_string(fault.ClaimedLength) : std::to_string(body.size());
  const std::string validator = noValidator_ ? "" : "ETag: " + file.ETag + "\r\n";
  const std::string answer = "HTTP/1.1 " + statusLine + "\r\n" + validator + "Accept-Ranges: bytes\r\n" + extra +
                             "Content-Length: " + length + "\r\n\r\n";
  if (fault.CutAfter >= 0) {
    body.resize(std::min(body.size(), size_t(fault.CutAfter)));
    SendAll(connection, answer + body, stop_);
    return false;
  }
  return SendAll(connection, answer + body, stop_);
}

std::string PatternBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = char((i * (seed * 2 + 1) + i / 253 + seed) % 251);
  return bytes;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void ServeSilentTransfers(SegmentPeer& peer) {
  PeerFault silent;
  silent.Silent = true;
  peer.Serve("/single.flv", std::string(100000, 'f'));
  peer.Plan("/single.flv", {silent});
  peer.Serve("/list.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nsegment.ts\n#EXT-X-ENDLIST\n");
  peer.Serve("/segment.ts", std::string(100000, 's'));
  peer.Plan("/segment.ts", {silent});
  peer.Serve("/large.mp4", std::string(9 << 20, 'm'));
  peer.Plan("/large.mp4", {{}, silent, silent, silent, silent});
}

}  // namespace streams_test
