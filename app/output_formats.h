// The output formats, the Windows Media 9 profile files, and how the user's
// choices in the "Output File:" group become the converter's settings and the
// save dialog's filter and default extension.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "converter/output_type.h"

class TVideoEdit;

// What the window and the save dialog show of one output type; its name on
// the command line is the converter's own (OutputTypeName).
struct TOutputFormat {
  TOutputType Type;
  const char* Caption;
  const char* Filter;
  const char* Extension;  // empty: the source's, known once the video is loaded
  // Another name people use for it ("QuickTime" for QT), or none.
  const char* Alias = nullptr;
};

// In the format list's order: the sixteen of old, then the formats of today.
extern const std::array<TOutputFormat, 21> OutputFormats;

const TOutputFormat* FindOutputFormat(TOutputType type);
// By the converter's name, the list's caption or the alias, in any letter case.
std::optional<TOutputType> OutputFormatNamed(std::string_view name);
// The formats' command-line names, in the list's order.
std::string OutputFormatNames(std::string_view separator);

struct TWMV9Profile {
  const char* Caption;
  const char* FileName;
};
extern const std::array<TWMV9Profile, 9> WMV9Profiles;

// The settings that only some formats have: AVI's compressors and frame
// rate, WMV's profiles.
bool UsesAviSettings(std::optional<TOutputType> format);
bool UsesWmvProfiles(std::optional<TOutputType> format);
// Today's formats (MP4, WebM, the audio ones, Original) keep the source's
// picture size and frame rate unless they are given; the sixteen of old
// were made for players of fixed sizes and keep their defaults.
bool KeepsSourceFrame(std::optional<TOutputType> format);

// The controls of the group as the job reads them. Indexes are -1 when the
// control has nothing selected. An empty width, height or frame rate is the
// source's for today's formats and the default below for the others.
struct TOutputChoices {
  std::optional<TOutputType> Format = otAVI;
  std::string Width = "320";
  std::string Height = "240";
  std::string FrameRate = "25";
  bool UseVideoCompressor = false;
  int VideoCompressorIndex = -1;
  bool UseAudioCompressor = false;
  int AudioCompressorIndex = -1;
  bool UseWMV9 = true;
  std::string WMV8ProfileName;
  int WMV9Index = 0;
  // Original: streams that do not fit a container as they are are
  // re-encoded to MP4 instead of failing.
  bool RemuxOrConvert = false;
};

// The number fields, read before anything is downloaded. Raises the
// conversion error for a text that is not an integer and a clear error for a
// size the converter cannot hold. The frame rate is read for AVI and today's
// formats only.
struct TFrameSettings {
  int16_t Width = 0;  // 0: the source's (only one side given: its shape kept)
  int16_t Height = 0;
  std::optional<float> FrameRate;  // none for today's formats: the source's

  bool operator==(const TFrameSettings&) const = default;
};
TFrameSettings ReadFrameSettings(const TOutputChoices& choices);

// The save dialog's filter and default extension for one job.
struct TDialogFormat {
  std::string Filter;
  std::string DefaultExt;
};

// Writes the format and its codec or profile settings. With no format
// selected the filter is empty and the default extension stays what it was.
// profileFolder ends with a separator.
void ApplyOutputSettings(TVideoEdit& videoEdit, const TOutputChoices& choices, const TFrameSettings& frame,
                         const std::string& profileFolder, TDialogFormat& dialog);
