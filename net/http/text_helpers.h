#pragma once
// The HTTP layer's text operations: 1-based search, and the trimming and
// ASCII case of the platform's text routines.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

// 1-based position of the first occurrence of sought in text; 0 when it does
// not occur or sought is empty.
size_t TextPos(std::string_view sought, std::string_view text);
