#include "app/streams/record_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/exception.h"
#include "platform/streams.h"

namespace streams {

namespace {

bool plainFileThere(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::optional<std::string> ReadRecordFile(const std::string& path) {
  // Checked first so that a fifo under the name cannot hold the job; the
  // open still refuses a link put there since.
  if (!plainFileThere(path)) return std::nullopt;
  try {
    TFileStream file(path, fmOpenRead | fmNoFollow);
    std::string text(size_t(file.GetSize()), '\0');
    file.ReadBuffer(text.data(), int64_t(text.size()));
    return text;
  } catch (const EStreamError&) {
    return std::nullopt;
  }
}

void WriteRecordFile(const std::string& path, const std::string& text) {
  const std::string fresh = path + ".new";
  if (plainFileThere(fresh)) ::unlink(fresh.c_str());
  {
    TFileStream file(fresh, fmCreate | fmExclusive | fmNoFollow);
    file.WriteBuffer(text.data(), int64_t(text.size()));
  }
  std::rename(fresh.c_str(), path.c_str());
}

}  // namespace streams
