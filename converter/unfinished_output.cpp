#include "converter/unfinished_output.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

#include <fmt/format.h>

namespace converter {
namespace {

constexpr std::string_view Ending = ".part";
// The longest name a folder entry may have on the usual file systems: a
// long target's name is cut to leave room for the rest.
constexpr size_t LongestName = 255;

// name cut to at most size bytes, never inside a UTF-8 character.
std::string cutName(const std::string& name, size_t size) {
  if (name.size() <= size) return name;
  while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) --size;
  return name.substr(0, size);
}

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

std::string UnfinishedOutputName(const std::string& target, unsigned number) {
  const std::filesystem::path path(target);
  const std::string suffix = fmt::format(".{}-{}{}", ::getpid(), number, Ending);
  const std::string name = "." + cutName(path.filename().string(), LongestName - 1 - suffix.size()) + suffix;
  return (path.parent_path() / name).string();
}

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

}  // namespace converter
