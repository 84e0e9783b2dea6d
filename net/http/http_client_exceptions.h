#pragma once
// The failures of the HTTP exchange: an HTTP status the client does not
// accept (with the error page the server sent), an address whose protocol it
// cannot speak, a response that passes a limit against hostile servers, and
// one whose length cannot be told safely.

#include <cstdint>
#include <string>

#include "net/transport/exceptions.h"

class EIdHTTPProtocolException : public EIdProtocolReplyError {
public:
  EIdHTTPProtocolException(int32_t replyCode, std::string message, std::string bodyText)
      : EIdProtocolReplyError(replyCode, std::move(message)), BodyText(std::move(bodyText)) {}
  // The body of the failed response.
  std::string BodyText;
};

class EIdUnknownProtocol : public EIdException {
public:
  using EIdException::EIdException;
};

class EIdHTTPResponseTooLarge : public EIdException {
public:
  using EIdException::EIdException;
};

class EIdHTTPFramingError : public EIdException {
public:
  using EIdException::EIdException;
};

// The toolkit's error for an object that is not of the kind a step needs: a
// proxy tunnel that opened over a transport that cannot run TLS.
class EInvalidCast : public Exception {
public:
  using Exception::Exception;
};
