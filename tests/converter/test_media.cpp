#include "test_media.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace converter_test {
namespace {

void run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
    throw std::runtime_error("command failed: " + command);
}

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

const std::string& flashVideo() {
  static const std::string path = [] {
    const std::string made = pathInWorkFolder("source.flv");
    run("ffmpeg -nostdin -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100"
        " -t 5 -c:v flv -b:v 400k -c:a libmp3lame -b:a 64k -ac 2 " + quoted(made));
    return made;
  }();
  return path;
}

const std::string& truncatedFlashVideo() {
  static const std::string path = [] {
    const std::string made = pathInWorkFolder("stopped.flv");
    const auto size = std::filesystem::file_size(flashVideo());
    std::ifstream in(flashVideo(), std::ios::binary);
    std::string bytes(size * 2 / 5, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    std::ofstream(made, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return made;
  }();
  return path;
}

const std::string& changingFlashVideo() {
  static const std::string path = [] {
    const std::string first = pathInWorkFolder("part1.flv");
    const std::string second = pathInWorkFolder("part2.flv");
    run("ffmpeg -nostdin -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=sample_rate=44100"
        " -t 1 -c:v flv -c:a libmp3lame -ac 2 " + quoted(first));
    run("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=sample_rate=22050"
        " -t 1 -c:v flv -c:a libmp3lame -ac 1 " + quoted(second));
    const std::string list = pathInWorkFolder("parts.txt");
    std::ofstream(list) << "file " << quoted(first) << "\nfile " << quoted(second) << "\n";
    const std::string made = pathInWorkFolder("joined.flv");
    run("ffmpeg -nostdin -y -f concat -safe 0 -i " + quoted(list) + " -c copy " + quoted(made));
    return made;
  }();
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
      "ffprobe -v error -show_entries format=format_name,duration:format_tags=major_brand:"
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

void loadWholeFile(TVideoEdit& edit, const std::string& path) {
  const double duration = edit.GetFileDuration(path);
  ASSERT_GT(duration, 0.0) << edit.LastError();
  ASSERT_TRUE(edit.AddVideoClip(path, 0.0, duration, 0)) << edit.LastError();
  ASSERT_TRUE(edit.AddAudioClip(path, 0.0, duration)) << edit.LastError();
}

}  // namespace converter_test
