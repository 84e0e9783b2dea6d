#include "app/queue/unfinished_output.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view Ending = ".part";
// The longest name a folder entry may have: a long target's name is cut to
// leave room for the ending.
constexpr size_t LongestName = 255;

bool digitsOnly(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process that writes the unfinished file entry for the target's name,
// when entry is one.
std::optional<pid_t> writerOf(std::string_view entry, std::string_view name) {
  // A long target's name is cut so that the whole entry fits; a UTF-8
  // character is never split, so up to three bytes more may go.
  const bool cut = entry.size() + 3 >= LongestName;
  std::string_view rest = entry;
  if (!rest.starts_with('.') || !rest.ends_with(Ending)) return std::nullopt;
  rest.remove_prefix(1);
  rest.remove_suffix(Ending.size());
  const size_t dot = rest.rfind('.');
  const size_t dash = rest.rfind('-');
  if (dot == std::string_view::npos || dash == std::string_view::npos || dash < dot) return std::nullopt;
  const std::string_view process = rest.substr(dot + 1, dash - dot - 1);
  const std::string_view kept = rest.substr(0, dot);
  if (!digitsOnly(process) || process.size() > 9 || !digitsOnly(rest.substr(dash + 1))) return std::nullopt;
  if (kept.empty() || !(kept == name || (cut && name.starts_with(kept)))) return std::nullopt;
  return pid_t(std::stoi(std::string(process)));
}

bool runsElsewhere(pid_t writer) { return writer != ::getpid() && (::kill(writer, 0) == 0 || errno != ESRCH); }

}  // namespace

void RemoveUnfinishedOutputs(const std::string& target) {
  const std::filesystem::path path(target);
  const std::string name = path.filename().string();
  if (name.empty()) return;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(path.parent_path(), error), end; !error && entry != end;
       entry.increment(error)) {
    const std::optional<pid_t> writer = writerOf(entry->path().filename().string(), name);
    std::error_code ignored;
    if (writer && !runsElsewhere(*writer) && entry->is_regular_file(ignored))
      std::filesystem::remove(entry->path(), ignored);
  }
}
