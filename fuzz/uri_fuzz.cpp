// Any text as an address: splitting, composing and path merging never read
// outside their texts, and composing is stable: an address composed from a
// split composes to itself again. A request target encoded from it holds
// only visible ASCII, and encoding it again changes nothing.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "net/http/http_exceptions.h"
#include "net/http/uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TIdURI uri(text);
  const std::string target = EncodeRequestTarget(text);
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    fuzzCheck(byte > 0x20 && byte < 0x7F, "an encoded target holds only visible ASCII", text);
  }
  fuzzCheck(EncodeRequestTarget(target) == target, "encoding twice changes nothing", text);
  MergePath(uri.Path, uri.Document + uri.Params);
  MergePath("/" + uri.Document + "/", uri.Path);

  std::string full;
  try {
    full = uri.ComposeFull(IncludeAuthInfo | IncludeFragment);
  } catch (const EIdURIException&) {
    fuzzCheck(uri.Protocol.empty() || uri.Host.empty(), "only a missing scheme or host fails", text);
    return 0;
  }
  fuzzCheck(uri.Compose() == uri.ComposeFull(NoOptionalFields) && uri.URI == full, "Compose stores the full text",
            text);
  const TIdURI again(full);
  fuzzCheck(again.Protocol == uri.Protocol, "the scheme survives composing", text);
  // A host or port that holds "@" (left when an empty user name dropped the
  // user information) reads as user information the second time.
  if ((uri.Host + uri.Port).find('@') == std::string::npos) {
    fuzzCheck(again.ComposeFull(IncludeAuthInfo | IncludeFragment) == full, "composing is stable", text);
  }
  return 0;
}
