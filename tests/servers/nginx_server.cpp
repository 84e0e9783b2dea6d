#include "tests/servers/nginx_server.h"

#include <filesystem>
#include <fstream>

#include <fmt/core.h>

#include "tests/servers/loopback.h"
#include "tests/servers/peer_error.h"

namespace {
constexpr const char* NginxProgram = "/usr/sbin/nginx";
constexpr const char* NginxPackage = "nginx-light";
// Free ports are chosen before nginx binds them; another process may take
// one in between, so a failed start is retried on new ports.
constexpr int StartAttempts = 3;

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}
}  // namespace

NginxServer::NginxServer(NginxSite site) {
  std::filesystem::create_directories(DocumentRoot());
  for (const auto& [name, content] : site.FolderFiles) Folder.WriteFile(name, content);
  for (int attempt = 0; attempt < StartAttempts; ++attempt) {
    Ports.clear();
    for (int i = 0; i <= site.ExtraPorts; ++i) Ports.push_back(FreeLoopbackPort());
    const std::string config = Folder.WriteFile("nginx.conf", Config(site));
    Process = std::make_unique<PeerProcess>(
        NginxProgram, NginxPackage,
        std::vector<std::string>{"-p", Folder.Path(), "-c", config, "-e", Folder.File(LogName)},
        Folder.File("nginx.out"));
    bool listening = true;
    for (int port : Ports) listening = listening && Process->WaitUntilListening(port);
    if (listening) return;
    Process.reset();
  }
  throw PeerError("nginx did not start listening; its output:\n" + Folder.ReadFile("nginx.out") + "\nits log:\n" +
                  Log());
}

std::string NginxServer::Url(const std::string& path) const {
  return fmt::format("http://127.0.0.1:{}{}", Port(), path);
}

std::string NginxServer::WriteDocument(const std::string& relativePath, const std::string& content) const {
  const std::filesystem::path path = std::filesystem::path(DocumentRoot()) / relativePath;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw PeerError("cannot write " + path.string());
  return path.string();
}

std::string NginxServer::Substitute(std::string text) const {
  // Highest index first, so that @PORT1@ is not taken for a part of @PORT12@.
  for (size_t i = Ports.size() - 1; i >= 1; --i) replaceAll(text, fmt::format("@PORT{}@", i), std::to_string(Ports[i]));
  replaceAll(text, "@PORT@", std::to_string(Ports.front()));
  replaceAll(text, "@ROOT@", DocumentRoot());
  replaceAll(text, "@FOLDER@", Folder.Path());
  return text;
}

// One process, in the foreground, every path inside the folder: the test
// runs it as whoever it is, with no system files touched.
std::string NginxServer::Config(const NginxSite& site) const {
  return Substitute(fmt::format(
      "daemon off;\n"
      "master_process off;\n"
      "pid @FOLDER@/nginx.pid;\n"
      "error_log @FOLDER@/{log} info;\n"
      "events {{ worker_connections 64; }}\n"
      "http {{\n"
      "  access_log @FOLDER@/access.log;\n"
      "  client_body_temp_path @FOLDER@/client_body;\n"
      "  proxy_temp_path @FOLDER@/proxy;\n"
      "  fastcgi_temp_path @FOLDER@/fastcgi;\n"
      "  uwsgi_temp_path @FOLDER@/uwsgi;\n"
      "  scgi_temp_path @FOLDER@/scgi;\n"
      "  default_type application/octet-stream;\n"
      "  keepalive_timeout 30s;\n"
      "  server {{\n"
      "    listen 127.0.0.1:@PORT@;\n"
      "    server_name localhost;\n"
      "    root @ROOT@;\n"
      "{server}\n"
      "  }}\n"
      "{extra}\n"
      "}}\n",
      fmt::arg("log", LogName), fmt::arg("server", site.ServerConfig), fmt::arg("extra", site.ExtraServers)));
}
