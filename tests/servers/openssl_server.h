#pragma once
// `openssl s_server` as a TLS peer on a free port of 127.0.0.1, with the
// certificate and key it is given. Its options choose what it does: "-rev"
// sends every line back reversed, "-WWW" serves the files of Files().

#include <memory>
#include <string>
#include <vector>

#include "tests/servers/peer_process.h"
#include "tests/servers/temp_folder.h"

class OpensslServer {
public:
  OpensslServer(const std::string& certFile, const std::string& keyFile, const std::vector<std::string>& options);
  int Port() const { return ListenPort; }
  // The folder s_server runs in: the files "-WWW" serves.
  const TempFolder& Files() const { return Folder; }
  // What s_server printed, for failure messages.
  std::string Output() const { return Folder.ReadFile(OutputName); }

private:
  static constexpr const char* OutputName = "s_server.out";

  TempFolder Folder;
  std::unique_ptr<PeerProcess> Process;
  int ListenPort = 0;
};
