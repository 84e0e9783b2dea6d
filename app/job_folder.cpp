#include "app/job_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sstream>

#include <fmt/core.h>

#include "app/app_folders.h"
#include "app/messages.h"
#include "platform/exception.h"
#include "platform/streams.h"

namespace {

constexpr const char* LockName = "job.lock";
// A run that finishes removes its folder; one that starts meanwhile tries
// again on a new one, this many times.
constexpr int LockAttempts = 3;

}  // namespace

std::string JobFolderName(const std::string& address) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : address) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return fmt::format("{:016x}", hash);
}

std::string JobFolderPath(const std::string& workFolder, const std::string& address) {
  return workFolder + JobFolderName(address) + "/";
}

TJobFolder::TJobFolder(const std::string& workFolder, const std::string& address)
    : path_(JobFolderPath(workFolder, address)) {
  CheckPrivateFolder(workFolder);
  const std::string folder = path_.substr(0, path_.size() - 1);
  const std::string lockFile = path_ + LockName;
  for (int attempt = 1;; ++attempt) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      throw Exception(fmt::format(app_messages::CannotMakeWorkFolder, folder, std::strerror(errno)));
    CheckPrivateFolder(folder);
    PlainWorkFileThere(lockFile);
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
      if (errno == ENOENT && attempt < LockAttempts) continue;
      FailOnWorkFile(lockFile, errno);
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(lock);
      if (error == EWOULDBLOCK) throw Exception(fmt::format(app_messages::AlreadyDownloading, address));
      FailOnWorkFile(lockFile, error);
    }
    // The lock counts only while its file is still the one the folder names.
    struct stat held {
    }, named{};
    if (::fstat(lock, &held) == 0 && ::lstat(lockFile.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      lock_ = lock;
      return;
    }
    ::close(lock);
    if (attempt >= LockAttempts) FailOnWorkFile(lockFile, ENOENT);
  }
}

TJobFolder::~TJobFolder() {
  if (lock_ >= 0) ::close(lock_);
}

void TJobFolder::Remove() {
  // Every plain file: the job's steps name their own work files and records
  // (the sound, the segment and part records, their ".new" copies), and the
  // folder is the job's alone. Links and folders are none of the job's: they
  // stay, and so does the folder.
  const int folder = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) {
    if (errno == ENOENT) return;
    FailOnWorkFile(path_, errno);
  }
  const std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(folder), ::closedir);
  if (!entries) {
    const int error = errno;
    ::close(folder);
    FailOnWorkFile(path_, error);
  }
  while (const dirent* entry = ::readdir(entries.get())) {
    const std::string name = entry->d_name;
    struct stat status {};
    if (name == LockName || ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode))
      continue;
    if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT) FailOnWorkFile(path_ + name, errno);
  }
  // The lock goes last, so no other run gets in while the files go. One for
  // the same address that came in after it has put its own lock file there:
  // the folder is then its, and stays.
  RemoveWorkFile(path_ + LockName);
  if (::rmdir(path_.c_str()) != 0 && errno != ENOTEMPTY && errno != EEXIST && errno != ENOENT)
    FailOnWorkFile(path_, errno);
}

void TJobFolder::KeepFetchedVideo(const TFetchedVideo& video) {
  // An address or type with a line break would not read back: such a video
  // is simply fetched again.
  const std::string text =
      fmt::format("{}\n{}\n{}\n{}\n", video.Address, video.FinalAddress, video.ContentType, video.Size);
  const std::unique_ptr<TFileStream> file = CreateWorkFile(path_ + work_files::Fetched);
  file->WriteBuffer(text.data(), int64_t(text.size()));
}

std::optional<TFetchedVideo> TJobFolder::FetchedVideo(const std::string& address) const {
  const std::unique_ptr<TFileStream> record = OpenWorkFile(path_ + work_files::Fetched, fmOpenRead);
  const std::unique_ptr<TFileStream> video = OpenWorkFile(path_ + work_files::Video, fmOpenRead);
  if (!record || !video) return std::nullopt;
  std::string text(size_t(std::min<int64_t>(record->GetSize(), 64 * 1024)), '\0');
  record->ReadBuffer(text.data(), int64_t(text.size()));
  std::istringstream lines(text);
  TFetchedVideo kept;
  std::string size;
  if (!std::getline(lines, kept.Address) || !std::getline(lines, kept.FinalAddress) ||
      !std::getline(lines, kept.ContentType) || !std::getline(lines, size) || kept.Address != address ||
      size != std::to_string(video->GetSize()))
    return std::nullopt;
  kept.Size = video->GetSize();
  return kept;
}

void TJobFolder::ForgetFetchedVideo() { RemoveWorkFile(path_ + work_files::Fetched); }
