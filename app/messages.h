// What the program itself says to its user: the job's messages and status
// texts, and the errors of its own checks.
#pragma once

namespace app_messages {

inline constexpr const char* NoVideo = "No video";
inline constexpr const char* TimelineEmpty = "Timeline empty,cannot process";
inline constexpr const char* FailToSave = "Fail to save file";
// The user pressed Stop during the conversion.
inline constexpr const char* StoppedNothingSaved = "Stopped; nothing was saved";
inline constexpr const char* NothingSaved = "Nothing was saved";

inline constexpr const char* DownloadingHtml = "Downloading html";
inline constexpr const char* DownloadingVideo = "Downloading video";
inline constexpr const char* Transfering = "Transfering: ";
inline constexpr const char* Bytes = " bytes.";
inline constexpr const char* BytesOf = " bytes of ";
inline constexpr const char* Converting = "Converting";
inline constexpr const char* Done = "Done";
inline constexpr const char* ConversionDone = "Done.";

// The frame size is a 16-bit value in the converter; a larger number would
// wrap into a different size, so it is refused.
inline constexpr const char* FrameSizeOutOfRange = "'{}' is not a valid {}: it must be a whole number from 1 to 32767";
inline constexpr const char* FrameWidth = "frame width";
inline constexpr const char* FrameHeight = "frame height";

// Beyond the two sites.
inline constexpr const char* NotAVideo =
    "{} was served as a video ({}), but what arrived is not a video or sound the converter can read";
inline constexpr const char* OriginalFilter = "Original File (*.{0})|*.{0}";
inline constexpr const char* CutShort = "The connection ended before the whole file had arrived";
inline constexpr const char* CannotContinue =
    "The server kept answering with parts of a different file; the download cannot continue";
// attempt, retries, bytes already held
inline constexpr const char* Retrying = "Connection lost; continuing from byte {2} (retry {0} of {1})";

inline constexpr const char* BadProxyVariable =
    "The proxy setting {} holds '{}', which is not a proxy address of the form "
    "[http|socks4|socks4a|socks5]://HOST:PORT";
inline constexpr const char* NoHomeFolder =
    "Neither XDG_CACHE_HOME nor HOME is set: there is no folder for the work files";
inline constexpr const char* CannotMakeWorkFolder = "Cannot create the work folder '{}': {}";
// Work files go only where no other user can plant a link for them.
inline constexpr const char* WorkFolderIsLink =
    "The work folder '{}' is a symbolic link; work files are written only into a real folder of the user's own";
inline constexpr const char* CannotCheckWorkFolder = "Cannot check the work folder '{}': {}";
inline constexpr const char* WorkFolderNotAFolder = "The work folder '{}' is not a folder";
inline constexpr const char* WorkFolderNotOwned =
    "The work folder '{}' belongs to another user; work files are written only into a folder of the user's own";
inline constexpr const char* WorkFolderOpenToOthers =
    "The work folder '{}' can be written by other users; work files are written only into a folder closed to them";
inline constexpr const char* WorkFileNotPlain =
    "The work file '{}' is a symbolic link or not a plain file; it is not written through";
inline constexpr const char* CannotUseWorkFile = "Cannot use the work file '{}': {}";
// Two runs for one address would write the same work files.
inline constexpr const char* AlreadyDownloading =
    "Another Quillfen is already downloading {}; this run leaves it alone";

// The command line's own words.
// The signal's name.
inline constexpr const char* Interrupted = "Stopped by {}; nothing was saved";
inline constexpr const char* UnusableAddress = "Cannot fetch '{}': only http:// and https:// addresses are supported";
inline constexpr const char* CannotMakeOutputFolder = "Cannot create the output folder '{}': {}";
inline constexpr const char* CannotWriteOutputFolder = "Cannot write into the output folder '{}': {}";
// address, reason
inline constexpr const char* PageFailed = "Cannot fetch {}: {}";
inline constexpr const char* VideoFailed = "Cannot fetch the video {} that the page names: {}";
// host, port
inline constexpr const char* TheProxy = "the proxy {}:{}";
// host:port or the proxy
inline constexpr const char* Refused = "{} refused the connection";
// host:port or the proxy, seconds
inline constexpr const char* NoAnswer = "{} did not answer the connect within {} seconds (--timeout)";
inline constexpr const char* WentSilent = "{} sent nothing for {} seconds (--timeout)";
inline constexpr const char* CertificateHelp =
    " Name a file of trusted certificates with SSL_CERT_FILE, or skip the check with --insecure";
// bytes
inline constexpr const char* PartialKept =
    "; {} bytes of the video are kept, and the same command with --continue goes on from there";
// the file or folder written to
inline constexpr const char* DiskFull = "Cannot write '{}': the disk is full";
inline constexpr const char* OutputExists = "'{}' exists, and --no-overwrite keeps it";

}  // namespace app_messages
