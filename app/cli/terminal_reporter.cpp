#include "app/cli/terminal_reporter.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <vector>

#include <fmt/core.h>

#include "app/cli/cli_text.h"
#include "app/display_text.h"
#include "app/messages.h"
#include "app/output_formats.h"
#include "app/output_name.h"
#include "app/status_wording.h"
#include "app/translation/translations.h"
#include "converter/output_type.h"
#include "net/http/uri.h"
#include "platform/text.h"

namespace {
// Byte counts change with every received chunk; a line per chunk would flood
// a log, so counts are shown at most this often.
constexpr auto RedrawInterval = std::chrono::milliseconds(200);
constexpr int WidestBar = 30;
constexpr int DefaultColumns = 80;

std::atomic<bool> terminalResized{true};
void noteResize(int) { terminalResized = true; }

int columnsOf(std::FILE* out) {
  winsize size{};
  if (::ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return DefaultColumns;
}
}  // namespace

std::string TNameClaims::Claim(const std::string& name) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return *given_.insert(freeName(name)).first;
}

std::string TNameClaims::FreeName(const std::string& name) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return freeName(name);
}

std::string TNameClaims::freeName(const std::string& name) const {
  std::string free = name;
  for (int copy = 2; given_.count(free); ++copy) free = NumberedCopyName(name, copy);
  return free;
}

void TNameClaims::Release(const std::string& name) {
  const std::lock_guard<std::mutex> lock(mutex_);
  given_.erase(name);
}

TTerminalReporter::TTerminalReporter(std::FILE* out, bool isTerminal, std::string outputFile,
                                     std::optional<TOutputType> format)
    : out_(out), isTerminal_(isTerminal), outputFile_(std::move(outputFile)), format_(format) {
  if (isTerminal_) {
    struct sigaction action {};
    action.sa_handler = noteResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGWINCH, &action, nullptr);
  }
}

TTerminalReporter::~TTerminalReporter() { FinishLine(); }

// "Done" is held back until the job begins its next step or ends saved: the
// job says it after a failed transfer, at the end of a failed run, and when a
// large file's first answer makes way for its parts, and none of those is
// done. Counts that follow it, or a retry, drop it. A status may name a host,
// a stream's description or a notice from below: it is drawn as DisplayText.
void TTerminalReporter::Report(const TJobProgress& progress) {
  switch (progress.Kind) {
    case TProgressKind::StepBegun:
      // A video refused for its name is not downloading.
      if (progress.Step == TJobStep::Video && keepExistingEarly(progress.Text)) return;
      // A step starts with an empty bar: what the last one left is no part of it.
      if (held_) draw(true);
      showHeldDone();
      position_ = maximum_ = 0;
      converting_ = false;
      speed_.Restart();
      break;
    case TProgressKind::TransferBegun:
    case TProgressKind::Retry: speed_.Restart(); break;
    case TProgressKind::Bytes:
    case TProgressKind::Segments:
      doneHeld_.reset();
      speed_.Add(progress.Bytes);
      break;
    case TProgressKind::Converting:
      // The conversion's share is its own: the bar may still hold a
      // transfer's counts when the first report comes.
      converting_ = true;
      position_ = std::llround(progress.Position * 1000);
      maximum_ = std::llround(progress.Duration * 1000);
      break;
    case TProgressKind::ConversionDone:
      converting_ = false;
      position_ = maximum_ = 0;
      break;
    default: break;
  }
  // A transfer counts every piece it receives: a count after a count is
  // worded only when it is drawn.
  if (progress.Kind == TProgressKind::Bytes && statusIsCount_) {
    latestCount_ = progress;
    draw(false);
    return;
  }
  const std::optional<std::string> translated = TranslatedStatus(progress);
  if (!translated) return;
  // Sizes as people read them; the window words the same events in bytes.
  std::string line = DisplayText(progress.Kind == TProgressKind::Bytes ? countLine(progress)
                                 : progress.Kind == TProgressKind::TransferBegun
                                     ? MessageFormat(app_messages::Transfering, HumanSize(progress.Total))
                                     : *translated);
  const bool count = progress.Kind == TProgressKind::Bytes;
  const bool changedKind = count != statusIsCount_ || !count;
  // The last count of a transfer reaches the screen before what follows it.
  if (changedKind && held_) draw(true);
  if (progress.Kind == TProgressKind::TransferEnded || progress.Kind == TProgressKind::JobDone) {
    doneHeld_ = std::move(line);
    return;
  }
  if (progress.Kind == TProgressKind::Retry) doneHeld_.reset();
  status_ = std::move(line);
  statusIsCount_ = count;
  draw(changedKind);
}

