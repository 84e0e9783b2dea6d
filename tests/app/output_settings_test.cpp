#include "app/output_formats.h"

#include <gtest/gtest.h>

#include "converter/video_edit.h"
#include "platform/exception.h"

namespace {

const std::string Profiles = "/opt/quillfen/share/quillfen/profiles/";

struct FormatRow {
  int index;
  const char* filter;
  const char* extension;
};

const FormatRow kRows[] = {
    {0, "Mpeg File (*.mpg)|*.mpg", "mpg"},  {1, "Mpeg File (*.mpg)|*.mpg", "mpg"},
    {2, "Mpeg File (*.mpg)|*.mpg", "mpg"},  {3, "Mpeg File (*.mpg)|*.mpg", "mpg"},
    {4, "Mpeg File (*.mpg)|*.mpg", "mpg"},  {5, "Mpeg File (*.mpg)|*.mpg", "mpg"},
    {6, "Mpeg File (*.mpg)|*.mpg", "mpg"},  {7, "Mpeg File (*.mpg)|*.mpg", "mpg"},
    {8, "Avi File (*.avi)|*.avi", "avi"},   {9, "WMV File (*.wmv)|*.wmv", "wmv"},
    {10, "QT File (*.mov)|*.mov", "mov"},   {11, "RM File (*.rm)|*.rm", "rm"},
    {12, "iPod File (*.mp4)|*.mp4", "mp4"}, {13, "PSP File (*.mp4)|*.mp4", "mp4"},
    {14, "FLV File (*.flv)|*.flv", "flv"},  {15, "Mobile File (*.3gp)|*.3gp", "3gp"},
};

// Settings that no format should touch unless it is its own branch.
void markUntouched(TVideoEdit& edit) {
  edit.VideoCompressor = 77;
  edit.AudioCompressor = 77;
  edit.FrameRate = 7.0f;
  edit.WMVProfile = 77;
  edit.WMVCustomFileName = "kept";
}

TEST(OutputFormat, EveryRowSetsTypeFilterAndExtension) {
  for (const FormatRow& row : kRows) {
    SCOPED_TRACE(row.index);
    TVideoEdit edit;
    markUntouched(edit);
    TOutputChoices choices;
    choices.Format = TOutputType(row.index);
    TDialogFormat dialog{"old", "old"};
    ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
    EXPECT_EQ(edit.OutputType, row.index);
    EXPECT_EQ(dialog.Filter, row.filter);
    EXPECT_EQ(dialog.DefaultExt, row.extension);
    if (row.index != otAVI) {
      EXPECT_EQ(edit.VideoCompressor, 77);
      EXPECT_EQ(edit.FrameRate, 7.0f);
    }
    if (row.index != otWMV) {
      EXPECT_EQ(edit.WMVProfile, 77);
      EXPECT_EQ(edit.WMVCustomFileName, "kept");
    }
  }
}

// The formats of today follow the sixteen; each sets its own type, filter
// and extension (Original's extension is the source's, chosen later), and
// only Original takes the remux-or-convert choice.
TEST(OutputFormat, NewRowsAfterTheSixteen) {
  const struct {
    int index;
    const char* caption;
    const char* name;
    const char* filter;
    const char* extension;
  } rows[] = {
      {16, "MP4", "MP4", "MP4 File (*.mp4)|*.mp4", "mp4"},
      {17, "WebM", "WebM", "WebM File (*.webm)|*.webm", "webm"},
      {18, "MP3 (audio only)", "MP3", "MP3 File (*.mp3)|*.mp3", "mp3"},
      {19, "Opus (audio only)", "Opus", "Opus File (*.opus)|*.opus", "opus"},
      {20, "Original (no re-encoding)", "Original", "Original File (*.mp4;*.webm;*.flv;*.mkv)|*.mp4;*.webm;*.flv;*.mkv",
       ""},
  };
  ASSERT_EQ(OutputFormats.size(), 21u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.caption);
    EXPECT_STREQ(OutputFormats[row.index].Caption, row.caption);
    EXPECT_EQ(OutputTypeName(OutputFormats[row.index].Type), row.name);
    TVideoEdit edit;
    markUntouched(edit);
    TOutputChoices choices;
    choices.Format = TOutputType(row.index);
    choices.RemuxOrConvert = true;
    TDialogFormat dialog{"old", "old"};
    ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
    EXPECT_EQ(edit.OutputType, row.index);
    EXPECT_EQ(dialog.Filter, row.filter);
    EXPECT_EQ(dialog.DefaultExt, row.extension);
    EXPECT_EQ(edit.RemuxOrConvert, row.index == otOriginal);
    EXPECT_EQ(edit.VideoCompressor, 77);
    EXPECT_EQ(edit.WMVCustomFileName, "kept");
  }
  // The old rows keep their captions and names.
  for (int index = 0; index < 16; ++index)
    EXPECT_EQ(OutputTypeName(OutputFormats[index].Type), OutputFormats[index].Caption);
}

