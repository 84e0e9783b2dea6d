// Any text as an XML document: the reader never reads outside the text,
// refuses only with its own error, and what it accepts keeps its promises:
// one root, no element deeper than the limit, no name empty.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/streams/stream_errors.h"
#include "app/streams/xml_document.h"
#include "fuzz_check.h"

namespace {

void checkElement(const streams::TXmlElement& element, size_t depth, const std::string& text) {
  fuzzCheck(depth <= streams::MaxXmlDepth + 1, "elements stay within the depth limit", text);
  fuzzCheck(!element.Name.empty(), "elements have names", text);
  for (const auto& child : element.Children) checkElement(*child, depth + 1, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<streams::TXmlElement> root;
  try {
    root = streams::ReadXmlDocument(text);
  } catch (const EVideoStreamRefused&) {
    return 0;
  }
  fuzzCheck(root != nullptr, "an accepted document has a root", text);
  checkElement(*root, 1, text);
  return 0;
}
