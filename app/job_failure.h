// Why a job saved nothing, as a value: its kind, the codes of its cause, the
// step and the request it failed in, and the text a person reads. It is made
// once, from the exception as raised, and crosses threads and layers whole;
// each front end words it from its fields, never from its text.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "net/http/uri.h"
#include "platform/exception.h"

// A file served as a video that the converter cannot read: it fails as a
// conversion does.
class ENotAVideo : public Exception {
public:
  using Exception::Exception;
};

// What a front end sorts failures by (the command line's exit codes, for one).
enum class TFailureKind {
  None,
  Network,
  HttpStatus,
  Tls,
  DiskFull,
  NoVideo,
  Conversion,
  Stopped,
  RefusedStream,
  BadInput,
  Other
};

// What the job was doing when it failed.
enum class TJobStep { None, Page, Video, Conversion };

enum class TFailureTimeout { None, Connect, Read };

struct TJobFailure {
  TFailureKind Kind = TFailureKind::None;
  TJobStep Step = TJobStep::None;
  // The socket layer's code (the Windows socket numbering) of a socket
  // failure, and errno of a file's; 0 when the cause had none.
  int32_t SocketError = 0;
  int Errno = 0;
  TFailureTimeout Timeout = TFailureTimeout::None;
  // The status of an HTTP answer that was refused; 0 for none.
  int32_t HttpStatus = 0;
  // The TLS handshake failed because the server's certificate was not accepted.
  bool CertificateRejected = false;
  // The request the job's own client was making.
  TIdURI Request;
  // The cause arose on a worker's client of a stream (a segment, a key, a
  // part of the file): the message names that request, and the codes are
  // its, not Request's.
  bool OnWorker = false;
  // The outermost exception's text, untranslated.
  std::string Message;
};

// The failure that error stands for. The kind and the codes come from the
// innermost cause that tells them (std::nested_exception is followed down),
// the message from the outermost exception. request: what the job's own
// client was asking for when it failed.
TJobFailure FailureOf(std::exception_ptr error, TJobStep step, const TIdURI& request = TIdURI());
