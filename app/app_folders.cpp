#include "app/app_folders.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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
  CheckPrivateFolder(folder);
  // A folder left by an older run keeps no wider permissions than ours.
  ::chmod(folder.c_str(), 0700);
  return folder + "/";
}

}  // namespace

// Installed: <prefix>/bin/program and <prefix>/share/quillfen. In the build
// tree the programs sit in <build>/app and the data in <build>/share/quillfen.
std::string LocateDataFolder(const std::string& programPath) {
  const std::filesystem::path programFolder = std::filesystem::path(programPath).parent_path();
  return (programFolder.parent_path() / "share" / "quillfen").string() + "/";
}

TAppFolders LocateAppFolders(const std::string& programPath) {
  TAppFolders folders;
  folders.Work = workFolder();
  folders.Data = LocateDataFolder(programPath);
  folders.Profiles = folders.Data + "profiles/";
  return folders;
}

void CheckPrivateFolder(const std::string& folder) {
  // A trailing "/" would make lstat look through a link.
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0)
    throw Exception(fmt::format(app_messages::CannotCheckWorkFolder, path, std::strerror(errno)));
  if (S_ISLNK(status.st_mode)) throw Exception(fmt::format(app_messages::WorkFolderIsLink, path));
  if (!S_ISDIR(status.st_mode)) throw Exception(fmt::format(app_messages::WorkFolderNotAFolder, path));
  if (status.st_uid != ::geteuid()) throw Exception(fmt::format(app_messages::WorkFolderNotOwned, path));
  if (status.st_mode & (S_IWGRP | S_IWOTH)) throw Exception(fmt::format(app_messages::WorkFolderOpenToOthers, path));
}

std::string RunningProgramPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}
