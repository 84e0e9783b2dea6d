#pragma once
// Token fetching and substring search: how the HTTP layer cuts addresses,
// header values and dates into their parts. Positions are 1-based; 0 means
// not found. Text is 8-bit with no multi-byte characters, so every search is
// a plain byte search.

#include <string>
#include <vector>

// Returns the text before the first delimiter (or the whole input when there
// is none). With deleteToken the input keeps only what follows the delimiter
// (or becomes empty).
std::string TakeToken(std::string& input, const std::string& delimiter = " ", bool deleteToken = true,
                      bool caseSensitive = true);
// As TakeToken, matching the delimiter without regard to ASCII letter case.
std::string TakeTokenNoCase(std::string& input, const std::string& delimiter = " ", bool deleteToken = true);

// Position of the last occurrence of sought that starts at or before start
// (-1: anywhere), letter case ignored.
int LastPosNoCase(const std::string& sought, const std::string& text, int start = -1);

// Position of the first occurrence of sought in a block of length bytes.
int FindInMemory(const std::string& sought, const char* block, int length);

// 0-based index of the first entry equal to text; -1 when none is.
int IndexInList(const std::string& text, const std::vector<std::string>& list, bool caseSensitive);
