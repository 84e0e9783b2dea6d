#include "converter/video_edit.h"

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "converter/conversion.h"
#include "converter/conversion_error.h"
#include "converter/copy_container.h"
#include "converter/messages.h"
#include "converter/output_plan.h"
#include "converter/profile_file.h"

using converter::ConversionError;
using converter::TimelineClip;

namespace {

double trackLength(const std::vector<TimelineClip>& clips) {
  return std::accumulate(clips.begin(), clips.end(), 0.0,
                         [](double sum, const TimelineClip& clip) { return sum + clip.length(); });
}

// Saves are not re-entrant: a handler of OnProcessing must not start another.
class SavingMark {
public:
  explicit SavingMark(bool& saving) : saving_(saving) { saving_ = true; }
  ~SavingMark() { saving_ = false; }
  SavingMark(const SavingMark&) = delete;
  SavingMark& operator=(const SavingMark&) = delete;

private:
  bool& saving_;
};

}  // namespace

TVideoEdit::TVideoEdit() { converter::captureLibraryLog(); }

void TVideoEdit::ClearTimeline() {
  videoClips_.clear();
  audioClips_.clear();
}

bool TVideoEdit::AddVideoClip(const std::string& FileName, double Start, double End, int16_t StreamNumber) {
  return addClip(videoClips_, AVMEDIA_TYPE_VIDEO, FileName, Start, End, StreamNumber);
}

bool TVideoEdit::AddAudioClip(const std::string& FileName, double Start, double End) {
  return addClip(audioClips_, AVMEDIA_TYPE_AUDIO, FileName, Start, End, 0);
}

bool TVideoEdit::addClip(std::vector<TimelineClip>& track, AVMediaType type, const std::string& fileName, double start,
                         double end, int16_t streamNumber) {
  try {
    converter::forgetLibraryLog();
    if (!(start >= 0.0 && end > start)) converter::fail(converter_messages::BadClipSpan);
    const converter::MediaInfo& source = media_.info(fileName, streamNumber);
    const bool present = type == AVMEDIA_TYPE_VIDEO ? source.hasVideo : source.hasAudio;
    if (!present) converter::fail(std::string(converter_messages::NoSuchStream) + " '" + fileName + "'");
    end = std::min(end, source.duration);
    if (end <= start) converter::fail(converter_messages::BadClipSpan);
    track.push_back(TimelineClip{fileName, streamNumber, start, end, source});
    lastError_.clear();
    return true;
  } catch (const ConversionError& error) {
    lastError_ = error.what();
    return false;
  }
}

double TVideoEdit::GetTimelineDuration() const { return std::max(trackLength(videoClips_), trackLength(audioClips_)); }

double TVideoEdit::GetFileDuration(const std::string& FileName) {
  try {
    converter::forgetLibraryLog();
    const double duration = media_.info(FileName, 0).duration;
    lastError_.clear();
    return duration;
  } catch (const ConversionError& error) {
    lastError_ = error.what();
    return 0.0;
  }
}

void TVideoEdit::StopConversion() { stopRequested_ = true; }

bool TVideoEdit::SaveOutputFile(const std::string& FileName) {
  if (saving_) {
    lastError_ = converter_messages::ConversionRunning;
    return false;
  }
  {
    SavingMark mark(saving_);
    stopRequested_ = false;
    try {
      converter::forgetLibraryLog();
      save(FileName);
      lastError_.clear();
    } catch (const ConversionError& error) {
      lastError_ = error.what();
      return false;
    }
  }
  if (OnComplete) OnComplete(this);
  return true;
}

std::string TVideoEdit::OriginalFileExtension() {
  if (videoClips_.empty() && audioClips_.empty()) {
    lastError_ = converter_messages::TimelineEmpty;
    return "";
  }
  const converter::CopyContainer container = converter::containerForCopies(videoClips_, audioClips_);
  if (!container.muxer.empty()) {
    lastError_.clear();
    return container.extension;
  }
  if (RemuxOrConvert) {
    lastError_.clear();
    return "mp4";
  }
  lastError_ = container.misfit;
  return "";
}

void TVideoEdit::save(const std::string& fileName) {
  if (videoClips_.empty() && audioClips_.empty()) converter::fail(converter_messages::TimelineEmpty);
  // Creating the output would empty a source before it is read.
  for (const auto* track : {&videoClips_, &audioClips_}) {
    for (const TimelineClip& clip : *track) {
      std::error_code unknown;
      if (std::filesystem::equivalent(fileName, clip.path, unknown))
        converter::fail(std::string(converter_messages::OutputIsASource) + " '" + fileName + "'");
    }
  }

  converter::OutputSettings settings;
  settings.outputType = OutputType;
  settings.title = OutputTitle;
  if (OutputType == otOriginal) {
    settings.copyContainer = converter::containerForCopies(videoClips_, audioClips_);
    if (settings.copyContainer.muxer.empty() && RemuxOrConvert) settings.outputType = otMP4;
  }
  settings.width = OutputFileWidth;
  settings.height = OutputFileHeight;
  settings.frameRate = FrameRate;
  settings.videoSampleSize = VideoSampleSize;
  if (OutputType == otAVI) {
    if (UseVideoCompressor && !(settings.videoCompressor = VideoCompressors.format(VideoCompressor)))
      converter::fail(std::string(converter_messages::UnknownCompressor) + " " + std::to_string(VideoCompressor));
    if (UseAudioCompressor && !(settings.audioCompressor = AudioCompressors.format(AudioCompressor)))
      converter::fail(std::string(converter_messages::UnknownCompressor) + " " + std::to_string(AudioCompressor));
  }
  if (OutputType == otWMV) {
    if (!WMVCustomFileName.empty()) {
      settings.wmv = converter::readProfileFile(WMVCustomFileName);
    } else if (const converter::WmvSettings* profile = WMVProfiles.settings(WMVProfile)) {
      settings.wmv = *profile;
    } else {
      converter::fail(std::string(converter_messages::UnknownProfile) + " " + std::to_string(WMVProfile));
    }
  }

  const converter::OutputPlan plan =
      converter::planOutput(settings, videoClips_.empty() ? nullptr : &videoClips_.front().source,
                            audioClips_.empty() ? nullptr : &audioClips_.front().source);
  const double duration =
      std::max(plan.video ? trackLength(videoClips_) : 0.0, plan.audio ? trackLength(audioClips_) : 0.0);
  converter::writeTimeline(fileName, plan, videoClips_, audioClips_, duration, MaySpendSources, stopRequested_,
                           [this](double position, double total) {
                             if (OnProcessing) OnProcessing(this, position, total);
                           });
}
