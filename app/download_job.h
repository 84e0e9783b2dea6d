// The download-and-convert job behind the Download button: fetch the watch
// page, find its video, fetch that into the job's work folder, load it into the
// converter and write the output file the user names. An address that
// answers with a video is that video; a page of neither site may declare
// one. It runs on the caller's thread; the client's and the converter's
// progress events pump the owner's messages, so Stop runs nested inside it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/job_failure.h"
#include "app/job_folder.h"
#include "app/link_extraction.h"
#include "app/output_formats.h"
#include "app/streams/stream_loader.h"
#include "app/streams/stream_settings.h"

class TIdHTTP;
class TIdComponent;
class TIdSSLIOHandlerSocket;
class TIdSSLOptions;
class TJobReporter;
class TResumingDownload;
class TVideoEdit;
enum class TFetchKind;
struct TFetchResult;
namespace streams {
class TStreamDownload;
}
namespace transfer {
class TRateLimit;
}

// Cancelled: the save dialog was closed; Stopped: Stop ended the conversion.
enum class TJobResult { Done, NoVideo, TimelineEmpty, SaveFailed, Cancelled, Stopped, Aborted };

// What the last job fetched and saved, for a summary of many.
struct TJobOutcome {
  std::string Title;       // the page's title, else the video's file name
  std::string OutputFile;  // empty when nothing was saved
};

// What an address offers, found without fetching its video: the title, where
// the video or stream finally is, and a stream's qualities with the one the
// job would take.
struct TVideoFindings {
  std::string Title;
  std::string Address;
  std::string ContentType;
  std::optional<streams::TStreamKind> Stream;
  // A plain file is one quality of its type.
  streams::TStreamOffer Offer;
  // Index into Offer.Qualities.
  std::optional<size_t> Chosen;
  // YYYYMMDD where the page declares it.
  std::string UploadDate;
};

// The file name an address ends in, without its extension, percent-decoded:
// the title of a video that came without a page.
std::string FileTitle(const std::string& address);

class TDownloadJob {
public:
  // workFolder and profileFolder end with "/"; each run keeps its work files
  // in a folder of its own inside workFolder. The job takes over the
  // client's and the converter's progress events, and gives the client a
  // TLS transport for https addresses.
  TDownloadJob(TIdHTTP& http, TVideoEdit& videoEdit, TJobReporter& reporter, std::string workFolder,
               std::string profileFolder);
  ~TDownloadJob();
  TDownloadJob(const TDownloadJob&) = delete;
  TDownloadJob& operator=(const TDownloadJob&) = delete;

  // Button1Click. An error ends the job at once and reaches the caller, which
  // shows it; the Download button is enabled again however the job ends.
  TJobResult Run(const std::string& watchAddress, const TOutputChoices& choices);
  // The steps of Run up to the video, which is not fetched: the page, the
  // video it leads to and a stream's qualities. Done when findings are
  // filled; errors reach the caller as Run's do.
  TJobResult Inspect(const std::string& watchAddress, const TOutputChoices& choices, TVideoFindings& findings);
  // mxTPButton3Click: ends the transfer or conversion in progress; the job
  // goes on with what it has.
  void Stop();
  // Stop, and end the job before it loads, asks or saves anything more (the
  // window is closing).
  void Abort();
  bool Running() const { return running_; }
  // What the running job does, or what the last one did when it ended.
  TJobStep Step() const { return step_; }
  const TJobOutcome& LastOutcome() const { return outcome_; }

  // The work files of the running job, or of the last one (gone when it
  // saved its output): each job has a folder of its own in the work folder.
  std::string PageFile() const { return jobFolder_ + work_files::Page; }
  std::string VideoFile() const { return jobFolder_ + work_files::Video; }
  std::string ResumeFile() const { return jobFolder_ + work_files::Resume; }
  // A stream's separate audio, and the records that let --continue go on
  // after the segments each track file already holds.
  std::string AudioFile() const { return jobFolder_ + "temp.audio"; }
  std::string VideoSegmentsFile() const { return jobFolder_ + "temp.segments"; }
  std::string AudioSegmentsFile() const { return jobFolder_ + "temp.audio-segments"; }

