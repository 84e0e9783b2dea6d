#include "tests/servers/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "tests/servers/peer_error.h"

TempFolder::TempFolder() {
  const std::string pattern = (std::filesystem::temp_directory_path() / "quillfen-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw PeerError("cannot create a temporary folder from " + pattern);
  FolderPath = name.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FolderPath, ignored);
}

std::string TempFolder::WriteFile(const std::string& name, const std::string& text) const {
  const std::string path = File(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw PeerError("cannot write " + path);
  return path;
}

std::string TempFolder::ReadFile(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
