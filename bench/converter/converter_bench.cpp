// Converts one Flash video with TVideoEdit and with the ffmpeg command line,
// using the same codecs, sizes, rates, bit rates and thread settings, and
// prints wall time, CPU time and peak memory of each with their ratios.
//
// Both sides run as programs of their own (this one re-runs itself for our
// side), so each pays its own start-up and its memory is measured alone.
//
//   converter_bench SOURCE H264_SOURCE WORK_FOLDER [REPEATS]
//   converter_bench --convert CASE SOURCE OUTPUT     (one conversion, ours)
//
// SOURCE is a Flash video with Sorenson video and MP3 sound, H264_SOURCE one
// with H.264 and AAC (for keeping the original streams).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "bench/rates.h"
#include "converter/video_edit.h"

namespace {

struct BenchCase {
  const char* name;
  const char* extension;
  TOutputType outputType;
  const char* videoCompressor;  // empty: the output type's own codecs
  const char* audioCompressor;
  // The same conversion on the command line, after "-i SOURCE".
  std::vector<std::string> ffmpegArguments;
  bool fromH264 = false;   // reads H264_SOURCE instead of SOURCE
  double wallGoal = 1.10;  // the ratio ours / command line to stay within
};

// 640x360 at 25 frames per second, like the source; threads are left to both
// sides' defaults ("auto", one per core).
const BenchCase Cases[] = {
    {"AVI (MJPEG + PCM)",
     "avi",
     otAVI,
     "MJPEG Compressor",
     "PCM",
     {"-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p", "-s", "640x360", "-r", "25", "-c:a", "pcm_s16le", "-ar",
      "44100", "-ac", "2", "-f", "avi"}},
    // Our DVD output keeps a 16:9 picture's shape inside the 4:3 frame; the
    // command line gets the same scaling and padding.
    {"DVD_PAL", "mpg", otDVD_PAL, "", "", {"-vf",         "scale=720:432,pad=720:576:0:72:black,setsar=16/15",
                                           "-c:v",        "mpeg2video",
                                           "-pix_fmt",    "yuv420p",
                                           "-r",          "25",
                                           "-b:v",        "6000000",
                                           "-maxrate",    "9000000",
                                           "-bufsize",    "1835008",
                                           "-g",          "15",
                                           "-c:a",        "ac3",
                                           "-b:a",        "448000",
                                           "-ar",         "48000",
                                           "-ac",         "2",
                                           "-f",          "dvd",
                                           "-packetsize", "2048",
                                           "-muxrate",    "10080000"}},
    {"iPod", "mp4", otIPOD, "", "", {"-c:v",    "libx264",  "-profile:v", "baseline", "-level",  "3.0",    "-maxrate",
                                     "1500000", "-bufsize", "2000000",    "-pix_fmt", "yuv420p", "-s",     "640x360",
                                     "-r",      "25",       "-c:a",       "aac",      "-b:a",    "128000", "-ar",
                                     "44100",   "-ac",      "2",          "-f",       "ipod"}},
    {"MP4",
     "mp4",
     otMP4,
     "",
     "",
     {"-c:v", "libx264", "-crf", "23", "-preset",   "medium",     "-pix_fmt", "yuv420p",
      "-s",   "640x360", "-r",   "25", "-c:a",      "aac",        "-b:a",     "160000",
      "-ar",  "44100",   "-ac",  "2",  "-movflags", "+faststart", "-f",       "mp4"},
     false,
     1.05},
    {"WebM",
     "webm",
     otWebM,
     "",
     "",
     {"-c:v", "libvpx-vp9", "-crf",    "32",    "-b:v",    "0",  "-row-mt", "1",    "-cpu-used",
      "4",    "-pix_fmt",   "yuv420p", "-s",    "640x360", "-r", "25",      "-c:a", "libopus",
      "-b:a", "128000",     "-ar",     "48000", "-ac",     "2",  "-f",      "webm"},
     false,
     1.05},
    // Nothing is decoded: the run is short, so start-up weighs in.
    {"Original (H.264)", "mp4", otOriginal, "", "", {"-c", "copy", "-movflags", "+faststart", "-f", "mp4"}, true, 1.20},
};

template <class Collection>
int16_t indexOfName(const Collection& collection, const std::string& name) {
  for (int16_t i = 0; i < collection.Count(); ++i)
    if (collection.CompressorName(i) == name) return i;
  return -1;
}

int convertWithTVideoEdit(const BenchCase& c, const std::string& source, const std::string& output) {
  TVideoEdit edit;
  const double duration = edit.GetFileDuration(source);
  if (!edit.AddVideoClip(source, 0.0, duration, 0) || !edit.AddAudioClip(source, 0.0, duration)) {
    std::fprintf(stderr, "%s\n", edit.LastError().c_str());
    return 1;
  }
  edit.OutputType = c.outputType;
  edit.OutputFileWidth = 640;
  edit.OutputFileHeight = 360;
  edit.FrameRate = 25.0f;
  edit.VideoSampleSize = 24;
  if (*c.videoCompressor) {
    edit.UseVideoCompressor = true;
    edit.VideoCompressor = indexOfName(edit.VideoCompressors, c.videoCompressor);
    edit.UseAudioCompressor = true;
    edit.AudioCompressor = indexOfName(edit.AudioCompressors, c.audioCompressor);
  }
  if (!edit.SaveOutputFile(output)) {
    std::fprintf(stderr, "%s\n", edit.LastError().c_str());
    return 1;
  }
  return 0;
}

struct Measurement {
  double wallSeconds = 0.0;
  double cpuSeconds = 0.0;
  long peakKilobytes = 0;
};

Measurement runProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const auto started = bench::Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", arguments[0].c_str());
    std::exit(1);
  }
  Measurement measured;
  measured.wallSeconds = bench::secondsSince(started);
  measured.cpuSeconds =
      usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  measured.peakKilobytes = usage.ru_maxrss;
  return measured;
}

