#include "converter/profile_file.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "converter/conversion_error.h"
#include "converter/messages.h"
#include "platform/text.h"

namespace converter {

namespace {

constexpr double HundredNanosecondsPerSecond = 1e7;

struct Tag {
  std::string name;                               // lower case
  std::map<std::string, std::string> attributes;  // names in lower case
};

// The opening (and empty) tags in document order; declarations, comments
// and closing tags carry nothing a profile needs.
std::vector<Tag> openingTags(const std::string& text) {
  std::vector<Tag> tags;
  size_t at = 0;
  while ((at = text.find('<', at)) != std::string::npos) {
    if (text.compare(at, 4, "<!--") == 0) {
      at = text.find("-->", at);
      if (at == std::string::npos) break;
      continue;
    }
    const size_t close = text.find('>', at);
    if (close == std::string::npos) break;
    const std::string inside = text.substr(at + 1, close - at - 1);
    at = close + 1;
    if (inside.empty() || inside[0] == '/' || inside[0] == '?' || inside[0] == '!') continue;

    Tag tag;
    size_t i = 0;
    while (i < inside.size() && !std::isspace(static_cast<unsigned char>(inside[i])) && inside[i] != '/') ++i;
    tag.name = LowerCase(inside.substr(0, i));
    while (i < inside.size()) {
      const size_t equals = inside.find('=', i);
      if (equals == std::string::npos) break;
      size_t nameStart = i;
      while (nameStart < equals && std::isspace(static_cast<unsigned char>(inside[nameStart]))) ++nameStart;
      size_t nameEnd = equals;
      while (nameEnd > nameStart && std::isspace(static_cast<unsigned char>(inside[nameEnd - 1]))) --nameEnd;
      const size_t quote = inside.find_first_of("\"'", equals);
      if (quote == std::string::npos) break;
      const size_t endQuote = inside.find(inside[quote], quote + 1);
      if (endQuote == std::string::npos) break;
      tag.attributes[LowerCase(inside.substr(nameStart, nameEnd - nameStart))] =
          inside.substr(quote + 1, endQuote - quote - 1);
      i = endQuote + 1;
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}

long long numberOf(const Tag& tag, const char* attribute) {
  const auto found = tag.attributes.find(attribute);
  if (found == tag.attributes.end()) return 0;
  long long value = 0;
  const std::string& text = found->second;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// One <streamconfig> and what its child tags said.
struct StreamConfig {
  long long bitRate = 0;
  bool audio = false;
  bool video = false;
  long long channels = 0;
  long long sampleRate = 0;
  long long width = 0;
  long long height = 0;
  long long timePerFrame = 0;
  long long keyFrameSpacing = 0;
};

std::vector<StreamConfig> streamConfigs(const std::vector<Tag>& tags) {
  std::vector<StreamConfig> configs;
  for (const Tag& tag : tags) {
    if (tag.name == "streamconfig") {
      configs.push_back({});
      configs.back().bitRate = numberOf(tag, "bitrate");
      continue;
    }
    if (configs.empty()) continue;
    StreamConfig& config = configs.back();
    if (tag.name == "waveformatex") {
      config.audio = true;
      config.channels = numberOf(tag, "nchannels");
      config.sampleRate = numberOf(tag, "nsamplespersec");
    } else if (tag.name == "videoinfoheader") {
      config.video = true;
      config.timePerFrame = numberOf(tag, "avgtimeperframe");
    } else if (tag.name == "bitmapinfoheader") {
      config.width = numberOf(tag, "biwidth");
      config.height = numberOf(tag, "biheight");
    } else if (tag.name == "videomediaprops") {
      config.keyFrameSpacing = numberOf(tag, "maxkeyframespacing");
    }
  }
  return configs;
}

bool usable(const StreamConfig& config) {
  if (config.bitRate <= 0) return false;
  if (config.audio) return config.channels >= 1 && config.channels <= 2 && config.sampleRate > 0;
  return config.video && config.width > 0 && config.height > 0 && config.width <= 4096 && config.height <= 4096 &&
         config.timePerFrame > 0;
}

// Profile files are often saved as UTF-16 with a byte-order mark; their
// markup is plain ASCII, so dropping the high bytes is enough.
std::string narrowed(const std::string& text) {
  if (text.size() < 2 || text[0] != '\xFF' || text[1] != '\xFE') return text;
  std::string narrow;
  for (size_t i = 2; i < text.size(); i += 2) narrow += text[i];
  return narrow;
}

}  // namespace

WmvSettings parseProfile(const std::string& text, const std::string& source) {
  const std::vector<Tag> tags = openingTags(narrowed(text));
  if (tags.empty() || tags.front().name != "profile")
    fail(std::string(converter_messages::NotAProfile) + " '" + source + "'");

  WmvSettings settings;
  for (const StreamConfig& config : streamConfigs(tags)) {
    if (!usable(config)) fail(std::string(converter_messages::BadProfileStream) + " '" + source + "'");
    if (config.audio && config.bitRate > settings.audioBitRate) {
      settings.hasAudio = true;
      settings.audioBitRate = int(config.bitRate);
      settings.sampleRate = int(config.sampleRate);
      settings.channels = int(config.channels);
    } else if (config.video && config.bitRate > settings.videoBitRate) {
      settings.hasVideo = true;
      settings.videoBitRate = int(config.bitRate);
      settings.width = int(config.width);
      settings.height = int(config.height);
      settings.frameRate = av_d2q(HundredNanosecondsPerSecond / double(config.timePerFrame), 1001);
      settings.keyFrameSeconds = int(config.keyFrameSpacing / HundredNanosecondsPerSecond);
    }
  }
  if (!settings.hasVideo && !settings.hasAudio)
    fail(std::string(converter_messages::BadProfileStream) + " '" + source + "'");
  return settings;
}

WmvSettings readProfileFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (!file || !(text << file.rdbuf())) fail(std::string(converter_messages::CannotReadProfile) + " '" + path + "'");
  return parseProfile(text.str(), path);
}

}  // namespace converter
