#pragma once
// nginx as a web server on a free port of 127.0.0.1, from a config generated
// into a temporary folder: a document root the test fills, plus whatever
// server and location text the test adds. Stopped when the object goes.
//
// Caller text may name these placeholders, replaced before nginx starts:
//   @PORT@      the main listener's port
//   @PORT1@ ... the extra ports asked for (ExtraPorts), in order
//   @ROOT@      the document root
//   @FOLDER@    the temporary folder (for password files, certificates)

#include <memory>
#include <string>
#include <vector>

#include "tests/servers/peer_process.h"
#include "tests/servers/temp_folder.h"

struct NginxSite {
  // Text inside the main server block, after its listen and root lines:
  // locations, add_header, error_page, auth_basic ...
  std::string ServerConfig;
  // Whole extra server blocks (for instance a TLS listener on @PORT1@).
  std::string ExtraServers;
  // How many more free ports to reserve for ExtraServers.
  int ExtraPorts = 0;
  // Files written into the folder before nginx starts (a password file the
  // config names), as name and content.
  std::vector<std::pair<std::string, std::string>> FolderFiles;
};

class NginxServer {
public:
  explicit NginxServer(NginxSite site = {});

  int Port() const { return Ports.front(); }
  // The index-th extra port, counting from 1 like @PORT1@.
  int ExtraPort(int index) const { return Ports.at(static_cast<size_t>(index)); }
  // "http://127.0.0.1:<port>" followed by path.
  std::string Url(const std::string& path = "/") const;
  std::string DocumentRoot() const { return Folder.File(RootName); }
  const TempFolder& Files() const { return Folder; }
  // Writes a file below the document root (folders are created); nginx
  // serves it at once. Returns its path.
  std::string WriteDocument(const std::string& relativePath, const std::string& content) const;
  // nginx's error log, for failure messages.
  std::string Log() const { return Folder.ReadFile(LogName); }

private:
  static constexpr const char* RootName = "root";
  static constexpr const char* LogName = "error.log";
  std::string Config(const NginxSite& site) const;
  std::string Substitute(std::string text) const;

  TempFolder Folder;
  std::vector<int> Ports;
  std::unique_ptr<PeerProcess> Process;
};
