#include "net/transport/buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/messages.h"

namespace {
std::string contentOf(TIdSimpleBuffer& buffer) { return std::string(buffer.Bytes(), buffer.Available()); }
}  // namespace

// Every byte that leaves the buffer is reported once, with the count of that
// removal; emptying it with Clear reports nothing.
TEST(ManagedBuffer, ReportsEachRemovalButNotAClear) {
  TIdManagedBuffer buffer;
  std::vector<int64_t> reported;
  buffer.OnBytesRemoved = [&](TIdSimpleBuffer*, int64_t count) { reported.push_back(count); };
  buffer.Append("abcdefgh", 8);
  EXPECT_EQ(buffer.Extract(3), "abc");
  buffer.Remove(2);
  EXPECT_EQ(contentOf(buffer), "fgh");
  buffer.Clear();
  EXPECT_EQ(buffer.Available(), 0);
  EXPECT_EQ(reported, (std::vector<int64_t>{3, 2}));
}

// Consumed bytes are skipped until the offset reaches the threshold; then the
// rest moves to the front. Appending after a partial removal keeps the order.
TEST(ManagedBuffer, KeepsOrderAcrossThePackThreshold) {
  TIdManagedBuffer buffer;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string line = "line " + std::to_string(i) + "\n";
    buffer.Append(line.data(), static_cast<int64_t>(line.size()));
    expected += line;
    if (i % 3 == 2) {
      EXPECT_EQ(buffer.Extract(10), expected.substr(0, 10));
      expected.erase(0, 10);
    }
  }
  EXPECT_EQ(contentOf(buffer), expected);
  buffer.SetPosition(0);
  std::string readBack(static_cast<size_t>(buffer.Available()), '\0');
  buffer.ReadBuffer(readBack.data(), buffer.Available());
  EXPECT_EQ(readBack, expected);
}

TEST(SimpleBuffer, UnderflowRaisesNotEnoughData) {
  TIdSimpleBuffer simple;
  TIdManagedBuffer managed;
  for (TIdSimpleBuffer* buffer : {static_cast<TIdSimpleBuffer*>(&simple), static_cast<TIdSimpleBuffer*>(&managed)}) {
    buffer->Append("ab", 2);
    try {
      buffer->Extract(3);
      ADD_FAILURE() << "no exception";
    } catch (const EIdNotEnoughDataInBuffer& error) {
      EXPECT_EQ(error.Message, transport_messages::NotEnoughDataInBuffer);
    }
    EXPECT_EQ(contentOf(*buffer), "ab");
  }
}

// A receive lands straight after the held bytes, with a read offset in
// front of them; what it does not deliver (an error, a close, a raise, or a
// transport claiming more than the room) never shows as buffered bytes.
TEST(ManagedBuffer, ReceivedBytesJoinOnlyAsFarAsDelivered) {
  struct Case {
    const char* name;
    int32_t result;
    bool raises;
    const char* expected;
  };
  const Case cases[] = {
      {"two bytes", 2, false, "cdefXY"},
      {"peer closed", 0, false, "cdef"},
      {"socket error", -1, false, "cdef"},
      {"receive raised", 2, true, "cdef"},
      {"more than the room", 9, false, "cdefXYZW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIdManagedBuffer buffer;
    buffer.Append("abcdef", 6);
    buffer.Remove(2);
    const auto receive = [&](char* into) {
      std::memcpy(into, "XYZW", 4);
      if (c.raises) throw EIdNotEnoughDataInBuffer("raised");
      return c.result;
    };
    if (c.raises) EXPECT_THROW(buffer.AppendReceived(4, receive), EIdNotEnoughDataInBuffer);
    else EXPECT_EQ(buffer.AppendReceived(4, receive), c.result);
    EXPECT_EQ(contentOf(buffer), c.expected);
  }
}
