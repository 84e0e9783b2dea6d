#include "tests/servers/tinyproxy_server.h"

#include <unistd.h>

#include <fmt/core.h>

#include "tests/servers/loopback.h"
#include "tests/servers/peer_error.h"

namespace {
constexpr const char* TinyproxyProgram = "/usr/bin/tinyproxy";
constexpr const char* TinyproxyPackage = "tinyproxy";
// The free port is chosen before tinyproxy binds it; another process may
// take it in between, so a failed start is retried on a new port.
constexpr int StartAttempts = 3;
}  // namespace

TinyproxyServer::TinyproxyServer(TinyproxyAuth auth) {
  for (int attempt = 0; attempt < StartAttempts; ++attempt) {
    const int port = FreeLoopbackPort();
    const std::string config = Folder.WriteFile("tinyproxy.conf", Config(port, auth));
    Process = std::make_unique<PeerProcess>(TinyproxyProgram, TinyproxyPackage,
                                            std::vector<std::string>{"-d", "-c", config}, Folder.File("tinyproxy.out"));
    if (Process->WaitUntilListening(port)) {
      ListenPort = port;
      return;
    }
    Process.reset();
  }
  throw PeerError("tinyproxy did not start listening; its output:\n" + Folder.ReadFile("tinyproxy.out") +
                  "\nits log:\n" + Log());
}

// No ConnectPort line: CONNECT may reach any port. tinyproxy keeps the user
// it was started as when that user is not root; as root it needs one named.
std::string TinyproxyServer::Config(int port, const TinyproxyAuth& auth) const {
  std::string config = fmt::format(
      "Port {port}\n"
      "Listen 127.0.0.1\n"
      "Timeout 60\n"
      "MaxClients 16\n"
      "LogFile \"{log}\"\n"
      "LogLevel Info\n"
      "PidFile \"{pid}\"\n"
      "Allow 127.0.0.1\n"
      "DisableViaHeader Yes\n",
      fmt::arg("port", port), fmt::arg("log", Folder.File(LogName)), fmt::arg("pid", Folder.File("tinyproxy.pid")));
  if (::geteuid() == 0) config += "User root\nGroup root\n";
  if (!auth.Username.empty()) config += fmt::format("BasicAuth {} {}\n", auth.Username, auth.Password);
  return config;
}
