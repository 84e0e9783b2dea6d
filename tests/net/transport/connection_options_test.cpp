// Connection settings and paths the byte-level tests leave aside: the ASCII
// filter, the 1 ms close probe, the whole-file sender and local binding.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler_socket.h"
#include "tests/net/transport/connected_client.h"
#include "tests/net/transport/event_log.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/temp_folder.h"

namespace {
using Lines = std::vector<std::string>;

TEST(ConnectionOptions, AsciiFilterClearsTheHighBitOfEveryReceivedByte) {
  ScriptedPeer peer({script::Send("\xC1\xE2\x63\n")});
  auto client = ConnectedClient(peer.Port());
  client->ASCIIFilter = true;
  EXPECT_EQ(client->ReadLine(), "Abc");
}

// The exchange probes for a close the server made between two requests;
// the probe must notice it without raising and report it once.
TEST(ConnectionOptions, PollGracefulCloseNoticesAPeerCloseQuietly) {
  ScriptedPeer peer({script::Close()});
  auto client = ConnectedClient(peer.Port());
  EventLog log;
  log.Attach(*client);
  for (int i = 0; i < 200 && client->IsConnected(); ++i) client->PollGracefulClose(false);
  EXPECT_FALSE(client->IsConnected());
  EXPECT_EQ(log.Lines, (Lines{"Disconnected.", "OnDisconnected"}));
  EXPECT_THROW(client->PollGracefulClose(true), EIdConnClosedGracefully);
}

TEST(ConnectionOptions, WholeFileSenderSendsTheFileWithoutWorkEvents) {
  TempFolder folder;
  const std::string content(100000, 'f');
  const std::string path = folder.WriteFile("body.bin", content);
  ScriptedPeer peer({script::Receive(content.size())});
  auto client = ConnectedClient(peer.Port());
  EventLog log;
  log.Attach(*client);
  EXPECT_EQ(client->WriteFileContents(path, true), static_cast<int64_t>(content.size()));
  client->CloseConnection();
  EXPECT_EQ(peer.Received(), content);
  EXPECT_EQ(log.Lines, (Lines{"Disconnecting.", "OnDisconnected", "Disconnected."}));
}

TEST(ConnectionOptions, AClientBindsToItsBoundAddressAndPort) {
  ScriptedPeer peer({script::Receive(1)});
  // Find a port that is free now, then ask the client to bind to it.
  int32_t port = 0;
  {
    LoopbackListener probe;
    port = probe.Port();
  }
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.BoundIP = "127.0.0.1";
  client.BoundPort = port;
  client.OpenConnection();
  auto* transport = dynamic_cast<TIdIOHandlerSocket*>(client.IOHandler());
  ASSERT_NE(transport, nullptr);
  EXPECT_EQ(transport->SocketBinding->Port, port);
  EXPECT_EQ(transport->SocketBinding->IP, "127.0.0.1");
  client.WriteText("x");
  client.CloseConnection();
  EXPECT_EQ(peer.Received(), "x");
}

}  // namespace
