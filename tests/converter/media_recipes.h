// The source videos the converter tests read, made with the ffmpeg
// command-line tool and unlike each other on purpose. A test run makes them
// once into one folder (the converter_media fixture); a test process started
// by hand makes the ones it asks for in a folder of its own.
#pragma once

#include <string>

namespace converter_test {

// Makes the named medium at path; throws when there is no such recipe or
// the tool fails.
void makeMedium(const std::string& name, const std::string& path);

// Makes every medium into the folder, which must exist.
void makeAllMedia(const std::string& folder);

}  // namespace converter_test
