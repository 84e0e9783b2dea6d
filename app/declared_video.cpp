#include "app/declared_video.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <unordered_set>
#include <utility>

#include "net/http/uri.h"
#include "platform/text.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Position of needle in text from start, ignoring ASCII case; npos if none.
size_t findNoCase(std::string_view text, std::string_view needle, size_t start) {
  for (size_t i = start; i + needle.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < needle.size() && lower(text[i + j]) == needle[j]) ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

// The code point of one reference's body ("amp", "#38", "#x26"), if known.
std::optional<uint32_t> referenceCode(std::string_view body) {
  static constexpr std::pair<std::string_view, uint32_t> named[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& [name, code] : named)
    if (body == name) return code;
  // The Latin-1 characters from U+00A0 on, in order: the names titles use
  // for accented letters and signs.
  static constexpr std::string_view latin1[] = {
      "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
      "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
      "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
      "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
      "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
      "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
      "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
      "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
      "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
  static_assert(std::size(latin1) == 96);
  for (size_t i = 0; i < std::size(latin1); ++i)
    if (body == latin1[i]) return uint32_t(0xA0 + i);
  if (body.size() < 2 || body[0] != '#') return std::nullopt;
  const bool hex = body[1] == 'x' || body[1] == 'X';
  const std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t code = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9'                        ? c - '0'
                      : hex && lower(c) >= 'a' && lower(c) <= 'f' ? lower(c) - 'a' + 10
                                                                  : -1;
    if (digit < 0) return std::nullopt;
    code = code * (hex ? 16 : 10) + uint32_t(digit);
  }
  return code;
}

struct Tag {
  std::string Name;  // lower case
  bool Closing = false;
  std::vector<std::pair<std::string, std::string>> Attributes;  // names lower case, values decoded

  std::string Attribute(std::string_view name) const {
    for (const auto& [key, value] : Attributes)
      if (key == name) return value;
    return {};
  }
};

// Walks the tags of a page. Comments, declarations and the text of script
// and style elements are stepped over; a tag cut off by the end of the text
// ends the walk.
class TagWalker {
public:
  explicit TagWalker(std::string_view text) : text_(text) {}

  bool Next(Tag& tag) {
    while ((position_ = text_.find('<', position_)) != std::string_view::npos) {
      if (text_.compare(position_, 4, "<!--") == 0) {
        const size_t end = text_.find("-->", position_ + 4);
        position_ = end == std::string_view::npos ? text_.size() : end + 3;
        continue;
      }
      const size_t start = position_ + 1;
      const bool closing = start < text_.size() && text_[start] == '/';
      const size_t nameStart = closing ? start + 1 : start;
      if (nameStart >= text_.size() || !isNameStart(text_[nameStart])) {
        if (nameStart < text_.size() && (text_[nameStart] == '!' || text_[nameStart] == '?'))
          position_ = skipTo('>', nameStart);
        else position_ = start;
        continue;
      }
      tag = Tag{};
      tag.Closing = closing;
      size_t i = nameStart;
      while (i < text_.size() && !isBlank(text_[i]) && text_[i] != '>' && text_[i] != '/')
        tag.Name += lower(text_[i++]);
      i = readAttributes(i, tag);
      if (i == std::string_view::npos) break;
      position_ = i;
      if (!tag.Closing && (tag.Name == "script" || tag.Name == "style")) skipRawText(tag.Name);
      return true;
    }
    position_ = text_.size();
    return false;
  }

  // The text of the script or style element the last Next returned.
  const std::string& RawText() const { return rawText_; }

  // The raw text from here up to the closing tag of name, which is consumed.
  std::string TextUntilClose(std::string_view name) {
    const size_t end = findNoCase(text_, "</" + std::string(name), position_);
    const std::string_view body = text_.substr(position_, end == std::string_view::npos ? end : end - position_);
    position_ = end == std::string_view::npos ? text_.size() : skipTo('>', end);
    return std::string(body);
  }

private:
  static bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  size_t skipTo(char c, size_t from) const {
    const size_t at = text_.find(c, from);
    return at == std::string_view::npos ? text_.size() : at + 1;
  }

  void skipRawText(const std::string& name) { rawText_ = TextUntilClose(name); }

  // Attributes up to and including the tag's '>'; returns the position after
  // it, or npos for a tag the text ends inside (its last value may be cut).
  size_t readAttributes(size_t i, Tag& tag) const {
    const size_t size = text_.size();
    while (i < size) {
      while (i < size && (isBlank(text_[i]) || text_[i] == '/')) ++i;
      if (i >= size) break;
      if (text_[i] == '>') return i + 1;
      std::string name;
      while (i < size && !isBlank(text_[i]) && text_[i] != '=' && text_[i] != '>' && (text_[i] != '/' || name.empty()))
        name += lower(text_[i++]);
      while (i < size && isBlank(text_[i])) ++i;
      std::string value;
      if (i < size && text_[i] == '=') {
        ++i;
        while (i < size && isBlank(text_[i])) ++i;
        if (i < size && (text_[i] == '"' || text_[i] == '\'')) {
          const char quote = text_[i++];
          const size_t end = text_.find(quote, i);
          // An unclosed quote runs to the end of the tag, as far as one can tell.
          const size_t stop = end == std::string_view::npos ? std::min(size, text_.find('>', i)) : end;
          value = text_.substr(i, stop - i);
          i = end == std::string_view::npos ? stop : end + 1;
        } else {
          const size_t begin = i;
          while (i < size && !isBlank(text_[i]) && text_[i] != '>') ++i;
          value = text_.substr(begin, i - begin);
        }
      }
      tag.Attributes.emplace_back(std::move(name), DecodeCharacterReferences(value));
    }
    return std::string_view::npos;
  }

  std::string_view text_;
  size_t position_ = 0;
  std::string rawText_;
};

// Ranks of the declaration forms, most trustworthy first.
enum Rank {
  SecureUrlProperty,
  UrlProperty,
  VideoProperty,
  PlayerStream,
  VideoSource,
  ReadableSourceType,
  UntypedSource,
  OtherSourceType,
  VideoSrcLink,
};

Rank propertyRank(const std::string& property, bool& known) {
  known = true;
  if (property == "og:video:secure_url") return SecureUrlProperty;
  if (property == "og:video:url") return UrlProperty;
  if (property == "og:video") return VideoProperty;
  if (property == "twitter:player:stream") return PlayerStream;
  known = false;
  return VideoSrcLink;
}

// Streaming playlists and manifests name other files; the converter wants
// the media itself.
Rank sourceRank(const std::string& type) {
  const std::string t = LowerCase(trimmed(type.substr(0, type.find(';'))));
  if (t.empty()) return UntypedSource;
  if (t.find("mpegurl") != std::string::npos || t.find("dash") != std::string::npos) return OtherSourceType;
  if (t.rfind("video/", 0) == 0 || t.rfind("audio/", 0) == 0 || t == "application/ogg") return ReadableSourceType;
  return OtherSourceType;
}

std::string collapseBlanks(std::string_view text) {
  std::string result;
  bool blank = false;
  for (const char c : trimmed(text)) {
    if (isBlank(c)) {
      blank = true;
      continue;
    }
    if (blank) result += ' ';
    blank = false;
    result += c;
  }
  return result;
}

std::string percentEncoded(std::string_view address) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string result;
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '`' || c == '{' ||
        c == '}' || c == '|' || c == '^') {
      result += '%';
      result += hex[byte >> 4];
      result += hex[byte & 15];
    } else {
      result += c;
    }
  }
  return result;
}

