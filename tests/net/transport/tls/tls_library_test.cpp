// The library missing at run time, simulated by loading file names that do
// not exist: no context can be made, a connection in plain mode still opens,
// and switching it to TLS then fails with the load error.

#include <gtest/gtest.h>

#include <string>

#include "net/transport/tls/openssl_entries.h"
#include "net/transport/tls/ssl_context.h"
#include "net/transport/tls/tls_exceptions.h"
#include "tests/net/transport/tls/tls_client.h"
#include "tests/servers/echo_peer.h"

namespace {

constexpr const char* SslFile = "libssl.so.3";
constexpr const char* CryptoFile = "libcrypto.so.3";
constexpr const char* MissingFile = "libquillfen-missing.so.3";
constexpr const char* CouldNotLoad = "Could not load SSL library.";

class MissingLibrary : public ::testing::Test {
protected:
  void Load(const std::string& sslFile, const std::string& cryptoFile) {
    tls::UnloadTLSLibraries();
    tls::SetLibraryFileNames(sslFile, cryptoFile);
  }
  void TearDown() override { Load(SslFile, CryptoFile); }
};

// Either file missing fails the load, and keeps failing on every later
// attempt instead of answering with half a table.
TEST_F(MissingLibrary, NoContextCanBeMade) {
  for (const auto& [ssl, crypto] : {std::pair{MissingFile, CryptoFile}, std::pair{SslFile, MissingFile}}) {
    SCOPED_TRACE(std::string(ssl) + " " + crypto);
    Load(ssl, crypto);
    TIdSSLIOHandlerSocket owner;
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        TIdSSLContext context(&owner);
        ADD_FAILURE() << "made a context";
      } catch (const EIdOpenSSLLoadError& e) {
        EXPECT_EQ(e.Message, CouldNotLoad);
      }
    }
  }
  // With the right files the library loads again.
  Load(SslFile, CryptoFile);
  TIdSSLIOHandlerSocket owner;
  EXPECT_NO_THROW(TIdSSLContext context(&owner));
}

TEST_F(MissingLibrary, OnlyAPlainConnectionOpens) {
  Load(MissingFile, MissingFile);
  EchoPeer peer;
  TlsClient tls("127.0.0.1", peer.Port(), "");
  EXPECT_THROW(tls.Client.OpenConnection(), EIdOSSLCouldNotLoadSSLLibrary);
  EXPECT_FALSE(tls.Client.IsConnected());
  tls.Transport.SetPlainMode(true);
  tls.Client.OpenConnection();
  tls.Client.WriteLine("plain");
  EXPECT_EQ(tls.Client.ReadLine(), "plain");
  try {
    tls.Transport.SetPlainMode(false);
    FAIL();
  } catch (const EIdOSSLCouldNotLoadSSLLibrary& e) {
    EXPECT_EQ(e.Message, CouldNotLoad);
  }
  EXPECT_TRUE(tls.Transport.PlainMode());
  tls.Client.WriteLine("still plain");
  EXPECT_EQ(tls.Client.ReadLine(), "still plain");
}

}  // namespace
