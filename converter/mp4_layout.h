// Whether an MP4 file is already laid out the way Original writes one: its
// index (moov) before its media data, so that it plays while it downloads,
// not in fragments, and its boxes filling the file exactly, so that a
// download cut off inside its media data is not taken for a whole file.
#pragma once

#include <string>

namespace converter {

// Reads only the top-level box headers. Throws ConversionError when the file
// cannot be opened.
bool isWholeFastStartMp4(const std::string& path);

}  // namespace converter
