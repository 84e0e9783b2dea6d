#pragma once
// Limits the HTTP client holds against hostile servers.

#include <cstdint>

namespace client_limits {
inline constexpr int32_t MaxHeaderLines = 1000;
inline constexpr int64_t MaxHeaderBytes = 1 << 20;
// A page read into memory: GetAsText, and an error page's text.
inline constexpr int64_t MaxTextBody = int64_t{64} << 20;
}  // namespace client_limits
