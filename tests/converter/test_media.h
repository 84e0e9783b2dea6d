// Test videos made with the ffmpeg command-line tool, like the Flash videos
// the sites served, and ffprobe's view of what the converter wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "converter/video_edit.h"

namespace converter_test {

// A folder of its own for each test process, removed at exit.
const std::string& workFolder();

// 5 seconds, 320x240 at 25 frames per second, Sorenson video and MP3 audio
// (a test pattern and a tone), made once per process.
const std::string& flashVideo();
// The first part of flashVideo(), as a stopped download leaves it.
const std::string& truncatedFlashVideo();

// Two seconds whose second half changes picture size, sample rate and
// channels, as a file joined from two recordings does.
const std::string& changingFlashVideo();

std::string pathInWorkFolder(const std::string& name);
bool fileExists(const std::string& path);

using ProbeFields = std::map<std::string, std::string>;

struct Probe {
  ProbeFields format;                // format_name, duration, TAG:major_brand
  std::vector<ProbeFields> streams;  // codec_type, codec_name, width, height, r_frame_rate, ...

  // The first stream of the type, or an empty set of fields.
  ProbeFields stream(const std::string& codecType) const;
  double duration() const;
};

Probe probe(const std::string& path);

// Loads the file into the timeline the way the program does: its whole
// video and its whole audio.
void loadWholeFile(TVideoEdit& edit, const std::string& path);

}  // namespace converter_test