// The command line's names and the list's captions, in any letter case; the
// list holds every type once.
TEST(OutputFormat, NamedInAnyCase) {
  EXPECT_EQ(OutputFormatNamed("mp4"), otMP4);
  EXPECT_EQ(OutputFormatNamed("mpeg 2"), otMPEG2);
  EXPECT_EQ(OutputFormatNamed("ORIGINAL (NO RE-ENCODING)"), otOriginal);
  EXPECT_EQ(OutputFormatNamed("quicktime"), otQT);
  EXPECT_EQ(OutputFormatNamed("RealMedia"), otRM);
  EXPECT_EQ(OutputFormatNamed("Betamax"), std::nullopt);
  for (int type = 0; type < int(OutputFormats.size()); ++type) EXPECT_NE(FindOutputFormat(TOutputType(type)), nullptr);
}

// Typed text that matches no entry: no branch, an empty filter, and the
// extension the previous job chose.
TEST(OutputFormat, TypedFormatSelectsNothing) {
  TVideoEdit edit;
  markUntouched(edit);
  edit.OutputType = otQT;
  TOutputChoices choices;
  choices.Format.reset();
  TDialogFormat dialog{"Avi File (*.avi)|*.avi", "avi"};
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(dialog.Filter, "");
  EXPECT_EQ(dialog.DefaultExt, "avi");
  EXPECT_EQ(edit.OutputType, otQT);
  EXPECT_EQ(edit.VideoCompressor, 77);
}

TEST(OutputFormat, AviWritesCompressorsEvenWhenUnchecked) {
  TVideoEdit edit;
  markUntouched(edit);
  TOutputChoices choices;
  choices.VideoCompressorIndex = 2;
  choices.AudioCompressorIndex = -1;
  choices.UseVideoCompressor = false;
  choices.UseAudioCompressor = true;
  choices.FrameRate = "30";
  TDialogFormat dialog;
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(edit.VideoCompressor, 2);
  EXPECT_EQ(edit.AudioCompressor, -1);
  EXPECT_FALSE(edit.UseVideoCompressor);
  EXPECT_TRUE(edit.UseAudioCompressor);
  EXPECT_EQ(edit.FrameRate, 30.0f);
}

TEST(OutputFormat, Wmv9ProfilePathKeepsBothBlanks) {
  TVideoEdit edit;
  TOutputChoices choices;
  choices.Format = otWMV;
  choices.WMV9Index = 3;
  TDialogFormat dialog;
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(edit.WMVCustomFileName, Profiles + "LAN, Cable Modem, or xDSL  (100 to 768kbps).prx");
  choices.WMV9Index = -1;
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(edit.WMVCustomFileName, Profiles);
}

// The list leaves out flagged profiles, so the value is looked up by name;
// and a profile file from an earlier WMV 9 job must not win over the choice.
TEST(OutputFormat, Wmv8ByNameAfterASkippedProfile) {
  TVideoEdit edit;
  int16_t skipped = -1;
  for (int16_t i = 0; i < edit.WMVProfiles.Count() && skipped < 0; ++i)
    if (edit.WMVProfiles.ProfileFlag(i)) skipped = i;
  ASSERT_GE(skipped, 0) << "the converter flags no profile";
  int16_t later = -1;
  for (int16_t i = skipped + 1; i < edit.WMVProfiles.Count() && later < 0; ++i)
    if (!edit.WMVProfiles.ProfileFlag(i)) later = i;
  ASSERT_GE(later, 0);

  edit.WMVCustomFileName = Profiles + "Pocket PC (225kbps).prx";
  TOutputChoices choices;
  choices.Format = otWMV;
  choices.UseWMV9 = false;
  choices.WMV8ProfileName = edit.WMVProfiles.ProfileName(later);
  TDialogFormat dialog;
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(edit.WMVProfile, later);
  EXPECT_EQ(edit.WMVCustomFileName, "");
}

