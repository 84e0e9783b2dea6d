#pragma once
// Every text the transport raises or reports, in one place.

namespace transport_messages {
inline constexpr const char* SocketError = "Socket Error # {}\r\n{}";
inline constexpr const char* HostNotFound = "Host not found.";
inline constexpr const char* CannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* InvalidServiceName = "{} is not a valid service.";
inline constexpr const char* StackInitializationFailed = "Winsock Initialization Error.";
inline constexpr const char* SetSizeExceeded = "Set Size Exceeded.";
inline constexpr const char* LibraryCallError = "Error on call Winsock2 library function {}";
inline constexpr const char* LibraryLoadError = "Error on loading Winsock2 library ({})";
inline constexpr const char* SocketLibraryName = "WS2_32.DLL";

inline constexpr const char* CouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* CanNotBindPortInRange = "Can not bind in port range ({} - {})";
inline constexpr const char* InvalidPortRange = "Invalid Port Range ({} - {})";

inline constexpr const char* OnlyOneAntiFreeze = "Only one TIdAntiFreeze can exist per application.";
inline constexpr const char* ConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* ReadTimeout = "Read Timeout";
inline constexpr const char* MaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* NotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* IOHandlerPropInvalid = "IOHandler value is not valid";
inline constexpr const char* NoDataToRead = "No data to read.";
inline constexpr const char* NotConnected = "Not Connected";
inline constexpr const char* FileNotFound = "File \"{}\" not found";
inline constexpr const char* BufferSizeTooSmall = "{} must be 1 or more, not {}.";
inline constexpr const char* NegativeLength = "A length of {} bytes is not valid.";
inline constexpr const char* NegativeStreamPosition = "A stream position of {} is not valid.";

inline constexpr const char* AlreadyConnected = "Already connected.";
inline constexpr const char* ClosedSocket = "Disconnected.";
inline constexpr const char* ConnectTimeout = "Connect timed out.";

inline constexpr const char* SocksRequestFailed = "Request rejected or failed.";
inline constexpr const char* SocksRequestServerFailed = "Request rejected because SOCKS server cannot connect.";
inline constexpr const char* SocksRequestIdentFailed =
    "Request rejected because the client program and identd report different user-ids.";
inline constexpr const char* SocksUnknownError = "Unknown socks error.";
inline constexpr const char* SocksServerRespondError = "Socks server did not respond.";
inline constexpr const char* SocksAuthMethodError = "Invalid socks authentication method.";
inline constexpr const char* SocksAuthError = "Authentication error to socks server.";
inline constexpr const char* SocksServerGeneralError = "General SOCKS server failure.";
inline constexpr const char* SocksServerPermissionError = "Connection not allowed by ruleset.";
inline constexpr const char* SocksServerNetUnreachableError = "Network unreachable.";
inline constexpr const char* SocksServerHostUnreachableError = "Host unreachable.";
inline constexpr const char* SocksServerConnectionRefusedError = "Connection refused.";
inline constexpr const char* SocksServerTTLExpiredError = "TTL expired.";
inline constexpr const char* SocksServerCommandError = "Command not supported.";
inline constexpr const char* SocksServerAddressError = "Address type not supported.";
// The one-byte length fields of the SOCKS requests cannot carry more.
inline constexpr const char* SocksFieldTooLong = "SOCKS {} is longer than 255 bytes.";
}  // namespace transport_messages
