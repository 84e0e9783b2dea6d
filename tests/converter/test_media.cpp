#include "test_media.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "media_recipes.h"

namespace converter_test {
namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

struct Folder {
  std::string path;
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillfen-converter-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path = pattern;
  }
  ~Folder() { std::filesystem::remove_all(path); }
};

}  // namespace

const std::string& workFolder() {
  static const Folder folder;
  return folder.path;
}

std::string pathInWorkFolder(const std::string& name) { return workFolder() + "/" + name; }

bool fileExists(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0;
}

std::string medium(const std::string& name) {
  if (const char* folder = std::getenv("QUILLFEN_CONVERTER_MEDIA")) return std::string(folder) + "/" + name;
  static std::set<std::string> made;
  const std::string path = pathInWorkFolder(name);
  if (made.insert(name).second) makeMedium(name, path);
  return path;
}

ProbeFields Probe::stream(const std::string& codecType) const {
  for (const ProbeFields& fields : streams)
    if (fields.at("codec_type") == codecType) return fields;
  return {};
}

double Probe::duration() const {
  const auto found = format.find("duration");
  return found == format.end() ? 0.0 : std::stod(found->second);
}

Probe probe(const std::string& path) {
  const std::string command =
      "ffprobe -v error -show_entries format=format_name,duration:format_tags=major_brand,title:"
      "stream=codec_type,codec_name,profile,width,height,pix_fmt,r_frame_rate,sample_rate,channels " +
      quoted(path) + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run ffprobe");
  Probe result;
  ProbeFields* current = nullptr;
  char line[512];
  while (fgets(line, sizeof line, pipe)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text == "[STREAM]") {
      result.streams.emplace_back();
      current = &result.streams.back();
    } else if (text == "[FORMAT]") {
      current = &result.format;
    } else if (text.starts_with("[/")) {
      current = nullptr;
    } else if (const auto equals = text.find('='); current && equals != std::string::npos) {
      (*current)[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  pclose(pipe);
  return result;
}

// As a player shows it: the command line turns it by its display rotation.
GrayPicture firstPicture(const std::string& path) {
  const std::string command = "ffmpeg -nostdin -loglevel error -i " + quoted(path) +
                              " -frames:v 1 -f image2pipe -c:v pgm -pix_fmt gray - 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run ffmpeg");
  GrayPicture picture;
  int maximum = 0;
  // The header: "P5", width, height, largest value, one white-space character.
  if (std::fscanf(pipe, "P5 %d %d %d", &picture.width, &picture.height, &maximum) == 3 && std::fgetc(pipe) != EOF) {
    char block[4096];
    while (const size_t got = fread(block, 1, sizeof block, pipe)) picture.pixels.append(block, got);
  }
  pclose(pipe);
  return picture;
}

void loadWholeFile(TVideoEdit& edit, const std::string& path) {
  const double duration = edit.GetFileDuration(path);
  ASSERT_GT(duration, 0.0) << edit.LastError();
  ASSERT_TRUE(edit.AddVideoClip(path, 0.0, duration, 0)) << edit.LastError();
  ASSERT_TRUE(edit.AddAudioClip(path, 0.0, duration)) << edit.LastError();
}

}  // namespace converter_test
