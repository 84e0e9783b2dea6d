#include "tests/app/demo_site.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace app_test {

std::string SourcePath(const std::string& relative) { return std::string(QUILLFEN_SOURCE_DIR) + "/" + relative; }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

NginxSite DemoSiteConfig() {
  NginxSite site;
  site.ServerConfig = ReadWholeFile(SourcePath("resources/demo-site/site.conf"));
  return site;
}

void MakeDemoSite(const NginxServer& server, int seconds, const std::string& size) {
  MakeDemoSite(server.DocumentRoot(), seconds, size);
}

void MakeDemoSite(const std::string& root, int seconds, const std::string& size) {
  const std::string command =
      "'" + SourcePath("resources/demo-site/make-site") + "' '" + root + "' " + std::to_string(seconds) + " " + size;
  if (std::system(command.c_str()) != 0) throw std::runtime_error("make-site failed: " + command);
}

}  // namespace app_test
