// Intercepts between a connection and a loopback peer: incoming bytes pass
// the chained intercept first, outgoing bytes the attached one first; attach
// and detach run in opposite orders; a destroyed intercept is forgotten.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/transport/intercept.h"
#include "net/transport/tcp_client.h"
#include "platform/streams.h"
#include "tests/servers/scripted_peer.h"

namespace {
using Lines = std::vector<std::string>;

// Appends a marker to every byte block it filters, and logs its events.
void markBlocks(TIdConnectionIntercept& intercept, const std::string& name, Lines& log) {
  const auto mark = [name](TStream& stream) {
    stream.Seek(0, TSeekOrigin::soEnd);
    stream.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
  };
  intercept.OnConnect = [&log, name](TIdConnectionIntercept*) { log.push_back(name + " connect"); };
  intercept.OnDisconnect = [&log, name](TIdConnectionIntercept*) { log.push_back(name + " disconnect"); };
  intercept.OnReceive = [mark](TIdConnectionIntercept*, TStream& stream) { mark(stream); };
  intercept.OnSend = [mark](TIdConnectionIntercept*, TStream& stream) { mark(stream); };
}

// A client on a scripted peer with two marking intercepts chained
// outer -> inner.
class InterceptChain : public ::testing::Test {
protected:
  void Open(int port) {
    markBlocks(outer, "<outer>", log);
    markBlocks(inner, "<inner>", log);
    outer.SetNextIntercept(&inner);
    client.SetIntercept(&outer);
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    client.OpenConnection();
  }

  TIdConnectionIntercept outer;
  TIdConnectionIntercept inner;
  Lines log;
  TIdTCPClient client;
};

TEST_F(InterceptChain, AttachAndSendRunOuterFirstDetachInnerFirst) {
  ScriptedPeer peer({script::Receive(4)});
  Open(peer.Port());
  client.WriteText("out!");
  client.CloseConnection();

  EXPECT_EQ(log, (Lines{"<outer> connect", "<inner> connect", "<inner> disconnect", "<outer> disconnect"}));
  EXPECT_EQ(peer.Received(), "out!<outer><inner>");
}

TEST_F(InterceptChain, ReceivedBytesArePassedThroughTheChainInnerFirst) {
  ScriptedPeer peer({script::Send("in")});
  Open(peer.Port());
  EXPECT_EQ(client.ReadAvailable(), "in<inner><outer>");
}

TEST(Intercept, DestroyedInterceptIsForgotten) {
  TIdTCPClient client;
  TIdConnectionIntercept outer;
  {
    TIdConnectionIntercept inner;
    outer.SetNextIntercept(&inner);
    client.SetIntercept(&inner);
  }
  EXPECT_EQ(outer.NextIntercept(), nullptr);
  EXPECT_EQ(client.Intercept(), nullptr);
}
}  // namespace