// "12.4 MiB of 310 MiB, 4.2 MiB/s, 1:08 left": the parts that are known.
std::string TTerminalReporter::countLine(const TJobProgress& progress) const {
  std::vector<std::string> parts;
  parts.push_back(progress.Total > 0 ? CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} of {}"),
                                                 HumanSize(progress.Bytes), HumanSize(progress.Total))
                                     : HumanSize(progress.Bytes));
  if (const std::optional<double> speed = speed_.BytesPerSecond(); speed && *speed > 0) {
    parts.push_back(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{}/s"), HumanSize(std::llround(*speed))));
    if (progress.Total > progress.Bytes)
      parts.push_back(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} left"),
                                ClockTime(int64_t(std::ceil(double(progress.Total - progress.Bytes) / *speed)))));
  }
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : ", ") + part;
  return line;
}

void TTerminalReporter::showHeldDone() {
  if (!doneHeld_) return;
  status_ = *doneHeld_;
  statusIsCount_ = false;
  position_ = 0;
  doneHeld_.reset();
  draw(true);
}

void TTerminalReporter::Idle() {
  if (held_) draw(false);
}

void TTerminalReporter::Progress(int64_t position, int64_t maximum) {
  // Set back to 0 at the end of a transfer or conversion: the last state
  // reaches the screen, and the empty bar waits for what comes next.
  if (position == 0 && held_) draw(true);
  if (converting_) return;
  position_ = position;
  maximum_ = maximum;
  if (position != 0 && !doneHeld_) draw(false);
}

// A bar only while something is under way: the job sets it back to 0 when a
// transfer or conversion ends.
bool TTerminalReporter::showsProgress() const { return !NoProgress && maximum_ > 0 && position_ > 0; }

int64_t TTerminalReporter::percent() const { return std::clamp<int64_t>(position_ * 100 / maximum_, 0, 100); }

void TTerminalReporter::draw(bool force) {
  if (Quiet || (NoProgress && statusIsCount_)) {
    held_ = false;
    latestCount_.reset();
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < RedrawInterval) {
    // The last count must still reach the screen.
    held_ = true;
    return;
  }
  held_ = false;
  lastDraw_ = now;
  if (latestCount_) {
    status_ = DisplayText(countLine(*latestCount_));
    latestCount_.reset();
  }
  if (!isTerminal_) {
    // A log gets a line per change, conversion progress included.
    const std::string line = showsProgress() && !statusIsCount_ ? fmt::format("{} {}%", status_, percent()) : status_;
    if (line == lastPrinted_) return;
    fmt::print(out_, "{}{}\n", LinePrefix, line);
    lastPrinted_ = line;
    std::fflush(out_);
    return;
  }
  if (terminalResized.exchange(false)) columns_ = columnsOf(out_);
  // One column is left free: a line that fills the last one wraps on some
  // terminals, and every redraw would then scroll.
  const size_t room = size_t(std::max(columns_ - 1, 10));
  std::string line;
  if (showsProgress()) {
    const int barWidth = std::clamp(columns_ / 4, 5, WidestBar);
    const int64_t filled = std::min<int64_t>(barWidth, position_ * barWidth / maximum_);
    line = fmt::format("[{}{}] {:3}% ", std::string(size_t(filled), '#'), std::string(size_t(barWidth - filled), ' '),
                       percent());
  }
  line += status_;
  if (line.size() > room) {
    line.resize(room);
    // A translated status may hold characters of several bytes: none is cut.
    while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.pop_back();
    if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0xC0) line.pop_back();
  }
  fmt::print(out_, "\r\033[K{}", line);
  std::fflush(out_);
  lineOpen_ = true;
}

