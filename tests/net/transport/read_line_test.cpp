// ReadLine against a scripted loopback peer: line ends, the line-length limit
// with both actions, terminators that arrive split, and a close mid-line.

#include <gtest/gtest.h>

#include <string>

#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "tests/net/transport/connected_client.h"
#include "tests/servers/scripted_peer.h"

namespace {
struct LineCase {
  const char* protects;
  std::string wire;
  std::string terminator;
  int32_t maxLength;
  TIdMaxLineAction action;
  std::string line;  // empty with raises
  bool raises;
  bool split;
  std::string nextLine;  // the line a second default ReadLine gives
};

const LineCase kLineCases[] = {
    {"CR LF ends a line", "abc\r\nz\n", "", -1, maException, "abc", false, false, "z"},
    {"only the CR before LF is dropped", "abc\r\r\nz\n", "", -1, maException, "abc\r", false, false, "z"},
    {"a CR LF terminator keeps an earlier CR", "abc\r\r\nz\n", "\r\n", -1, maException, "abc\r", false, false, "z"},
    {"an empty line", "\r\nz\n", "", -1, maException, "", false, false, "z"},
    {"a line of exactly the maximum", "abcd\nz\n", "", 4, maException, "abcd", false, false, "z"},
    {"one byte over the maximum raises", "abcde\nz\n", "", 4, maException, "", true, false, "abcde"},
    {"one byte over the maximum splits", "abcde\nz\n", "", 4, maSplit, "abcd", false, true, "e"},
    {"maximum 0 means no limit", std::string(20000, 'x') + "\nz\n", "", 0, maException, std::string(20000, 'x'), false,
     false, "z"},
};

TEST(ReadLine, TableOfLineEndsAndLimits) {
  for (const LineCase& c : kLineCases) {
    SCOPED_TRACE(c.protects);
    ScriptedPeer peer({script::Send(c.wire)});
    auto client = ConnectedClient(peer.Port());
    client->MaxLineAction = c.action;
    if (c.raises) {
      try {
        client->ReadLine(c.terminator, TimeoutUseDefault, c.maxLength);
        ADD_FAILURE() << "no exception";
      } catch (const EIdReadLnMaxLineLengthExceeded& error) {
        EXPECT_EQ(error.Message, transport_messages::MaxLineLengthExceeded);
      }
    } else {
      EXPECT_EQ(client->ReadLine(c.terminator, TimeoutUseDefault, c.maxLength), c.line);
      EXPECT_EQ(client->LineWasSplit, c.split);
    }
    // Nothing past the line was consumed.
    EXPECT_EQ(client->ReadLine("", TimeoutUseDefault, 0), c.nextLine);
  }
}

// A long line with no terminator in sight is split as soon as more than the
// maximum is buffered, without waiting for the rest.
TEST(ReadLine, SplitsALongLineBeforeItsTerminatorArrives) {
  ScriptedPeer peer({script::Send("abcdefgh"), script::Receive(1), script::Send("\n")});
  auto client = ConnectedClient(peer.Port());
  client->MaxLineAction = maSplit;
  EXPECT_EQ(client->ReadLine("", TimeoutUseDefault, 4), "abcd");
  EXPECT_TRUE(client->LineWasSplit);
  client->WriteText("!");
  EXPECT_EQ(client->ReadLine(), "efgh");
  EXPECT_FALSE(client->LineWasSplit);
}

// A two-byte terminator whose CR came with one receive and LF with the next
// still ends the line there; the lines must not run together.
TEST(ReadLine, FindsATerminatorSplitAcrossReceives) {
  ScriptedPeer peer({script::Send("ab\r"), script::Receive(1), script::Send("\ncd\r\n")});
  auto client = ConnectedClient(peer.Port());
  ASSERT_EQ(client->FillInputBuffer(), 3);
  client->WriteText("!");
  EXPECT_EQ(client->ReadLine("\r\n"), "ab");
  EXPECT_EQ(client->ReadLine("\r\n"), "cd");
}

// The peer closes after half a line: the first read returns empty with
// LineReadEmpty and keeps the bytes; the next one raises the graceful close.
TEST(ReadLine, CloseMidLineReturnsEmptyThenRaises) {
  ScriptedPeer peer({script::Send("partial"), script::Close()});
  auto client = ConnectedClient(peer.Port());
  EXPECT_EQ(client->ReadLine(), "");
  EXPECT_TRUE(client->LineReadEmpty);
  EXPECT_EQ(client->PendingInput->Available(), 7);
  EXPECT_THROW(client->ReadLine(), EIdConnClosedGracefully);
}

// Empty and blank lines are skipped up to the number of attempts.
TEST(ReadLine, SkipEmptyTrimsAndSkips) {
  ScriptedPeer peer({script::Send("\r\n  \r\n\t 220 ready \r\n")});
  auto client = ConnectedClient(peer.Port());
  EXPECT_EQ(client->ReadLineSkipEmpty(2), "");
  EXPECT_EQ(client->ReadLineSkipEmpty(5), "220 ready");
}

// Read time-out with the default time-out and ReadTimeout set.
TEST(ReadLine, DefaultTimeOutRaisesReadTimeout) {
  ScriptedPeer peer({script::Send("no end")});
  auto client = ConnectedClient(peer.Port());
  client->ReadTimeout = 100;
  try {
    client->ReadLine();
    ADD_FAILURE() << "no exception";
  } catch (const EIdReadTimeout& error) {
    EXPECT_EQ(error.Message, transport_messages::ReadTimeout);
  }
  EXPECT_TRUE(client->IsConnected());
}
}  // namespace
