#include "app/status_wording.h"

#include <fmt/args.h>
#include <fmt/format.h>

#include "app/messages.h"
#include "app/streams/messages.h"

namespace {

TStatusWording pattern(const char* text, std::vector<std::string> values = {}) { return {text, std::move(values), {}}; }

TStatusWording finished(const std::string& text) { return {nullptr, {}, text}; }

template <class... Numbers>
std::vector<std::string> numbers(Numbers... values) {
  return {fmt::to_string(values)...};
}

std::string filled(fmt::string_view pattern, const std::vector<std::string>& values) {
  fmt::dynamic_format_arg_store<fmt::format_context> arguments;
  for (const std::string& value : values) arguments.push_back(value);
  return fmt::vformat(pattern, arguments);
}

}  // namespace

std::optional<TStatusWording> StatusWording(const TJobProgress& progress) {
  switch (progress.Kind) {
    case TProgressKind::StepBegun:
      switch (progress.Step) {
        case TJobStep::Page: return pattern(app_messages::DownloadingHtml);
        case TJobStep::Video: return pattern(app_messages::DownloadingVideo);
        // The converter's first report says "Converting".
        case TJobStep::Conversion:
        case TJobStep::None: return std::nullopt;
      }
      return std::nullopt;
    case TProgressKind::ClientStatus:
    case TProgressKind::Notice: return finished(progress.Text);
    case TProgressKind::TransferBegun:
      if (progress.Total <= 0) return std::nullopt;
      return pattern(app_messages::Transfering, numbers(progress.Total));
    case TProgressKind::Bytes:
      if (progress.Total <= 0) return pattern(app_messages::Bytes, numbers(progress.Bytes));
      return pattern(app_messages::BytesOf, numbers(progress.Bytes, progress.Total));
    case TProgressKind::TransferEnded:
    case TProgressKind::JobDone: return pattern(app_messages::Done);
    case TProgressKind::Segments:
      return pattern(stream_messages::SegmentProgress,
                     numbers(progress.Segment, progress.SegmentCount, progress.Bytes));
    case TProgressKind::Retry:
      return pattern(app_messages::Retrying, numbers(progress.Attempt, progress.Retries, progress.Bytes));
    case TProgressKind::QualityChosen: return pattern(stream_messages::QualityChosen, {progress.Text});
    case TProgressKind::Converting: return pattern(app_messages::Converting);
    case TProgressKind::ConversionDone: return pattern(app_messages::ConversionDone);
  }
  return std::nullopt;
}

std::string HumanSize(int64_t bytes) {
  if (bytes < 1024) return fmt::format("{} B", bytes);
  constexpr const char* Units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = double(bytes) / 1024;
  size_t unit = 0;
  // 1023.96 KiB would round to "1024.0 KiB": it is the next unit's 1.0.
  while (value >= 1023.95 && unit + 1 < std::size(Units)) {
    value /= 1024;
    ++unit;
  }
  return fmt::format("{:.1f} {}", value, Units[unit]);
}

std::string ClockTime(int64_t seconds) {
  if (seconds >= 3600) return fmt::format("{}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return fmt::format("{}:{:02}", seconds / 60, seconds % 60);
}

std::string StatusLine(const TStatusWording& wording, const std::optional<std::string>& translation) {
  if (!wording.Pattern) return wording.Text;
  if (translation) {
    try {
      return filled(*translation, wording.Values);
    } catch (const fmt::format_error&) {
      // It names a field the pattern lacks: the line as written instead.
    }
  }
  return filled(wording.Pattern, wording.Values);
}
