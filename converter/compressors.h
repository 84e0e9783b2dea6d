// The video and audio compressors offered for AVI output: those of our
// catalogue that this FFmpeg build has and that the AVI writer can carry. A
// compressor's position in its collection is its value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "converter/output_types.h"

namespace converter {

template <class Format>
struct CompressorEntry {
  const char* name;
  Format format;
};

template <class Format>
class TCompressors {
public:
  TCompressors();

  int16_t Count() const { return int16_t(available_.size()); }
  // The friendly name, or empty for an index outside the collection.
  std::string CompressorName(int16_t index) const;

  // The format behind a compressor value, or nullptr when there is none.
  const Format* format(int16_t index) const;

private:
  std::vector<const CompressorEntry<Format>*> available_;
};

using TVideoCompressors = TCompressors<VideoFormatRow>;
using TAudioCompressors = TCompressors<AudioFormatRow>;

}  // namespace converter
