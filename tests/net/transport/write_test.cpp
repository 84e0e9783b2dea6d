// The write path: what reaches the transport in which calls (write buffering),
// the write work events, integers on the wire, files, and numeric replies.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"
#include "platform/streams.h"
#include "tests/net/transport/connected_client.h"
#include "tests/net/transport/event_log.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/temp_folder.h"

namespace {
using Lines = std::vector<std::string>;

// Records every send call, so that a test can see how writes were grouped.
class RecordingTransport : public TIdIOHandler {
public:
  bool HandlerConnected() override { return true; }
  bool WaitReadable(int32_t) override { return false; }
  int32_t ReceiveSome(void*, int32_t) override { return 0; }
  int32_t SendSome(const void* buffer, int32_t length) override {
    Sends.emplace_back(static_cast<const char*>(buffer), static_cast<size_t>(length));
    return length;
  }
  std::vector<std::string> Sends;
};

// The HTTP request head is written inside one buffering bracket and must
// reach the transport as one block.
TEST(WriteBuffering, UnlimitedBufferSendsOneBlockAtTheEnd) {
  RecordingTransport transport;
  TIdTCPConnection connection;
  connection.SetIOHandler(&transport);
  connection.BeginWriteBuffering();
  connection.WriteLine("GET / HTTP/1.0");
  connection.WriteLine("Host: peer.test");
  connection.WriteLine();
  EXPECT_TRUE(transport.Sends.empty());
  connection.EndWriteBuffering();
  EXPECT_EQ(transport.Sends, (Lines{"GET / HTTP/1.0\r\nHost: peer.test\r\n\r\n"}));
  EXPECT_FALSE(connection.WriteBuffering());
}

TEST(WriteBuffering, ThresholdSendsWhenReachedAndDiscardDropsTheRest) {
  RecordingTransport transport;
  TIdTCPConnection connection;
  connection.SetIOHandler(&transport);
  connection.BeginWriteBuffering(8);
  connection.WriteText("abcdef");
  connection.WriteText("ghij");
  connection.EndWriteBuffering();
  EXPECT_EQ(transport.Sends, (Lines{"abcdefgh", "ij"}));

  transport.Sends.clear();
  connection.BeginWriteBuffering();
  connection.WriteText("never sent");
  connection.DiscardWriteBuffering();
  connection.EndWriteBuffering();
  EXPECT_TRUE(transport.Sends.empty());
}

// WriteFromStream opens a write bracket and sends in SendBufferSize chunks,
// with the length first when asked.
TEST(WriteFromStream, ReportsEachChunkAndWritesTheLengthFirst) {
  RecordingTransport transport;
  TIdTCPConnection connection;
  connection.SetIOHandler(&transport);
  connection.SendBufferSize = 4;
  EventLog log;
  log.Attach(connection);
  TStringStream stream("0123456789");
  connection.WriteFromStream(stream, true, true);
  EXPECT_EQ(transport.Sends, (Lines{std::string("\0\0\0\12", 4), "0123", "4567", "89"}));
  EXPECT_EQ(log.Lines, (Lines{"write begin 10", "write 4", "write 8", "write 10", "write end"}));
}

TEST(WriteFromStream, AStreamShorterThanAskedRaisesNoDataToRead) {
  RecordingTransport transport;
  TIdTCPConnection connection;
  connection.SetIOHandler(&transport);
  EventLog log;
  log.Attach(connection);
  TStringStream stream("short");
  try {
    connection.WriteFromStream(stream, true, false, 10);
    ADD_FAILURE() << "no exception";
  } catch (const EIdNoDataToRead& error) {
    EXPECT_EQ(error.Message, transport_messages::NoDataToRead);
  }
  EXPECT_EQ(log.Lines, (Lines{"write begin 10", "write 5", "write end"}));
}

TEST(WriteFileContents, SendsTheFileOrNamesTheMissingOne) {
  RecordingTransport transport;
  TIdTCPConnection connection;
  connection.SetIOHandler(&transport);
  TempFolder folder;
  const std::string file = folder.WriteFile("body.bin", "file body");
  EXPECT_EQ(connection.WriteFileContents(file), 9);
  EXPECT_EQ(transport.Sends, (Lines{"file body"}));
  const std::string missing = folder.File("missing.bin");
  try {
    connection.WriteFileContents(missing);
    ADD_FAILURE() << "no exception";
  } catch (const EIdFileNotFound& error) {
    EXPECT_EQ(error.Message, "File \"" + missing + "\" not found");
  }
}

// A closed socket's number goes to the next file opened: the whole-file
// sender must not send into that file and report success.
TEST(WriteFileContents, AfterACloseNeverReachesAFileThatTookTheSocketsNumber) {
  ScriptedPeer peer({});
  TIdIOHandlerSocket transport;
  TIdTCPClient client;
  client.SetIOHandler(&transport);
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.OpenConnection();
  const int socketNumber = transport.SocketBinding->SocketId;
  client.CloseConnection();
  peer.Received();  // the peer's own socket is closed too
  TempFolder folder;
  const std::string source = folder.WriteFile("body.bin", "file body");
  const std::string victim = folder.WriteFile("victim.txt", "");
  // The next file opened takes the lowest free number; make sure it is the
  // socket's old one.
  UniqueFd file(::open(victim.c_str(), O_WRONLY | O_CLOEXEC));
  if (file.Get() != socketNumber) {
    ASSERT_EQ(::fcntl(socketNumber, F_GETFD), -1) << "the socket's number is still in use";
    ASSERT_EQ(::dup2(file.Get(), socketNumber), socketNumber);
    file.Reset(socketNumber);
  }
  EXPECT_THROW(client.WriteFileContents(source, true), EIdNotConnected);
  EXPECT_EQ(folder.ReadFile("victim.txt"), "");
}

// Integers travel in network order both ways.
TEST(Int32, RoundTripsThroughAnEchoingPeer) {
  ScriptedPeer peer({script::Receive(4), script::Send(std::string("\xFF\xFF\xFF\xFE", 4))});
  auto client = ConnectedClient(peer.Port());
  client->WriteInt32(0x01020304);
  EXPECT_EQ(client->ReadInt32(), -2);
  client->CloseConnection();
  EXPECT_EQ(peer.Received(), std::string("\1\2\3\4", 4));
}

// A multi-line reply runs until the line that starts with the code and a
// blank; an unexpected code raises with the reply's text.
TEST(NumericReply, MultiLineReplyAndUnexpectedCode) {
  ScriptedPeer peer({script::Receive(6), script::Send("250-first\r\n250-second\r\n250 last\r\n"), script::Receive(6),
                     script::Send("\r\n550 no such thing\r\n")});
  auto client = ConnectedClient(peer.Port());
  EXPECT_EQ(client->SendCommand("NOOP", {250}), 250);
  EXPECT_EQ(client->LastReply->TextCode, "250");
  EXPECT_EQ(client->LastReply->Text, (Lines{"first", "second", "last"}));
  try {
    client->SendCommand("STAT", {200, 250});
    ADD_FAILURE() << "no exception";
  } catch (const EIdProtocolReplyError& error) {
    EXPECT_EQ(error.ReplyCode, 550);
    EXPECT_EQ(error.Message, "no such thing");
  }
  client->CloseConnection();
  EXPECT_EQ(peer.Received(), "NOOP\r\nSTAT\r\n");
}

// Writing after the peer has gone raises instead of sending into nothing.
TEST(WriteBytes, AfterTheConnectionClosedRaises) {
  ScriptedPeer peer({script::Close()});
  auto client = ConnectedClient(peer.Port());
  client->CloseConnection();
  try {
    client->WriteLine("late");
    ADD_FAILURE() << "no exception";
  } catch (const EIdNotConnected& error) {
    EXPECT_EQ(error.Message, transport_messages::NotConnected);
  }
}
}  // namespace
