// Every text the streamed-video layer raises, in one place, so a message a
// user sees can be found with one search.
#pragma once

#include "platform/translation_marks.h"

namespace stream_messages {
// Refusals: the address leads to no video we can save.
inline constexpr const char* NotAPlaylist =
    QT_TRANSLATE_NOOP("quillfen", "The address gives no playlist: its text does not start with #EXTM3U.");
inline constexpr const char* LivePlaylist =
    QT_TRANSLATE_NOOP("quillfen", "The playlist is a live stream (it has no end); only whole videos can be saved.");
inline constexpr const char* ProtectedPlaylist =
    QT_TRANSLATE_NOOP("quillfen", "The video is protected (encryption method {}); it cannot be saved.");
inline constexpr const char* UnsupportedScheme =
    QT_TRANSLATE_NOOP("quillfen", "The stream names an address that is not http or https: {}");
inline constexpr const char* TooManySegments = QT_TRANSLATE_NOOP("quillfen", "The stream has more than {} segments.");
inline constexpr const char* TextTooLarge =
    QT_TRANSLATE_NOOP("quillfen", "The playlist or manifest is larger than {} bytes.");
inline constexpr const char* BadAttribute = QT_TRANSLATE_NOOP("quillfen", "The playlist has an invalid {} value: {}");
inline constexpr const char* MissingAddress =
    QT_TRANSLATE_NOOP("quillfen", "The playlist has a {} without an address.");
inline constexpr const char* NoVariants = QT_TRANSLATE_NOOP("quillfen", "The stream offers no video we can save.");
inline constexpr const char* LeadsBackToItself = QT_TRANSLATE_NOOP("quillfen", "The playlist leads back to itself: {}");
inline constexpr const char* NestedTooDeep =
    QT_TRANSLATE_NOOP("quillfen", "The playlist leads to playlists more than {} deep.");
inline constexpr const char* NotXml =
    QT_TRANSLATE_NOOP("quillfen", "The manifest is not well-formed XML: {} (byte {}).");
inline constexpr const char* NotAManifest =
    QT_TRANSLATE_NOOP("quillfen", "The address gives no manifest: the document is no MPD.");
inline constexpr const char* LiveManifest =
    QT_TRANSLATE_NOOP("quillfen", "The manifest is a live stream (type dynamic); only whole videos can be saved.");
inline constexpr const char* ProtectedManifest =
    QT_TRANSLATE_NOOP("quillfen", "The video is protected (ContentProtection); it cannot be saved.");
inline constexpr const char* BadDuration = QT_TRANSLATE_NOOP("quillfen", "The manifest has an invalid duration: {}");
inline constexpr const char* UnknownDuration =
    QT_TRANSLATE_NOOP("quillfen", "The manifest does not say how long the video is.");
inline constexpr const char* BadTemplate =
    QT_TRANSLATE_NOOP("quillfen", "The manifest has an invalid segment template: {}");
inline constexpr const char* BadManifestValue =
    QT_TRANSLATE_NOOP("quillfen", "The manifest has an invalid {} value: {}");
// The job's status line.
inline constexpr const char* QualityChosen = QT_TRANSLATE_NOOP("quillfen", "Quality: {}");
inline constexpr const char* SegmentProgress = QT_TRANSLATE_NOOP("quillfen", "segment {} of {}, {} bytes");
// Fetching.
inline constexpr const char* SegmentFailed = QT_TRANSLATE_NOOP("quillfen", "The segment {} could not be fetched: {}");
inline constexpr const char* KeyFailed = QT_TRANSLATE_NOOP("quillfen", "The key {} could not be fetched: {}");
inline constexpr const char* BadKey = QT_TRANSLATE_NOOP("quillfen", "The key {} is not 16 bytes long.");
inline constexpr const char* DecryptFailed =
    QT_TRANSLATE_NOOP("quillfen", "The segment {} could not be decrypted: the key or its padding is wrong.");
inline constexpr const char* NoCipher = QT_TRANSLATE_NOOP(
    "quillfen", "AES-128 decryption needs the crypto library libcrypto.so.3, which could not be loaded.");
inline constexpr const char* FileChanged =
    QT_TRANSLATE_NOOP("quillfen", "The file {} changed on the server while it was being fetched.");
inline constexpr const char* RecordDiscarded =
    QT_TRANSLATE_NOOP("quillfen", "The record of the partial download {} does not fit it; starting over.");
inline constexpr const char* PartFailed =
    QT_TRANSLATE_NOOP("quillfen", "The file {} could not be fetched at byte {}: {}");
}  // namespace stream_messages
