#include "app/output_formats.h"

#include <fmt/core.h>

#include "app/messages.h"
#include "converter/video_edit.h"
#include "net/http/text_helpers.h"
#include "platform/exception.h"
#include "platform/int_parse.h"

namespace {
constexpr const char* Mpeg = "Mpeg File (*.mpg)|*.mpg";
// What the sixteen of old take for a field left empty.
constexpr const char* DefaultWidth = "320";
constexpr const char* DefaultHeight = "240";
constexpr const char* DefaultFrameRate = "25";

std::string fieldOrDefault(const std::string& text, const char* fallback) { return text.empty() ? fallback : text; }

int16_t readFrameSize(const std::string& text, const char* what) {
  const int32_t value = StrToInt(text);
  if (value < 1 || value > INT16_MAX) throw EConvertError(fmt::format(app_messages::FrameSizeOutOfRange, text, what));
  return int16_t(value);
}
}  // namespace

const std::array<TOutputFormat, 21> OutputFormats = {{
    {otVCD_NTSC, "VCD_NTSC", Mpeg, "mpg"},
    {otVCD_PAL, "VCD_PAL", Mpeg, "mpg"},
    {otSVCD_NTSC, "SVCD_NTSC", Mpeg, "mpg"},
    {otSVCD_PAL, "SVCD_PAL", Mpeg, "mpg"},
    {otDVD_NTSC, "DVD_NTSC", Mpeg, "mpg"},
    {otDVD_PAL, "DVD_PAL", Mpeg, "mpg"},
    {otMPEG1, "MPEG 1", Mpeg, "mpg"},
    {otMPEG2, "MPEG 2", Mpeg, "mpg"},
    {otAVI, "AVI", "Avi File (*.avi)|*.avi", "avi"},
    {otWMV, "WMV", "WMV File (*.wmv)|*.wmv", "wmv"},
    {otQT, "QT", "QT File (*.mov)|*.mov", "mov", "QuickTime"},
    {otRM, "RM", "RM File (*.rm)|*.rm", "rm", "RealMedia"},
    {otIPOD, "iPod", "iPod File (*.mp4)|*.mp4", "mp4"},
    {otPSP, "PSP", "PSP File (*.mp4)|*.mp4", "mp4"},
    {otFLV, "FLV", "FLV File (*.flv)|*.flv", "flv"},
    {ot3GP, "3GP", "Mobile File (*.3gp)|*.3gp", "3gp"},
    {otMP4, "MP4", "MP4 File (*.mp4)|*.mp4", "mp4"},
    {otWebM, "WebM", "WebM File (*.webm)|*.webm", "webm"},
    {otMP3, "MP3 (audio only)", "MP3 File (*.mp3)|*.mp3", "mp3"},
    {otOpus, "Opus (audio only)", "Opus File (*.opus)|*.opus", "opus"},
    {otOriginal, "Original (no re-encoding)", "Original File (*.mp4;*.webm;*.flv;*.mkv)|*.mp4;*.webm;*.flv;*.mkv", ""},
}};

const TOutputFormat* FindOutputFormat(TOutputType type) {
  for (const TOutputFormat& format : OutputFormats)
    if (format.Type == type) return &format;
  return nullptr;
}

std::optional<TOutputType> OutputFormatNamed(std::string_view name) {
  for (const TOutputFormat& format : OutputFormats)
    if (SameText(name, OutputTypeName(format.Type)) || SameText(name, format.Caption) ||
        (format.Alias && SameText(name, format.Alias)))
      return format.Type;
  return std::nullopt;
}

std::string OutputFormatNames(std::string_view separator) {
  std::string names;
  for (const TOutputFormat& format : OutputFormats)
    names += (names.empty() ? "" : std::string(separator)) + OutputTypeName(format.Type);
  return names;
}

bool UsesAviSettings(std::optional<TOutputType> format) { return format == otAVI; }
bool UsesWmvProfiles(std::optional<TOutputType> format) { return format == otWMV; }
// The output types list today's formats after the sixteen of old.
bool KeepsSourceFrame(std::optional<TOutputType> format) { return format && *format > ot3GP; }

