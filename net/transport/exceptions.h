#pragma once
// The exception classes of the network client. EIdException is the root of
// everything the transport and the HTTP layer raise.

#include <cstdint>
#include <string>

#include "platform/exception.h"

#define QUILLFEN_EXCEPTION(Name, Base) \
  class Name : public Base {           \
  public:                              \
    using Base::Base;                  \
  }

QUILLFEN_EXCEPTION(EIdException, Exception);
QUILLFEN_EXCEPTION(EIdSilentException, EIdException);
QUILLFEN_EXCEPTION(EIdConnClosedGracefully, EIdSilentException);
QUILLFEN_EXCEPTION(EIdAlreadyConnected, EIdException);
QUILLFEN_EXCEPTION(EIdClosedSocket, EIdException);
QUILLFEN_EXCEPTION(EIdReadTimeout, EIdException);
QUILLFEN_EXCEPTION(EIdReadLnMaxLineLengthExceeded, EIdException);
QUILLFEN_EXCEPTION(EIdInvalidServiceName, EIdException);
QUILLFEN_EXCEPTION(EIdConnectTimeout, EIdException);
QUILLFEN_EXCEPTION(EIdConnectException, EIdException);
QUILLFEN_EXCEPTION(EIdInvalidSocket, EIdException);

class EIdProtocolReplyError : public EIdException {
public:
  EIdProtocolReplyError(int32_t replyCode, std::string message)
      : EIdException(std::move(message)), ReplyCode(replyCode) {}
  int32_t ReplyCode;
};
class EIdSSLProtocolReplyError : public EIdProtocolReplyError {
public:
  using EIdProtocolReplyError::EIdProtocolReplyError;
};

QUILLFEN_EXCEPTION(EIdSocksError, EIdException);
QUILLFEN_EXCEPTION(EIdSocksRequestFailed, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksRequestServerFailed, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksRequestIdentFailed, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksUnknownError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerRespondError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksAuthMethodError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksAuthError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerGeneralError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerPermissionError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerNetUnreachableError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerHostUnreachableError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerConnectionRefusedError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerTTLExpiredError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerCommandError, EIdSocksError);
QUILLFEN_EXCEPTION(EIdSocksServerAddressError, EIdSocksError);

class EIdSocketError : public EIdException {
public:
  EIdSocketError(int32_t code, std::string message) : EIdException(std::move(message)), SocketErrorCode(code) {}
  int32_t SocketErrorCode;
};

// A failure of the socket library binding: the call that failed and the
// operating system's code and text for it.
class EIdWS2StubError : public EIdException {
public:
  EIdWS2StubError(const std::string& callTitle, int32_t osErrorCode);
  int32_t OsErrorCode;
  std::string OsErrorText;
  std::string CallTitle;
};

QUILLFEN_EXCEPTION(EIdStackError, EIdException);
QUILLFEN_EXCEPTION(EIdStackInitializationFailed, EIdStackError);
QUILLFEN_EXCEPTION(EIdStackSetSizeExceeded, EIdStackError);

QUILLFEN_EXCEPTION(EIdSocketHandleError, EIdException);
QUILLFEN_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError);
QUILLFEN_EXCEPTION(EIdCanNotBindPortInRange, EIdSocketHandleError);
QUILLFEN_EXCEPTION(EIdInvalidPortRange, EIdSocketHandleError);

QUILLFEN_EXCEPTION(EIdTCPConnectionError, EIdException);
QUILLFEN_EXCEPTION(EIdNotEnoughDataInBuffer, EIdTCPConnectionError);
QUILLFEN_EXCEPTION(EIdIOHandlerPropInvalid, EIdTCPConnectionError);
QUILLFEN_EXCEPTION(EIdNoDataToRead, EIdTCPConnectionError);
QUILLFEN_EXCEPTION(EIdNotConnected, EIdTCPConnectionError);
QUILLFEN_EXCEPTION(EIdFileNotFound, EIdTCPConnectionError);
// A size, length or stream position given to the connection that no read or
// write can use.
QUILLFEN_EXCEPTION(EIdInvalidSize, EIdTCPConnectionError);

#undef QUILLFEN_EXCEPTION
