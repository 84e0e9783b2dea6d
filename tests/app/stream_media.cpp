#include "tests/app/stream_media.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace app_test {

namespace {

const char* const Sources =
    "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=4 "
    "-f lavfi -i sine=frequency=440:duration=4:sample_rate=44100 ";

std::string output(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run: " + command);
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pclose(pipe) != 0) throw std::runtime_error(command + " failed: " + text);
  return text;
}

}  // namespace

const char* const StreamTypes =
    "types { application/vnd.apple.mpegurl m3u8; application/dash+xml mpd; video/mp2t ts; "
    "video/iso.segment m4s; text/html html; }\n";

void WriteHlsStream(const std::string& root, const std::string& folder, bool fmp4, const std::string& keyAddress) {
  const std::string base = root + "/" + folder;
  std::filesystem::create_directories(base + "/v0");
  std::filesystem::create_directories(base + "/v1");
  std::string command = std::string(Sources) +
                        "-filter_complex '[0:v]split=2[a][b];[b]scale=160:120[c]' -map '[a]' -map '[c]' "
                        "-map 1:a -map 1:a -c:v libx264 -preset ultrafast -g 25 -b:v:0 400k -b:v:1 100k -c:a aac "
                        "-var_stream_map 'v:0,a:0 v:1,a:1' -master_pl_name master.m3u8 -hls_time 1 "
                        "-hls_playlist_type vod -f hls ";
  if (fmp4) command += "-hls_segment_type fmp4 -hls_fmp4_init_filename init.mp4 ";
  if (!keyAddress.empty()) {
    std::ofstream(base + "/stream.key", std::ios::binary) << std::string("0123456789abcdef");
    std::ofstream(base + "/key.info") << keyAddress << "\n" << base << "/stream.key\n";
    command += "-hls_key_info_file '" + base + "/key.info' ";
  }
  command +=
      "-hls_segment_filename '" + base + "/v%v/seg%d." + (fmp4 ? "m4s" : "ts") + "' '" + base + "/v%v/index.m3u8'";
  output(command);
}

void WriteJoinedHls(const std::string& root, const std::string& folder, bool fmp4) {
  const std::string base = root + "/" + folder;
  std::string joined = std::string("#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-TARGETDURATION:1\n#EXT-X-PLAYLIST-TYPE:VOD\n");
  // Unlike pictures and sounds, so a part out of place would show.
  const struct {
    const char* name;
    const char* pictures;
    const char* frequency;
  } parts[] = {{"a", "testsrc2", "440"}, {"b", "smptebars", "880"}};
  for (const auto& part : parts) {
    const std::string folderOfPart = base + "/" + part.name;
    std::filesystem::create_directories(folderOfPart);
    std::string command = std::string("ffmpeg -nostdin -v error -y -f lavfi -i ") + part.pictures +
                          "=size=320x240:rate=25:duration=2 -f lavfi -i sine=frequency=" + part.frequency +
                          ":duration=2:sample_rate=44100 -c:v libx264 -preset ultrafast -g 25 -c:a aac "
                          "-hls_time 1 -hls_playlist_type vod -f hls ";
    if (fmp4) command += "-hls_segment_type fmp4 -hls_fmp4_init_filename init.mp4 ";
    output(command + "-hls_segment_filename '" + folderOfPart + "/seg%d." + (fmp4 ? "m4s" : "ts") + "' '" +
           folderOfPart + "/index.m3u8'");
    if (part.name != parts[0].name) joined += "#EXT-X-DISCONTINUITY\n";
    if (fmp4) joined += "#EXT-X-MAP:URI=\"" + std::string(part.name) + "/init.mp4\"\n";
    std::ifstream playlist(folderOfPart + "/index.m3u8");
    for (std::string line; std::getline(playlist, line);) {
      if (line.rfind("#EXTINF", 0) == 0) joined += line + "\n";
      else if (!line.empty() && line[0] != '#') joined += std::string(part.name) + "/" + line + "\n";
    }
  }
  std::ofstream(base + "/index.m3u8") << joined << "#EXT-X-ENDLIST\n";
}

double MediaSeconds(const std::string& path) {
  return std::stod(
      output("ffprobe -v error -show_entries format=duration -of default=noprint_wrappers=1:nokey=1 '" + path + "'"));
}

void WriteDashStream(const std::string& root, const std::string& folder) {
  const std::string base = root + "/" + folder;
  std::filesystem::create_directories(base);
  output(std::string(Sources) +
         "-map 0:v -map 1:a -c:v libx264 -preset ultrafast -g 25 -c:a aac -seg_duration 1 -use_template 1 "
         "-use_timeline 1 -adaptation_sets 'id=0,streams=v id=1,streams=a' -f dash '" +
         base + "/manifest.mpd'");
}

std::string PictureChecksums(const std::string& path) {
  std::string sums;
  const std::string lines = output("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v:0 -f framemd5 -");
  size_t start = 0;
  while (start < lines.size()) {
    const size_t end = lines.find('\n', start);
    const std::string line = lines.substr(start, end - start);
    if (!line.empty() && line[0] != '#') sums += line.substr(line.rfind(',') + 1) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return sums;
}

std::string DecodingErrors(const std::string& path) {
  return output("ffmpeg -nostdin -v error -i '" + path + "' -f null -");
}

}  // namespace app_test
