#pragma once
// The base64 coder of the HTTP client: the encoder writes the Basic
// credentials; the decoder half reads base64 text back into bytes. Coders are
// components like the rest of the client, made and freed by their users.

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "net/http/messages.h"
#include "net/transport/component.h"
#include "platform/streams.h"

// The byte count that means "as far as the stream goes".
inline constexpr int64_t EncodeWholeStream = 2147483647;

class TIdEncoder : public TIdBaseComponent {
public:
  // The whole text, as if read from a stream.
  std::string Encode(const std::string& text);
  // Up to byteCount bytes from the stream's position on. A limited count
  // must be a multiple of 3, or EIdException "Uneven size in Encode.".
  virtual std::string Encode(TStream& stream, int64_t byteCount = EncodeWholeStream) = 0;
};

// Every three bytes become four characters of CodingTable; a last group of
// one or two bytes is completed with FillChar.
class TIdEncoder3to4 : public TIdEncoder {
public:
  using TIdEncoder::Encode;
  std::string Encode(TStream& stream, int64_t byteCount = EncodeWholeStream) override;

  const std::string& CodingTable() const { return CodingTableText; }
  char FillChar = '=';

protected:
  explicit TIdEncoder3to4(std::string codingTable) : CodingTableText(std::move(codingTable)) {}

private:
  std::string CodingTableText;
};

// The alphabet and fill character of MIME base64.
class TIdEncoderMIME : public TIdEncoder3to4 {
public:
  TIdEncoderMIME();
};

// Makes an encoder of the given kind, encodes the text and frees it.
template <class TEncoderClass>
std::string EncodeText(const std::string& text) {
  TEncoderClass encoder;
  return encoder.Encode(text);
}

class TIdDecoder : public TIdBaseComponent {
public:
  // Writes the bytes of the text to the stream in one write.
  virtual void DecodeToStream(const std::string& text, TStream& stream) = 0;
};

// Every four characters become three bytes; a group whose third (or fourth)
// character is FillChar gives one (or two). The decode table maps character
// codes 1 to 127 to six-bit values; other characters are not checked and
// count as 0.
class TIdDecoder4to3 : public TIdDecoder {
public:
  // A text whose length is not a multiple of 4 raises EIdException
  // "Uneven size in DecodeToStream.".
  void DecodeToStream(const std::string& text, TStream& stream) override;

  char FillChar = '=';

protected:
  using TDecodeTable = std::array<uint8_t, 127>;
  explicit TIdDecoder4to3(const TDecodeTable& decodeTable) : DecodeTable(decodeTable) {}

private:
  uint8_t sixBitsOf(char character) const;

  const TDecodeTable& DecodeTable;
};

class TIdDecoderMIME : public TIdDecoder4to3 {
public:
  TIdDecoderMIME();
};
