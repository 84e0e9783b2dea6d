#include "app/job_session.h"

#include <filesystem>
#include <system_error>

#include <fmt/core.h>

#include "app/http_settings.h"
#include "app/messages.h"
#include "app/output_name.h"
#include "app/streams/stream_errors.h"
#include "converter/conversion_error.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/transport/exceptions.h"
#include "net/transport/tls/ssl_options.h"
#include "platform/exception.h"

namespace {

// The one place an error that ended a job becomes the kind of failure.
TFailureKind failureOf(const std::exception& error) {
  if (dynamic_cast<const EConvertError*>(&error) || dynamic_cast<const EBadNameTemplate*>(&error))
    return TFailureKind::BadInput;
  if (dynamic_cast<const EIdException*>(&error)) return TFailureKind::Network;
  // A stream we will not save (live, protected, broken) has no video for us;
  // one that did not arrive whole failed on the network.
  if (dynamic_cast<const EVideoStreamRefused*>(&error)) return TFailureKind::NoVideo;
  if (dynamic_cast<const EVideoStreamFetchFailed*>(&error)) return TFailureKind::Network;
  if (dynamic_cast<const converter::ConversionError*>(&error)) return TFailureKind::Conversion;
  return TFailureKind::Other;
}

}  // namespace

TJobSession::TJobSession(TJobReporter& reporter, TSessionOptions options)
    : http_(std::make_unique<TIdHTTP>()), videoEdit_(std::make_unique<TVideoEdit>()) {
  ApplyMainWindowSettings(*http_);
  http_->ReadTimeout = options.ReadTimeout;
  try {
    const TProxyPolicy::TGetEnv none = [](const char*) -> const char* { return nullptr; };
    proxies_ = TProxyPolicy::FromEnvironment(options.Environment ? options.Environment : none);
  } catch (const Exception& error) {
    proxyError_ = error.Message;
    proxies_ = std::make_unique<TProxyPolicy>();
  }
  proxies_->Forced = options.ForcedProxy;
  http_->ProxyChooser = proxies_.get();

  job_ = std::make_unique<TDownloadJob>(*http_, *videoEdit_, reporter, options.Folders.Work, options.Folders.Profiles);
  job_->Retries = options.Retries;
  job_->ContinuePartial = options.ContinuePartial;
  job_->Streams = options.Streams;
  if (!options.SiteHost.empty()) job_->Hosts = {options.SiteHost, options.SiteHost};
  if (!options.SaveFolder.empty()) job_->SaveFolder = options.SaveFolder;
  if (options.Insecure) job_->TlsOptions().SetVerifyMode({});
}

TJobSession::~TJobSession() = default;

TSessionResult TJobSession::Run(const std::string& address, const TOutputChoices& choices) {
  TSessionResult result;
  if (!proxyError_.empty()) {
    result.Failure = TFailureKind::BadInput;
    result.Message = proxyError_;
    result.Raised = true;
    return result;
  }
  try {
    result.Result = job_->Run(address, choices);
  } catch (const std::exception& error) {
    result.Failure = failureOf(error);
    result.Message = error.what();
    result.Raised = true;
    result.Title = job_->LastOutcome().Title;
    result.FailedRequest = http_->CurrentUri;
    result.FailedRoute = proxies_->ChooseProxy(http_->CurrentUri);
    std::error_code noSize;
    if (std::filesystem::file_size(job_->VideoFile(), noSize) > 0 && !noSize) result.PartialVideo = job_->VideoFile();
    return result;
  }
  result.Title = job_->LastOutcome().Title;
  result.OutputFile = job_->LastOutcome().OutputFile;
  switch (result.Result) {
    case TJobResult::Done: break;
    case TJobResult::NoVideo:
      result.Failure = TFailureKind::NoVideo;
      result.Message = app_messages::NoVideo;
      break;
    case TJobResult::TimelineEmpty:
      result.Failure = TFailureKind::Conversion;
      result.Message = app_messages::TimelineEmpty;
      break;
    case TJobResult::SaveFailed:
      result.Failure = TFailureKind::Conversion;
      result.Message = videoEdit_->LastError().empty() ? app_messages::FailToSave : videoEdit_->LastError();
      break;
    case TJobResult::Cancelled:
    case TJobResult::Stopped:
    case TJobResult::Aborted:
      result.Failure = TFailureKind::Stopped;
      result.Message = app_messages::NothingSaved;
      break;
  }
  return result;
}

void TJobSession::Stop() { job_->Stop(); }
void TJobSession::Abort() { job_->Abort(); }
bool TJobSession::Running() const { return job_->Running(); }
void TJobSession::SetConnections(int32_t connections) { job_->Streams.Connections = connections; }

TOptionLists TJobSession::OptionLists() const { return FillOptionLists(*videoEdit_); }
