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

std::optional<std::string> PrivatePathRefusal(const std::string& path, TPathKind kind, const TPrivatePathTexts& texts) {
  // A trailing "/" would make lstat look through a link.
  std::string named = path;
  while (named.size() > 1 && named.back() == '/') named.pop_back();
  struct stat status {};
  if (::lstat(named.c_str(), &status) != 0)
    return fmt::format(fmt::runtime(texts.CannotCheck), named, std::strerror(errno));
  if (S_ISLNK(status.st_mode)) return fmt::format(fmt::runtime(texts.IsLink), named);
  if (kind == TPathKind::Folder ? !S_ISDIR(status.st_mode) : !S_ISREG(status.st_mode))
    return fmt::format(fmt::runtime(texts.WrongKind), named);
  if (status.st_uid != ::geteuid()) return fmt::format(fmt::runtime(texts.NotOwned), named);
  if (status.st_mode & (S_IWGRP | S_IWOTH)) return fmt::format(fmt::runtime(texts.OpenToOthers), named);
  return std::nullopt;
}

void CheckPrivateFolder(const std::string& folder) {
  static constexpr TPrivatePathTexts WorkFolderTexts = {
      app_messages::CannotCheckWorkFolder, app_messages::WorkFolderIsLink, app_messages::WorkFolderNotAFolder,
      app_messages::WorkFolderNotOwned, app_messages::WorkFolderOpenToOthers};
  if (const std::optional<std::string> refusal = PrivatePathRefusal(folder, TPathKind::Folder, WorkFolderTexts))
    throw Exception(*refusal);
}

std::string RunningProgramPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}
