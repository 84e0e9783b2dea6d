#include "converter/media_catalogue.h"

#include <sys/stat.h>

namespace converter {

const MediaInfo& MediaCatalogue::info(const std::string& path, int videoStreamNumber) {
  Identity identity;
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    identity = {status.st_dev, status.st_ino, status.st_size,
                status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec};
  }
  const auto key = std::make_pair(path, videoStreamNumber);
  const auto found = entries_.find(key);
  if (found != entries_.end() && found->second.identity == identity) return found->second.info;
  // Probing a file that cannot be read throws; nothing is kept for it.
  Entry entry{identity, probe_(path, videoStreamNumber)};
  return entries_.insert_or_assign(key, std::move(entry)).first->second.info;
}

}  // namespace converter
