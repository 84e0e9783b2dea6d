// Any text decoded as base64: decoding never reads outside the text or the
// decode table, refuses exactly the texts whose length is not a multiple of
// 4, gives three bytes per group less one per fill character at its end, and
// what it gives encodes to a text that decodes to the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "net/http/base64.h"
#include "net/transport/exceptions.h"
#include "platform/streams.h"

namespace {
std::string decode(const std::string& text) {
  TIdDecoderMIME decoder;
  TStringStream stream;
  decoder.DecodeToStream(text, stream);
  return stream.DataString();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string bytes;
  try {
    bytes = decode(text);
  } catch (const EIdException& error) {
    fuzzCheck(text.size() % 4 != 0 && std::string(error.what()) == "Uneven size in DecodeToStream.",
              "only an uneven length is refused", text);
    return 0;
  }
  fuzzCheck(text.size() % 4 == 0, "an uneven length is refused", text);

  size_t expected = 0;
  for (size_t at = 0; at < text.size(); at += 4) expected += text[at + 2] == '=' ? 1 : text[at + 3] == '=' ? 2 : 3;
  fuzzCheck(bytes.size() == expected, "three bytes per group less the fill", text);

  const std::string encoded = EncodeText<TIdEncoderMIME>(bytes);
  fuzzCheck(encoded.size() == (bytes.size() + 2) / 3 * 4, "four characters per started group", text);
  fuzzCheck(decode(encoded) == bytes, "the bytes survive encoding again", text);
  return 0;
}
