// What the window says about its download queue.
#pragma once

#include "platform/translation_marks.h"

namespace window_messages {
inline constexpr const char* QueueUnavailable =
    QT_TRANSLATE_NOOP("main_window", "The download queue cannot be used: {}\nSingle downloads work as before.");
inline constexpr const char* SavedNotice = QT_TRANSLATE_NOOP("main_window", "Saved: {}");
inline constexpr const char* AddToQueue = QT_TRANSLATE_NOOP("main_window", "Add to queue");
inline constexpr const char* Downloads = QT_TRANSLATE_NOOP("main_window", "Downloads");
// The File menu's items, with their mnemonics.
inline constexpr const char* DownloadItem = QT_TRANSLATE_NOOP("main_window", "&Download");
inline constexpr const char* AddToQueueItem = QT_TRANSLATE_NOOP("main_window", "&Add to queue");
inline constexpr const char* DownloadsItem = QT_TRANSLATE_NOOP("main_window", "Down&loads");
inline constexpr const char* AlreadyQueued =
    QT_TRANSLATE_NOOP("main_window", "This address is already in the download queue");
}  // namespace window_messages
