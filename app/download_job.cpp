#include "app/download_job.h"

#include <cmath>
#include <filesystem>
#include <memory>

#include "app/job_reporter.h"
#include "app/messages.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "platform/streams.h"

namespace {

// Writes the page's lines, each ended by CR LF.
void writePageFile(const std::string& path, const std::vector<std::string>& lines) {
  TFileStream file(path, fmCreate);
  for (const std::string& line : lines) {
    file.WriteBuffer(line.data(), int64_t(line.size()));
    file.WriteBuffer("\r\n", 2);
  }
}

// Halves go to the even neighbour, as the progress bar's rounding does.
int64_t roundHalfEven(double value) { return int64_t(std::nearbyint(value)); }

}  // namespace

TDownloadJob::TDownloadJob(TIdHTTP& http, TVideoEdit& videoEdit, TJobReporter& reporter, std::string workFolder,
                           std::string profileFolder)
    : http_(http),
      videoEdit_(videoEdit),
      reporter_(reporter),
      workFolder_(std::move(workFolder)),
      profileFolder_(std::move(profileFolder)) {
  SaveFolder = workFolder_;
  http_.OnStatus = [this](TIdComponent*, TIdStatus, const std::string& text) { HTTP1Status(text); };
  http_.OnWorkBegin = [this](TIdComponent*, TWorkMode, int64_t size) { HTTP1WorkBegin(size); };
  http_.OnWork = [this](TIdComponent*, TWorkMode, int64_t count) { HTTP1Work(count); };
  http_.OnWorkEnd = [this](TIdComponent*, TWorkMode) { HTTP1WorkEnd(); };
  videoEdit_.OnProcessing = [this](TVideoEdit*, double position, double duration) {
    VideoEdit1Processing(position, duration);
  };
  videoEdit_.OnComplete = [this](TVideoEdit*) { VideoEdit1Complete(); };
}

TDownloadJob::~TDownloadJob() {
  http_.OnStatus = nullptr;
  http_.OnWorkBegin = nullptr;
  http_.OnWork = nullptr;
  http_.OnWorkEnd = nullptr;
  videoEdit_.OnProcessing = nullptr;
  videoEdit_.OnComplete = nullptr;
}

TJobResult TDownloadJob::Run(const std::string& watchAddress, const TOutputChoices& choices) {
  struct RunningMark {
    TDownloadJob& job;
    explicit RunningMark(TDownloadJob& j) : job(j) {
      job.running_ = true;
      job.aborted_ = false;
      job.reporter_.DownloadEnabled(false);
    }
    ~RunningMark() {
      job.running_ = false;
      job.reporter_.DownloadEnabled(true);
    }
  } mark(*this);
  const TJobResult result = runSteps(watchAddress, choices);
  if (result != TJobResult::Aborted) reporter_.Status(app_messages::Done);
  return result;
}

TJobResult TDownloadJob::runSteps(const std::string& watchAddress, const TOutputChoices& choices) {
  // A size the converter cannot hold is refused before anything is fetched.
  const TFrameSettings frame = ReadFrameSettings(choices);

  reporter_.Status(app_messages::DownloadingHtml);
  if (BeforeFetch) BeforeFetch(watchAddress);
  const std::string page = http_.GetAsText(watchAddress);
  if (aborted_) return TJobResult::Aborted;
  const std::vector<std::string> lines = SplitPageLines(page);
  writePageFile(PageFile(), lines);
  const TVideoLink link = ExtractVideoLink(lines, Hosts);
  if (!link.Found) {
    reporter_.ShowMessage(app_messages::NoVideo);
    return TJobResult::NoVideo;
  }

  videoEdit_.OutputFileWidth = frame.Width;
  videoEdit_.OutputFileHeight = frame.Height;
  ApplyOutputSettings(videoEdit_, choices, frame, profileFolder_, dialog_);

  reporter_.Status(app_messages::DownloadingVideo);
  {
    TFileStream video(VideoFile(), fmCreate);
    if (BeforeFetch) BeforeFetch(link.Address);
    http_.GetIntoStream(link.Address, video);
  }
  if (aborted_) return TJobResult::Aborted;

  // The format box may have changed while the video arrived.
  videoEdit_.OutputType = TOutputType(reporter_.SelectedFormatIndex());
  videoEdit_.VideoSampleSize = 24;
  videoEdit_.ClearTimeline();
  const std::string videoFile = VideoFile();
  if (std::filesystem::exists(videoFile))
    videoEdit_.AddVideoClip(videoFile, 0.0, videoEdit_.GetFileDuration(videoFile), 0);
  if (std::filesystem::exists(videoFile))
    videoEdit_.AddAudioClip(videoFile, 0.0, videoEdit_.GetFileDuration(videoFile));
  if (videoEdit_.GetTimelineDuration() == 0.0) {
    reporter_.ShowMessage(app_messages::TimelineEmpty);
    return TJobResult::TimelineEmpty;
  }

  const std::optional<std::string> fileName =
      reporter_.AskSaveFileName({dialog_.Filter, dialog_.DefaultExt, SaveFolder, lastFileName_});
  if (aborted_) return TJobResult::Aborted;
  if (!fileName) return TJobResult::Cancelled;
  lastFileName_ = *fileName;
  const bool saved = videoEdit_.SaveOutputFile(*fileName);
  if (aborted_) return TJobResult::Aborted;
  if (!saved) {
    reporter_.ShowMessage(app_messages::FailToSave);
    return TJobResult::SaveFailed;
  }
  return TJobResult::Done;
}

void TDownloadJob::Stop() {
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

void TDownloadJob::HTTP1Status(const std::string& AStatusText) { reporter_.Status(AStatusText); }

void TDownloadJob::HTTP1WorkBegin(int64_t AWorkCountMax) {
  setProgress(0, AWorkCountMax);
  if (AWorkCountMax > 0) reporter_.Status(app_messages::Transfering + std::to_string(AWorkCountMax));
}

void TDownloadJob::HTTP1Work(int64_t AWorkCount) {
  reporter_.ProcessMessages();
  if (progressMaximum_ <= 0) {
    reporter_.Status(std::to_string(AWorkCount) + app_messages::Bytes);
  } else {
    reporter_.Status(std::to_string(AWorkCount) + app_messages::BytesOf + std::to_string(progressMaximum_) +
                     app_messages::Bytes);
    setProgress(AWorkCount, progressMaximum_);
  }
}

void TDownloadJob::HTTP1WorkEnd() {
  reporter_.Status(app_messages::Done);
  setProgress(0, progressMaximum_);
}

void TDownloadJob::VideoEdit1Processing(double iCurPos, double iDuration) {
  reporter_.Status(app_messages::Converting);
  setProgress(roundHalfEven(iCurPos), progressMaximum_);
  for (int i = 0; i < 3; ++i) reporter_.ProcessMessages();
  setProgress(progressPosition_, roundHalfEven(iDuration));
}

void TDownloadJob::VideoEdit1Complete() {
  setProgress(0, progressMaximum_);
  reporter_.Status(app_messages::ConversionDone);
}