const std::array<TWMV9Profile, 9> WMV9Profiles = {{
    {"Windows Media Video 9 for Dial-up Modems (28,8 kbps)", "Dial-up Modems (28,8 kbps).prx"},
    {"Windows Media Video 9 for Dial-up Modems (56 kbps", "Dial-up Modems (56 kbps).prx"},
    {"Windows Media Video 9 for Dial-up Modems or LAN (28,8 to 100 kbps",
     "Dial-up Modems or LAN (28,8 to 100 kbps).prx"},
    {"Windows Media Video 9 for LAN, Cable Modem, or xDSL  (100 to 768kbps)",
     "LAN, Cable Modem, or xDSL  (100 to 768kbps).prx"},
    {"Windows Media Video 9 for Local Network (100 kbps)", "Local Network (100 kbps).prx"},
    {"Windows Media Video 9 for Local Network (256 kbps)", "Local Network (256 kbps).prx"},
    {"Windows Media Video 9 for Local Network (384 kbps)", "Local Network (384 kbps).prx"},
    {"Windows Media Video 9 for Local Network (768 kbps)", "Local Network (768 kbps).prx"},
    {"Windows Media Video 9 for Pocket PC (225kbps)", "Pocket PC (225kbps).prx"},
}};

TFrameSettings ReadFrameSettings(const TOutputChoices& choices) {
  TFrameSettings frame;
  if (KeepsSourceFrame(choices.Format)) {
    if (!choices.Width.empty()) frame.Width = readFrameSize(choices.Width, app_messages::FrameWidth);
    if (!choices.Height.empty()) frame.Height = readFrameSize(choices.Height, app_messages::FrameHeight);
    if (!choices.FrameRate.empty()) frame.FrameRate = float(StrToInt(choices.FrameRate));
    return frame;
  }
  frame.Width = readFrameSize(fieldOrDefault(choices.Width, DefaultWidth), app_messages::FrameWidth);
  frame.Height = readFrameSize(fieldOrDefault(choices.Height, DefaultHeight), app_messages::FrameHeight);
  if (UsesAviSettings(choices.Format))
    frame.FrameRate = float(StrToInt(fieldOrDefault(choices.FrameRate, DefaultFrameRate)));
  return frame;
}

void ApplyOutputSettings(TVideoEdit& videoEdit, const TOutputChoices& choices, const TFrameSettings& frame,
                         const std::string& profileFolder, TDialogFormat& dialog) {
  dialog.Filter.clear();
  const TOutputFormat* format = choices.Format ? FindOutputFormat(*choices.Format) : nullptr;
  if (!format) return;
  dialog.Filter = format->Filter;
  dialog.DefaultExt = format->Extension;
  videoEdit.OutputType = format->Type;

  if (UsesAviSettings(format->Type)) {
    videoEdit.VideoCompressor = int16_t(choices.VideoCompressorIndex);
    videoEdit.AudioCompressor = int16_t(choices.AudioCompressorIndex);
    videoEdit.UseVideoCompressor = choices.UseVideoCompressor;
    videoEdit.UseAudioCompressor = choices.UseAudioCompressor;
    videoEdit.FrameRate = frame.FrameRate.value_or(videoEdit.FrameRate);
  } else if (KeepsSourceFrame(format->Type)) {
    // Set each time: an earlier job's rate must not stay behind.
    videoEdit.FrameRate = frame.FrameRate.value_or(0.0f);
    if (format->Type == otOriginal) videoEdit.RemuxOrConvert = choices.RemuxOrConvert;
  } else if (UsesWmvProfiles(format->Type)) {
    if (choices.UseWMV9) {
      const bool known = choices.WMV9Index >= 0 && choices.WMV9Index < int(WMV9Profiles.size());
      videoEdit.WMVCustomFileName = profileFolder + (known ? WMV9Profiles[choices.WMV9Index].FileName : "");
    } else {
      // A profile file, once set, would win over every later WMV 8 choice.
      videoEdit.WMVCustomFileName.clear();
      videoEdit.WMVProfile = videoEdit.WMVProfiles.IndexOfProfile(choices.WMV8ProfileName);
    }
  }
}
