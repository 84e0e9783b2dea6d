// What the timeline knows of its files. Measuring a file's length reads it
// whole, and loading a file asks for its length, its video and its audio in
// turn: each file is read once for as long as it stays unchanged.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "converter/media_file.h"

namespace converter {

class MediaCatalogue {
public:
  using Probe = std::function<MediaInfo(const std::string& path, int videoStreamNumber)>;

  explicit MediaCatalogue(Probe probe = probeMedia) : probe_(std::move(probe)) {}

  // What the file holds, with the chosen video stream; throws ConversionError.
  const MediaInfo& info(const std::string& path, int videoStreamNumber);

private:
  // A file rewritten in place (the next download into the same name) is
  // another file.
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNanoseconds = 0;
    bool operator==(const Identity&) const = default;
  };
  struct Entry {
    Identity identity;
    MediaInfo info;
  };

  Probe probe_;
  std::map<std::pair<std::string, int>, Entry> entries_;
};

}  // namespace converter
