// The TLS transport against openssl s_server: the handshake and the bytes
// both ways, verification of the server by default (trust, host name,
// validity), the switch from plain to TLS on an open connection, and TLS
// through a SOCKS proxy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "net/transport/socks.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/streams.h"
#include "tests/net/transport/tls/tls_client.h"
#include "tests/servers/dante_server.h"
#include "tests/servers/openssl_server.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

std::string reversedLine(TlsClient& tls, const std::string& line) {
  tls.Client.WriteLine(line);
  return tls.Client.ReadLine();
}

// A new options object (method SSLv2, no cipher list) reaches a current
// server: the handshake runs on a modern protocol and the status reports it.
TEST(TlsTransport, NewOptionsConnectAndCarryBytesBothWays) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  TlsClient tls("localhost", server.Port(), certs().CaFile());
  std::vector<std::string> statuses;
  tls.Transport.OnStatusInfo = [&](const std::string& Msg) { statuses.push_back(Msg); };
  tls.Client.OpenConnection();
  EXPECT_EQ(reversedLine(tls, "hello"), "olleh");
  EXPECT_EQ(reversedLine(tls, std::string(3000, 'x') + "yz"), "zy" + std::string(3000, 'x'));

  ASSERT_NE(tls.Transport.TLSLink(), nullptr);
  TIdSSLCipher& cipher = tls.Transport.TLSLink()->CurrentCipher();
  EXPECT_EQ(cipher.Version(), "TLSv1.3");
  const std::string cipherStatus = "Cipher: name = " + cipher.Name() + "; description = " + cipher.Description() +
                                   "; bits = " + std::to_string(cipher.Bits()) + "; version = TLSv1.3; ";
  // The handshake's states come first, then the cipher once it is done.
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.front(), "SSL status: \"before SSL initialization\"");
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), cipherStatus), 1);
  tls.Client.CloseConnection();
  EXPECT_EQ(tls.Transport.TLSLink(), nullptr);
  EXPECT_EQ(tls.Transport.TLSContext(), nullptr);
}

struct VerifyCase {
  const char* what;
  std::string (TlsCertificates::*serverCert)() const;
  const char* host;
  bool trustTestCa;
  std::function<void(TIdSSLIOHandlerSocket&)> configure;
  // Empty: the connection must succeed.
  std::string failure;
};

const std::string NotAccepted = "Error connecting with SSL. The server's certificate was not accepted: ";

// With nothing configured the server must prove itself: a trusted issuer,
// the name that was asked for, a current validity. A caller who chose a
// verification of their own gets exactly that.
const VerifyCase kVerifyCases[] = {
    {"trusted, right name", &TlsCertificates::ServerCertFile, "localhost", true, nullptr, ""},
    {"trusted, address in the certificate", &TlsCertificates::ServerCertFile, "127.0.0.1", true, nullptr, ""},
    {"issuer not trusted", &TlsCertificates::ServerCertFile, "localhost", false, nullptr,
     NotAccepted + "unable to get local issuer certificate."},
    {"other host name", &TlsCertificates::WrongHostCertFile, "localhost", true, nullptr,
     NotAccepted + "hostname mismatch."},
    {"expired", &TlsCertificates::ExpiredCertFile, "localhost", true, nullptr,
     NotAccepted + "certificate has expired."},
    {"verification switched off by the caller", &TlsCertificates::WrongHostCertFile, "localhost", false,
     [](TIdSSLIOHandlerSocket& t) { t.SSLOptions().SetVerifyMode({}); }, ""},
    {"caller verifies the chain only", &TlsCertificates::WrongHostCertFile, "localhost", true,
     [](TIdSSLIOHandlerSocket& t) {
       t.SSLOptions().SetVerifyMode({sslvrfPeer});
       t.SSLOptions().VerifyDepth = 5;
     },
     ""},
    {"caller verifies the chain, untrusted", &TlsCertificates::ServerCertFile, "localhost", false,
     [](TIdSSLIOHandlerSocket& t) {
       t.SSLOptions().SetVerifyMode({sslvrfPeer});
       t.SSLOptions().VerifyDepth = 5;
     },
     NotAccepted + "unable to get local issuer certificate."},
};

TEST(TlsTransport, ServerVerification) {
  for (const VerifyCase& c : kVerifyCases) {
    SCOPED_TRACE(c.what);
    OpensslServer server((certs().*c.serverCert)(), certs().ServerKeyFile(), {"-rev"});
    TlsClient tls(c.host, server.Port(), c.trustTestCa ? certs().CaFile() : "");
    if (c.configure) c.configure(tls.Transport);
    if (c.failure.empty()) {
      tls.Client.OpenConnection();
      EXPECT_EQ(reversedLine(tls, "abc"), "cba");
      continue;
    }
    try {
      tls.Client.OpenConnection();
      ADD_FAILURE() << "connected";
    } catch (const EIdOSSLPeerVerifyError& e) {
      EXPECT_EQ(e.Message, c.failure);
    }
    // A failed handshake leaves no connection behind.
    EXPECT_FALSE(tls.Client.IsConnected());
  }
}

// The system's trust store is used: with the test CA named as the system's
// certificate file, no RootCertFile is needed.
TEST(TlsTransport, SystemTrustStoreIsConsulted) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  ASSERT_EQ(::setenv("SSL_CERT_FILE", certs().CaFile().c_str(), 1), 0);
  TlsClient tls("localhost", server.Port(), "");
  tls.Client.OpenConnection();
  ::unsetenv("SSL_CERT_FILE");
  EXPECT_EQ(reversedLine(tls, "trust"), "tsurt");
}

