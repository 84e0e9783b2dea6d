#include "app/output_formats.h"

#include <fmt/core.h>

#include "app/messages.h"
#include "converter/video_edit.h"
#include "platform/exception.h"
#include "platform/int_parse.h"

namespace {
constexpr const char* Mpeg = "Mpeg File (*.mpg)|*.mpg";

int16_t readFrameSize(const std::string& text, const char* what) {
  const int32_t value = StrToInt(text);
  if (value < 1 || value > INT16_MAX) throw EConvertError(fmt::format(app_messages::FrameSizeOutOfRange, text, what));
  return int16_t(value);
}
}  // namespace

const std::array<TOutputFormat, 21> OutputFormats = {{
    {"VCD_NTSC", Mpeg, "mpg", "VCD_NTSC"},
    {"VCD_PAL", Mpeg, "mpg", "VCD_PAL"},
    {"SVCD_NTSC", Mpeg, "mpg", "SVCD_NTSC"},
    {"SVCD_PAL", Mpeg, "mpg", "SVCD_PAL"},
    {"DVD_NTSC", Mpeg, "mpg", "DVD_NTSC"},
    {"DVD_PAL", Mpeg, "mpg", "DVD_PAL"},
    {"MPEG 1", Mpeg, "mpg", "MPEG 1"},
    {"MPEG 2", Mpeg, "mpg", "MPEG 2"},
    {"AVI", "Avi File (*.avi)|*.avi", "avi", "AVI"},
    {"WMV", "WMV File (*.wmv)|*.wmv", "wmv", "WMV"},
    {"QT", "QT File (*.mov)|*.mov", "mov", "QT"},
    {"RM", "RM File (*.rm)|*.rm", "rm", "RM"},
    {"iPod", "iPod File (*.mp4)|*.mp4", "mp4", "iPod"},
    {"PSP", "PSP File (*.mp4)|*.mp4", "mp4", "PSP"},
    {"FLV", "FLV File (*.flv)|*.flv", "flv", "FLV"},
    {"3GP", "Mobile File (*.3gp)|*.3gp", "3gp", "3GP"},
    {"MP4", "MP4 File (*.mp4)|*.mp4", "mp4", "MP4"},
    {"WebM", "WebM File (*.webm)|*.webm", "webm", "WebM"},
    {"MP3 (audio only)", "MP3 File (*.mp3)|*.mp3", "mp3", "MP3"},
    {"Opus (audio only)", "Opus File (*.opus)|*.opus", "opus", "Opus"},
    {"Original (no re-encoding)", "Original File (*.mp4;*.webm;*.flv;*.mkv)|*.mp4;*.webm;*.flv;*.mkv", "",
     "Original"},
}};

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
  frame.Width = readFrameSize(choices.Width, app_messages::FrameWidth);
  frame.Height = readFrameSize(choices.Height, app_messages::FrameHeight);
  if (choices.FormatIndex == AviFormatIndex) frame.FrameRate = float(StrToInt(choices.FrameRate));
  return frame;
}

void ApplyOutputSettings(TVideoEdit& videoEdit, const TOutputChoices& choices, const TFrameSettings& frame,
                         const std::string& profileFolder, TDialogFormat& dialog) {
  dialog.Filter.clear();
  const int index = choices.FormatIndex;
  if (index < 0 || index >= int(OutputFormats.size())) return;
  dialog.Filter = OutputFormats[index].Filter;
  dialog.DefaultExt = OutputFormats[index].Extension;
  videoEdit.OutputType = TOutputType(index);

  if (index == AviFormatIndex) {
    videoEdit.VideoCompressor = int16_t(choices.VideoCompressorIndex);
    videoEdit.AudioCompressor = int16_t(choices.AudioCompressorIndex);
    videoEdit.UseVideoCompressor = choices.UseVideoCompressor;
    videoEdit.UseAudioCompressor = choices.UseAudioCompressor;
    videoEdit.FrameRate = frame.FrameRate.value_or(videoEdit.FrameRate);
  } else if (index == OriginalFormatIndex) {
    videoEdit.RemuxOrConvert = choices.RemuxOrConvert;
  } else if (index == WmvFormatIndex) {
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
