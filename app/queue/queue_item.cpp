#include "app/queue/queue_item.h"

#include <algorithm>
#include <array>
#include <variant>

#include <fmt/core.h>

#include "app/queue/messages.h"
#include "app/status_wording.h"
#include "platform/int_parse.h"

namespace {

struct StateNaming {
  TQueueState State;
  const char* Name;
};
constexpr std::array<StateNaming, 7> StateNames{{
    {TQueueState::Queued, "queued"},
    {TQueueState::Reading, "reading"},
    {TQueueState::Downloading, "downloading"},
    {TQueueState::Converting, "converting"},
    {TQueueState::Paused, "paused"},
    {TQueueState::Failed, "failed"},
    {TQueueState::Saved, "saved"},
}};

// One stored setting: a field of the settings of type int, bool or text.
using FieldPointer = std::variant<int TQueueItemSettings::*, bool TQueueItemSettings::*,
                                  std::string TQueueItemSettings::*, int TOutputChoices::*, bool TOutputChoices::*,
                                  std::string TOutputChoices::*, std::optional<TOutputType> TOutputChoices::*>;
struct StoredField {
  const char* Name;
  FieldPointer Field;
};
const StoredField StoredFields[] = {
    {"format", &TOutputChoices::Format},
    {"width", &TOutputChoices::Width},
    {"height", &TOutputChoices::Height},
    {"frame_rate", &TOutputChoices::FrameRate},
    {"use_video_compressor", &TOutputChoices::UseVideoCompressor},
    {"video_compressor", &TOutputChoices::VideoCompressorIndex},
    {"use_audio_compressor", &TOutputChoices::UseAudioCompressor},
    {"audio_compressor", &TOutputChoices::AudioCompressorIndex},
    {"use_wmv9", &TOutputChoices::UseWMV9},
    {"wmv8_profile", &TOutputChoices::WMV8ProfileName},
    {"wmv9_profile", &TOutputChoices::WMV9Index},
    {"remux_or_convert", &TOutputChoices::RemuxOrConvert},
    {"name_template", &TQueueItemSettings::NameTemplate},
    {"folder", &TQueueItemSettings::Folder},
};

// A value never holds a line break of its own: backslash and line feed are
// escaped.
std::string escape(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    if (c == '\\') escaped += "\\\\";
    else if (c == '\n') escaped += "\\n";
    else escaped += c;
  }
  return escaped;
}

std::string unescape(const std::string& value) {
  std::string plain;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      plain += value[i + 1] == 'n' ? '\n' : value[i + 1];
      ++i;
    } else {
      plain += value[i];
    }
  }
  return plain;
}

// The field in settings, const when settings is.
template <typename Settings, typename Value>
auto& member(Settings& settings, Value TQueueItemSettings::*field) {
  return settings.*field;
}
template <typename Settings, typename Value>
auto& member(Settings& settings, Value TOutputChoices::*field) {
  return settings.Choices.*field;
}

std::string textOf(const int value) { return std::to_string(value); }
std::string textOf(const bool value) { return value ? "1" : "0"; }
std::string textOf(const std::string& value) { return escape(value); }
// A format by its name, which a later list order cannot change.
std::string textOf(const std::optional<TOutputType>& format) { return format ? OutputTypeName(*format) : ""; }

// A stored value that does not read keeps the default.
void readInto(int& target, const std::string& text) { target = StrToIntDef(text, target); }
void readInto(bool& target, const std::string& text) { target = text == "1"; }
void readInto(std::string& target, const std::string& text) { target = unescape(text); }
void readInto(std::optional<TOutputType>& target, const std::string& text) {
  if (text.empty()) target.reset();
  else if (const std::optional<TOutputType> format = OutputFormatNamed(text)) target = format;
}

}  // namespace

const char* StateName(TQueueState state) {
  for (const StateNaming& naming : StateNames)
    if (naming.State == state) return naming.Name;
  return "";
}

std::optional<TQueueState> StateFromName(const std::string& name) {
  for (const StateNaming& naming : StateNames)
    if (name == naming.Name) return naming.State;
  return std::nullopt;
}

std::string StateText(const TQueueItem& item) {
  switch (item.State) {
    case TQueueState::Queued: return queue_messages::Queued;
    case TQueueState::Reading: return queue_messages::Reading;
    case TQueueState::Downloading:
      if (item.BytesTotal <= 0) return queue_messages::DownloadingUnknownSize;
      return fmt::format(queue_messages::Downloading, *PercentDone(item));
    case TQueueState::Converting: return fmt::format(queue_messages::Converting, item.ConvertPercent);
    case TQueueState::Paused:
      if (const std::optional<int> percent = PercentDone(item)) return fmt::format(queue_messages::PausedAt, *percent);
      return queue_messages::Paused;
    case TQueueState::Failed: return fmt::format(queue_messages::Failed, item.Error);
    case TQueueState::Saved: return fmt::format(queue_messages::Saved, item.OutputFile);
  }
  return {};
}

std::optional<int> PercentDone(const TQueueItem& item) {
  switch (item.State) {
    case TQueueState::Downloading:
    case TQueueState::Paused:
      if (item.BytesTotal <= 0) return std::nullopt;
      return int(std::clamp<int64_t>(item.BytesDone * 100 / item.BytesTotal, 0, 100));
    case TQueueState::Converting: return item.ConvertPercent;
    case TQueueState::Saved: return 100;
    case TQueueState::Queued:
    case TQueueState::Reading:
    case TQueueState::Failed: return std::nullopt;
  }
  return std::nullopt;
}

std::string SizeText(const TQueueItem& item) {
  const int64_t bytes = item.BytesTotal > 0 ? item.BytesTotal : item.BytesDone;
  return bytes > 0 ? HumanSize(bytes) : std::string();
}

std::optional<int64_t> SecondsLeft(const TQueueItem& item) {
  if (item.BytesTotal <= 0 || item.BytesPerSecond <= 0 || item.BytesDone > item.BytesTotal) return std::nullopt;
  return (item.BytesTotal - item.BytesDone + item.BytesPerSecond - 1) / item.BytesPerSecond;
}

std::string EncodeItemSettings(const TQueueItemSettings& settings) {
  std::string text;
  for (const StoredField& stored : StoredFields)
    std::visit([&](auto field) { text += fmt::format("{}={}\n", stored.Name, textOf(member(settings, field))); },
               stored.Field);
  return text;
}

TQueueItemSettings DecodeItemSettings(const std::string& text) {
  TQueueItemSettings settings;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    for (const StoredField& stored : StoredFields)
      if (name == stored.Name)
        std::visit([&](auto field) { readInto(member(settings, field), line.substr(equals + 1)); }, stored.Field);
  }
  return settings;
}
