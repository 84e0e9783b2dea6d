#include "converter/plain_file.h"

#include "converter/conversion_error.h"

namespace converter {

std::string plainFileUrl(const std::string& path) { return "file:" + path; }

IOContext openPlainFile(const std::string& path, int flags, const std::string& what) {
  OptionList options;
  options.set("protocol_whitelist", PlainFileProtocols);
  AVIOContext* opened = nullptr;
  check(avio_open2(&opened, plainFileUrl(path).c_str(), flags, nullptr, options.address()), what);
  return IOContext(opened);
}

}  // namespace converter
