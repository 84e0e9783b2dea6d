// Any bytes as the server's side of a TLS handshake: the client handshake
// over one end of a socket pair, the bytes waiting on the other end followed
// by its close. It must end in an error (or, should the bytes ever form a
// valid server, a link), never in a crash, a leak or a hang.

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_check.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "net/transport/tls/tls_exceptions.h"

namespace {

// One context for the whole run: the library and its trust store load once.
struct Client {
  Client() { context->BuildContext(false); }
  TIdSSLIOHandlerSocket owner;
  std::unique_ptr<TIdSSLContext> context = std::make_unique<TIdSSLContext>(&owner);
};

bool writeAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Client client;
  // The whole input must fit the pair's buffer, as nobody reads the other
  // way round while it is written.
  if (size > 65536) return 0;
  int pair[2];
  fuzzCheck(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0, "socketpair", "");
  const int buffer = 262144;
  ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  ::setsockopt(pair[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  if (writeAll(pair[1], data, size)) {
    ::shutdown(pair[1], SHUT_WR);
    TIdSSLSocket link(&client.owner, client.context.get());
    try {
      link.ConnectTLS(pair[0], "localhost");
      char received[256];
      link.ReadTLS(received, sizeof received);
    } catch (const EIdException&) {
    }
  }
  ::close(pair[0]);
  ::close(pair[1]);
  return 0;
}
