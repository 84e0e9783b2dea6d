#include "app/cli/terminal_reporter.h"

#include <cctype>
#include <filesystem>

#include <fmt/core.h>

#include "app/output_name.h"

namespace {
// Byte counts change with every received chunk; a line per chunk would flood
// a log, so counts are shown at most this often.
constexpr auto RedrawInterval = std::chrono::milliseconds(200);
constexpr int BarWidth = 30;

bool isCount(const std::string& text) { return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])); }
}  // namespace

TTerminalReporter::TTerminalReporter(std::FILE* out, bool isTerminal, std::string outputFile, int formatIndex)
    : out_(out), isTerminal_(isTerminal), outputFile_(std::move(outputFile)), formatIndex_(formatIndex) {}

TTerminalReporter::~TTerminalReporter() { FinishLine(); }

void TTerminalReporter::Status(const std::string& text) {
  const bool changedKind = isCount(text) != isCount(status_) || !isCount(text);
  status_ = text;
  draw(changedKind);
}

void TTerminalReporter::Progress(int64_t position, int64_t maximum) {
  position_ = position;
  maximum_ = maximum;
  draw(false);
}

void TTerminalReporter::draw(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < RedrawInterval) return;
  lastDraw_ = now;
  if (!isTerminal_) {
    if (status_ == lastPrinted_) return;
    fmt::print(out_, "{}\n", status_);
    lastPrinted_ = status_;
    std::fflush(out_);
    return;
  }
  std::string bar;
  if (maximum_ > 0) {
    const int64_t filled = std::min<int64_t>(BarWidth, std::max<int64_t>(0, position_ * BarWidth / maximum_));
    bar = fmt::format("[{}{}] {:3}% ", std::string(size_t(filled), '#'), std::string(size_t(BarWidth - filled), ' '),
                      std::min<int64_t>(100, std::max<int64_t>(0, position_ * 100 / maximum_)));
  }
  fmt::print(out_, "\r\033[K{}{}", bar, status_);
  std::fflush(out_);
  lineOpen_ = true;
}

void TTerminalReporter::FinishLine() {
  if (lineOpen_) fmt::print(out_, "\n");
  lineOpen_ = false;
}

// Like the save dialog, a name without an extension gets the format's one.
// A template names each video; its folders are made as needed.
std::optional<std::string> TTerminalReporter::AskSaveFileName(const TSaveRequest& request) {
  std::string name = outputFile_;
  if (IsNameTemplate(outputFile_)) {
    const std::string expanded = ExpandNameTemplate(outputFile_, request.Title, request.DefaultExt);
    name = expanded;
    const size_t slash = expanded.find_last_of('/');
    const size_t dot = expanded.rfind('.');
    const size_t stem = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? expanded.size() : dot;
    for (int copy = 2; given_.count(name); ++copy)
      name = expanded.substr(0, stem) + " (" + std::to_string(copy) + ")" + expanded.substr(stem);
    const std::filesystem::path folder = std::filesystem::path(name).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
  } else {
    const size_t slash = name.find_last_of('/');
    if (!request.DefaultExt.empty() && name.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
      name += "." + request.DefaultExt;
  }
  given_.insert(name);
  chosen_ = name;
  return name;
}

void TTerminalReporter::ShowMessage(const std::string& text) {
  FinishLine();
  fmt::print(out_, "quillfen-cli: {}\n", text);
}
