#include "net/http/tokens.h"

#include <cstring>

#include "net/http/text_helpers.h"

std::string TakeToken(std::string& input, const std::string& delimiter, bool deleteToken, bool caseSensitive) {
  const size_t found = caseSensitive ? TextPos(delimiter, input) : TextPos(UpperCase(delimiter), UpperCase(input));
  if (found == 0) {
    std::string token = input;
    if (deleteToken) input.clear();
    return token;
  }
  std::string token = input.substr(0, found - 1);
  if (deleteToken) input.erase(0, found - 1 + delimiter.size());
  return token;
}

std::string TakeTokenNoCase(std::string& input, const std::string& delimiter, bool deleteToken) {
  return TakeToken(input, delimiter, deleteToken, false);
}

int LastPosNoCase(const std::string& sought, const std::string& text, int start) {
  const int soughtLength = static_cast<int>(sought.size());
  const int lastStart = static_cast<int>(text.size()) - soughtLength + 1;
  const int first = start == -1 || start > lastStart ? lastStart : start;
  for (int position = first; position >= 1; --position) {
    if (SameText(std::string_view(text).substr(position - 1, sought.size()), sought)) return position;
  }
  return 0;
}

int FindInMemory(const std::string& sought, const char* block, int length) {
  const int soughtLength = static_cast<int>(sought.size());
  if (soughtLength == 0 || soughtLength > length) return 0;
  for (int position = 1; position <= length - soughtLength + 1; ++position) {
    const char* candidate = block + position - 1;
    if (*candidate == sought[0] && std::memcmp(candidate + 1, sought.data() + 1, sought.size() - 1) == 0) {
      return position;
    }
  }
  return 0;
}

int IndexInList(const std::string& text, const std::vector<std::string>& list, bool caseSensitive) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (caseSensitive ? list[i] == text : SameText(list[i], text)) return static_cast<int>(i);
  }
  return -1;
}
