#include "app/streams/xml_document.h"

#include <fmt/format.h>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"
#include "platform/text.h"

namespace streams {

const std::string* TXmlElement::Attribute(const std::string& name) const {
  for (const auto& [key, value] : Attributes)
    if (key == name) return &value;
  return nullptr;
}

std::string TXmlElement::AttributeOr(const std::string& name, const std::string& fallback) const {
  const std::string* value = Attribute(name);
  return value ? *value : fallback;
}

const TXmlElement* TXmlElement::Child(const std::string& name) const {
  for (const auto& child : Children)
    if (child->Name == name) return child.get();
  return nullptr;
}

std::vector<const TXmlElement*> TXmlElement::ChildrenNamed(const std::string& name) const {
  std::vector<const TXmlElement*> found;
  for (const auto& child : Children)
    if (child->Name == name) found.push_back(child.get());
  return found;
}

namespace {

class Reader {
public:
  explicit Reader(const std::string& text) : text_(text) {}

  std::unique_ptr<TXmlElement> Document() {
    std::unique_ptr<TXmlElement> root;
    std::vector<TXmlElement*> open;
    while (at_ < text_.size()) {
      if (text_[at_] != '<') {
        const size_t end = text_.find('<', at_);
        const std::string data = decode(text_.substr(at_, end - at_));
        if (!open.empty()) open.back()->Text += data;
        else if (data.find_first_not_of(" \t\r\n") != std::string::npos) fail("text outside the root element");
        at_ = end == std::string::npos ? text_.size() : end;
      } else if (starts("<!--")) {
        skipPast("-->");
      } else if (starts("<![CDATA[")) {
        const size_t start = at_ + 9;
        skipPast("]]>");
        if (open.empty()) fail("character data outside the root element");
        open.back()->Text += text_.substr(start, at_ - 3 - start);
      } else if (starts("<?")) {
        skipPast("?>");
      } else if (starts("<!DOCTYPE")) {
        skipDocumentType();
      } else if (starts("</")) {
        at_ += 2;
        const std::string name = localName(readName());
        skipSpace();
        expect('>');
        if (open.empty() || open.back()->Name != name) fail("an end tag that closes no open element");
        open.pop_back();
      } else {
        ++at_;
        auto element = std::make_unique<TXmlElement>();
        element->Name = localName(readName());
        const bool empty = readAttributes(*element);
        TXmlElement* raw = element.get();
        if (open.empty()) {
          if (root) fail("a second root element");
          root = std::move(element);
        } else {
          open.back()->Children.push_back(std::move(element));
        }
        if (!empty) {
          if (open.size() >= MaxXmlDepth) fail("elements nested too deep");
          open.push_back(raw);
        }
      }
    }
    if (!root) fail("no root element");
    if (!open.empty()) fail("an element that is never closed");
    return root;
  }

private:
  [[noreturn]] void fail(const char* what) const {
    throw EVideoStreamRefused(fmt::format(stream_messages::NotXml, what, at_));
  }

  bool starts(const char* prefix) const {
    return text_.compare(at_, std::char_traits<char>::length(prefix), prefix) == 0;
  }

  void skipPast(const char* terminator) {
    const size_t end = text_.find(terminator, at_);
    if (end == std::string::npos) fail("a comment, section or instruction that never ends");
    at_ = end + std::char_traits<char>::length(terminator);
  }

  // Skipped whole, internal subset included: its declarations are never used.
  void skipDocumentType() {
    int brackets = 0;
    for (; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '[') ++brackets;
      else if (c == ']') --brackets;
      else if (c == '>' && brackets <= 0) {
        ++at_;
        return;
      }
    }
    fail("a document type that never ends");
  }

  void skipSpace() {
    while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) ++at_;
  }

  void expect(char c) {
    if (at_ >= text_.size() || text_[at_] != c) fail("a tag that is not well-formed");
    ++at_;
  }

  static bool nameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
  }

  std::string readName() {
    const size_t start = at_;
    while (at_ < text_.size() && nameChar(text_[at_])) ++at_;
    if (at_ == start) fail("a tag without a name");
    return text_.substr(start, at_ - start);
  }

  // The name without its prefix; "mpd:" has none left, and names nothing.
  std::string localName(const std::string& name) {
    const size_t colon = name.rfind(':');
    if (colon == std::string::npos) return name;
    if (colon + 1 == name.size()) fail("a tag without a name");
    return name.substr(colon + 1);
  }

  // True for an empty-element tag ("/>").
  bool readAttributes(TXmlElement& element) {
    for (;;) {
      skipSpace();
      if (starts("/>")) {
        at_ += 2;
        return true;
      }
      if (starts(">")) {
        ++at_;
        return false;
      }
      const std::string name = readName();
      skipSpace();
      expect('=');
      skipSpace();
      if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) fail("an attribute value without quotes");
      const char quote = text_[at_++];
      const size_t end = text_.find(quote, at_);
      if (end == std::string::npos) fail("an attribute value that never ends");
      std::string value = decode(text_.substr(at_, end - at_));
      at_ = end + 1;
      // Namespace declarations say nothing about the media.
      if (name != "xmlns" && name.rfind("xmlns:", 0) != 0)
        element.Attributes.emplace_back(localName(name), std::move(value));
    }
  }

  std::string decode(const std::string& raw) const {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const size_t end = raw.find(';', i);
      if (end == std::string::npos || end - i > 12) fail("an entity reference that never ends");
      const std::string name = raw.substr(i + 1, end - i - 1);
      if (name == "amp") out += '&';
      else if (name == "lt") out += '<';
      else if (name == "gt") out += '>';
      else if (name == "quot") out += '"';
      else if (name == "apos") out += '\'';
      else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const std::string digits = name.substr(hex ? 2 : 1);
        if (digits.empty() ||
            digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
          fail("a character reference that is not a number");
        const unsigned long code = std::stoul(digits, nullptr, hex ? 16 : 10);
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          fail("a character reference out of range");
        AppendUtf8(out, code);
      } else {
        fail("an entity that is not one of XML's own");
      }
      i = end;
    }
    return out;
  }

  const std::string& text_;
  size_t at_ = 0;
};

}  // namespace

std::unique_ptr<TXmlElement> ReadXmlDocument(const std::string& text) { return Reader(text).Document(); }

}  // namespace streams
