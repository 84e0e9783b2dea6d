// What the job says about fetching beyond the two sites: continuing a video
// after a dropped connection, and the answers it cannot use.
#pragma once

namespace download_messages {

inline constexpr const char* CutShort = "The connection ended before the whole file had arrived";
inline constexpr const char* CannotContinue =
    "The server kept answering with parts of a different file; the download cannot continue";
// attempt, retries, bytes
inline constexpr const char* Retrying = "Connection lost; continuing from byte {2} (retry {0} of {1})";

}  // namespace download_messages
