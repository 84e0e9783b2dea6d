// Output file names made from a template for many videos at once:
// "%(title)s" becomes the video's title made safe for a file name,
// "%(ext)s" the format's extension, "%(id)s", "%(format)s" and
// "%(webpage_url_domain)s" the video's id, the output format and the watch
// address's host, "%(width)s", "%(height)s", "%(resolution)s" and
// "%(upload_date)s" the picture's size and the upload day, and "%%" a
// percent sign.
#pragma once

#include <string>
#include "platform/exception.h"

// Raised for a template field that is not one of the above.
class EBadNameTemplate : public Exception {
public:
  using Exception::Exception;
};

// What the command line saves as when -o names no file.
inline constexpr const char* DefaultNameTemplate = "%(title)s.%(ext)s";

// -o as the command line takes it: nothing is the default template in the
// current folder; a folder (written with a trailing "/", or one that exists)
// the default template in that folder; anything else stays as it is.
std::string OutputNameOf(const std::string& output);

// A fixed name ends in the format's extension: a media extension that
// differs is replaced, a name without one gets it ("w.mp4", "webm" ->
// "w.webm"; "take.2" -> "take.2.webm").
std::string NameWithExtension(const std::string& name, const std::string& extension);

// True when text names fields, as opposed to one fixed file name.
bool IsNameTemplate(const std::string& text);

// What a template's fields are made of; a field without a value is written
// "NA". Title is "video" when empty.
struct TNameFields {
  std::string Title;
  std::string Extension;
  std::string Id;      // the site's video id
  std::string Format;  // the output format's name
  std::string Domain;  // the watch address's host, without "www."
  // The picture's size ("1280", "720", "1280x720") and the day the page says
  // the video was uploaded (YYYYMMDD).
  std::string Width;
  std::string Height;
  std::string Resolution;
  std::string UploadDate;
};

// The template's folders stay as written; only the fields are replaced, each
// made safe for a file name. "%(title).60s" keeps the first 60 characters.
// restricted: the values keep ASCII letters, digits, "-", "_" and "." only,
// blanks becoming "_".
std::string ExpandNameTemplate(const std::string& nameTemplate, const TNameFields& fields, bool restricted = false);
std::string ExpandNameTemplate(const std::string& nameTemplate, const std::string& title, const std::string& extension);

// The copy-th name for a second file of the same name: " (copy)" goes
// before the last file name's extension ("a/b.avi", 2 -> "a/b (2).avi").
std::string NumberedCopyName(const std::string& name, int copy);

// One path component: no "/", no control characters, no leading dot, blanks
// collapsed, at most 200 bytes without cutting a UTF-8 character; letters of
// any script and quotes stay. "video" when nothing is left.
std::string SafeFileName(const std::string& title);
