#include "app/streams/record_file.h"

#include <cstdio>

#include "app/transfer/work_file.h"
#include "platform/exception.h"
#include "platform/streams.h"

namespace streams {

std::optional<std::string> ReadRecordFile(const std::string& path) {
  // A record that cannot be read, or anything but a plain file under its
  // name, is no record: the download starts over.
  try {
    const std::unique_ptr<TFileStream> file = OpenWorkFile(path, fmOpenRead);
    if (!file) return std::nullopt;
    std::string text(size_t(file->GetSize()), '\0');
    file->ReadBuffer(text.data(), int64_t(text.size()));
    return text;
  } catch (const Exception&) {
    return std::nullopt;
  }
}

void WriteRecordFile(const std::string& path, const std::string& text) {
  const std::string fresh = path + ".new";
  {
    const std::unique_ptr<TFileStream> file = CreateWorkFile(fresh);
    file->WriteBuffer(text.data(), int64_t(text.size()));
  }
  std::rename(fresh.c_str(), path.c_str());
}

}  // namespace streams
