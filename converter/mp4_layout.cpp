#include "converter/mp4_layout.h"

#include "converter/messages.h"
#include "converter/plain_file.h"

namespace converter {
namespace {

constexpr uint32_t boxType(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
         uint8_t(name[3]);
}

}  // namespace

bool isWholeFastStartMp4(const std::string& path) {
  const IOContext file =
      openPlainFile(path, AVIO_FLAG_READ, std::string(converter_messages::CannotOpenInput) + " '" + path + "'");
  const int64_t size = avio_size(file.get());
  bool indexSeen = false;
  for (int64_t at = 0; at < size;) {
    if (size - at < 8 || avio_seek(file.get(), at, SEEK_SET) != at) return false;
    int64_t boxSize = avio_rb32(file.get());
    const uint32_t type = avio_rb32(file.get());
    int64_t headerSize = 8;
    if (boxSize == 1) {
      if (size - at < 16) return false;
      boxSize = int64_t(avio_rb64(file.get()));
      headerSize = 16;
    }
    // A size of 0 runs to the end of the file, which a cut-off file has too.
    if (boxSize < headerSize || boxSize > size - at) return false;
    if (at == 0) {
      // QuickTime files share the demuxer but are not MP4 files.
      if (type != boxType("ftyp") || boxSize < headerSize + 4 || avio_rb32(file.get()) == boxType("qt  ")) return false;
    }
    if (type == boxType("moof")) return false;
    if (type == boxType("moov")) indexSeen = true;
    if (type == boxType("mdat") && !indexSeen) return false;
    at += boxSize;
  }
  return indexSeen && !file->error;
}

}  // namespace converter