// Where an upload date comes from, the most telling first.
enum DateSource { ReleaseDate, StructuredUploadDate, PublishedTime, NoDate };

// "2024-03-05", "2024-03-05T10:00:00Z" or "20240305" as "20240305"; empty
// for anything else.
std::string compactDate(std::string_view text) {
  text = trimmed(text);
  const auto digits = [](std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (text.size() >= 10 && text[4] == '-' && text[7] == '-' &&
      (text.size() == 10 || text[10] == 'T' || text[10] == ' ')) {
    const std::string date =
        std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) + std::string(text.substr(8, 2));
    if (digits(date)) return date;
  }
  return text.size() == 8 && digits(text) ? std::string(text) : std::string();
}

// The "uploadDate" of a JSON-LD block: the string after the name, without
// reading the rest of the structure.
std::string jsonUploadDate(std::string_view json) {
  const size_t name = json.find("\"uploadDate\"");
  if (name == std::string_view::npos) return {};
  size_t i = name + 12;
  while (i < json.size() && (isBlank(json[i]) || json[i] == ':')) ++i;
  if (i >= json.size() || json[i] != '"') return {};
  const size_t end = json.find('"', i + 1);
  return end == std::string_view::npos ? std::string() : compactDate(json.substr(i + 1, end - i - 1));
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      const size_t end = text.find(';', i + 1);
      if (end != std::string_view::npos && end - i <= 12) {
        if (const auto code = referenceCode(text.substr(i + 1, end - i - 1))) {
          AppendUtf8(result, *code);
          i = end;
          continue;
        }
      }
    }
    result += text[i];
  }
  return result;
}

