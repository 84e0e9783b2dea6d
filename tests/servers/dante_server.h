#pragma once
// dante-server (danted) as a SOCKS 4 and 5 proxy on a free port of 127.0.0.1,
// from a config generated into a temporary folder. It lets loopback clients
// reach loopback destinations only. danted does not speak SOCKS 4A: it takes
// the 4A marker address 0.0.0.1 literally and rejects the request.

#include <memory>
#include <string>

#include "tests/servers/peer_process.h"
#include "tests/servers/temp_folder.h"

class DanteServer {
public:
  DanteServer();
  int Port() const { return ListenPort; }
  // danted's own log, for failure messages.
  std::string Log() const { return Folder.ReadFile(LogName); }

private:
  static constexpr const char* LogName = "danted.log";
  std::string Config(int port) const;

  TempFolder Folder;
  std::unique_ptr<PeerProcess> Process;
  int ListenPort = 0;
};
