#include "app/transfer/work_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/core.h>

#include "app/transfer/messages.h"
#include "platform/exception.h"
#include "platform/streams.h"

void FailOnWorkFile(const std::string& path, int error) {
  throw Exception(fmt::format(transfer_messages::CannotUseWorkFile, path, std::strerror(error)));
}

bool PlainWorkFileThere(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) return false;
    FailOnWorkFile(path, errno);
  }
  if (!S_ISREG(status.st_mode)) throw Exception(fmt::format(transfer_messages::WorkFileNotPlain, path));
  return true;
}

void RemoveWorkFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) FailOnWorkFile(path, errno);
}

std::unique_ptr<TFileStream> CreateWorkFile(const std::string& path) {
  if (PlainWorkFileThere(path)) RemoveWorkFile(path);
  return std::make_unique<TFileStream>(path, fmCreate | fmExclusive | fmNoFollow);
}

std::unique_ptr<TFileStream> OpenWorkFile(const std::string& path, unsigned mode) {
  if (!PlainWorkFileThere(path)) return nullptr;
  return std::make_unique<TFileStream>(path, mode | fmNoFollow);
}
