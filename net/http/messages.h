#pragma once
// Every text the HTTP layer raises or reports, in one place, so a message a user
// sees can be found with one search.

namespace http_messages {
inline constexpr const char* ProtocolFieldEmpty = "Protocol field is empty";
inline constexpr const char* HostFieldEmpty = "Host field is empty";
inline constexpr const char* TimeZoneInfoFailed = "Failed attempting to retrieve time zone information.";
// The toolkit's own wording for copying between unrelated objects and for a
// line index outside a list.
inline constexpr const char* CannotAssign = "Cannot assign a {} to a {}";
inline constexpr const char* ListIndexOutOfBounds = "List index out of bounds ({})";
inline constexpr const char* IndexOutOfRange = "Index out of range.";
// The base64 coder and the authentication scheme registry.
inline constexpr const char* UnevenSizeInEncode = "Uneven size in Encode.";
inline constexpr const char* UnevenSizeInDecodeToStream = "Uneven size in DecodeToStream.";
inline constexpr const char* AuthMethodAlreadyRegistered =
    "This authentication method is already registered with class name {}.";
// The exchange and response reading.
inline constexpr const char* UndefinedSituation = "Undefined situation";
inline constexpr const char* MethodRequiresVersion11 = "This request method is supported in HTTP 1.1";
inline constexpr const char* ChunkStarted = "Chunk Started";
inline constexpr const char* InvalidTypecast = "Invalid class typecast";
inline constexpr const char* UnknownProtocol =
    "Protocol \"{}\" is not supported: only http and https addresses can be fetched.";
inline constexpr const char* UnsafeRequestLine = "Request not sent: a request line or header holds CR, LF or NUL.";
inline constexpr const char* ConflictingContentLengths = "Response has conflicting Content-Length values: {}.";
// Limits against hostile servers.
inline constexpr const char* TooManyRedirects = "Too many redirects: the limit of {} was reached.";
inline constexpr const char* HeaderBlockTooManyLines = "Response header block has more than {} lines.";
inline constexpr const char* HeaderBlockTooLarge = "Response header block is larger than {} bytes.";
inline constexpr const char* ChunkSizeTooLarge = "Chunk size \"{}\" is too large.";
inline constexpr const char* BodyTooLarge = "Response body is larger than {} bytes.";
}  // namespace http_messages
