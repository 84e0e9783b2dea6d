#pragma once
// The files of the small records kept beside a partial download (segments,
// ranges): written beside their name and renamed over it, so a kill never
// leaves half a record, and never read or written through a link, so that
// nothing planted in the job's folder can send a record's bytes elsewhere.

#include <optional>
#include <string>

namespace streams {

// The record's text; none when no plain file has that name or it cannot be read.
std::optional<std::string> ReadRecordFile(const std::string& path);
// Writes text to path + ".new", made as a work file is, and renames it over
// path (a link there is replaced, not followed); anything but a plain file
// under the ".new" name is refused.
void WriteRecordFile(const std::string& path, const std::string& text);

}  // namespace streams
