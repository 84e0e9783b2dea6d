#include "app/streams/hls_playlist.h"

#include <fmt/format.h>

#include <map>
#include <optional>

#include "app/streams/messages.h"
#include "app/streams/stream_address.h"
#include "app/streams/stream_errors.h"

namespace streams {

namespace {

using Attributes = std::map<std::string, std::string>;

[[noreturn]] void refuseValue(const char* what, const std::string& value) {
  throw EVideoStreamRefused(fmt::format(stream_messages::BadAttribute, what, value));
}

// NAME=value pairs split at commas outside quotes; quoted values lose their
// quotes.
Attributes readAttributes(const std::string& list) {
  Attributes attributes;
  size_t at = 0;
  while (at < list.size()) {
    const size_t equals = list.find('=', at);
    if (equals == std::string::npos) break;
    std::string name = list.substr(at, equals - at);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    std::string value;
    at = equals + 1;
    if (at < list.size() && list[at] == '"') {
      const size_t close = list.find('"', at + 1);
      if (close == std::string::npos) refuseValue("attribute list", list);
      value = list.substr(at + 1, close - at - 1);
      at = close + 1;
    }
    const size_t comma = list.find(',', at);
    if (value.empty()) value = list.substr(at, comma - at);
    at = comma == std::string::npos ? list.size() : comma + 1;
    attributes[name] = value;
  }
  return attributes;
}

std::string valueOf(const Attributes& attributes, const std::string& name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? std::string() : found->second;
}

int64_t decimal(const std::string& text, const char* what) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    refuseValue(what, text);
  return std::stoll(text);
}

// "n" or "n@o"; without "@o" the offset stays 0.
TByteRange byteRange(const std::string& text) {
  const size_t at = text.find('@');
  TByteRange range;
  range.Length = decimal(text.substr(0, at), "BYTERANGE");
  if (at != std::string::npos) range.Offset = decimal(text.substr(at + 1), "BYTERANGE");
  return range;
}

// "0x" and up to 32 hex digits, right-aligned in 16 bytes.
std::array<uint8_t, 16> explicitIv(const std::string& text) {
  if (text.size() < 3 || text.size() > 34 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
      text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
    refuseValue("IV", text);
  std::array<uint8_t, 16> iv{};
  const std::string digits = std::string(34 - text.size(), '0') + text.substr(2);
  for (size_t i = 0; i < 16; ++i) iv[i] = uint8_t(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  return iv;
}

std::array<uint8_t, 16> sequenceIv(int64_t sequence) {
  std::array<uint8_t, 16> iv{};
  for (int i = 15; i >= 8; --i, sequence >>= 8) iv[size_t(i)] = uint8_t(sequence & 0xFF);
  return iv;
}

// The key in force: none, or AES-128 with its address and maybe its IV.
struct KeyState {
  std::string Address;
  std::optional<std::array<uint8_t, 16>> IV;
};

std::optional<KeyState> readKey(const Attributes& attributes, const std::string& base) {
  const std::string method = valueOf(attributes, "METHOD");
  if (method == "NONE") return std::nullopt;
  if (method != "AES-128") throw EVideoStreamRefused(fmt::format(stream_messages::ProtectedPlaylist, method));
  const std::string uri = valueOf(attributes, "URI");
  if (uri.empty()) throw EVideoStreamRefused(fmt::format(stream_messages::MissingAddress, "key"));
  KeyState key{ResolveHttpAddress(base, uri), std::nullopt};
  if (attributes.count("IV")) key.IV = explicitIv(valueOf(attributes, "IV"));
  return key;
}

// "1280x720"; 0x0 when absent.
void readResolution(const std::string& text, TStreamVariant& variant) {
  if (text.empty()) return;
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) refuseValue("RESOLUTION", text);
  const int64_t width = decimal(text.substr(0, x), "RESOLUTION");
  const int64_t height = decimal(text.substr(x + 1), "RESOLUTION");
  if (width > 1000000 || height > 1000000) refuseValue("RESOLUTION", text);
  variant.Width = int32_t(width);
  variant.Height = int32_t(height);
}

// The tag's name and the text after its colon.
std::pair<std::string, std::string> splitTag(const std::string& line) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return {line, {}};
  return {line.substr(0, colon), line.substr(colon + 1)};
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos) lines.push_back(line.substr(first, line.find_last_not_of(" \t") - first + 1));
    at = end + 1;
  }
  return lines;
}

}  // namespace

