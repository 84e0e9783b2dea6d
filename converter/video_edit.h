// TVideoEdit, the video-conversion component the program drives: a timeline
// of video and audio clips, the output type and its settings, and a save that
// re-encodes the timeline with progress events. Times are in seconds.
// Failures give false (or a duration of 0.0) and leave their reason in
// LastError().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

#include "converter/compressors.h"
#include "converter/media_catalogue.h"
#include "converter/output_type.h"
#include "converter/timeline_clip.h"
#include "converter/wmv_profiles.h"

class TVideoEdit {
public:
  TVideoEdit();

  // Output settings, read by SaveOutputFile. A size or frame rate of 0 keeps
  // the source's (one side given: the other keeps the source's shape);
  // formats that fix size or rate override them.
  int16_t WMVProfile = 4;  // a broadband video profile
  int16_t VideoCompressor = 0;
  bool UseVideoCompressor = false;
  int16_t AudioCompressor = 0;
  bool UseAudioCompressor = false;
  int16_t OutputFileHeight = 0;
  int16_t OutputFileWidth = 0;
  int16_t VideoSampleSize = 24;  // bits per pixel of uncompressed AVI frames
  TOutputType OutputType = otAVI;
  float FrameRate = 0.0f;
  std::string WMVCustomFileName;  // when set, this profile file wins over WMVProfile
  // For otOriginal: streams that cannot be kept as they are are re-encoded
  // to MP4 instead of failing the save.
  bool RemuxOrConvert = false;
  // The title tag of a type that carries one; empty: the output file's name.
  std::string OutputTitle;
  // The timeline's files are the caller's to lose: an otOriginal output that
  // is one whole source file takes the file's place (when both are on one
  // file system) instead of copying its bytes.
  bool MaySpendSources = false;

  const converter::TWMVProfiles WMVProfiles{};
  const converter::TVideoCompressors VideoCompressors;
  const converter::TAudioCompressors AudioCompressors;

  void ClearTimeline();
  // Adds the span from Start to End (file seconds) of the file's video;
  // StreamNumber picks among its video streams, 0 being the first. An End
  // past the file's last frame is cut to it.
  bool AddVideoClip(const std::string& FileName, double Start, double End, int16_t StreamNumber);
  bool AddAudioClip(const std::string& FileName, double Start, double End);
  double GetTimelineDuration() const;
  // How long the file plays, measured from its packets; 0.0 when it cannot be read.
  double GetFileDuration(const std::string& FileName);
  // Ends a running SaveOutputFile at its next frame (it then gives false);
  // harmless at any other time. Safe to call from any thread.
  void StopConversion();
  bool SaveOutputFile(const std::string& FileName);
  // The extension of the file that otOriginal writes for the timeline as it
  // is ("mp4", "webm", "flv", "mkv"); empty, with the reason in LastError,
  // when the streams cannot be kept and RemuxOrConvert is off.
  std::string OriginalFileExtension();

  const std::string& LastError() const { return lastError_; }

  std::function<void(TVideoEdit* ASender, double iCurPos, double iDuration)> OnProcessing;
  std::function<void(TVideoEdit* ASender)> OnComplete;

private:
  bool addClip(std::vector<converter::TimelineClip>& track, AVMediaType type, const std::string& fileName, double start,
               double end, int16_t streamNumber);
  void save(const std::string& fileName);

  std::vector<converter::TimelineClip> videoClips_;
  std::vector<converter::TimelineClip> audioClips_;
  converter::MediaCatalogue media_;
  std::string lastError_;
  std::atomic<bool> stopRequested_{false};
  bool saving_ = false;
};
