#pragma once
// tinyproxy as an HTTP proxy on a free port of 127.0.0.1, from a config
// generated into a temporary folder, with or without Basic authentication.
// It lets loopback clients reach loopback destinations; the CONNECT method
// is allowed to any port. Stopped when the object goes.

#include <memory>
#include <string>

#include "tests/servers/peer_process.h"
#include "tests/servers/temp_folder.h"

struct TinyproxyAuth {
  std::string Username;
  std::string Password;
};

class TinyproxyServer {
public:
  // Without a user name the proxy asks for no authentication.
  explicit TinyproxyServer(TinyproxyAuth auth = {});
  int Port() const { return ListenPort; }
  // tinyproxy's own log, for failure messages.
  std::string Log() const { return Folder.ReadFile(LogName); }

private:
  static constexpr const char* LogName = "tinyproxy.log";
  std::string Config(int port, const TinyproxyAuth& auth) const;

  TempFolder Folder;
  std::unique_ptr<PeerProcess> Process;
  int ListenPort = 0;
};
