// Opening connections against real loopback peers: the status sequence, host
// names resolved inside a private network namespace, refused connects, connect
// time-outs against a listener that never answers, and reconnecting.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"
#include "net/transport/tcp_client.h"
#include "tests/net/transport/event_log.h"
#include "tests/servers/echo_peer.h"
#include "tests/servers/full_accept_queue.h"
#include "tests/servers/loopback.h"
#include "tests/servers/network_namespace.h"
#include "tests/servers/scripted_peer.h"

namespace {
using Lines = std::vector<std::string>;

std::string socketErrorText(int32_t code, const char* text) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

// A dotted quad is not resolved: connecting, connected; closing reports both
// closing statuses and the disconnect.
TEST(OpenConnection, StatusSequenceForADottedQuad) {
  EchoPeer peer;
  TIdTCPClient client;
  EventLog log;
  log.Attach(client);
  client.OnConnected = [&](TIdComponent*) { log.Lines.push_back("OnConnected"); };
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.OpenConnection();
  EXPECT_TRUE(client.IsConnected());
  client.WriteLine("echo me");
  EXPECT_EQ(client.ReadLine(), "echo me");
  client.CloseConnection();
  EXPECT_EQ(log.Lines, (Lines{"Connecting to 127.0.0.1.", "Connected.", "OnConnected", "Disconnecting.",
                              "OnDisconnected", "Disconnected."}));
  EXPECT_FALSE(client.IsConnected());
}

// A host name is resolved first and reported with its name; the lookup runs
// in a namespace whose hosts file names the peer.
TEST(OpenConnection, StatusSequenceForAHostName) {
  RunInNetworkNamespace({{"127.0.0.1", "peer.test"}}, [] {
    EchoPeer peer;
    TIdTCPClient client;
    EventLog log;
    log.AttachStatus(client);
    client.SetHost("peer.test");
    client.SetPort(peer.Port());
    client.OpenConnection();
    EXPECT_EQ(log.Lines, (Lines{"Resolving hostname peer.test.", "Connecting to 127.0.0.1.", "Connected."}));
    client.WriteLine("by name");
    EXPECT_EQ(client.ReadLine(), "by name");
  });
}

TEST(OpenConnection, UnknownHostIsSocketError11001) {
  RunInNetworkNamespace({}, [] {
    TIdTCPClient client;
    EventLog log;
    log.AttachStatus(client);
    client.SetHost("nosuch.test");
    client.SetPort(80);
    try {
      client.OpenConnection();
      ADD_FAILURE() << "no exception";
    } catch (const EIdSocketError& error) {
      EXPECT_EQ(error.SocketErrorCode, 11001);
      EXPECT_EQ(error.Message, socketErrorText(11001, transport_messages::HostNotFound));
    }
    EXPECT_EQ(log.Lines, (Lines{"Resolving hostname nosuch.test."}));
    EXPECT_FALSE(client.IsConnected());
  });
}

// Without a time-out the refusal is the socket error itself; with one, the
// connect thread's error comes back as EIdConnectException with its text.
TEST(OpenConnection, RefusedConnectWithAndWithoutTimeOut) {
  RefusingPort refusing;
  for (const int32_t timeout : {TimeoutUseDefault, 0, 2000}) {
    SCOPED_TRACE(timeout);
    TIdTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(refusing.Port());
    try {
      client.OpenConnection(timeout);
      ADD_FAILURE() << "no exception";
    } catch (const EIdSocketError& error) {
      EXPECT_LE(timeout, 0);
      EXPECT_EQ(error.SocketErrorCode, 10061);
      EXPECT_EQ(error.Message, socketErrorText(10061, "Connection refused."));
    } catch (const EIdConnectException& error) {
      EXPECT_GT(timeout, 0);
      EXPECT_EQ(error.Message, socketErrorText(10061, "Connection refused."));
    }
    EXPECT_FALSE(client.IsConnected());
  }
}

// A listener whose accept queue is full never answers the SYN; the connect
// thread is abandoned after the time-out and the socket closed under it.
TEST(OpenConnection, ConnectTimeOutAgainstAFullAcceptQueue) {
  FullAcceptQueue silent;
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(silent.Port());
  try {
    client.OpenConnection(500);
    ADD_FAILURE() << "no exception";
  } catch (const EIdConnectTimeout& error) {
    EXPECT_EQ(error.Message, transport_messages::ConnectTimeout);
  }
  EXPECT_FALSE(client.IsConnected());

  // The same client connects normally afterwards.
  EchoPeer peer;
  client.SetPort(peer.Port());
  client.OpenConnection(500);
  client.WriteLine("after the time-out");
  EXPECT_EQ(client.ReadLine(), "after the time-out");
}

TEST(OpenConnection, SecondOpenRaisesAlreadyConnected) {
  EchoPeer peer;
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.OpenConnection();
  try {
    client.OpenConnection();
    ADD_FAILURE() << "no exception";
  } catch (const EIdAlreadyConnected& error) {
    EXPECT_EQ(error.Message, transport_messages::AlreadyConnected);
  }
  EXPECT_TRUE(client.IsConnected());
}

// A transport given by the caller survives closes and is reused; Nagle off
// sets TCP_NODELAY on the socket.
TEST(OpenConnection, CallersTransportIsKeptAndNagleSwitchesOff) {
  EchoPeer peer;
  TIdIOHandlerSocket transport;
  transport.UseNagle = false;
  TIdTCPClient client;
  client.SetIOHandler(&transport);
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  for (int round = 0; round < 2; ++round) {
    client.OpenConnection();
    int noDelay = 0;
    socklen_t length = sizeof noDelay;
    ::getsockopt(transport.SocketBinding->SocketId, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length);
    EXPECT_NE(noDelay, 0);
    client.CloseConnection();
    EXPECT_EQ(client.IOHandler(), &transport);
  }
}

TEST(ConnectAndReadAll, ReadsUntilThePeerCloses) {
  ScriptedPeer peer({script::Send("all of it"), script::Close()});
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  EXPECT_EQ(client.ConnectAndReadAll(), "all of it");
  EXPECT_FALSE(client.IsConnected());
}

// A transport destroyed before the connection is forgotten, not used.
TEST(IOHandlerReference, IsClearedWhenTheTransportGoes) {
  TIdTCPClient client;
  {
    TIdIOHandlerSocket transport;
    client.SetIOHandler(&transport);
  }
  EXPECT_EQ(client.IOHandler(), nullptr);
  EXPECT_FALSE(client.IsConnected());
}
}  // namespace
