#include "media_recipes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace converter_test {
namespace {

void run(const std::string& command) {
  if (std::system(("ffmpeg -nostdin -loglevel error -y " + command + " >/dev/null 2>&1").c_str()) != 0)
    throw std::runtime_error("command failed: ffmpeg " + command);
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string beside(const std::string& path, const std::string& name) {
  return (std::filesystem::path(path).parent_path() / name).string();
}

const char* const TestPattern = "-f lavfi -i testsrc=size=320x240:rate=25 ";

// Another medium in the same folder, made first when it is not there.
std::string mediumBeside(const std::string& path, const std::string& name) {
  const std::string other = beside(path, name);
  if (!std::filesystem::exists(other)) makeMedium(name, other);
  return other;
}

// The first fifths of another medium, as a stopped download leaves it.
void writeFirstPart(const std::string& path, const std::string& whole, int fifths) {
  const std::string source = mediumBeside(path, whole);
  std::ifstream in(source, std::ios::binary);
  std::string bytes(std::filesystem::file_size(source) * fifths / 5, '\0');
  in.read(bytes.data(), std::streamsize(bytes.size()));
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

struct Recipe {
  const char* name;
  void (*make)(const std::string& path);
};

const Recipe Recipes[] = {
    // 5 seconds, 320x240 at 25 frames per second, Sorenson video and MP3
    // audio (a test pattern and a tone), like the videos the sites served.
    {"source.flv",
     [](const std::string& path) {
       run(std::string(TestPattern) +
           "-f lavfi -i sine=frequency=440:sample_rate=44100"
           " -t 5 -c:v flv -b:v 400k -c:a libmp3lame -b:a 64k -ac 2 " +
           quoted(path));
     }},
    // The first two fifths of source.flv, as a stopped download leaves it.
    {"stopped.flv", [](const std::string& path) { writeFirstPart(path, "source.flv", 2); }},
    // Two seconds whose second half changes picture size, sample rate and
    // channels, as a file joined from two recordings does.
    {"joined.flv",
     [](const std::string& path) {
       const std::string first = path + ".part1.flv";
       const std::string second = path + ".part2.flv";
       run(std::string(TestPattern) + "-f lavfi -i sine=sample_rate=44100 -t 1 -c:v flv -c:a libmp3lame -ac 2 " +
           quoted(first));
       run("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=sample_rate=22050"
           " -t 1 -c:v flv -c:a libmp3lame -ac 1 " +
           quoted(second));
       const std::string list = path + ".parts.txt";
       std::ofstream(list) << "file " << quoted(first) << "\nfile " << quoted(second) << "\n";
       run("-f concat -safe 0 -i " + quoted(list) + " -c copy " + quoted(path));
     }},
    // The commonest Flash video of all: 22050 Hz mono MP3 beside 15 frames
    // per second.
    {"low-rate.flv",
     [](const std::string& path) {
       run("-f lavfi -i testsrc=size=320x240:rate=15 -f lavfi -i sine=frequency=440:sample_rate=22050"
           " -t 2 -c:v flv -c:a libmp3lame -b:a 32k -ac 1 " +
           quoted(path));
     }},
    // A phone recording: stored 320x240 with a white square in its top-left
    // corner, to be shown turned a quarter to the left (the stored top-left
    // corner ends up bottom-left).
    {"rotated.mp4",
     [](const std::string& path) {
       const std::string stored = path + ".stored.mp4";
       run("-f lavfi -i color=black:size=320x240:rate=25,drawbox=x=0:y=0:w=48:h=48:color=white:t=fill"
           " -f lavfi -i sine=sample_rate=44100 -t 1 -c:v libx264 -pix_fmt yuv420p -c:a aac " +
           quoted(stored));
       run("-i " + quoted(stored) + " -c copy -metadata:s:v:0 rotate=90 " + quoted(path));
     }},
    // The later Flash videos: H.264 (with B-frames) and AAC.
    {"h264.flv",
     [](const std::string& path) {
       run(std::string(TestPattern) +
           "-f lavfi -i sine=frequency=440:sample_rate=44100"
           " -t 3 -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 96k " +
           quoted(path));
     }},
    // Uncompressed pictures, which Matroska names by their pixel layout.
    {"raw.mkv",
     [](const std::string& path) {
       run(std::string(TestPattern) +
           "-f lavfi -i sine=sample_rate=44100 -t 3 -c:v rawvideo -pix_fmt yuv420p -c:a pcm_s16le " + quoted(path));
     }},
    // The early Flash audio codec that no other container carries.
    {"nellymoser.flv",
     [](const std::string& path) {
       run(std::string(TestPattern) + "-f lavfi -i sine=sample_rate=22050 -t 1 -c:v flv -c:a nellymoser -ac 1 " +
           quoted(path));
     }},
    // Sound alone.
    {"sound.mp3",
     [](const std::string& path) { run("-f lavfi -i sine=sample_rate=44100 -t 2 -c:a libmp3lame " + quoted(path)); }},
    // A Flash video without sound.
    {"silent.flv",
     [](const std::string& path) { run(std::string(TestPattern) + "-t 1 -c:v flv -an " + quoted(path)); }},
    // Two seconds of 1280x720 at 30 frames per second, H.264 and AAC in MP4 as
    // the ffmpeg command line writes it: the sound encoder's priming packet
    // comes before time 0, behind an edit list.
    {"wide.mp4",
     [](const std::string& path) {
       run("-f lavfi -i testsrc=size=1280x720:rate=30 -f lavfi -i sine=frequency=440:sample_rate=44100"
           " -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac " +
           quoted(path));
     }},
    // wide.mp4 with its index first, as a server that means it to play
    // while it downloads keeps it; the same as a QuickTime file; cut off
    // after three fifths; and in fragments, as a joined stream arrives.
    {"fast-start.mp4",
     [](const std::string& path) {
       run("-i " + quoted(mediumBeside(path, "wide.mp4")) + " -c copy -movflags +faststart " + quoted(path));
     }},
    {"quicktime.mov",
     [](const std::string& path) {
       run("-i " + quoted(mediumBeside(path, "wide.mp4")) + " -c copy -movflags +faststart " + quoted(path));
     }},
    {"stopped-fast-start.mp4", [](const std::string& path) { writeFirstPart(path, "fast-start.mp4", 3); }},
    {"fragmented.mp4",
     [](const std::string& path) {
       run("-i " + quoted(mediumBeside(path, "wide.mp4")) + " -c copy -movflags +frag_keyframe+empty_moov " +
           quoted(path));
     }},
    // A segment of a streamed video, MPEG-2 in a transport stream: the kind
    // of local file a playlist sent in place of a video would name.
    {"segment.ts",
     [](const std::string& path) {
       run(std::string(TestPattern) + "-t 1 -c:v mpeg2video -an -f mpegts " + quoted(path));
     }},
};

}  // namespace

void makeMedium(const std::string& name, const std::string& path) {
  for (const Recipe& recipe : Recipes) {
    if (name != recipe.name) continue;
    recipe.make(path);
    return;
  }
  throw std::runtime_error("no recipe for the test medium " + name);
}

void makeAllMedia(const std::string& folder) {
  for (const Recipe& recipe : Recipes) makeMedium(recipe.name, folder + "/" + recipe.name);
}

}  // namespace converter_test
