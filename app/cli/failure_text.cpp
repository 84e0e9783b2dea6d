#include "app/cli/failure_text.h"

#include <sys/statvfs.h>

#include <filesystem>
#include <string_view>
#include <system_error>

#include <fmt/core.h>

#include "app/cli/cli_text.h"
#include "app/error_text.h"
#include "app/messages.h"
#include "net/http/text_helpers.h"
#include "net/transport/messages.h"
#include "net/transport/tls/messages.h"

namespace {

// A disk with less room than this counts as full: a write that failed there
// failed for want of room.
constexpr unsigned long long FullDiskRoom = 64 * 1024;

bool startsLike(const std::string& text, std::string_view pattern) {
  return text.starts_with(pattern.substr(0, pattern.find('{')));
}

std::string hostAndPort(const TIdURI& request) {
  std::string port = request.Port;
  if (port.empty()) port = LowerCase(request.Protocol) == "https" ? "443" : "80";
  return request.Host + ":" + port;
}

// The request's address as a person typed it: no default port.
std::string addressOf(const TIdURI& request) {
  const std::string scheme = LowerCase(request.Protocol);
  const bool defaultPort = request.Port.empty() || (scheme == "http" && request.Port == "80") ||
                           (scheme == "https" && request.Port == "443");
  return scheme + "://" + request.Host + (defaultPort ? "" : ":" + request.Port) + request.Path + request.Document +
         request.Params;
}

// Who did not answer: the proxy when the request went through one.
std::string peerOf(const TSessionResult& result) {
  if (result.FailedRoute.Kind == TProxyKind::Direct) return hostAndPort(result.FailedRequest);
  return MessageFormat(app_messages::TheProxy, result.FailedRoute.Host, result.FailedRoute.Port);
}

bool diskFull(const std::string& path) {
  if (path.empty()) return false;
  struct statvfs room {};
  std::error_code notThere;
  const std::string folder =
      std::filesystem::is_directory(path, notThere) ? path : std::filesystem::path(path).parent_path().string();
  return ::statvfs(folder.empty() ? "." : folder.c_str(), &room) == 0 &&
         static_cast<unsigned long long>(room.f_bavail) * room.f_frsize < FullDiskRoom;
}

// Why a request failed, in words that say what to do about it.
std::string networkReason(const TSessionResult& result, const TFailureContext& context) {
  const std::string& message = result.Message;
  if (message.starts_with(fmt::format(transport_messages::SocketError, 10061, "")))
    return MessageFormat(app_messages::Refused, peerOf(result));
  if (message == transport_messages::ConnectTimeout)
    return MessageFormat(app_messages::NoAnswer, peerOf(result), context.TimeoutSeconds);
  if (message == transport_messages::ReadTimeout)
    return MessageFormat(app_messages::WentSilent, peerOf(result), context.TimeoutSeconds);
  if (startsLike(message, tls_messages::PeerNotVerified))
    return TranslatedMessage(message) + TranslatedMessage(app_messages::CertificateHelp);
  // A socket error's code and text stand on two lines.
  std::string reason = TranslatedMessage(message);
  for (char& c : reason)
    if (c == '\r' || c == '\n') c = ' ';
  return reason;
}

}  // namespace

std::string FailureLine(const TSessionResult& result, const TFailureContext& context) {
  const bool transfer = context.Step == TJobStep::Page || context.Step == TJobStep::Video;
  std::string line;
  if (result.Failure == TFailureKind::Network && result.Raised) {
    line = MessageFormat(context.Step == TJobStep::Video ? app_messages::VideoFailed : app_messages::PageFailed,
                         addressOf(result.FailedRequest), networkReason(result, context));
  } else if (transfer && result.Raised && diskFull(context.WorkFolder)) {
    line =
        MessageFormat(app_messages::DiskFull, result.PartialVideo.empty() ? context.WorkFolder : result.PartialVideo);
  } else if (result.Result == TJobResult::SaveFailed && diskFull(context.OutputFile)) {
    line = MessageFormat(app_messages::DiskFull, context.OutputFile);
  } else {
    // The job's own outcomes ("No video", ...) read as the window shows them.
    const std::string shown = TranslatedMessage(result.Message);
    return result.Raised || result.Result == TJobResult::SaveFailed ? ErrorBoxText(shown) : shown;
  }
  if (!result.PartialVideo.empty()) {
    std::error_code noSize;
    const auto kept = std::filesystem::file_size(result.PartialVideo, noSize);
    if (!noSize) {
      if (line.ends_with('.')) line.pop_back();
      line += MessageFormat(app_messages::PartialKept, kept);
    }
  }
  return ErrorBoxText(line);
}
