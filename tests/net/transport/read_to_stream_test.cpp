// Body reads through ReadToStream: the work events a progress bar sees, what
// the destination keeps when the peer closes early or the user stops, and
// bodies of 2 GiB and more.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler.h"
#include "net/transport/messages.h"
#include "platform/streams.h"
#include "tests/net/transport/connected_client.h"
#include "tests/net/transport/event_log.h"
#include "tests/servers/scripted_peer.h"

namespace {
using Lines = std::vector<std::string>;

std::string body(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
  return bytes;
}

// 500 bytes are buffered before the read starts; the rest comes in chunks of
// RecvBufferSize.
TEST(ReadToStream, CountedBodyReportsBufferedBytesThenEachChunk) {
  const std::string bytes = body(3000);
  ScriptedPeer peer({script::Send(bytes.substr(0, 500)), script::Receive(1), script::Send(bytes.substr(500))});
  auto client = ConnectedClient(peer.Port(), 1024);
  ASSERT_EQ(client->FillInputBuffer(), 500);
  client->WriteText("!");
  EventLog log;
  log.Attach(*client);
  TStringStream stream;
  client->ReadToStream(stream, 3000);
  EXPECT_EQ(log.Lines, (Lines{"read begin 3000", "read 500", "read 1524", "read 2548", "read 3000", "read end"}));
  EXPECT_EQ(stream.DataString(), bytes);
}

// The peer closes after 1500 of 3000 bytes: the graceful close propagates,
// OnWorkEnd still fires, and the destination holds the whole chunk that was
// completed, cut to it.
TEST(ReadToStream, CountedBodyCutShortRaisesAndKeepsCompletedChunks) {
  const std::string bytes = body(1500);
  ScriptedPeer peer({script::Send(bytes), script::Close()});
  auto client = ConnectedClient(peer.Port(), 1024);
  EventLog log;
  log.Attach(*client);
  TStringStream stream;
  EXPECT_THROW(client->ReadToStream(stream, 3000), EIdConnClosedGracefully);
  EXPECT_EQ(log.Lines, (Lines{"read begin 3000", "read 1024", "Disconnected.", "OnDisconnected", "read end"}));
  EXPECT_EQ(stream.DataString(), bytes.substr(0, 1024));
}

// The close was noticed before the read began, with 700 bytes buffered: the
// buffered bytes are written and the destination is cut to them. A counted
// read that cannot complete says so; a read until close has simply reached
// its end.
struct ClosedBeforeReadCase {
  const char* protects;
  int64_t count;
  bool untilClose;
  bool raises;
  Lines events;
};

const ClosedBeforeReadCase kClosedBeforeReadCases[] = {
    {"a counted body the peer cut is not a finished body",
     3000,
     false,
     true,
     {"read begin 3000", "read 700", "read end"}},
    {"a body read until close ends normally at the close", -1, true, false, {"read begin 0", "read 700", "read end"}},
};

TEST(ReadToStream, BodyAfterTheCloseWritesWhatIsBuffered) {
  for (const ClosedBeforeReadCase& c : kClosedBeforeReadCases) {
    SCOPED_TRACE(c.protects);
    const std::string bytes = body(700);
    ScriptedPeer peer({script::Send(bytes), script::Close()});
    auto client = ConnectedClient(peer.Port(), 1024);
    while (client->IsConnected()) client->FillInputBuffer(false);
    EventLog log;
    log.Attach(*client);
    TStringStream stream;
    if (c.raises) EXPECT_THROW(client->ReadToStream(stream, c.count, c.untilClose), EIdConnClosedGracefully);
    else EXPECT_NO_THROW(client->ReadToStream(stream, c.count, c.untilClose));
    EXPECT_EQ(log.Lines, c.events);
    EXPECT_EQ(stream.DataString(), bytes);
  }
}

// Until close: totals per full chunk, the last partial chunk kept but not
// reported, and the close reported as a status and a disconnect.
TEST(ReadToStream, UntilCloseKeepsTheLastPartialChunkUnreported) {
  const std::string bytes = body(2500);
  ScriptedPeer peer({script::Send(bytes), script::Close()});
  auto client = ConnectedClient(peer.Port(), 1024);
  EventLog log;
  log.Attach(*client);
  TStringStream stream;
  client->ReadToStream(stream, -1, true);
  EXPECT_EQ(log.Lines,
            (Lines{"read begin 0", "read 1024", "read 2048", "Disconnected.", "OnDisconnected", "read end"}));
  EXPECT_EQ(stream.DataString(), bytes);
  EXPECT_FALSE(client->IsConnected());
}

// Every receive fills the buffer, so each next one is tried without waiting
// for readiness; the one that meets the close must end the body as a close.
TEST(ReadToStream, UntilCloseOfWholeChunksEndsAtTheClose) {
  const std::string bytes = body(3072);
  ScriptedPeer peer({script::Send(bytes), script::Close()});
  auto client = ConnectedClient(peer.Port(), 1024);
  EventLog log;
  log.Attach(*client);
  TStringStream stream;
  client->ReadToStream(stream, -1, true);
  EXPECT_EQ(log.Lines, (Lines{"read begin 0", "read 1024", "read 2048", "read 3072", "Disconnected.", "OnDisconnected",
                              "read end"}));
  EXPECT_EQ(stream.DataString(), bytes);
}

// After a receive that filled the buffer the next one does not wait for
// readiness first; a peer that then falls silent must still end in the read
// time-out, keeping what came, and its later bytes complete the read.
TEST(ReadBytes, SilentPeerAfterAFullReceiveStillTimesOut) {
  const std::string bytes = body(3000);
  ScriptedPeer peer({script::Send(bytes.substr(0, 1024)), script::Receive(1), script::Send(bytes.substr(1024))});
  auto client = ConnectedClient(peer.Port(), 1024);
  client->ReadTimeout = 200;
  std::string read(bytes.size(), '\0');
  EXPECT_THROW(client->ReadBytes(read.data(), 3000), EIdReadTimeout);
  EXPECT_EQ(client->PendingInput->GetSize(), 1024);
  client->WriteText("!");
  client->ReadBytes(read.data(), 3000);
  EXPECT_EQ(read, bytes);
}

// ReadAll returns everything up to the close, also bytes that were already
// buffered when an earlier read noticed the close.
TEST(ReadAll, KeepsBytesBufferedBeforeTheCloseWasNoticed) {
  ScriptedPeer peer({script::Send("no line end"), script::Close()});
  auto client = ConnectedClient(peer.Port());
  EXPECT_EQ(client->ReadLine(), "");
  ASSERT_TRUE(client->LineReadEmpty);
  EventLog log;
  log.Attach(*client);
  EXPECT_EQ(client->ReadAll(), "no line end");
  EXPECT_EQ(log.Lines, (Lines{"read begin 0", "read 11", "read end"}));
}

// Count -1 without until close reads a 32-bit length in network order first.
TEST(ReadToStream, LengthPrefixedBody) {
  ScriptedPeer peer({script::Send(std::string("\0\0\0\5hello", 9))});
  auto client = ConnectedClient(peer.Port());
  TStringStream stream;
  client->ReadToStream(stream);
  EXPECT_EQ(stream.DataString(), "hello");
}

// The Stop button: CloseConnection inside OnWork ends a counted read quietly,
// OnWorkEnd fires, the destination keeps what arrived, and a later read says
// the connection is gone.
TEST(ReadToStream, CloseConnectionFromOnWorkEndsTheReadQuietly) {
  const std::string bytes = body(3000);
  ScriptedPeer peer({script::Send(bytes)});
  auto client = ConnectedClient(peer.Port(), 1024);
  EventLog log;
  log.Attach(*client);
  client->OnWork = [&](TIdComponent*, TWorkMode, int64_t count) {
    log.Lines.push_back("read " + std::to_string(count));
    if (count >= 1024) client->CloseConnection();
  };
  TStringStream stream;
  EXPECT_NO_THROW(client->ReadToStream(stream, 3000));
  EXPECT_EQ(log.Lines,
            (Lines{"read begin 3000", "read 1024", "Disconnecting.", "OnDisconnected", "Disconnected.", "read end"}));
  EXPECT_EQ(stream.DataString(), bytes.substr(0, 1024));
  EXPECT_FALSE(client->OwnsIOHandler());
  try {
    client->ReadLine();
    ADD_FAILURE() << "no exception";
  } catch (const EIdNotConnected& error) {
    EXPECT_EQ(error.Message, transport_messages::NotConnected);
  }
}

// A transport that delivers a given number of bytes as fast as memory allows
// and then reports the peer's close, so that bodies past 2 GiB can be read
// through the whole connection path in a second.
class FastTransport : public TIdIOHandler {
public:
  explicit FastTransport(int64_t size) : Remaining(size) {}
  bool HandlerConnected() override { return Open; }
  void CloseHandler() override { Open = false; }
  bool WaitReadable(int32_t) override { return true; }
  int32_t ReceiveSome(void* buffer, int32_t length) override {
    const auto n = static_cast<int32_t>(std::min<int64_t>(length, Remaining));
    std::memset(buffer, 'x', static_cast<size_t>(n));
    Remaining -= n;
    return n;
  }
  int32_t SendSome(const void*, int32_t length) override { return length; }

private:
  bool Open = true;
  int64_t Remaining;
};

// A destination that keeps only its size, like a sparse file.
class SizeOnlyStream : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    Position += count;
    Size = std::max(Size, Position);
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    Position = origin == TSeekOrigin::soBeginning ? offset
               : origin == TSeekOrigin::soCurrent ? Position + offset
                                                  : Size + offset;
    return Position;
  }
  void SetSize(int64_t newSize) override { Size = newSize; }

