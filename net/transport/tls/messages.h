#pragma once
// Every text the TLS transport raises or reports, in one place.

namespace tls_messages {
inline constexpr const char* CouldNotLoadSSLLibrary = "Could not load SSL library.";
inline constexpr const char* CreatingContextError = "Error creating SSL context.";
inline constexpr const char* LoadingRootCertError = "Could not load root certificate.";
inline constexpr const char* LoadingCertError = "Could not load certificate.";
inline constexpr const char* LoadingKeyError = "Could not load key, check password.";
inline constexpr const char* SettingCipherError = "SetCipher failed.";
inline constexpr const char* ModeNotSet = "Mode has not been set.";
inline constexpr const char* GetMethodError = "Error geting SSL method.";
inline constexpr const char* DataBindingError = "Error binding data to SSL socket.";
inline constexpr const char* ConnectError = "Error connecting with SSL.";
inline constexpr const char* AcceptError = "Error accepting connection with SSL.";
// The handshake failed because the server's certificate was not accepted;
// the argument is the library's reason in words.
inline constexpr const char* PeerNotVerified =
    "Error connecting with SSL. The server's certificate was not accepted: {}.";
// A failure of an established link, with the library's reason in words.
inline constexpr const char* ReadError = "Error reading with SSL: {}.";
inline constexpr const char* WriteError = "Error writing with SSL: {}.";

inline constexpr const char* StatusInfo = "SSL status: \"{}\"";
inline constexpr const char* CipherInfo = "Cipher: name = {}; description = {}; bits = {}; version = {}; ";
}  // namespace tls_messages
