// Reading a Windows Media profile file (the ".prx" XML form): the bit rate,
// frame size, frame rate and key-frame spacing of its video stream and the
// bit rate, sample rate and channels of its audio stream. A profile that
// offers several bit rates of a stream gives the highest.
#pragma once

#include <string>

#include "converter/wmv_settings.h"

namespace converter {

// Throws ConversionError when the file cannot be read or holds no usable stream.
WmvSettings readProfileFile(const std::string& path);

// The same for profile text already in memory; source names it in errors.
WmvSettings parseProfile(const std::string& text, const std::string& source);

}  // namespace converter
