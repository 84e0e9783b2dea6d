#include "app/cli/failure_text.h"

#include <sys/statvfs.h>

#include <filesystem>
#include <system_error>

#include "app/cli/cli_text.h"
#include "app/error_text.h"
#include "app/messages.h"
#include "net/http/text_helpers.h"

namespace {

// The socket layer's code for a connect the peer refused (WSAECONNREFUSED).
constexpr int32_t ConnectionRefused = 10061;

// A disk with less room than this counts as full: a write that failed there
// failed for want of room.
constexpr unsigned long long FullDiskRoom = 64 * 1024;

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
  if (result.FailedRoute.Kind == TProxyKind::Direct) return hostAndPort(result.Failure.Request);
  return MessageFormat(app_messages::TheProxy, result.FailedRoute.Host, result.FailedRoute.Port);
}

// The converter tells of a failed save only in words, with no code: a save
// that failed on a disk with almost no room left failed for want of room.
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
  const TJobFailure& failure = result.Failure;
  // The peer is known for the job's own request only; the stream layer's
  // message names the request of a worker.
  if (!failure.OnWorker) {
    if (failure.SocketError == ConnectionRefused) return MessageFormat(app_messages::Refused, peerOf(result));
    switch (failure.Timeout) {
      case TFailureTimeout::Connect:
        return MessageFormat(app_messages::NoAnswer, peerOf(result), context.TimeoutSeconds);
      case TFailureTimeout::Read:
        return MessageFormat(app_messages::WentSilent, peerOf(result), context.TimeoutSeconds);
      case TFailureTimeout::None: break;
    }
  }
  // A socket error's code and text stand on two lines.
  std::string reason = TranslatedMessage(failure.Message);
  for (char& c : reason)
    if (c == '\r' || c == '\n') c = ' ';
  if (failure.CertificateRejected) reason += TranslatedMessage(app_messages::CertificateHelp);
  return reason;
}

// The job's own outcomes ("No video", ...) read as the window shows them.
std::string messageLine(const TSessionResult& result) {
  const std::string shown = TranslatedMessage(result.Failure.Message);
  return result.Raised || result.Result == TJobResult::SaveFailed ? ErrorBoxText(shown) : shown;
}

}  // namespace

std::string FailureLine(const TSessionResult& result, const TFailureContext& context) {
  const TJobFailure& failure = result.Failure;
  std::string line;
  switch (failure.Kind) {
    case TFailureKind::Network:
    case TFailureKind::HttpStatus:
    case TFailureKind::Tls:
      line = MessageFormat(failure.Step == TJobStep::Video ? app_messages::VideoFailed : app_messages::PageFailed,
                           addressOf(failure.Request), networkReason(result, context));
      break;
    case TFailureKind::DiskFull:
      line =
          MessageFormat(app_messages::DiskFull, result.PartialVideo.empty() ? context.WorkFolder : result.PartialVideo);
      break;
    case TFailureKind::Conversion:
      if (result.Result != TJobResult::SaveFailed || !diskFull(context.OutputFile)) return messageLine(result);
      line = MessageFormat(app_messages::DiskFull, context.OutputFile);
      break;
    case TFailureKind::None:
    case TFailureKind::NoVideo:
    case TFailureKind::Stopped:
    case TFailureKind::RefusedStream:
    case TFailureKind::BadInput:
    case TFailureKind::Other: return messageLine(result);
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