  // The TLS transport's settings: servers are verified against the system's
  // trust store unless the owner says otherwise.
  TIdSSLOptions& TlsOptions();
  // Retries after a dropped video transfer.
  int Retries = 3;
  // Continue the partial video file an earlier job left for the same address.
  bool ContinuePartial = false;
  // Connections and the quality rule for streamed video.
  TStreamSettings Streams;
  // Bytes a second for all of a run's transfers together (its parts and
  // segments share them); 0 for no limit.
  int64_t LimitRate = 0;

  TSiteHosts Hosts = TSiteHosts::Defaults();
  // Where the save dialog opens: the program's folder is read-only once
  // installed, so the owner names a folder of the user's; the work folder
  // until it does.
  std::string SaveFolder;

private:
  class RunningMark;
  struct TFoundVideo;
  // The step is what a failure names and what the front ends show.
  void beginStep(TJobStep step, const std::string& title = {});
  void reportNotice(const std::string& notice);
  void HTTP1Status(const std::string& AStatusText);
  void HTTP1WorkBegin(int64_t AWorkCountMax);
  void HTTP1Work(int64_t AWorkCount);
  void HTTP1WorkEnd();
  void VideoEdit1Processing(double iCurPos, double iDuration);
  void VideoEdit1Complete();
  void setProgress(int64_t position, int64_t maximum);
  TJobResult runSteps(const std::string& watchAddress, const TOutputChoices& choices);
  void prepareDownload(TResumingDownload& download);
  // The page, or the address itself, up to the video's answer; titled runs
  // once the title is known, before the video is asked for.
  TJobResult findVideo(TResumingDownload& download, TJobFolder& folder, const std::string& watchAddress,
                       const std::function<void()>& titled, TFoundVideo& found);
  streams::TQualityRule qualityRule(const TOutputChoices& choices, int16_t outputHeight) const;
  // What the address answers, fetched into the work files; a video an
  // earlier run fetched whole is taken as it is when the job continues.
  TFetchResult fetchVideo(TResumingDownload& download, TJobFolder& folder, const std::string& address, TFetchKind kind);
  // The stream's plan read and its tracks fetched into the work files.
  TJobResult fetchStream(streams::TStreamKind kind, const TFetchResult& answer, const TOutputChoices& choices,
                         int16_t outputHeight);
  std::unique_ptr<TIdHTTP> makeStreamClient();
  // The Original format's extension, known once the timeline holds the video.
  void chooseOriginalExtension();

  TIdHTTP& http_;
  TVideoEdit& videoEdit_;
  TJobReporter& reporter_;
  const std::string workFolder_;
  std::string jobFolder_;
  const std::string profileFolder_;
  std::unique_ptr<TIdSSLIOHandlerSocket> tls_;
  int64_t progressPosition_ = 0;
  int64_t progressMaximum_ = 100;
  // Where the byte counts of a continued transfer start.
  int64_t workOffset_ = 0;
  TDialogFormat dialog_;
  std::string lastFileName_;
  TJobOutcome outcome_;
  // Set while a stream's segments arrive, so Stop reaches its clients.
  streams::TStreamDownload* streamDownload_ = nullptr;
  // The running job's cap, shared by all its connections; none without one.
  std::shared_ptr<transfer::TRateLimit> rateLimit_;
  // The stream came with its sound in a file of its own.
  bool separateAudio_ = false;
  // For the output's name: the stream quality's picture size (0 when the
  // stream does not say) and the page's upload day.
  int32_t qualityWidth_ = 0;
  int32_t qualityHeight_ = 0;
  std::string uploadDate_;
  bool running_ = false;
  TJobStep step_ = TJobStep::None;
  bool aborted_ = false;
  bool stopped_ = false;
  // Inspect: a video's answer ends its transfer at once.
  bool inspecting_ = false;
  bool mediaSkipped_ = false;
  TFetchKind fetchKind_{};
};
