#include "net/transport/exceptions.h"

#include <cstring>

#include "platform/sockets.h"

namespace {

std::string systemMessage(int32_t code) {
  if (code == sockets::WSANOTINITIALISED) return "Successful WSAStartup not yet performed.";
  return std::strerror(code);
}

std::string stubMessage(const std::string& callTitle, int32_t code) {
  return code == 0 ? callTitle : systemMessage(code) + ": " + callTitle;
}

}  // namespace

EIdWS2StubError::EIdWS2StubError(const std::string& callTitle, int32_t osErrorCode)
    : EIdException(stubMessage(callTitle, osErrorCode)),
      OsErrorCode(osErrorCode),
      OsErrorText(osErrorCode == 0 ? "" : systemMessage(osErrorCode)),
      CallTitle(callTitle) {}
