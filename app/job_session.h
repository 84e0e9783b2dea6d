// One download-and-convert session for a front end: the HTTP client with the
// window's settings, the converter, the job, the proxy policy and the TLS
// settings, owned together, so that neither front end assembles them. A
// session belongs to one thread; nothing in it is shared with another session
// but the socket layer's stack and the loaded TLS library, which are made for
// many threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app_folders.h"
#include "app/download_job.h"
#include "app/job_failure.h"
#include "app/option_lists.h"
#include "app/output_formats.h"
#include "app/proxy_settings.h"

class TIdHTTP;
class TJobReporter;
class TVideoEdit;

struct TSessionOptions {
  TAppFolders Folders;
  // The proxy variables are read through it; none reads none.
  TProxyPolicy::TGetEnv Environment;
  // A proxy named by the user, which wins over the variables.
  std::optional<TProxyAddress> ForcedProxy;
  bool Insecure = false;
  int Retries = 3;
  bool ContinuePartial = false;
  TStreamSettings Streams;
  // host[:port] of a local copy of both sites, which gets the video requests.
  std::string SiteHost;
  // Where the save dialog opens; the work folder when empty.
  std::string SaveFolder;
  // Milliseconds for the connect, the TLS handshake and each read; 0 waits
  // without limit, as the window does. A time-out counts as a dropped
  // connection for Retries.
  int32_t ReadTimeout = 0;
  // Bytes a second for all of a job's transfers together; 0 for no limit.
  int64_t LimitRate = 0;
};

struct TSessionResult {
  TJobResult Result = TJobResult::Done;
  // Why nothing was saved; of kind None when the output was.
  TJobFailure Failure;
  // The failure is an error the front end must show: the job's own outcomes
  // (No video, ...) it has already shown through the reporter.
  bool Raised = false;
  std::string OutputFile;
  std::string Title;
  // For a raised failure: the way the failed request took, and the partial
  // video the work folder keeps for a later run (empty: none).
  TProxyAddress FailedRoute;
  std::string PartialVideo;
  bool Saved() const { return Failure.Kind == TFailureKind::None; }
};

class TJobSession {
public:
  TJobSession(TJobReporter& reporter, TSessionOptions options);
  ~TJobSession();
  TJobSession(const TJobSession&) = delete;
  TJobSession& operator=(const TJobSession&) = delete;

  TSessionResult Run(const std::string& address, const TOutputChoices& choices);
  // What the address offers, its video not fetched; Saved() when findings
  // are filled.
  TSessionResult Inspect(const std::string& address, const TOutputChoices& choices, TVideoFindings& findings);
  // Ends the transfer or conversion in progress; the job goes on with what
  // it has.
  void Stop();
  // Stop, and end the job before it asks or saves anything more.
  void Abort();
  bool Running() const;
  // The connections of the video transfers that start from now on.
  void SetConnections(int32_t connections);

  TOptionLists OptionLists() const;
  // A proxy variable that could not be read. The user asked for a proxy, so
  // every run refuses to fetch rather than go direct.
  const std::string& ProxyError() const { return proxyError_; }

private:
  TSessionResult outcomeOf(const std::function<TJobResult()>& step);

  std::unique_ptr<TIdHTTP> http_;
  std::unique_ptr<TVideoEdit> videoEdit_;
  std::unique_ptr<TProxyPolicy> proxies_;
  std::unique_ptr<TDownloadJob> job_;
  std::string proxyError_;
};