// The run with the median wall time stands for the repeats.
Measurement median(std::vector<Measurement> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Measurement& a, const Measurement& b) { return a.wallSeconds < b.wallSeconds; });
  return runs[runs.size() / 2];
}

int compare(const std::string& self, const std::string& flashSource, const std::string& h264Source,
            const std::string& work, int repeats) {
  fmt::print(
      "Sources: {} (60 s, 640x360 at 25, Sorenson + MP3) and {} (the same as H.264 + AAC); {} runs each, "
      "median by wall time; threads: auto on both sides ({} cores)\n\n",
      flashSource, h264Source, repeats, sysconf(_SC_NPROCESSORS_ONLN));
  fmt::print("{:<20} {:>10} {:>10} {:>10} | {:>10} {:>10} {:>10} | {:>7} {:>7} {:>7}\n", "case", "wall s", "cpu s",
             "peak MB", "ffmpeg s", "cpu s", "peak MB", "wall x", "cpu x", "mem x");
  bool withinGoal = true;
  for (size_t i = 0; i < std::size(Cases); ++i) {
    const BenchCase& c = Cases[i];
    const std::string& source = c.fromH264 ? h264Source : flashSource;
    const std::string ours = fmt::format("{}/ours{}.{}", work, i, c.extension);
    const std::string theirs = fmt::format("{}/ffmpeg{}.{}", work, i, c.extension);
    std::vector<std::string> ffmpeg = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", source};
    ffmpeg.insert(ffmpeg.end(), c.ffmpegArguments.begin(), c.ffmpegArguments.end());
    ffmpeg.push_back(theirs);

    std::vector<Measurement> ourRuns, theirRuns;
    for (int r = 0; r < repeats; ++r) {
      ourRuns.push_back(runProgram({self, "--convert", std::to_string(i), source, ours}));
      theirRuns.push_back(runProgram(ffmpeg));
    }
    const Measurement us = median(ourRuns);
    const Measurement them = median(theirRuns);
    const double wallRatio = us.wallSeconds / them.wallSeconds;
    const double memoryRatio = double(us.peakKilobytes) / double(them.peakKilobytes);
    withinGoal = withinGoal && wallRatio <= c.wallGoal && memoryRatio <= 1.2;
    fmt::print("{:<20} {:>10.2f} {:>10.2f} {:>10.1f} | {:>10.2f} {:>10.2f} {:>10.1f} | {:>7.3f} {:>7.3f} {:>7.3f}\n",
               c.name, us.wallSeconds, us.cpuSeconds, us.peakKilobytes / 1024.0, them.wallSeconds, them.cpuSeconds,
               them.peakKilobytes / 1024.0, wallRatio, us.cpuSeconds / them.cpuSeconds, memoryRatio);
  }
  fmt::print("\nGoal: mem x <= 1.20 and wall x within each case's goal in every case: {}\n\nCommand lines:\n",
             withinGoal ? "met" : "NOT met");
  for (const BenchCase& c : Cases)
    fmt::print("  {} (wall goal {:.2f}): ffmpeg -i {} {} OUTPUT\n", c.name, c.wallGoal,
               c.fromH264 ? "H264_SOURCE" : "SOURCE", fmt::join(c.ffmpegArguments, " "));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--convert") {
    const size_t index = std::strtoul(argv[2], nullptr, 10);
    if (index >= std::size(Cases)) return 2;
    return convertWithTVideoEdit(Cases[index], argv[3], argv[4]);
  }
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s SOURCE H264_SOURCE WORK_FOLDER [REPEATS]\n", argv[0]);
    return 2;
  }
  const int repeats = argc == 5 ? std::max(1, std::atoi(argv[4])) : 5;
  return compare(argv[0], argv[1], argv[2], argv[3], repeats);
}
