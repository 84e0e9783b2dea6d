// What the window says about its download queue.
#pragma once

namespace window_messages {
inline constexpr const char* QueueUnavailable =
    "The download queue cannot be used: {}\nSingle downloads work as before.";
inline constexpr const char* DeletePartial = "Delete what was downloaded of '{}' so far?";
inline constexpr const char* SavedNotice = "Saved: {}";
inline constexpr const char* AddToQueue = "Add to queue";
inline constexpr const char* Downloads = "Downloads";
}  // namespace window_messages