std::string ResolveAddress(const std::string& base, std::string_view ref) {
  // Browsers drop tabs and line breaks inside an address and blanks around it.
  std::string cleaned;
  for (const char c : trimmed(ref))
    if (c != '\t' && c != '\n' && c != '\r') cleaned += c;
  if (cleaned.empty()) return {};
  std::string resolved = ResolveReference(base, cleaned);
  resolved = resolved.substr(0, resolved.find('#'));
  return percentEncoded(resolved);
}

TPageDeclarations ScanPageDeclarations(std::string_view page, const std::string& pageAddress) {
  std::vector<std::pair<Rank, std::string>> found;
  TPageDeclarations result;
  bool titleSeen = false;
  int videoDepth = 0;
  TagWalker walker(page);
  Tag tag;
  DateSource dateSource = NoDate;
  const auto date = [&](DateSource source, std::string_view text) {
    std::string compact = compactDate(text);
    if (source < dateSource && !compact.empty()) {
      result.UploadDate = std::move(compact);
      dateSource = source;
    }
  };
  const auto add = [&](Rank rank, const std::string& ref) {
    std::string address = ResolveAddress(pageAddress, ref);
    if (IsHttpAddress(address)) found.emplace_back(rank, std::move(address));
  };
  while (walker.Next(tag)) {
    if (tag.Name == "video") {
      videoDepth = tag.Closing ? std::max(0, videoDepth - 1) : videoDepth + 1;
      if (!tag.Closing) add(VideoSource, tag.Attribute("src"));
      continue;
    }
    if (tag.Closing) continue;
    if (tag.Name == "script" && LowerCase(trimmed(tag.Attribute("type"))) == "application/ld+json") {
      date(StructuredUploadDate, jsonUploadDate(walker.RawText()));
    } else if (tag.Name == "title" && !titleSeen) {
      titleSeen = true;
      result.Title = collapseBlanks(DecodeCharacterReferences(walker.TextUntilClose("title")));
    } else if (tag.Name == "meta") {
      bool known = false;
      std::string property = LowerCase(trimmed(tag.Attribute("property")));
      Rank rank = propertyRank(property, known);
      if (!known) rank = propertyRank(LowerCase(trimmed(tag.Attribute("name"))), known);
      if (known) add(rank, tag.Attribute("content"));
      if (property == "og:video:release_date") date(ReleaseDate, tag.Attribute("content"));
      if (property == "article:published_time") date(PublishedTime, tag.Attribute("content"));
      if (LowerCase(trimmed(tag.Attribute("itemprop"))) == "uploaddate")
        date(StructuredUploadDate, tag.Attribute("content"));
    } else if (tag.Name == "source" && videoDepth > 0) {
      add(sourceRank(tag.Attribute("type")), tag.Attribute("src"));
    } else if (tag.Name == "link" && LowerCase(trimmed(tag.Attribute("rel"))) == "video_src") {
      add(VideoSrcLink, tag.Attribute("href"));
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // A page may declare a great many sources: each address is looked up once.
  std::unordered_set<std::string_view> kept;
  kept.reserve(found.size());
  for (const auto& [rank, address] : found)
    if (kept.insert(address).second) result.Videos.push_back(address);
  return result;
}
