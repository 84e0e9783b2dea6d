#include "app/download_job.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>

#include <fmt/core.h>

#include "app/http_settings.h"
#include "app/job_reporter.h"
#include "app/messages.h"
#include "app/page_video.h"
#include "app/resuming_download.h"
#include "app/streams/stream_download.h"
#include "app/streams/stream_errors.h"
#include "app/transfer/rate_limit.h"
#include "converter/conversion_error.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/http/uri.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "platform/exception.h"
#include "platform/streams.h"

namespace {

// Writes the page's lines, each ended by CR LF.
void writePageFile(const std::string& path, const std::vector<std::string>& lines) {
  const std::unique_ptr<TFileStream> file = CreateWorkFile(path);
  for (const std::string& line : lines) {
    file->WriteBuffer(line.data(), int64_t(line.size()));
    file->WriteBuffer("\r\n", 2);
  }
}

// Halves go to the even neighbour, as the progress bar's rounding does.
int64_t roundHalfEven(double value) { return int64_t(std::nearbyint(value)); }

// A client like the job's own for one worker thread of a stream: the same
// settings, proxy chooser, certificate checks and cookie store (which has
// its own lock), with a TLS transport of its own.
class StreamClient : public TIdHTTP {
public:
  StreamClient(TIdHTTP& model, const TIdSSLOptions& tlsOptions) {
    ApplyMainWindowSettings(*this);
    SetRequest(model.Request());
    ReadTimeout = model.ReadTimeout;
    ProxyChooser = model.ProxyChooser;
    if (model.CookieManager()) SetCookieManager(model.CookieManager());
    tls_.SSLOptions().Assign(tlsOptions);
    tls_.SetPlainMode(true);
    SetIOHandler(&tls_);
  }
  ~StreamClient() override { SetIOHandler(nullptr); }

private:
  TIdSSLIOHandlerSocket tls_;
};

}  // namespace

