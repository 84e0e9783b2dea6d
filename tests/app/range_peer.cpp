#include "tests/app/range_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "tests/servers/request_head.h"

namespace app_test {

ConnectionPlan ConnectionPlan::Cut(long bytes, bool reset) {
  ConnectionPlan plan;
  plan.CutAfter = bytes;
  plan.Reset = reset;
  return plan;
}

ConnectionPlan ConnectionPlan::Trickling(size_t block, std::chrono::milliseconds pause) {
  ConnectionPlan plan;
  plan.TrickleBlock = block;
  plan.TricklePause = pause;
  return plan;
}

ConnectionPlan ConnectionPlan::IgnoringRange() {
  ConnectionPlan plan;
  plan.IgnoreRange = true;
  return plan;
}

ConnectionPlan ConnectionPlan::Switching(PeerVersion version, bool ignoreIfRange) {
  ConnectionPlan plan;
  plan.NewVersion = std::move(version);
  plan.IgnoreIfRange = ignoreIfRange;
  return plan;
}

std::string PatternBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = char((i * seed + i / 251) % 251);
  return bytes;
}

RangePeer::RangePeer(PeerVersion version, std::vector<ConnectionPlan> plans)
    : Version(std::move(version)), Plans(std::move(plans)), Thread([this] { Run(); }) {}

RangePeer::~RangePeer() {
  Stop.Raise();
  Thread.join();
}

std::string RangePeer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(Listener.Port()) + path;
}

std::vector<std::string> RangePeer::Requests() {
  std::lock_guard guard(Lock);
  return Heads;
}

std::vector<std::string> RangePeer::RangeLines() {
  std::vector<std::string> lines;
  for (const std::string& head : Requests()) {
    std::string line = RequestHeaderValue(head, "range");
    const std::string ifRange = RequestHeaderValue(head, "if-range");
    if (!ifRange.empty()) line += " if " + ifRange;
    lines.push_back(line);
  }
  return lines;
}

void RangePeer::Run() {
  for (size_t index = 0; WaitReady(Listener.Fd(), POLLIN, Stop); ++index) {
    UniqueFd connection(::accept4(Listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection) continue;
    Serve(connection.Get(), index < Plans.size() ? Plans[index] : ConnectionPlan{});
    if (index < Plans.size() && Plans[index].Reset) {
      const linger abort{1, 0};
      ::setsockopt(connection.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
  }
}

// One request per connection: every answer says it closes.
void RangePeer::Serve(int connection, const ConnectionPlan& plan) {
  std::string head;
  char block[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (!WaitReady(connection, POLLIN, Stop)) return;
    const ssize_t n = ::recv(connection, block, sizeof block, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return;
    head.append(block, size_t(n));
  }
  PeerVersion version;
  {
    std::lock_guard guard(Lock);
    Heads.push_back(head.substr(0, head.find("\r\n\r\n") + 2));
    if (plan.NewVersion) Version = *plan.NewVersion;
    version = Version;
  }
  const std::string range = RequestHeaderValue(head, "range");
  const std::string ifRange = RequestHeaderValue(head, "if-range");
  const size_t size = version.Content.size();
  std::string status = "200 OK";
  std::string extra;
  size_t first = 0;
  if (!range.empty() && !plan.IgnoreRange && (ifRange.empty() || ifRange == version.ETag || plan.IgnoreIfRange)) {
    first = std::stoul(range.substr(range.find('=') + 1));
    if (first >= size) {
      const std::string answer = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                                 std::to_string(size) + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      SendAll(connection, answer, Stop);
      return;
    }
    status = "206 Partial Content";
    extra = "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(size - 1) + "/" +
            std::to_string(size) + "\r\n";
  }
  std::string body = version.Content.substr(first);
  if (plan.CutAfter >= 0) body.resize(std::min(body.size(), size_t(plan.CutAfter)));
  std::string answer = "HTTP/1.1 " + status + "\r\nContent-Type: video/x-flv\r\nAccept-Ranges: bytes\r\n" + extra +
                       "Content-Length: " + std::to_string(size - first) + "\r\nConnection: close\r\n";
  if (!version.ETag.empty()) answer += "ETag: " + version.ETag + "\r\n";
  if (plan.TrickleBlock == 0) {
    SendAll(connection, answer + "\r\n" + body, Stop);
    return;
  }
  if (!SendAll(connection, answer + "\r\n", Stop)) return;
  for (size_t sent = 0; sent < body.size(); sent += plan.TrickleBlock) {
    if (!SendAll(connection, body.substr(sent, plan.TrickleBlock), Stop)) return;
    std::this_thread::sleep_for(plan.TricklePause);
  }
}

}  // namespace app_test
