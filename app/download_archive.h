// The record of saved videos behind --download-archive: one line per video,
// "<site> <video id>" for the two video sites and "url <media address>" for
// anything else. Several programs may share one file: each line goes in whole
// with one append under a lock, and a line cut short by a crash is never
// read as an entry.
#pragma once

#include <string>
#include <unordered_set>

#include "platform/exception.h"

namespace archive_messages {
inline constexpr const char* CannotRead = "Cannot read the download archive '{}': {}";
inline constexpr const char* CannotWrite = "Cannot write to the download archive '{}': {}";
inline constexpr const char* LineBreakInEntry = "A download archive entry cannot hold a line break: '{}'";
}  // namespace archive_messages

// The hosts whose watch addresses name a video id. A local copy of the sites
// (a demo or a test) gives its own host for both.
struct TArchiveSites {
  std::string FirstSiteDomain;  // and its subdomains: watch?v=<id>
  std::string SecondSiteHost;   // videoplay?docid=<id>
  static TArchiveSites Defaults();
};

// The archive entry for a video. watchAddress is the address the user gave;
// for a watch page of either site the entry is the site and the video id.
// Otherwise it is the address the video finally came from, mediaAddress;
// before a job that is not known yet, and the watch address stands for it.
std::string DownloadArchiveKey(const std::string& watchAddress, const std::string& mediaAddress,
                               const TArchiveSites& sites = TArchiveSites::Defaults());

class TDownloadArchive {
public:
  // The file need not exist yet; it is made by the first Record.
  explicit TDownloadArchive(std::string path);

  // Reads what other programs have appended since the last look.
  bool Contains(const std::string& key);
  // Appends the entry as one line. Raises an Exception when it cannot, and
  // then leaves the file as it was.
  void Record(const std::string& key);

  const std::string& Path() const { return path_; }

private:
  void readNewLines();

  std::string path_;
  std::unordered_set<std::string> keys_;
  // Where the first line not yet read starts.
  long long readUpTo_ = 0;
};
