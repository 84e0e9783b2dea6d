#pragma once
// Every text the HTTP text layer, cookies and authentication raise, in one place, so a message a user
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
}  // namespace http_messages