// A peer that answers the handshake with plain HTTP, and one that closes at
// once: both are failed handshakes, not certificate problems.
TEST(TlsTransport, PeersThatDoNotSpeakTls) {
  const std::vector<std::vector<ScriptStep>> peers = {
      {script::Receive(1), script::Send("HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n"), script::Close()},
      {script::Close()},
  };
  for (size_t i = 0; i < peers.size(); ++i) {
    SCOPED_TRACE(i);
    ScriptedPeer peer(peers[i]);
    TlsClient tls("127.0.0.1", peer.Port(), certs().CaFile());
    try {
      tls.Client.OpenConnection();
      ADD_FAILURE() << "connected";
    } catch (const EIdOSSLConnectError& e) {
      EXPECT_EQ(e.Message, "Error connecting with SSL.");
      EXPECT_EQ(dynamic_cast<const EIdOSSLPeerVerifyError*>(&e), nullptr);
    }
    EXPECT_FALSE(tls.Client.IsConnected());
  }
}

// A peer that takes the connection and never answers the handshake: the
// handshake ends at ReadTimeout, not never.
TEST(TlsTransport, SilentPeerEndsTheHandshakeAtTheReadTimeout) {
  ScriptedPeer peer({script::Receive(1)});
  TlsClient tls("127.0.0.1", peer.Port(), certs().CaFile());
  tls.Client.ReadTimeout = 300;
  EXPECT_THROW(tls.Client.OpenConnection(), EIdOSSLConnectError);
  EXPECT_FALSE(tls.Client.IsConnected());
}

// Stop pressed while the socket connects: the connect ends quietly, and no
// handshake starts on the socket that Stop closed.
TEST(TlsTransport, StopDuringTheConnectStartsNoHandshake) {
  ScriptedPeer peer({script::Receive(1)});
  TlsClient tls("127.0.0.1", peer.Port(), certs().CaFile());
  tls.Transport.OnStatus = [&tls](TIdComponent*, TIdStatus status, const std::string&) {
    if (status == hsConnecting) tls.Client.CloseConnection();
  };
  EXPECT_NO_THROW(tls.Client.OpenConnection());
  EXPECT_FALSE(tls.Client.IsConnected());
}

// A proxy tunnel: the connection opens in plain mode, and switching PlainMode
// off runs the handshake on that socket, checking the name the caller set.
// Switching it on again ends the session with its connection.
TEST(TlsTransport, PlainModeOffStartsTheHandshakeOnTheOpenSocket) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  for (const std::string name : {"localhost", "other.invalid"}) {
    SCOPED_TRACE(name);
    TlsClient tls("127.0.0.1", server.Port(), certs().CaFile());
    tls.Transport.SetPlainMode(true);
    tls.Client.OpenConnection();
    EXPECT_EQ(tls.Transport.TLSLink(), nullptr);
    tls.Transport.HostName = name;
    if (name == "localhost") {
      tls.Transport.SetPlainMode(false);
      EXPECT_FALSE(tls.Transport.PlainMode());
      EXPECT_EQ(reversedLine(tls, "tunnel"), "lennut");
      // Back to plain over the running session: nothing may pass in the
      // clear inside it, so the connection ends.
      tls.Transport.SetPlainMode(true);
      EXPECT_EQ(tls.Transport.TLSLink(), nullptr);
      EXPECT_FALSE(tls.Client.IsConnected());
    } else {
      EXPECT_THROW(tls.Transport.SetPlainMode(false), EIdOSSLPeerVerifyError);
      EXPECT_TRUE(tls.Transport.PlainMode());
      EXPECT_EQ(tls.Transport.TLSLink(), nullptr);
    }
  }
}

// Through SOCKS 5 the proxy handshake passes in the clear, then TLS runs to
// the target, whose name is the one checked.
TEST(TlsTransport, ThroughSocks5) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  DanteServer dante;
  TlsClient tls("127.0.0.1", server.Port(), certs().CaFile());
  tls.Transport.SocksInfo()->Version = svSocks5;
  tls.Transport.SocksInfo()->Host = "127.0.0.1";
  tls.Transport.SocksInfo()->Port = dante.Port();
  tls.Client.OpenConnection();
  EXPECT_EQ(reversedLine(tls, "socks"), "skcos") << dante.Log();
}

// A body larger than one TLS record read with a receive size smaller than a
// record: the rest of a record waits inside the library, not on the socket,
// and must still be read without waiting for the read time-out.
TEST(TlsTransport, SmallReceivesDrainWhatTheLibraryHolds) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-WWW"});
  std::string file(300000, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>('a' + i % 23);
  server.Files().WriteFile("video.flv", file);
  TlsClient tls("localhost", server.Port(), certs().CaFile());
  tls.Client.RecvBufferSize = 1000;
  tls.Client.ReadTimeout = 3000;
  tls.Client.OpenConnection();
  tls.Client.WriteText("GET /video.flv HTTP/1.0\r\n\r\n");
  std::string line;
  do line = tls.Client.ReadLine();
  while (!line.empty());
  TStringStream body;
  tls.Client.ReadToStream(body, -1, true);
  EXPECT_EQ(body.DataString().size(), file.size());
  EXPECT_TRUE(body.DataString() == file);
}

}  // namespace
