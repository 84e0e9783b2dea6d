#include "app/job_failure.h"

#include <cerrno>

#include "app/output_name.h"
#include "app/streams/stream_errors.h"
#include "converter/conversion_error.h"
#include "net/http/http_client_exceptions.h"
#include "net/transport/exceptions.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/exception.h"

namespace {

// What one exception of the chain tells of the failure. One that tells no
// kind leaves the kind an outer one gave.
void noteCause(const std::exception& error, TJobFailure& failure) {
  if (dynamic_cast<const EIdReadTimeout*>(&error)) {
    failure.Kind = TFailureKind::Network;
    failure.Timeout = TFailureTimeout::Read;
  } else if (dynamic_cast<const EIdConnectTimeout*>(&error)) {
    failure.Kind = TFailureKind::Network;
    failure.Timeout = TFailureTimeout::Connect;
  } else if (const auto* socket = dynamic_cast<const EIdSocketError*>(&error)) {
    failure.Kind = TFailureKind::Network;
    failure.SocketError = socket->SocketErrorCode;
  } else if (const auto* status = dynamic_cast<const EIdHTTPProtocolException*>(&error)) {
    failure.Kind = TFailureKind::HttpStatus;
    failure.HttpStatus = status->ReplyCode;
  } else if (dynamic_cast<const EIdOSSLPeerVerifyError*>(&error)) {
    failure.Kind = TFailureKind::Tls;
    failure.CertificateRejected = true;
  } else if (dynamic_cast<const EIdOpenSSLError*>(&error)) {
    failure.Kind = TFailureKind::Tls;
  } else if (dynamic_cast<const EIdException*>(&error)) {
    // A connect that failed on the connect thread, a connection closed or
    // cut: the codes, where there are any, come with its nested cause.
    failure.Kind = TFailureKind::Network;
  } else if (dynamic_cast<const EVideoStreamRefused*>(&error)) {
    failure.Kind = TFailureKind::RefusedStream;
  } else if (dynamic_cast<const EVideoStreamFetchFailed*>(&error)) {
    // The stream layer wraps what its workers' clients raise; a fetch it
    // fails itself (a key of the wrong size) is a network failure too.
    failure.Kind = TFailureKind::Network;
    failure.OnWorker = dynamic_cast<const std::nested_exception*>(&error) != nullptr;
  } else if (dynamic_cast<const converter::ConversionError*>(&error) || dynamic_cast<const ENotAVideo*>(&error)) {
    failure.Kind = TFailureKind::Conversion;
  } else if (dynamic_cast<const EConvertError*>(&error) || dynamic_cast<const EBadNameTemplate*>(&error)) {
    failure.Kind = TFailureKind::BadInput;
  } else if (const auto* file = dynamic_cast<const EStreamError*>(&error)) {
    failure.Errno = file->Errno;
    failure.Kind = file->Errno == ENOSPC || file->Errno == EDQUOT ? TFailureKind::DiskFull : TFailureKind::Other;
  }
}

}  // namespace

TJobFailure FailureOf(std::exception_ptr error, TJobStep step, const TIdURI& request) {
  TJobFailure failure;
  failure.Kind = TFailureKind::Other;
  failure.Step = step;
  failure.Request = request;
  for (bool outermost = true; error; outermost = false) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& raised) {
      if (outermost) failure.Message = raised.what();
      noteCause(raised, failure);
      const auto* nested = dynamic_cast<const std::nested_exception*>(&raised);
      error = nested ? nested->nested_ptr() : nullptr;
    } catch (...) {
      // Nothing of the program raises anything else; such a cause tells nothing.
      break;
    }
  }
  return failure;
}