private:
  int64_t Position = 0;
  int64_t Size = 0;
};

struct LargeCase {
  const char* protects;
  bool untilClose;
  int64_t delivered;
  int64_t lastReported;
};

constexpr int32_t kChunk = 1 << 20;
constexpr int64_t k2GiB = int64_t{1} << 31;

const LargeCase kLargeCases[] = {
    {"a counted body past 2 GiB counts and completes", false, k2GiB + 12345, k2GiB + 12345},
    {"a body read until close does not stop at 2147483647 bytes", true, k2GiB + kChunk + 100, k2GiB + kChunk},
};

TEST(ReadToStream, BodiesOf2GiBAndMoreCountIn64Bits) {
  for (const LargeCase& c : kLargeCases) {
    SCOPED_TRACE(c.protects);
    FastTransport transport(c.delivered);
    TIdTCPConnection connection;
    connection.SetIOHandler(&transport);
    connection.RecvBufferSize = kChunk;
    int64_t begin = -1;
    int64_t last = 0;
    connection.OnWorkBegin = [&](TIdComponent*, TWorkMode, int64_t size) { begin = size; };
    connection.OnWork = [&](TIdComponent*, TWorkMode, int64_t count) { last = count; };
    SizeOnlyStream stream;
    connection.ReadToStream(stream, c.untilClose ? -1 : c.delivered, c.untilClose);
    EXPECT_EQ(begin, c.untilClose ? 0 : c.delivered);
    EXPECT_EQ(last, c.lastReported);
    EXPECT_EQ(stream.GetSize(), c.delivered);
  }
}
}  // namespace
