#include "app/app_folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include <fmt/core.h>

#include "app/messages.h"
#include "platform/exception.h"

namespace {

std::string workFolder() {
  std::string base;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') {
    base = cache;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.cache";
  } else {
    throw Exception(app_messages::NoHomeFolder);
  }
  const std::string folder = base + "/quillfen";
  std::error_code error;
  std::filesystem::create_directories(base, error);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw Exception(fmt::format(app_messages::CannotMakeWorkFolder, folder, std::strerror(errno)));
  // A folder left by an older run keeps no wider permissions than ours.
  ::chmod(folder.c_str(), 0700);
  return folder + "/";
}

// Installed: <prefix>/bin/program and <prefix>/share/quillfen. In the build
// tree the programs sit in <build>/app and the data in <build>/share/quillfen.
std::string dataFolder(const std::string& programPath) {
  const std::filesystem::path programFolder = std::filesystem::path(programPath).parent_path();
  return (programFolder.parent_path() / "share" / "quillfen").string() + "/";
}

}  // namespace

TAppFolders LocateAppFolders(const std::string& programPath) {
  TAppFolders folders;
  folders.Work = workFolder();
  folders.Data = dataFolder(programPath);
  folders.Profiles = folders.Data + "profiles/";
  return folders;
}

std::string RunningProgramPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}
