#include "net/http/base64.h"

#include <gtest/gtest.h>

#include <string>

#include "net/transport/exceptions.h"
#include "platform/streams.h"

namespace {

std::string decoded(const std::string& text) {
  TIdDecoderMIME decoder;
  TStringStream stream;
  decoder.DecodeToStream(text, stream);
  return stream.DataString();
}

template <class TCall>
std::string messageOf(TCall call) {
  try {
    call();
  } catch (const EIdException& error) {
    return error.what();
  }
  return "no exception";
}

struct CodingCase {
  std::string bytes;
  std::string text;
};

// Whole groups, both kinds of last group, every six-bit value and bytes
// with the high bit set.
const CodingCase kCodingCases[] = {
    {"", ""},
    {"a", "YQ=="},
    {"ab", "YWI="},
    {"abc", "YWJj"},
    {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
    {std::string("\0\0\0", 3), "AAAA"},
    {"\xff\xff\xff", "////"},
    {"\xfb\xef\xbe", "++++"},
    {std::string("\x00\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\x41\x14\x93\x51\x55\x97\x61\x96\x9b\x71\xd7\x9f"
                 "\x82\x18\xa3\x92\x59\xa7\xa2\x9a\xab\xb2\xdb\xaf\xc3\x1c\xb3\xd3\x5d\xb7\xe3\x9e\xbb\xf3\xdf\xbf",
                 48),
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"},
};

TEST(Base64, EncodesAndDecodesEachOther) {
  for (const auto& c : kCodingCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EncodeText<TIdEncoderMIME>(c.bytes), c.text);
    EXPECT_EQ(decoded(c.text), c.bytes);
  }
}

TEST(Base64Encode, ReadsFromTheStreamPositionUpToTheCount) {
  TIdEncoderMIME encoder;
  TStringStream stream("xxabcdef");
  stream.SetPosition(2);
  EXPECT_EQ(encoder.Encode(stream, 3), "YWJj");
  EXPECT_EQ(stream.GetPosition(), 5);
  EXPECT_EQ(encoder.Encode(stream, 6), "ZGVm");  // only three bytes are left
  EXPECT_EQ(encoder.Encode(stream, 3), "");
}

TEST(Base64, UnevenSizesAreRefused) {
  TIdEncoderMIME encoder;
  TStringStream stream("abcdef");
  for (int64_t count : {1, 2, 4, 5, 2147483645}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(messageOf([&] { encoder.Encode(stream, count); }), "Uneven size in Encode.");
  }
  EXPECT_EQ(stream.GetPosition(), 0);
  for (const char* text : {"Y", "YW", "YWI", "YWJjZ"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(messageOf([&] { decoded(text); }), "Uneven size in DecodeToStream.");
  }
}

// Nothing checks the alphabet: characters outside it, control bytes, the
// zero byte and bytes above 127 count as zero bits instead of reading
// outside the table.
TEST(Base64Decode, CharactersOutsideTheAlphabetCountAsZero) {
  EXPECT_EQ(decoded(std::string("\0\0\0\0", 4)), std::string("\0\0\0", 3));
  EXPECT_EQ(decoded("\x80\xff*~"), std::string("\0\0\0", 3));
  EXPECT_EQ(decoded("=AAA"), std::string("\0\0\0", 3));
  EXPECT_EQ(decoded("YQ=x"), "a");        // the third character decides
  EXPECT_EQ(decoded("YWI=YQ=="), "aba");  // fill inside the text ends only its group
}

}  // namespace
