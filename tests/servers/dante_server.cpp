#include "tests/servers/dante_server.h"

#include <unistd.h>

#include <fmt/core.h>

#include "tests/servers/loopback.h"
#include "tests/servers/peer_error.h"

namespace {
constexpr const char* DantedProgram = "/usr/sbin/danted";
constexpr const char* DantedPackage = "dante-server";
// The free port is chosen before danted binds it; another process may take it
// in between, so a failed start is retried on a new port.
constexpr int StartAttempts = 3;
}  // namespace

DanteServer::DanteServer() {
  for (int attempt = 0; attempt < StartAttempts; ++attempt) {
    const int port = FreeLoopbackPort();
    const std::string config = Folder.WriteFile("danted.conf", Config(port));
    Process = std::make_unique<PeerProcess>(
        DantedProgram, DantedPackage,
        std::vector<std::string>{"-f", config, "-N", "1", "-p", Folder.File("danted.pid")}, Folder.File("danted.out"));
    if (Process->WaitUntilListening(port)) {
      ListenPort = port;
      return;
    }
    Process.reset();
  }
  throw PeerError("danted did not start listening; its output:\n" + Folder.ReadFile("danted.out") + "\nits log:\n" +
                  Log());
}

std::string DanteServer::Config(int port) const {
  return fmt::format(
      "logoutput: {log}\n"
      "internal: 127.0.0.1 port = {port}\n"
      "external: 127.0.0.1\n"
      "clientmethod: none\n"
      "socksmethod: none\n"
      "client pass {{ from: 127.0.0.0/8 to: 0.0.0.0/0 }}\n"
      "socks pass {{ from: 127.0.0.0/8 to: 127.0.0.0/8 }}\n"
      "socks block {{ from: 0.0.0.0/0 to: 0.0.0.0/0 }}\n",
      fmt::arg("log", Folder.File(LogName)), fmt::arg("port", port));
}
