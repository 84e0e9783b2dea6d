#include "app/job_failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <exception>
#include <ostream>
#include <thread>

#include <fmt/core.h>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"
#include "net/http/http_client_exceptions.h"
#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "net/transport/tcp_client.h"
#include "net/transport/tls/messages.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/streams.h"
#include "tests/servers/loopback.h"

namespace {

const std::string Refused = fmt::format(transport_messages::SocketError, 10061, "Connection refused.");
const std::string Reset = fmt::format(transport_messages::SocketError, 10054, "Connection reset by peer.");

// The stream layer's segment fetch on a worker thread: the client's failure
// nested in its own, handed to the waiting thread and rethrown there.
void segmentOnWorkerFails(void (*fetch)()) {
  std::exception_ptr failure;
  std::thread([&] {
    try {
      try {
        fetch();
      } catch (const std::exception& error) {
        std::throw_with_nested(
            EVideoStreamFetchFailed(fmt::format(stream_messages::SegmentFailed, "s3", error.what())));
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }).join();
  std::rethrow_exception(failure);
}

void writeToFullDisk() { TFileStream("/dev/full", fmOpenWrite).WriteBuffer("x", 1); }

struct Seen {
  TFailureKind Kind;
  std::string Message;
  int32_t SocketError = 0;
  int Errno = 0;
  TFailureTimeout Timeout = TFailureTimeout::None;
  int32_t HttpStatus = 0;
  bool CertificateRejected = false;
  bool OnWorker = false;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* out) {
  *out << fmt::format("{} '{}' {} {} {} {} {} {}", int(s.Kind), s.Message, s.SocketError, s.Errno, int(s.Timeout),
                      s.HttpStatus, s.CertificateRejected, s.OnWorker);
}

struct FailureCase {
  const char* name;
  void (*raise)();
  Seen expected;
};

// Each failure as its layer raises it: the kind and codes of the innermost
// cause, the message of the outermost exception, exactly.
const FailureCase kFailureCases[] = {
    {"refused, through the connect thread of a connect with a time-out",
     [] {
       RefusingPort refusing;
       TIdTCPClient client;
       client.SetHost("127.0.0.1");
       client.SetPort(refusing.Port());
       client.OpenConnection(2000);
     },
     {.Kind = TFailureKind::Network, .Message = Refused, .SocketError = 10061}},
    {"read time-out",
     [] { throw EIdReadTimeout(transport_messages::ReadTimeout); },
     {.Kind = TFailureKind::Network, .Message = "Read Timeout", .Timeout = TFailureTimeout::Read}},
    {"HTTP status",
     [] { throw EIdHTTPProtocolException(404, "HTTP/1.1 404 Not Found", "gone"); },
     {.Kind = TFailureKind::HttpStatus, .Message = "HTTP/1.1 404 Not Found", .HttpStatus = 404}},
    {"certificate not accepted",
     [] { throw EIdOSSLPeerVerifyError(fmt::format(tls_messages::PeerNotVerified, "certificate has expired")); },
     {.Kind = TFailureKind::Tls,
      .Message = fmt::format(tls_messages::PeerNotVerified, "certificate has expired"),
      .CertificateRejected = true}},
    {"a segment's connection reset",
     [] { segmentOnWorkerFails([] { throw EIdSocketError(10054, Reset); }); },
     {.Kind = TFailureKind::Network,
      .Message = fmt::format(stream_messages::SegmentFailed, "s3", Reset),
      .SocketError = 10054,
      .OnWorker = true}},
    {"a full disk under a segment",
     [] { segmentOnWorkerFails(writeToFullDisk); },
     {.Kind = TFailureKind::DiskFull,
      .Message = "The segment s3 could not be fetched: Stream write error",
      .Errno = ENOSPC,
      .OnWorker = true}},
    {"a full disk under the video file",
     writeToFullDisk,
     {.Kind = TFailureKind::DiskFull, .Message = "Stream write error", .Errno = ENOSPC}},
    {"a key of the wrong size, with no cause below",
     [] { throw EVideoStreamFetchFailed(fmt::format(stream_messages::BadKey, "k")); },
     {.Kind = TFailureKind::Network, .Message = "The key k is not 16 bytes long."}},
    {"a live stream",
     [] { throw EVideoStreamRefused(stream_messages::LivePlaylist); },
     {.Kind = TFailureKind::RefusedStream, .Message = stream_messages::LivePlaylist}},
    {"a width that is no number",
     [] { throw EConvertError("'abc' is not a valid integer value"); },
     {.Kind = TFailureKind::BadInput, .Message = "'abc' is not a valid integer value"}},
    {"anything else", [] { throw std::runtime_error("odd"); }, {.Kind = TFailureKind::Other, .Message = "odd"}},
};

TEST(JobFailure, AsEachLayerRaisesIt) {
  const TIdURI request("http://127.0.0.1:8080/watch?v=1");
  for (const FailureCase& c : kFailureCases) {
    SCOPED_TRACE(c.name);
    try {
      c.raise();
      ADD_FAILURE() << "nothing raised";
    } catch (...) {
      const TJobFailure failure = FailureOf(std::current_exception(), TJobStep::Video, request);
      EXPECT_EQ((Seen{failure.Kind, failure.Message, failure.SocketError, failure.Errno, failure.Timeout,
                      failure.HttpStatus, failure.CertificateRejected, failure.OnWorker}),
                c.expected);
      EXPECT_EQ(failure.Step, TJobStep::Video);
      EXPECT_EQ(failure.Request.ComposeFull(NoOptionalFields), request.ComposeFull(NoOptionalFields));
    }
  }
}

}  // namespace
