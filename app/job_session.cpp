#include "app/job_session.h"

#include <filesystem>
#include <system_error>

#include <fmt/core.h>

#include "app/http_settings.h"
#include "app/messages.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/transport/tls/ssl_options.h"
#include "platform/exception.h"

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
  job_->LimitRate = options.LimitRate;
  if (!options.SiteHost.empty()) job_->Hosts = {options.SiteHost, options.SiteHost};
  if (!options.SaveFolder.empty()) job_->SaveFolder = options.SaveFolder;
  if (options.Insecure) job_->TlsOptions().SetVerifyMode({});
}

TJobSession::~TJobSession() = default;

TSessionResult TJobSession::Run(const std::string& address, const TOutputChoices& choices) {
  return outcomeOf([&] { return job_->Run(address, choices); });
}

TSessionResult TJobSession::Inspect(const std::string& address, const TOutputChoices& choices,
                                    TVideoFindings& findings) {
  return outcomeOf([&] { return job_->Inspect(address, choices, findings); });
}

TSessionResult TJobSession::outcomeOf(const std::function<TJobResult()>& step) {
  TSessionResult result;
  if (!proxyError_.empty()) {
    result.Failure.Kind = TFailureKind::BadInput;
    result.Failure.Message = proxyError_;
    result.Raised = true;
    return result;
  }
  try {
    result.Result = step();
  } catch (const std::exception&) {
    result.Failure = FailureOf(std::current_exception(), job_->Step(), http_->CurrentUri);
    result.Raised = true;
    result.Title = job_->LastOutcome().Title;
    result.FailedRoute = proxies_->ChooseProxy(http_->CurrentUri);
    std::error_code noSize;
    if (std::filesystem::file_size(job_->VideoFile(), noSize) > 0 && !noSize) result.PartialVideo = job_->VideoFile();
    return result;
  }
  result.Title = job_->LastOutcome().Title;
  result.OutputFile = job_->LastOutcome().OutputFile;
  // The job's own outcomes: it has shown them, and they come with no cause.
  const auto outcome = [&](TFailureKind kind, std::string message) {
    result.Failure.Kind = kind;
    result.Failure.Step = job_->Step();
    result.Failure.Message = std::move(message);
  };
  switch (result.Result) {
    case TJobResult::Done: break;
    case TJobResult::NoVideo: outcome(TFailureKind::NoVideo, app_messages::NoVideo); break;
    case TJobResult::TimelineEmpty: outcome(TFailureKind::Conversion, app_messages::TimelineEmpty); break;
    case TJobResult::SaveFailed:
      outcome(TFailureKind::Conversion,
              videoEdit_->LastError().empty() ? app_messages::FailToSave : videoEdit_->LastError());
      break;
    case TJobResult::Cancelled:
    case TJobResult::Stopped:
    case TJobResult::Aborted: outcome(TFailureKind::Stopped, app_messages::NothingSaved); break;
  }
  return result;
}

void TJobSession::Stop() { job_->Stop(); }
void TJobSession::Abort() { job_->Abort(); }
bool TJobSession::Running() const { return job_->Running(); }
void TJobSession::SetConnections(int32_t connections) { job_->Streams.Connections = connections; }

TOptionLists TJobSession::OptionLists() const { return FillOptionLists(*videoEdit_); }
