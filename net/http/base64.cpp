#include "net/http/base64.h"

#include <algorithm>
#include <vector>

#include "net/http/read_memory_stream.h"
#include "net/transport/exceptions.h"

namespace {

constexpr const char* MimeAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t NotInAlphabet = 255;

// Index c-1 holds the six-bit value of character code c.
const std::array<uint8_t, 127>& mimeDecodeTable() {
  static const std::array<uint8_t, 127> table = [] {
    std::array<uint8_t, 127> built;
    built.fill(NotInAlphabet);
    for (uint8_t value = 0; value < 64; ++value) built[static_cast<size_t>(MimeAlphabet[value]) - 1] = value;
    return built;
  }();
  return table;
}

}  // namespace

std::string TIdEncoder::Encode(const std::string& text) {
  TIdReadMemoryStream stream;
  stream.SetPointer(text.data(), static_cast<int64_t>(text.size()));
  return Encode(stream, EncodeWholeStream);
}

std::string TIdEncoder3to4::Encode(TStream& stream, int64_t byteCount) {
  if (byteCount != EncodeWholeStream && byteCount % 3 != 0) throw EIdException(http_messages::UnevenSizeInEncode);
  const int64_t count = std::min(byteCount, std::max<int64_t>(stream.GetSize() - stream.GetPosition(), 0));
  if (count == 0) return "";

  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  stream.ReadBuffer(bytes.data(), count);
  std::string result;
  result.reserve(static_cast<size_t>((count + 2) / 3 * 4));
  for (size_t at = 0; at < bytes.size(); at += 3) {
    const size_t groupSize = std::min<size_t>(3, bytes.size() - at);
    uint32_t group = static_cast<uint32_t>(bytes[at]) << 16;
    if (groupSize > 1) group |= static_cast<uint32_t>(bytes[at + 1]) << 8;
    if (groupSize > 2) group |= bytes[at + 2];
    result += CodingTableText[(group >> 18) & 63];
    result += CodingTableText[(group >> 12) & 63];
    result += groupSize > 1 ? CodingTableText[(group >> 6) & 63] : FillChar;
    result += groupSize > 2 ? CodingTableText[group & 63] : FillChar;
  }
  return result;
}

TIdEncoderMIME::TIdEncoderMIME() : TIdEncoder3to4(MimeAlphabet) {}

uint8_t TIdDecoder4to3::sixBitsOf(char character) const {
  const auto code = static_cast<unsigned char>(character);
  if (code < 1 || code > DecodeTable.size()) return 0;
  const uint8_t value = DecodeTable[code - 1];
  return value == NotInAlphabet ? 0 : value;
}

void TIdDecoder4to3::DecodeToStream(const std::string& text, TStream& stream) {
  if (text.size() % 4 != 0) throw EIdException(http_messages::UnevenSizeInDecodeToStream);
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t at = 0; at < text.size(); at += 4) {
    uint32_t group = 0;
    for (size_t i = 0; i < 4; ++i) group = (group << 6) | sixBitsOf(text[at + i]);
    const size_t kept = text[at + 2] == FillChar ? 1 : text[at + 3] == FillChar ? 2 : 3;
    for (size_t i = 0; i < kept; ++i) bytes += static_cast<char>((group >> (16 - 8 * i)) & 0xFF);
  }
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TIdDecoderMIME::TIdDecoderMIME() : TIdDecoder4to3(mimeDecodeTable()) {}
