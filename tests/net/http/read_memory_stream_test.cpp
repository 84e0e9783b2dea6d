#include "net/http/read_memory_stream.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReadMemoryStream, ReadsTheCallersBlockFromItsStartAndWritesNothing) {
  const std::string first = "abcdef";
  TIdReadMemoryStream stream;
  stream.SetPointer(first.data(), 6);
  char buffer[4] = {};
  EXPECT_EQ(stream.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "abcd");

  EXPECT_EQ(stream.Write("zz", 2), 0);
  stream.SetSize(100);
  EXPECT_EQ(stream.GetSize(), 6);
  EXPECT_EQ(first, "abcdef");

  // A new block starts at its beginning again.
  const std::string second = "xyz";
  stream.SetPointer(second.data(), 3);
  EXPECT_EQ(stream.GetPosition(), 0);
  EXPECT_EQ(stream.Read(buffer, 4), 3);
  EXPECT_EQ(std::string(buffer, 3), "xyz");
  EXPECT_EQ(stream.Read(buffer, 4), 0);
}

}  // namespace
