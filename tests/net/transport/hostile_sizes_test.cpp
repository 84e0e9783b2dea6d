// Sizes that callers set and counts that peers announce are not trusted: each
// unusable one is refused with the transport's own exception instead of
// overrunning a buffer, reading before one, or escaping as std::bad_alloc.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler_socket.h"
#include "platform/streams.h"
#include "tests/net/transport/connected_client.h"
#include "tests/servers/scripted_peer.h"

namespace {
struct RefusedCase {
  const char* protects;
  std::function<void(TIdTCPClient&)> call;
};

const RefusedCase kRefused[] = {
    {"a receive buffer of 0 bytes would look like the peer's close",
     [](TIdTCPClient& c) {
       c.RecvBufferSize = 0;
       c.FillInputBuffer();
     }},
    {"a negative receive buffer size would overrun the scratch buffer",
     [](TIdTCPClient& c) {
       c.RecvBufferSize = -1;
       TStringStream body;
       c.ReadToStream(body, 10);
     }},
    {"a send chunk of 0 bytes would never send",
     [](TIdTCPClient& c) {
       c.SendBufferSize = 0;
       TStringStream source("abc");
       c.WriteFromStream(source);
     }},
    {"a negative length handed to the transport",
     [](TIdTCPClient& c) {
       char byte = 0;
       c.IOHandler()->ReceiveSome(&byte, -1);
     }},
    {"a negative size to send",
     [](TIdTCPClient& c) {
       TStringStream source("abc");
       c.WriteFromStream(source, true, false, -2);
     }},
    {"a stream positioned before its start would be read from before its block",
     [](TIdTCPClient& c) {
       TStringStream source("abc");
       source.SetPosition(-64);
       c.WriteFromStream(source, false);
     }},
    {"a negative length announced by the peer",
     [](TIdTCPClient& c) {
       TStringStream body;
       c.ReadToStream(body);
     }},
};

TEST(HostileSizes, AreRefusedWithInvalidSize) {
  for (const RefusedCase& c : kRefused) {
    SCOPED_TRACE(c.protects);
    ScriptedPeer peer({script::Send(std::string("\xFF\xFF\xFF\xFE", 4))});
    auto client = ConnectedClient(peer.Port());
    EXPECT_THROW(c.call(*client), EIdInvalidSize);
  }
}

// A peer that announces the largest body there is and sends ten bytes: the
// destination grows with what arrives, and the close is the error, not an
// allocation of the announced size.
TEST(HostileSizes, AnAnnouncedCountIsNotAllocatedBeforeItsBytesArrive) {
  for (const int64_t announced : {INT64_MAX, int64_t{INT32_MAX}}) {
    SCOPED_TRACE(announced);
    ScriptedPeer peer({script::Send("0123456789"), script::Close()});
    auto client = ConnectedClient(peer.Port(), 5);
    TStringStream body;
    EXPECT_THROW(client->ReadToStream(body, announced), EIdConnClosedGracefully);
    EXPECT_EQ(body.DataString(), "0123456789");
  }
}
}  // namespace
