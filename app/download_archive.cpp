#include "app/download_archive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <fmt/core.h>

#include "app/sites.h"
#include "net/http/text_helpers.h"
#include "net/http/uri.h"

namespace {

// The words the entries name the two sites by.
constexpr const char* FirstSiteWord = "clipcove";
constexpr const char* SecondSiteWord = "reelharbor";

// The value of name in a query ("?a=1&b=2"), empty when absent.
std::string queryValue(const std::string& params, std::string_view name) {
  std::string_view rest(params);
  if (!rest.empty() && rest.front() == '?') rest.remove_prefix(1);
  while (!rest.empty()) {
    const size_t end = std::min(rest.find('&'), rest.size());
    const std::string_view pair = rest.substr(0, end);
    if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
      return std::string(pair.substr(name.size() + 1));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return {};
}

// Ids are letters, digits, "-" and "_"; anything else is no id of the sites.
bool plausibleId(const std::string& id) {
  return !id.empty() &&
         std::all_of(id.begin(), id.end(), [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
}

bool onDomain(const std::string& host, const std::string& domain) {
  return SameText(host, domain) || (host.size() > domain.size() + 1 && host[host.size() - domain.size() - 1] == '.' &&
                                    SameText(std::string_view(host).substr(host.size() - domain.size()), domain));
}

[[noreturn]] void failOn(const char* message, const std::string& path, int error) {
  throw Exception(fmt::format(fmt::runtime(message), path, std::strerror(error)));
}

// Closes the descriptor, and so lets its lock go, however the scope ends.
struct FileDescriptor {
  int Value;
  ~FileDescriptor() {
    if (Value >= 0) ::close(Value);
  }
};

// Where the file's last complete line ends: after its last "\n", or 0.
off_t endOfLastLine(int file, off_t size) {
  char block[4096];
  for (off_t end = size; end > 0;) {
    const off_t start = std::max<off_t>(0, end - off_t(sizeof block));
    const ssize_t got = ::pread(file, block, size_t(end - start), start);
    if (got != end - start) return -1;
    for (ssize_t i = got; i > 0; --i)
      if (block[i - 1] == '\n') return start + i;
    end = start;
  }
  return 0;
}

}  // namespace

TArchiveSites TArchiveSites::Defaults() { return {sites::FirstSiteDomain, sites::SecondSiteHost}; }

std::string DownloadArchiveKey(const std::string& watchAddress, const std::string& mediaAddress,
                               const TArchiveSites& sites) {
  const TIdURI address(watchAddress);
  const bool web = SameText(address.Protocol, "http") || SameText(address.Protocol, "https");
  if (web && onDomain(address.Host, sites.FirstSiteDomain) && address.Document == "watch") {
    if (const std::string id = queryValue(address.Params, "v"); plausibleId(id))
      return fmt::format("{} {}", FirstSiteWord, id);
  }
  if (web && SameText(address.Host, sites.SecondSiteHost) && address.Document == "videoplay") {
    if (const std::string id = queryValue(address.Params, "docid"); plausibleId(id))
      return fmt::format("{} {}", SecondSiteWord, id);
  }
  return "url " + (mediaAddress.empty() ? watchAddress : mediaAddress);
}

TDownloadArchive::TDownloadArchive(std::string path) : path_(std::move(path)) {}

bool TDownloadArchive::Contains(const std::string& key) {
  readNewLines();
  return keys_.contains(key);
}

void TDownloadArchive::readNewLines() {
  const FileDescriptor file{::open(path_.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.Value < 0) {
    if (errno == ENOENT) return;
    failOn(archive_messages::CannotRead, path_, errno);
  }
  struct stat status {};
  if (::fstat(file.Value, &status) != 0) failOn(archive_messages::CannotRead, path_, errno);
  // A file that shrank was rewritten by somebody: read it afresh.
  if (status.st_size < readUpTo_) {
    keys_.clear();
    readUpTo_ = 0;
  }
  std::string text(size_t(status.st_size - readUpTo_), '\0');
  const ssize_t got = ::pread(file.Value, text.data(), text.size(), readUpTo_);
  if (got < 0) failOn(archive_messages::CannotRead, path_, errno);
  text.resize(size_t(got));
  // Only whole lines count; a torn last one may yet be completed, or was
  // left by a crash.
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) keys_.insert(std::move(line));
  }
  readUpTo_ += static_cast<long long>(start);
}

void TDownloadArchive::Record(const std::string& key) {
  if (key.find_first_of("\r\n") != std::string::npos)
    throw Exception(fmt::format(archive_messages::LineBreakInEntry, key));
  const FileDescriptor file{::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666)};
  if (file.Value < 0) failOn(archive_messages::CannotWrite, path_, errno);
  if (::flock(file.Value, LOCK_EX) != 0) failOn(archive_messages::CannotWrite, path_, errno);
  struct stat status {};
  if (::fstat(file.Value, &status) != 0) failOn(archive_messages::CannotWrite, path_, errno);
  // Every writer holds the lock while it appends, so a torn line at the end
  // is a crashed writer's: it goes before the new line, which would
  // otherwise be glued to it.
  off_t size = status.st_size;
  if (const off_t whole = endOfLastLine(file.Value, size); whole != size) {
    if (whole < 0 || ::ftruncate(file.Value, whole) != 0) failOn(archive_messages::CannotWrite, path_, errno);
    size = whole;
  }
  const std::string line = key + "\n";
  const ssize_t written = ::write(file.Value, line.data(), line.size());
  if (written != static_cast<ssize_t>(line.size())) {
    const int error = written < 0 ? errno : ENOSPC;
    // A short write leaves no half line behind.
    if (::ftruncate(file.Value, size) != 0) failOn(archive_messages::CannotWrite, path_, errno);
    failOn(archive_messages::CannotWrite, path_, error);
  }
  keys_.insert(key);
}
