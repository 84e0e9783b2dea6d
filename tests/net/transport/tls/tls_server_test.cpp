// Our TLS server handler with our TLS client on loopback: the server
// handshake with an encrypted key, a client that does not speak TLS, and a
// server that drops the connection in the middle of a counted body or stalls
// in the middle of a record.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/tls/server_io_handler.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/streams.h"
#include "tests/net/transport/tls/tls_client.h"
#include "tests/servers/loopback.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

class TlsServerTest : public ::testing::Test {
protected:
  TlsServerTest() {
    server.SSLOptions().CertFile = certs().ServerCertFile();
    server.SSLOptions().KeyFile = certs().EncryptedKeyFile();
    server.OnGetPassword = [](std::string& password) { password = TlsCertificates::KeyPassword; };
  }

  // Accepts one connection on another thread and runs serve on it.
  std::future<void> acceptOne(std::function<void(TIdIOHandlerSocket&)> serve) {
    return std::async(std::launch::async, [this, serve] {
      std::unique_ptr<TIdIOHandlerSocket> peer = server.Accept(listener.Fd());
      ASSERT_NE(peer, nullptr);
      serve(*peer);
    });
  }

  LoopbackListener listener;
  TIdServerIOHandlerSSL server;
};

void sendAll(TIdIOHandlerSocket& peer, const std::string& bytes) {
  ASSERT_EQ(peer.SendSome(bytes.data(), static_cast<int32_t>(bytes.size())), static_cast<int32_t>(bytes.size()));
}

TEST_F(TlsServerTest, ServerHandshakeWithAnEncryptedKey) {
  std::vector<std::string> serverStatuses;
  server.OnStatusInfo = [&](const std::string& Msg) { serverStatuses.push_back(Msg); };
  auto served = acceptOne([](TIdIOHandlerSocket& peer) {
    auto& tls = dynamic_cast<TIdSSLIOHandlerSocket&>(peer);
    EXPECT_TRUE(tls.IsPeer());
    char buffer[64];
    const int32_t n = peer.ReceiveSome(buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    sendAll(peer, "got " + std::string(buffer, static_cast<size_t>(n)));
  });
  TlsClient tls("localhost", listener.Port(), certs().CaFile());
  tls.Client.OpenConnection();
  tls.Client.WriteLine("hello");
  EXPECT_EQ(tls.Client.ReadLine(), "got hello");
  served.get();
  EXPECT_EQ(std::count_if(serverStatuses.begin(), serverStatuses.end(),
                          [](const std::string& s) { return s.rfind("Cipher: name = ", 0) == 0; }),
            1);
}

TEST_F(TlsServerTest, ClientThatDoesNotSpeakTlsIsRefused) {
  auto accepted = std::async(std::launch::async, [this] { return server.Accept(listener.Fd()); });
  {
    UniqueFd client = ConnectToLoopback(listener.Port());
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    ASSERT_EQ(::send(client.Get(), request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  }
  try {
    accepted.get();
    FAIL();
  } catch (const EIdOSSLAcceptError& e) {
    EXPECT_EQ(e.Message, "Error accepting connection with SSL.");
  }
}

// The server sends 500 of 3000 announced bytes and drops the socket without
// closing TLS: the client's counted read ends as a close, not as a complete
// body, and nothing is killed by the broken pipe of the server's farewell.
TEST_F(TlsServerTest, ServerDroppingTheSocketMidBodyEndsTheRead) {
  auto served = acceptOne([](TIdIOHandlerSocket& peer) {
    sendAll(peer, std::string(500, 'v'));
    char buffer[8];
    peer.ReceiveSome(buffer, 1);
    ::shutdown(peer.SocketBinding->SocketId, SHUT_RDWR);
  });
  TlsClient tls("localhost", listener.Port(), certs().CaFile());
  tls.Client.OpenConnection();
  ASSERT_GT(tls.Client.FillInputBuffer(), 0);
  tls.Client.WriteText("!");
  TStringStream body;
  EXPECT_THROW(tls.Client.ReadToStream(body, 3000), EIdConnClosedGracefully);
  EXPECT_EQ(body.DataString(), std::string(500, 'v'));
  served.get();
}

// A server that stalls inside a record: the library holds the half record,
// and the read ends at ReadTimeout instead of waiting for the rest for ever.
TEST_F(TlsServerTest, ServerStallingInsideARecordEndsAtTheReadTimeout) {
  std::promise<void> clientDone;
  auto served = acceptOne([&clientDone](TIdIOHandlerSocket& peer) {
    const std::string halfRecord = std::string("\x17\x03\x03\x00\x40", 5) + std::string(10, 'h');
    ::send(peer.SocketBinding->SocketId, halfRecord.data(), halfRecord.size(), MSG_NOSIGNAL);
    clientDone.get_future().wait();
  });
  TlsClient tls("localhost", listener.Port(), certs().CaFile());
  tls.Client.ReadTimeout = 300;
  tls.Client.OpenConnection();
  EXPECT_THROW(tls.Client.ReadLine(), EIdReadTimeout);
  clientDone.set_value();
  served.get();
}

}  // namespace
