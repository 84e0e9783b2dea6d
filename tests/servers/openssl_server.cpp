#include "tests/servers/openssl_server.h"

#include <unistd.h>

#include "tests/servers/loopback.h"
#include "tests/servers/peer_error.h"

namespace {
constexpr const char* OpensslProgram = "/usr/bin/openssl";
constexpr const char* OpensslPackage = "openssl";
constexpr const char* Shell = "/bin/sh";
// The free port is chosen before s_server binds it; another process may take
// it in between, so a failed start is retried on a new port.
constexpr int StartAttempts = 3;

std::string quoted(const std::string& text) { return "'" + text + "'"; }
}  // namespace

OpensslServer::OpensslServer(const std::string& certFile, const std::string& keyFile,
                             const std::vector<std::string>& options) {
  if (::access(OpensslProgram, X_OK) != 0)
    throw PeerError(std::string(OpensslProgram) + " is not installed; install the Debian package " + OpensslPackage +
                    " (scripts/install-deps does)");
  for (int attempt = 0; attempt < StartAttempts; ++attempt) {
    const int port = FreeLoopbackPort();
    // s_server serves "-WWW" files from its working folder.
    std::string command = "cd " + quoted(Folder.Path()) + " && exec " + OpensslProgram +
                          " s_server -accept 127.0.0.1:" + std::to_string(port) + " -cert " + quoted(certFile) +
                          " -key " + quoted(keyFile);
    for (const std::string& option : options) command += " " + quoted(option);
    Process =
        std::make_unique<PeerProcess>(Shell, "dash", std::vector<std::string>{"-c", command}, Folder.File(OutputName));
    if (Process->WaitUntilListening(port)) {
      ListenPort = port;
      return;
    }
    Process.reset();
  }
  throw PeerError("openssl s_server did not start listening; its output:\n" + Output());
}