void TTerminalReporter::FinishLine() {
  if (held_) draw(true);
  if (lineOpen_) fmt::print(out_, "\n");
  lineOpen_ = false;
}

void TTerminalReporter::FinishJob(bool saved) {
  if (held_) draw(true);
  if (saved) showHeldDone();
  doneHeld_.reset();
  converting_ = false;
  FinishLine();
  keptExisting_.clear();
}
// A template names each video; a fixed name ends in the format's extension,
// and a name changed for it is told. The folders of either are made as
// needed.
std::optional<std::string> TTerminalReporter::AskSaveFileName(const TSaveRequest& request) {
  std::string name = outputFile_;
  const bool named = IsNameTemplate(outputFile_);
  if (named) {
    SetPicture(request.Width, request.Height, request.UploadDate);
    name = Names->Claim(expandedName(request.Title, request.DefaultExt));
  } else {
    name = NameWithExtension(outputFile_, request.DefaultExt);
    if (!Quiet && name != outputFile_ && !name.starts_with(outputFile_ + ".")) {
      FinishLine();
      fmt::print(
          out_, "quillfen-cli: {}\n",
          DisplayText(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "Saving as '{}': the format's files end in .{}"),
                                name, request.DefaultExt)));
    }
  }
  if (KeepExisting && std::filesystem::exists(name)) {
    if (named) Names->Release(name);
    keptExisting_ = name;
    return std::nullopt;
  }
  const std::filesystem::path folder = std::filesystem::path(name).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder);
  chosen_ = name;
  return name;
}

void TTerminalReporter::SetPicture(int32_t width, int32_t height, const std::string& uploadDate) {
  const bool sized = width > 0 && height > 0;
  fields_.Width = sized ? std::to_string(width) : "";
  fields_.Height = sized ? std::to_string(height) : "";
  fields_.Resolution = sized ? fmt::format("{}x{}", width, height) : "";
  fields_.UploadDate = uploadDate;
}

std::string TTerminalReporter::OutputName(const std::string& title, const std::string& extension) const {
  return IsNameTemplate(outputFile_) ? templateName(title, extension) : NameWithExtension(outputFile_, extension);
}

std::string TTerminalReporter::expandedName(const std::string& title, const std::string& extension) const {
  TNameFields fields = fields_;
  fields.Title = title;
  fields.Extension = extension;
  return ExpandNameTemplate(outputFile_, fields, RestrictFilenames);
}

std::string TTerminalReporter::templateName(const std::string& title, const std::string& extension) const {
  return Names->FreeName(expandedName(title, extension));
}

// Original's extension is known only once the streams are: its name is
// decided when the job asks for it.
bool TTerminalReporter::keepExistingEarly(const std::string& title) {
  const TOutputFormat* format = format_ ? FindOutputFormat(*format_) : nullptr;
  if (!KeepExisting || !IsNameTemplate(outputFile_) || !format || std::string_view(format->Extension).empty())
    return false;
  const std::string name = templateName(title, format->Extension);
  if (!std::filesystem::exists(name)) return false;
  keptExisting_ = name;
  if (OnKeptExisting) OnKeptExisting();
  return true;
}

void TTerminalReporter::BeginVideo(const std::string& address, const std::string& id) {
  std::string host = LowerCase(TIdURI(address).Host);
  if (host.starts_with("www.")) host.erase(0, 4);
  fields_.Domain = host;
  fields_.Id = id;
  SetPicture(0, 0, "");
  fields_.Format = format_ ? OutputTypeName(*format_) : "";
}

// The job's messages all end a run that saved nothing: the command line
// prints each with the run's outcome, as its one line about the failure.
void TTerminalReporter::ShowMessage(const std::string&) {}