struct FrameCase {
  const char* name;
  std::optional<TOutputType> format;
  const char* width;
  const char* height;
  const char* rate;
  const char* error;  // nullptr: accepted
};

const FrameCase kFrameCases[] = {
    {"defaults", otAVI, "320", "240", "25", nullptr},
    {"letters", otAVI, "abc", "240", "25", "'abc' is not a valid integer value"},
    {"fraction in the AVI rate", otAVI, "320", "240", "29.97", "'29.97' is not a valid integer value"},
    {"rate is not read for other formats", otDVD_PAL, "320", "240", "29.97", nullptr},
    {"width past 16 bits", otDVD_PAL, "70000", "240", "25",
     "'70000' is not a valid frame width: it must be a whole number from 1 to 32767"},
    {"largest height", otDVD_PAL, "320", "32767", "25", nullptr},
    {"zero height", otDVD_PAL, "320", "0", "25",
     "'0' is not a valid frame height: it must be a whole number from 1 to 32767"},
    {"negative width", otDVD_PAL, "-320", "240", "25",
     "'-320' is not a valid frame width: it must be a whole number from 1 to 32767"},
};

TEST(FrameFields, ReadBeforeAnyDownload) {
  for (const FrameCase& c : kFrameCases) {
    SCOPED_TRACE(c.name);
    TOutputChoices choices;
    choices.Format = c.format;
    choices.Width = c.width;
    choices.Height = c.height;
    choices.FrameRate = c.rate;
    if (c.error) {
      try {
        ReadFrameSettings(choices);
        ADD_FAILURE() << "accepted";
      } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message, c.error);
      }
    } else {
      EXPECT_NO_THROW(ReadFrameSettings(choices));
    }
  }
}

// An empty field is the source's for today's formats; the sixteen of old,
// made for players of fixed sizes, take 320x240 at 25 frames per second.
TEST(FrameFields, EmptyFieldsAreTheSourcesOrTheDefaults) {
  const struct {
    const char* name;
    TOutputType format;
    const char* width;
    const char* height;
    const char* rate;
    TFrameSettings expected;
  } cases[] = {
      {"MP4, nothing given", otMP4, "", "", "", {0, 0, std::nullopt}},
      {"WebM, width alone", otWebM, "640", "", "", {640, 0, std::nullopt}},
      {"MP4, height and rate", otMP4, "", "480", "30", {0, 480, 30.0f}},
      {"Original re-encoded to MP4", otOriginal, "", "", "", {0, 0, std::nullopt}},
      {"MP3", otMP3, "", "", "", {0, 0, std::nullopt}},
      {"AVI, nothing given", otAVI, "", "", "", {320, 240, 25.0f}},
      {"AVI, width alone", otAVI, "640", "", "", {640, 240, 25.0f}},
      {"DVD, nothing given", otDVD_PAL, "", "", "", {320, 240, std::nullopt}},
      {"iPod, rate given", otIPOD, "", "", "30", {320, 240, std::nullopt}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOutputChoices choices;
    choices.Format = c.format;
    choices.Width = c.width;
    choices.Height = c.height;
    choices.FrameRate = c.rate;
    EXPECT_EQ(ReadFrameSettings(choices), c.expected);
  }
}

// A rate an earlier job chose does not stay for a format that keeps the source's.
TEST(FrameFields, TodaysFormatsForgetAnEarlierRate) {
  TVideoEdit edit;
  TOutputChoices choices;
  choices.FrameRate = "30";
  TDialogFormat dialog;
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  ASSERT_EQ(edit.FrameRate, 30.0f);
  choices.Format = otMP4;
  choices.FrameRate.clear();
  ApplyOutputSettings(edit, choices, ReadFrameSettings(choices), Profiles, dialog);
  EXPECT_EQ(edit.FrameRate, 0.0f);
}

}  // namespace