THlsPlaylist ReadHlsPlaylist(const std::string& text, const std::string& address) {
  if (text.size() > MaxPlaylistBytes)
    throw EVideoStreamRefused(fmt::format(stream_messages::TextTooLarge, MaxPlaylistBytes));
  const std::string bom = "\xEF\xBB\xBF";
  const std::vector<std::string> lines = linesOf(text.rfind(bom, 0) == 0 ? text.substr(bom.size()) : text);
  if (lines.empty() || lines.front().rfind("#EXTM3U", 0) != 0) throw EVideoStreamRefused(stream_messages::NotAPlaylist);

  THlsPlaylist playlist;
  bool ended = false;
  int64_t mediaSequence = 0;
  std::optional<KeyState> key;
  std::optional<TSegment> init;
  // What the tags before the next address line said about it.
  bool awaitingSegment = false;
  std::optional<TStreamVariant> pendingVariant;
  std::optional<TByteRange> pendingRange;
  bool pendingRangeContinues = false;
  bool pendingDiscontinuity = false;
  // Where a range without an offset continues: after the last range of the
  // same resource.
  std::string lastRangeAddress;
  int64_t lastRangeEnd = 0;

  for (size_t index = 1; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    if (line[0] != '#') {
      if (pendingVariant) {
        pendingVariant->PlaylistAddress = ResolveHttpAddress(address, line);
        playlist.Variants.push_back(std::move(*pendingVariant));
        pendingVariant.reset();
      } else if (awaitingSegment) {
        if (playlist.Media.Segments.size() >= MaxSegments)
          throw EVideoStreamRefused(fmt::format(stream_messages::TooManySegments, MaxSegments));
        TSegment segment;
        segment.Address = ResolveHttpAddress(address, line);
        if (pendingRange) {
          if (pendingRangeContinues) pendingRange->Offset = lastRangeAddress == segment.Address ? lastRangeEnd : 0;
          segment.Range = pendingRange;
          lastRangeAddress = segment.Address;
          lastRangeEnd = pendingRange->Offset + pendingRange->Length;
        }
        if (key) {
          const int64_t sequence = mediaSequence + int64_t(playlist.Media.Segments.size());
          segment.Key = TSegmentKey{key->Address, key->IV.value_or(sequenceIv(sequence))};
        }
        segment.Discontinuity = pendingDiscontinuity;
        playlist.Media.Segments.push_back(std::move(segment));
        awaitingSegment = pendingDiscontinuity = false;
        pendingRange.reset();
      }
      continue;
    }
    const auto [tag, value] = splitTag(line);
    if (tag == "#EXT-X-STREAM-INF") {
      const Attributes attributes = readAttributes(value);
      TStreamVariant variant;
      variant.Bandwidth = decimal(valueOf(attributes, "BANDWIDTH"), "BANDWIDTH");
      readResolution(valueOf(attributes, "RESOLUTION"), variant);
      variant.Codecs = valueOf(attributes, "CODECS");
      variant.AudioGroup = valueOf(attributes, "AUDIO");
      variant.Id = std::to_string(playlist.Variants.size());
      pendingVariant = std::move(variant);
      playlist.IsMaster = true;
    } else if (tag == "#EXT-X-MEDIA") {
      const Attributes attributes = readAttributes(value);
      if (valueOf(attributes, "TYPE") != "AUDIO") continue;
      THlsAudioRendition rendition;
      rendition.GroupId = valueOf(attributes, "GROUP-ID");
      rendition.Name = valueOf(attributes, "NAME");
      rendition.Language = valueOf(attributes, "LANGUAGE");
      rendition.Default = valueOf(attributes, "DEFAULT") == "YES";
      if (attributes.count("URI")) rendition.PlaylistAddress = ResolveHttpAddress(address, valueOf(attributes, "URI"));
      playlist.AudioRenditions.push_back(std::move(rendition));
      playlist.IsMaster = true;
    } else if (tag == "#EXT-X-SESSION-KEY") {
      readKey(readAttributes(value), address);
    } else if (tag == "#EXT-X-KEY") {
      key = readKey(readAttributes(value), address);
    } else if (tag == "#EXTINF") {
      awaitingSegment = true;
    } else if (tag == "#EXT-X-BYTERANGE") {
      pendingRange = byteRange(value);
      // Without an offset the range follows the previous one of the same
      // resource, which is known only at the address line.
      pendingRangeContinues = value.find('@') == std::string::npos;
    } else if (tag == "#EXT-X-MAP") {
      const Attributes attributes = readAttributes(value);
      const std::string uri = valueOf(attributes, "URI");
      if (uri.empty()) throw EVideoStreamRefused(fmt::format(stream_messages::MissingAddress, "map"));
      TSegment section;
      section.Address = ResolveHttpAddress(address, uri);
      if (attributes.count("BYTERANGE")) section.Range = byteRange(valueOf(attributes, "BYTERANGE"));
      if (key && key->IV) section.Key = TSegmentKey{key->Address, *key->IV};
      if (!init) init = section;
      else if (!(section == *init)) {
        // A new init section in the middle: it goes into the file where it
        // takes effect.
        section.Discontinuity = true;
        playlist.Media.Segments.push_back(section);
      }
    } else if (tag == "#EXT-X-DISCONTINUITY") {
      pendingDiscontinuity = true;
    } else if (tag == "#EXT-X-MEDIA-SEQUENCE") {
      mediaSequence = decimal(value, "EXT-X-MEDIA-SEQUENCE");
    } else if (tag == "#EXT-X-ENDLIST") {
      ended = true;
    }
  }
  if (playlist.IsMaster) {
    if (playlist.Variants.empty()) throw EVideoStreamRefused(stream_messages::NoVariants);
    playlist.Media = {};
    return playlist;
  }
  if (!ended) throw EVideoStreamRefused(stream_messages::LivePlaylist);
  playlist.Media.Init = init;
  return playlist;
}

const THlsAudioRendition* ChooseAudioRendition(const std::vector<THlsAudioRendition>& renditions,
                                               const std::string& group) {
  const THlsAudioRendition* chosen = nullptr;
  for (const THlsAudioRendition& rendition : renditions) {
    if (rendition.GroupId != group || group.empty()) continue;
    if (!chosen || (rendition.Default && !chosen->Default)) chosen = &rendition;
  }
  return chosen && !chosen->PlaylistAddress.empty() ? chosen : nullptr;
}

}  // namespace streams
