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

// The path of a source video of media_recipes.cpp: in the folder that
// QUILLFEN_CONVERTER_MEDIA names (made once for the test run), or else made
// on first use in this process's own folder.
std::string medium(const std::string& name);

inline std::string flashVideo() { return medium("source.flv"); }
inline std::string truncatedFlashVideo() { return medium("stopped.flv"); }
inline std::string changingFlashVideo() { return medium("joined.flv"); }

std::string pathInWorkFolder(const std::string& name);
bool fileExists(const std::string& path);

using ProbeFields = std::map<std::string, std::string>;

struct Probe {
  ProbeFields format;                // format_name, duration, TAG:major_brand, TAG:title
  std::vector<ProbeFields> streams;  // codec_type, codec_name, width, height, r_frame_rate, ...

  // The first stream of the type, or an empty set of fields.
  ProbeFields stream(const std::string& codecType) const;
  double duration() const;
};

Probe probe(const std::string& path);

// The first picture of the file as 8-bit brightness, row by row.
struct GrayPicture {
  int width = 0;
  int height = 0;
  std::string pixels;

  int at(int x, int y) const { return static_cast<unsigned char>(pixels.at(size_t(y) * width + x)); }
};
GrayPicture firstPicture(const std::string& path);

// Loads the file into the timeline the way the program does: its whole
// video and its whole audio.
void loadWholeFile(TVideoEdit& edit, const std::string& path);

}  // namespace converter_test
