// What the program itself says to its user: the job's messages and status
// texts, and the errors of its own checks.
#pragma once

#include "platform/translation_marks.h"

namespace app_messages {

inline constexpr const char* NoVideo = QT_TRANSLATE_NOOP("quillfen", "No video");
inline constexpr const char* TimelineEmpty = QT_TRANSLATE_NOOP("quillfen", "Timeline empty,cannot process");
inline constexpr const char* FailToSave = QT_TRANSLATE_NOOP("quillfen", "Fail to save file");
// The user pressed Stop during the conversion.
inline constexpr const char* StoppedNothingSaved = QT_TRANSLATE_NOOP("quillfen", "Stopped; nothing was saved");
inline constexpr const char* NothingSaved = QT_TRANSLATE_NOOP("quillfen", "Nothing was saved");

inline constexpr const char* DownloadingHtml = QT_TRANSLATE_NOOP("quillfen", "Downloading html");
inline constexpr const char* DownloadingVideo = QT_TRANSLATE_NOOP("quillfen", "Downloading video");
// The running counts of a transfer: the size announced, the bytes so far, and
// the bytes so far of the whole.
inline constexpr const char* Transfering = QT_TRANSLATE_NOOP("quillfen", "Transfering: {}");
inline constexpr const char* Bytes = QT_TRANSLATE_NOOP("quillfen", "{} bytes.");
inline constexpr const char* BytesOf = QT_TRANSLATE_NOOP("quillfen", "{} bytes of {} bytes.");
inline constexpr const char* Converting = QT_TRANSLATE_NOOP("quillfen", "Converting");
inline constexpr const char* Done = QT_TRANSLATE_NOOP("quillfen", "Done");
inline constexpr const char* ConversionDone = QT_TRANSLATE_NOOP("quillfen", "Done.");

// The frame size is a 16-bit value in the converter; a larger number would
// wrap into a different size, so it is refused.
inline constexpr const char* FrameSizeOutOfRange =
    QT_TRANSLATE_NOOP("quillfen", "'{}' is not a valid {}: it must be a whole number from 1 to 32767");
inline constexpr const char* FrameWidth = QT_TRANSLATE_NOOP("quillfen", "frame width");
inline constexpr const char* FrameHeight = QT_TRANSLATE_NOOP("quillfen", "frame height");

// Beyond the two sites.
inline constexpr const char* NotAVideo = QT_TRANSLATE_NOOP(
    "quillfen", "{} was served as a video ({}), but what arrived is not a video or sound the converter can read");
inline constexpr const char* OriginalFilter = QT_TRANSLATE_NOOP("quillfen", "Original File (*.{0})|*.{0}");
// attempt, retries, bytes already held
inline constexpr const char* Retrying =
    QT_TRANSLATE_NOOP("quillfen", "Connection lost; continuing from byte {2} (retry {0} of {1})");

inline constexpr const char* BadProxyVariable =
    QT_TRANSLATE_NOOP("quillfen",
                      "The proxy setting {} holds '{}', which is not a proxy address of the form "
                      "[http|socks4|socks4a|socks5]://HOST:PORT");
inline constexpr const char* NoHomeFolder =
    QT_TRANSLATE_NOOP("quillfen", "Neither XDG_CACHE_HOME nor HOME is set: there is no folder for the work files");
inline constexpr const char* CannotMakeWorkFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot create the work folder '{}': {}");
// Work files go only where no other user can plant a link for them.
inline constexpr const char* WorkFolderIsLink = QT_TRANSLATE_NOOP(
    "quillfen",
    "The work folder '{}' is a symbolic link; work files are written only into a real folder of the user's own");
inline constexpr const char* CannotCheckWorkFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot check the work folder '{}': {}");
inline constexpr const char* WorkFolderNotAFolder =
    QT_TRANSLATE_NOOP("quillfen", "The work folder '{}' is not a folder");
inline constexpr const char* WorkFolderNotOwned = QT_TRANSLATE_NOOP(
    "quillfen",
    "The work folder '{}' belongs to another user; work files are written only into a folder of the user's own");
inline constexpr const char* WorkFolderOpenToOthers = QT_TRANSLATE_NOOP(
    "quillfen",
    "The work folder '{}' can be written by other users; work files are written only into a folder closed to them");
// Two runs for one address would write the same work files.
inline constexpr const char* AlreadyDownloading =
    QT_TRANSLATE_NOOP("quillfen", "Another Quillfen is already downloading {}; this run leaves it alone");

// The command line's own words.
// The signal's name.
inline constexpr const char* Interrupted = QT_TRANSLATE_NOOP("quillfen", "Stopped by {}; nothing was saved");
inline constexpr const char* UnusableAddress =
    QT_TRANSLATE_NOOP("quillfen", "Cannot fetch '{}': only http:// and https:// addresses are supported");
inline constexpr const char* CannotMakeOutputFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot create the output folder '{}': {}");
inline constexpr const char* CannotWriteOutputFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot write into the output folder '{}': {}");
// address, reason
inline constexpr const char* PageFailed = QT_TRANSLATE_NOOP("quillfen", "Cannot fetch {}: {}");
inline constexpr const char* VideoFailed =
    QT_TRANSLATE_NOOP("quillfen", "Cannot fetch the video {} that the page names: {}");
// host, port
inline constexpr const char* TheProxy = QT_TRANSLATE_NOOP("quillfen", "the proxy {}:{}");
// host:port or the proxy
inline constexpr const char* Refused = QT_TRANSLATE_NOOP("quillfen", "{} refused the connection");
// host:port or the proxy, seconds
inline constexpr const char* NoAnswer =
    QT_TRANSLATE_NOOP("quillfen", "{} did not answer the connect within {} seconds (--timeout)");
inline constexpr const char* WentSilent = QT_TRANSLATE_NOOP("quillfen", "{} sent nothing for {} seconds (--timeout)");
inline constexpr const char* CertificateHelp = QT_TRANSLATE_NOOP(
    "quillfen", " Name a file of trusted certificates with SSL_CERT_FILE, or skip the check with --insecure");
// bytes
inline constexpr const char* PartialKept = QT_TRANSLATE_NOOP(
    "quillfen", "; {} bytes of the video are kept, and the same command with --continue goes on from there");
// the file or folder written to
inline constexpr const char* DiskFull = QT_TRANSLATE_NOOP("quillfen", "Cannot write '{}': the disk is full");
inline constexpr const char* OutputExists = QT_TRANSLATE_NOOP("quillfen", "'{}' exists, and --no-overwrite keeps it");

}  // namespace app_messages
