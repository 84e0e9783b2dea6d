// A finished message put back into the user's language. The job composes its
// messages from patterns of its table ("Connection lost; continuing from byte
// {2} ...") and the front ends see only the finished text: the pattern that
// fits is found again, translated, and filled with the same field values.
#pragma once

#include <functional>
#include <span>
#include <string>

// lookup gives a table text's translation, or the text itself when it has
// none. A text that fits no pattern, or whose pattern has no translation,
// comes back as it is; so does one whose translated pattern cannot be filled.
std::string TranslateComposed(const std::string& text, std::span<const char* const> patterns,
                              const std::function<std::string(const std::string&)>& lookup);