std::string FileTitle(const std::string& address) {
  const std::string name = TIdURI(address).Document;
  const std::string stem = name.substr(0, name.rfind('.'));
  std::string decoded;
  for (size_t i = 0; i < stem.size(); ++i) {
    if (stem[i] == '%' && i + 2 < stem.size() && std::isxdigit(static_cast<unsigned char>(stem[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(stem[i + 2]))) {
      decoded += char(std::stoi(stem.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += stem[i];
    }
  }
  return decoded;
}

TDownloadJob::TDownloadJob(TIdHTTP& http, TVideoEdit& videoEdit, TJobReporter& reporter, std::string workFolder,
                           std::string profileFolder)
    : http_(http),
      videoEdit_(videoEdit),
      reporter_(reporter),
      workFolder_(std::move(workFolder)),
      profileFolder_(std::move(profileFolder)),
      tls_(std::make_unique<TIdSSLIOHandlerSocket>()) {
  SaveFolder = workFolder_;
  // Plain addresses pass through; the exchange switches TLS on for https.
  tls_->SetPlainMode(true);
  http_.SetIOHandler(tls_.get());
  http_.OnStatus = [this](TIdComponent*, TIdStatus, const std::string& text) { HTTP1Status(text); };
  // A transport given to the client reports its resolving and connecting
  // through its own event.
  tls_->OnStatus = http_.OnStatus;
  http_.OnWorkBegin = [this](TIdComponent*, TWorkMode, int64_t size) { HTTP1WorkBegin(size); };
  http_.OnWork = [this](TIdComponent*, TWorkMode, int64_t count) { HTTP1Work(count); };
  http_.OnWorkEnd = [this](TIdComponent*, TWorkMode) { HTTP1WorkEnd(); };
  videoEdit_.OnProcessing = [this](TVideoEdit*, double position, double duration) {
    VideoEdit1Processing(position, duration);
  };
  videoEdit_.OnComplete = [this](TVideoEdit*) { VideoEdit1Complete(); };
}

TDownloadJob::~TDownloadJob() {
  if (http_.IOHandler() == tls_.get()) http_.SetIOHandler(nullptr);
  http_.OnStatus = nullptr;
  http_.OnWorkBegin = nullptr;
  http_.OnWork = nullptr;
  http_.OnWorkEnd = nullptr;
  videoEdit_.OnProcessing = nullptr;
  videoEdit_.OnComplete = nullptr;
}

// The answer that holds the video: its bytes in the video file, or a
// stream's first playlist or manifest.
struct TDownloadJob::TFoundVideo {
  TFetchResult Answer;
  std::optional<streams::TStreamKind> Stream;
};

// The job is running from its start to its end, however it ends.
class TDownloadJob::RunningMark {
public:
  explicit RunningMark(TDownloadJob& job) : job_(job) {
    job_.running_ = true;
    job_.step_ = TJobStep::None;
    job_.aborted_ = false;
    job_.stopped_ = false;
    job_.mediaSkipped_ = false;
    job_.outcome_ = {};
    job_.qualityWidth_ = job_.qualityHeight_ = 0;
    job_.uploadDate_.clear();
    job_.reporter_.DownloadEnabled(false);
  }
  ~RunningMark() {
    job_.running_ = false;
    job_.inspecting_ = false;
    job_.reporter_.DownloadEnabled(true);
  }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

private:
  TDownloadJob& job_;
};

TJobResult TDownloadJob::Run(const std::string& watchAddress, const TOutputChoices& choices) {
  RunningMark mark(*this);
  const TJobResult result = runSteps(watchAddress, choices);
  if (result != TJobResult::Aborted) reporter_.Report({.Kind = TProgressKind::JobDone});
  return result;
}

TJobResult TDownloadJob::Inspect(const std::string& watchAddress, const TOutputChoices& choices,
                                 TVideoFindings& findings) {
  RunningMark mark(*this);
  inspecting_ = true;
  findings = {};
  const TFrameSettings frame = ReadFrameSettings(choices);
  // A folder apart, so that an earlier run's partial video for the address
  // stays for --continue.
  TJobFolder folder(workFolder_, "inspect " + watchAddress);
  jobFolder_ = folder.Path();
  struct Removal {
    TJobFolder& folder;
    ~Removal() { folder.Remove(); }
  } removal{folder};
  rateLimit_ = nullptr;
  TResumingDownload download(http_, VideoFile(), ResumeFile());
  prepareDownload(download);
  // One connection: a large file is never split before it is skipped.
  download.Connections = 1;
  TFoundVideo found;
  const TJobResult result = findVideo(
      download, folder, watchAddress, [] {}, found);
  if (result != TJobResult::Done) return result;
  findings.Title = outcome_.Title;
  findings.UploadDate = uploadDate_;
  findings.Address = found.Answer.FinalAddress;
  findings.ContentType = found.Answer.ContentType;
  findings.Stream = found.Stream;
  if (!found.Stream) {
    // A plain file is the one quality there is.
    findings.Offer.Qualities.resize(1);
    findings.Offer.Qualities[0].Id = std::to_string(0);
    findings.Offer.Qualities[0].MimeType = findings.ContentType;
    findings.Chosen = 0;
    return TJobResult::Done;
  }
  findings.Offer = streams::LoadStreamOffer(*found.Stream, {found.Answer.Page, found.Answer.FinalAddress});
  if (!findings.Offer.Qualities.empty()) {
    const streams::TStreamVariant& chosen =
        streams::ChooseQuality(findings.Offer.Qualities, qualityRule(choices, frame.Height));
    findings.Chosen = size_t(&chosen - findings.Offer.Qualities.data());
  }
  return TJobResult::Done;
}

void TDownloadJob::prepareDownload(TResumingDownload& download) {
  download.Retry.Retries = Retries;
  download.Retry.RateLimit = rateLimit_;
  download.ContinuePartial = ContinuePartial;
  download.ProcessMessages = [this] { reporter_.ProcessMessages(); };
  download.Stopped = [this] { return stopped_ || mediaSkipped_; };
  download.OnOffset = [this](int64_t offset) { workOffset_ = offset; };
  download.OnRetry = [this](int attempt, int64_t offset) {
    reporter_.Report({.Kind = TProgressKind::Retry, .Bytes = offset, .Attempt = attempt, .Retries = Retries});
  };
  download.OnNotice = [this](const std::string& notice) { reportNotice(notice); };
  download.Connections = Streams.Connections;
  download.ClientFactory = [this] { return makeStreamClient(); };
  download.OnParts = [this](int64_t bytes, int64_t total) {
    progressMaximum_ = total;
    HTTP1Work(bytes);
  };
}

TJobResult TDownloadJob::findVideo(TResumingDownload& download, TJobFolder& folder, const std::string& watchAddress,
                                   const std::function<void()>& titled, TFoundVideo& found) {
  beginStep(TJobStep::Page);
  found.Answer = fetchVideo(download, folder, watchAddress, TFetchKind::PageOrMedia);
  workOffset_ = 0;
  if (aborted_) return TJobResult::Aborted;
  // A playlist or manifest answers as text, at the address itself or at
  // the one a page declares.
  if (found.Answer.IsPage) found.Stream = streams::StreamKindOf(found.Answer.FinalAddress, found.Answer.ContentType);
  if (!found.Answer.IsPage || found.Stream) {
    // The address was the video itself.
    outcome_.Title = FileTitle(found.Answer.FinalAddress);
    titled();
    return TJobResult::Done;
  }
  const TFetchResult first = std::move(found.Answer);
  const std::vector<std::string> lines = SplitPageLines(first.Page);
  writePageFile(PageFile(), lines);
  const TPageVideo page = FindPageVideo(first.Page, lines, first.FinalAddress, Hosts);
  if (!page.Link.Found) {
    reporter_.ShowMessage(app_messages::NoVideo);
    return TJobResult::NoVideo;
  }
  outcome_.Title = page.Title.empty() ? FileTitle(page.Link.Address) : page.Title;
  uploadDate_ = page.UploadDate;
  titled();

  // The title names the output: an owner that keeps an existing file
  // ends the job here, before the video is fetched.
  beginStep(TJobStep::Video, outcome_.Title);
  if (aborted_) return TJobResult::Aborted;
  found.Answer =
      fetchVideo(download, folder, page.Link.Address, page.Declared ? TFetchKind::DeclaredMedia : TFetchKind::AnyBytes);
  workOffset_ = 0;
  if (aborted_) return TJobResult::Aborted;
  if (found.Answer.IsPage) found.Stream = streams::StreamKindOf(found.Answer.FinalAddress, found.Answer.ContentType);
  if (found.Answer.IsPage && !found.Stream) {
    reporter_.ShowMessage(app_messages::NoVideo);
    return TJobResult::NoVideo;
  }
  if (!page.Declared) found.Answer.ContentType.clear();
  return TJobResult::Done;
}

TJobResult TDownloadJob::runSteps(const std::string& watchAddress, const TOutputChoices& choices) {
  // A size the converter cannot hold is refused before anything is fetched.
  const TFrameSettings frame = ReadFrameSettings(choices);
  TJobFolder folder(workFolder_, watchAddress);
  jobFolder_ = folder.Path();

  rateLimit_ = LimitRate > 0 ? std::make_shared<transfer::TRateLimit>(LimitRate) : nullptr;
  TResumingDownload download(http_, VideoFile(), ResumeFile());
  prepareDownload(download);

  separateAudio_ = false;
  TFoundVideo found;
  const TJobResult findResult = findVideo(
      download, folder, watchAddress,
      [&] {
        videoEdit_.OutputFileWidth = frame.Width;
        videoEdit_.OutputFileHeight = frame.Height;
        ApplyOutputSettings(videoEdit_, choices, frame, profileFolder_, dialog_);
      },
      found);
  if (findResult != TJobResult::Done) return findResult;
  TFetchResult& video = found.Answer;
  if (found.Stream) {
    TJobResult fetched;
    try {
      fetched = fetchStream(*found.Stream, video, choices, frame.Height);
    } catch (const EVideoStreamRefused&) {
      // Nothing of a stream we will not save stays behind.
      folder.Remove();
      throw;
    }
    if (fetched != TJobResult::Done) return fetched;
    video.ContentType.clear();
  }

  beginStep(TJobStep::Conversion);
  // The format box may have changed while the video arrived.
  const std::optional<TOutputType> format = reporter_.SelectedFormat();
  videoEdit_.OutputType = format.value_or(TOutputType(-1));
  videoEdit_.VideoSampleSize = 24;
  videoEdit_.ClearTimeline();
  const std::string videoFile = VideoFile();
  const std::string audioFile = separateAudio_ ? AudioFile() : videoFile;
  if (std::filesystem::exists(videoFile))
    videoEdit_.AddVideoClip(videoFile, 0.0, videoEdit_.GetFileDuration(videoFile), 0);
  if (std::filesystem::exists(audioFile))
    videoEdit_.AddAudioClip(audioFile, 0.0, videoEdit_.GetFileDuration(audioFile));
  if (videoEdit_.GetTimelineDuration() == 0.0) {
    // A server that called it a video, about bytes that are none.
    if (!video.ContentType.empty() && !stopped_)
      throw ENotAVideo(fmt::format(app_messages::NotAVideo, video.FinalAddress, video.ContentType));
    reporter_.ShowMessage(app_messages::TimelineEmpty);
    return TJobResult::TimelineEmpty;
  }
  if (videoEdit_.OutputType == otOriginal) chooseOriginalExtension();

  TSaveRequest request{dialog_.Filter, dialog_.DefaultExt, SaveFolder, lastFileName_, outcome_.Title};
  // The quality's own size, else the size the output is made at.
  const bool qualitySized = qualityWidth_ > 0 && qualityHeight_ > 0;
  request.Width = qualitySized ? qualityWidth_ : frame.Width > 0 && frame.Height > 0 ? frame.Width : 0;
  request.Height = qualitySized ? qualityHeight_ : request.Width > 0 ? frame.Height : 0;
  request.UploadDate = uploadDate_;
  const std::optional<std::string> fileName = reporter_.AskSaveFileName(request);
  if (aborted_) return TJobResult::Aborted;
  if (!fileName) return TJobResult::Cancelled;
  lastFileName_ = *fileName;
  // The page's title, not the file's name, goes into a title tag.
  videoEdit_.OutputTitle = outcome_.Title;
  // The work files go once the output is saved: a video kept as it is may
  // simply become the output.
  videoEdit_.MaySpendSources = true;
  const bool saved = videoEdit_.SaveOutputFile(*fileName);
  if (aborted_) return TJobResult::Aborted;
  if (!saved && stopped_) {
    // The user asked for it: no failure, and no bar left half full.
    setProgress(0, progressMaximum_);
    reporter_.ShowMessage(app_messages::StoppedNothingSaved);
    return TJobResult::Stopped;
  }
  if (!saved) {
    reporter_.ShowMessage(app_messages::FailToSave);
    return TJobResult::SaveFailed;
  }
  outcome_.OutputFile = *fileName;
  folder.Remove();
  return TJobResult::Done;
}

TFetchResult TDownloadJob::fetchVideo(TResumingDownload& download, TJobFolder& folder, const std::string& address,
                                      TFetchKind kind) {
  if (ContinuePartial) {
    if (const std::optional<TFetchedVideo> kept = folder.FetchedVideo(address)) {
      reporter_.Report({.Kind = TProgressKind::Bytes, .Bytes = kept->Size, .Total = kept->Size});
      return {false, {}, kept->ContentType, kept->FinalAddress};
    }
  }
  // A continued job keeps the record until the answer comes: a page leaves
  // the video file as it was.
  if (!ContinuePartial) folder.ForgetFetchedVideo();
  fetchKind_ = kind;
  TFetchResult fetched = download.Fetch(address, kind);
  if (mediaSkipped_) {
    // Skipped as its answer began: the client still holds the answer.
    fetched.FinalAddress = http_.CurrentUri.Compose();
    fetched.ContentType = http_.Response().ContentType;
  }
  if (fetched.IsPage) return fetched;
  // A transfer cut short by Stop is converted as it is, but never taken for
  // the whole video.
  if (stopped_ || mediaSkipped_ || !PlainWorkFileThere(VideoFile())) {
    folder.ForgetFetchedVideo();
    return fetched;
  }
  TFetchedVideo whole;
  whole.Address = address;
  whole.FinalAddress = fetched.FinalAddress;
  whole.ContentType = fetched.ContentType;
  whole.Size = int64_t(std::filesystem::file_size(VideoFile()));
  folder.KeepFetchedVideo(whole);
  return fetched;
}

TJobResult TDownloadJob::fetchStream(streams::TStreamKind kind, const TFetchResult& answer,
                                     const TOutputChoices& choices, int16_t outputHeight) {
  const streams::TQualityRule rule = qualityRule(choices, outputHeight);
  const streams::TTextFetcher fetchText = [this](const std::string& address) {
    std::string text = http_.GetAsText(address);
    return streams::TFetchedText{std::move(text), http_.CurrentUri.Compose()};
  };
  const streams::TStreamPlan plan = streams::LoadStreamPlan(kind, {answer.Page, answer.FinalAddress}, fetchText, rule);
  if (aborted_) return TJobResult::Aborted;
  if (!plan.Description.empty()) reporter_.Report({.Kind = TProgressKind::QualityChosen, .Text = plan.Description});
  qualityWidth_ = plan.Video.Width;
  qualityHeight_ = plan.Video.Height;

  streams::TStreamDownload download([this] { return makeStreamClient(); });
  download.Connections = Streams.Connections;
  download.Retry.Retries = Retries;
  download.Retry.RateLimit = rateLimit_;
  download.ContinuePartial = ContinuePartial;
  download.OnNotice = [this](const std::string& notice) { reportNotice(notice); };
  // A track that is one whole file arrives in ranges, counted in bytes.
  download.OnParts = [this](int64_t bytes, int64_t total) {
    progressMaximum_ = total;
    HTTP1Work(bytes);
  };
  download.OnProgress = [this](const streams::TSegmentProgress& progress) {
    reporter_.Report({.Kind = TProgressKind::Segments,
                      .Bytes = progress.Bytes,
                      .Segment = progress.SegmentsDone,
                      .SegmentCount = progress.SegmentCount});
    setProgress(progress.SegmentsDone, progress.SegmentCount);
    reporter_.ProcessMessages();
  };
  struct Reachable {
    TDownloadJob& job;
    Reachable(TDownloadJob& j, streams::TStreamDownload& d) : job(j) { job.streamDownload_ = &d; }
    ~Reachable() { job.streamDownload_ = nullptr; }
  } reachable(*this, download);
  if (stopped_) download.Stop();
  const bool whole = download.Fetch(plan, {VideoFile(), VideoSegmentsFile(), AudioFile(), AudioSegmentsFile()});
  setProgress(0, progressMaximum_);
  if (aborted_) return TJobResult::Aborted;
  if (!whole) {
    // A stream cut short by Stop is never saved as if it were whole; its
    // segments stay for --continue.
    reporter_.ShowMessage(app_messages::StoppedNothingSaved);
    return TJobResult::Stopped;
  }
  separateAudio_ = plan.Audio.has_value();
  return TJobResult::Done;
}

streams::TQualityRule TDownloadJob::qualityRule(const TOutputChoices& choices, int16_t outputHeight) const {
  streams::TQualityRule rule;
  rule.Quality = Streams.Quality;
  if (!Streams.ByOutputHeight) rule.MaxHeight = Streams.MaxHeight;
  // Original converts nothing and a height of 0 is the source's, so neither
  // limits the quality.
  else if (choices.Format != otOriginal && outputHeight > 0) rule.OutputHeight = outputHeight;
  return rule;
}

std::unique_ptr<TIdHTTP> TDownloadJob::makeStreamClient() {
  return std::make_unique<StreamClient>(http_, tls_->SSLOptions());
}

void TDownloadJob::chooseOriginalExtension() {
  const std::string extension = videoEdit_.OriginalFileExtension();
  // Streams no container takes as they are: a conversion failure.
  if (extension.empty()) throw converter::ConversionError(videoEdit_.LastError());
  dialog_.DefaultExt = extension;
  dialog_.Filter = fmt::format(app_messages::OriginalFilter, extension);
}

TIdSSLOptions& TDownloadJob::TlsOptions() { return tls_->SSLOptions(); }

void TDownloadJob::Stop() {
  stopped_ = running_;
  if (streamDownload_) streamDownload_->Stop();
  http_.CloseConnection();
  videoEdit_.StopConversion();
}

void TDownloadJob::Abort() {
  aborted_ = running_;
  Stop();
}

void TDownloadJob::setProgress(int64_t position, int64_t maximum) {
  progressPosition_ = position;
  progressMaximum_ = maximum;
  reporter_.Progress(position, maximum);
}

void TDownloadJob::beginStep(TJobStep step, const std::string& title) {
  step_ = step;
  reporter_.Report({.Kind = TProgressKind::StepBegun, .Step = step, .Text = title});
}

void TDownloadJob::reportNotice(const std::string& notice) {
  reporter_.Report({.Kind = TProgressKind::Notice, .Text = notice});
}

void TDownloadJob::HTTP1Status(const std::string& AStatusText) {
  reporter_.Report({.Kind = TProgressKind::ClientStatus, .Text = AStatusText});
}

// A continued transfer counts from the bytes the file already holds.
void TDownloadJob::HTTP1WorkBegin(int64_t AWorkCountMax) {
  // Only a part continues the file; a server that ignored the range sends
  // the whole file again, counted from its start.
  if (http_.Response().StatusCode() != 206) workOffset_ = 0;
  // Looking at what an address offers reads pages, playlists and manifests,
  // never a video's bytes.
  if (inspecting_) {
    const std::string address = http_.CurrentUri.Compose();
    const std::string& type = http_.Response().ContentType;
    if (!streams::StreamKindOf(address, type) &&
        (fetchKind_ != TFetchKind::PageOrMedia || IsMediaAnswer(type, address)))
      mediaSkipped_ = true;
  }
  if (AWorkCountMax > 0) AWorkCountMax += workOffset_;
  setProgress(workOffset_, AWorkCountMax);
  reporter_.Report({.Kind = TProgressKind::TransferBegun, .Total = AWorkCountMax});
}

void TDownloadJob::HTTP1Work(int64_t AWorkCount) {
  AWorkCount += workOffset_;
  reporter_.ProcessMessages();
  reporter_.Report({.Kind = TProgressKind::Bytes, .Bytes = AWorkCount, .Total = progressMaximum_});
  if (progressMaximum_ > 0) setProgress(AWorkCount, progressMaximum_);
}

void TDownloadJob::HTTP1WorkEnd() {
  reporter_.Report({.Kind = TProgressKind::TransferEnded});
  setProgress(0, progressMaximum_);
}

void TDownloadJob::VideoEdit1Processing(double iCurPos, double iDuration) {
  reporter_.Report({.Kind = TProgressKind::Converting, .Position = iCurPos, .Duration = iDuration});
  setProgress(roundHalfEven(iCurPos), progressMaximum_);
  for (int i = 0; i < 3; ++i) reporter_.ProcessMessages();
  setProgress(progressPosition_, roundHalfEven(iDuration));
}

void TDownloadJob::VideoEdit1Complete() {
  setProgress(0, progressMaximum_);
  reporter_.Report({.Kind = TProgressKind::ConversionDone});
}
