// Every file the converter opens, for reading or for writing, is named and
// opened here. FFmpeg reads the part of a name before a colon as a protocol
// ("tcp:", "http:", "concat:"), so a video title that became a folder name
// could send the output over the network; these names always mean a local
// file, whatever they hold.
#pragma once

#include <string>

#include "converter/av_handles.h"

namespace converter {

// The only protocol the converter lets FFmpeg use, also for files that a
// demuxer or muxer opens on its own.
inline constexpr const char* PlainFileProtocols = "file";

// The path as FFmpeg must be given it so that it means that file: "file:"
// followed by the path exactly as it is.
std::string plainFileUrl(const std::string& path);

// Opens the file at path with AVIO_FLAG_READ or AVIO_FLAG_WRITE; throws
// "<what>: <reason>" on failure.
IOContext openPlainFile(const std::string& path, int flags, const std::string& what);

}  // namespace converter
