// Building a context from options: the role, the method every version maps
// to, the files and the cipher list with their failures, and the password
// callback for an encrypted key.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "net/transport/tls/ssl_context.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "net/transport/tls/tls_exceptions.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

// The transport is the context's owner: its events answer the callbacks.
struct ContextUnderTest {
  ContextUnderTest() { context.Options.Assign(transport.SSLOptions()); }
  TIdSSLIOHandlerSocket transport;
  TIdSSLContext context{&transport};
};

TEST(TlsContext, ChoosingAMethodNeedsAModeAndAKnownVersion) {
  ContextUnderTest c;
  try {
    c.context.ChooseMethod();
    FAIL();
  } catch (const EIdOSSLModeNotSet& e) {
    EXPECT_EQ(e.Message, "Mode has not been set.");
  }
  c.context.Options.Mode = sslmClient;
  c.context.Options.Method = static_cast<TIdSSLVersion>(7);
  try {
    c.context.ChooseMethod();
    FAIL();
  } catch (const EIdOSSLGetMethodError& e) {
    EXPECT_EQ(e.Message, "Error geting SSL method.");
  }
  // Every version, old ones included, is the same version-flexible method.
  for (const TIdSSLMode mode : {sslmClient, sslmServer, sslmBoth}) {
    c.context.Options.Mode = mode;
    c.context.Options.Method = sslvSSLv23;
    const SSL_METHOD* flexible = c.context.ChooseMethod();
    for (const TIdSSLVersion method : {sslvSSLv2, sslvSSLv3, sslvTLSv1}) {
      c.context.Options.Method = method;
      EXPECT_EQ(c.context.ChooseMethod(), flexible) << mode << " " << method;
    }
  }
}

struct OptionFault {
  const char* what;
  std::function<void(TIdSSLOptions&)> configure;
  std::string message;
};

const OptionFault kOptionFaults[] = {
    {"root certificate file missing", [](TIdSSLOptions& o) { o.RootCertFile = "/nonexistent/ca.pem"; },
     "Could not load root certificate."},
    {"certificate file missing", [](TIdSSLOptions& o) { o.CertFile = "/nonexistent/server.pem"; },
     "Could not load certificate."},
    {"key of another certificate",
     [](TIdSSLOptions& o) {
       o.CertFile = certs().CaFile();
       o.KeyFile = certs().ServerKeyFile();
     },
     "Could not load key, check password."},
    {"cipher list names no cipher", [](TIdSSLOptions& o) { o.CipherList = "NO-SUCH-CIPHER"; }, "SetCipher failed."},
};

TEST(TlsContext, OptionFaultsRaiseTheirMessages) {
  for (const OptionFault& fault : kOptionFaults) {
    SCOPED_TRACE(fault.what);
    ContextUnderTest c;
    fault.configure(c.context.Options);
    try {
      c.context.BuildContext(false);
      ADD_FAILURE() << "built";
    } catch (const EIdOpenSSLError& e) {
      EXPECT_EQ(e.Message, fault.message);
    }
  }
}

class Refused : public Exception {
public:
  using Exception::Exception;
};

struct PasswordCase {
  const char* what;
  TPasswordEvent handler;
  bool loads;
};

// The encrypted key asks the transport's OnGetPassword. A password too long
// for the library's buffer is refused, not cut; a handler's own exception
// comes out of the build unchanged.
TEST(TlsContext, EncryptedKeyAsksForThePassword) {
  const PasswordCase cases[] = {
      {"right password", [](std::string& p) { p = TlsCertificates::KeyPassword; }, true},
      {"wrong password", [](std::string& p) { p = "wrong"; }, false},
      {"no handler", nullptr, false},
      {"password longer than the buffer", [](std::string& p) { p = std::string(100000, 'p'); }, false},
  };
  for (const PasswordCase& c : cases) {
    SCOPED_TRACE(c.what);
    ContextUnderTest context;
    context.transport.OnGetPassword = c.handler;
    context.context.Options.CertFile = certs().ServerCertFile();
    context.context.Options.KeyFile = certs().EncryptedKeyFile();
    if (c.loads) {
      EXPECT_NO_THROW(context.context.BuildContext(true));
    } else {
      EXPECT_THROW(context.context.BuildContext(true), EIdOSSLLoadingKeyError);
    }
  }
  ContextUnderTest context;
  context.transport.OnGetPassword = [](std::string&) { throw Refused("the user declined"); };
  context.context.Options.CertFile = certs().ServerCertFile();
  context.context.Options.KeyFile = certs().EncryptedKeyFile();
  EXPECT_THROW(context.context.BuildContext(true), Refused);
}

}  // namespace
