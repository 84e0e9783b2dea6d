// A finished message put back into the user's language. Errors raised deep
// down, the queue's states and the notices of the layers below are composed
// from patterns of their tables ("The segment {} could not be fetched: {}")
// and reach the front ends only as finished text: the pattern that fits is
// found again, translated, and filled with the same field values.
#pragma once

#include <functional>
#include <span>
#include <string>

// lookup gives a table text's translation, or the text itself when it has
// none. A text that fits no pattern, or whose pattern has no translation,
// comes back as it is; so does one whose translated pattern cannot be filled.
std::string TranslateComposed(const std::string& text, std::span<const char* const> patterns,
                              const std::function<std::string(const std::string&)>& lookup);
