#pragma once
// Every text the HTTP exchange raises or reports, in one place.

#include <cstdint>

namespace client_messages {
inline constexpr const char* UndefinedSituation = "Undefined situation";
inline constexpr const char* MethodRequiresVersion11 = "This request method is supported in HTTP 1.1";
inline constexpr const char* ChunkStarted = "Chunk Started";
inline constexpr const char* InvalidTypecast = "Invalid class typecast";
// Limits against hostile servers.
inline constexpr const char* TooManyRedirects = "Too many redirects: the limit of {} was reached.";
inline constexpr const char* HeaderBlockTooManyLines = "Response header block has more than {} lines.";
inline constexpr const char* HeaderBlockTooLarge = "Response header block is larger than {} bytes.";
inline constexpr const char* ChunkSizeTooLarge = "Chunk size \"{}\" is too large.";
inline constexpr const char* BodyTooLarge = "Response body is larger than {} bytes.";
}  // namespace client_messages

namespace client_limits {
inline constexpr int32_t MaxHeaderLines = 1000;
inline constexpr int64_t MaxHeaderBytes = 1 << 20;
// A page read into memory: GetAsText, and an error page's text.
inline constexpr int64_t MaxTextBody = int64_t{64} << 20;
}  // namespace client_limits
