#pragma once
// A small XML reader for manifests: elements, attributes and text, with the
// five named entities and numeric character references. Comments, CDATA
// sections' markers, processing instructions and the document type are
// skipped; a DTD is never read, so no entity of the document's own (and no
// external one) is ever expanded. Malformed input raises EVideoStreamRefused.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace streams {

struct TXmlElement {
  // Without its namespace prefix: "mpd:MPD" reads as "MPD".
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::vector<std::unique_ptr<TXmlElement>> Children;
  // The character data directly inside the element, entities decoded.
  std::string Text;

  // The attribute's value, or fallback when it is absent.
  const std::string* Attribute(const std::string& name) const;
  std::string AttributeOr(const std::string& name, const std::string& fallback = {}) const;
  // The first child of that name, or none.
  const TXmlElement* Child(const std::string& name) const;
  std::vector<const TXmlElement*> ChildrenNamed(const std::string& name) const;
};

// Elements nested deeper than this are refused: no manifest needs them, and
// the reader's memory stays bounded.
inline constexpr size_t MaxXmlDepth = 64;

// The document's root element.
std::unique_ptr<TXmlElement> ReadXmlDocument(const std::string& text);

}  // namespace streams
