#pragma once
// Every text the streamed-video layer raises, in one place, so a message a
// user sees can be found with one search.

namespace stream_messages {
// Refusals: the address leads to no video we can save.
inline constexpr const char* NotAPlaylist = "The address gives no playlist: its text does not start with #EXTM3U.";
inline constexpr const char* LivePlaylist =
    "The playlist is a live stream (it has no end); only whole videos can be saved.";
inline constexpr const char* ProtectedPlaylist = "The video is protected (encryption method {}); it cannot be saved.";
inline constexpr const char* UnsupportedScheme = "The stream names an address that is not http or https: {}";
inline constexpr const char* TooManySegments = "The stream has more than {} segments.";
inline constexpr const char* TextTooLarge = "The playlist or manifest is larger than {} bytes.";
inline constexpr const char* BadAttribute = "The playlist has an invalid {} value: {}";
inline constexpr const char* MissingAddress = "The playlist has a {} without an address.";
inline constexpr const char* NoVariants = "The stream offers no video we can save.";
inline constexpr const char* LeadsBackToItself = "The playlist leads back to itself: {}";
inline constexpr const char* NestedTooDeep = "The playlist leads to playlists more than {} deep.";
inline constexpr const char* NotXml = "The manifest is not well-formed XML: {} (byte {}).";
inline constexpr const char* NotAManifest = "The address gives no manifest: the document is no MPD.";
inline constexpr const char* LiveManifest =
    "The manifest is a live stream (type dynamic); only whole videos can be saved.";
inline constexpr const char* ProtectedManifest = "The video is protected (ContentProtection); it cannot be saved.";
inline constexpr const char* BadDuration = "The manifest has an invalid duration: {}";
inline constexpr const char* UnknownDuration = "The manifest does not say how long the video is.";
inline constexpr const char* BadTemplate = "The manifest has an invalid segment template: {}";
inline constexpr const char* BadManifestValue = "The manifest has an invalid {} value: {}";
// The job's status line.
inline constexpr const char* QualityChosen = "Quality: {}";
inline constexpr const char* SegmentProgress = "segment {} of {}, {} bytes";
// Fetching.
inline constexpr const char* SegmentFailed = "The segment {} could not be fetched: {}";
inline constexpr const char* KeyFailed = "The key {} could not be fetched: {}";
inline constexpr const char* BadKey = "The key {} is not 16 bytes long.";
inline constexpr const char* DecryptFailed = "The segment {} could not be decrypted: the key or its padding is wrong.";
inline constexpr const char* NoCipher =
    "AES-128 decryption needs the crypto library libcrypto.so.3, which could not be loaded.";
inline constexpr const char* SegmentCut = "the answer ended after {} of {} bytes";
inline constexpr const char* WrongRange = "the server answered another byte range than the one asked for";
inline constexpr const char* FileChanged = "The file {} changed on the server while it was being fetched.";
inline constexpr const char* PartFailed = "The file {} could not be fetched at byte {}: {}";
}  // namespace stream_messages
