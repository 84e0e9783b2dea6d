#include "net/http/header_list.h"

#include <fmt/core.h>

#include "net/http/http_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"

namespace {
constexpr std::string_view FoldBreak = "\r\n ";
constexpr std::string_view FoldBreakCharacters = "\t ,";

bool isBreakCharacter(char c) { return FoldBreakCharacters.find(c) != std::string_view::npos; }
bool isSkippedAfterBreak(char c) { return isBreakCharacter(c) || c == '\r' || c == '\n'; }

// Breaks text after the last blank, TAB or comma outside double quotes once a
// line passes maxColumn, inserting breakText; a break text already in the
// text ends a line as it stands. Positions count from 1 as the columns do.
std::string wrapAtColumn(const std::string& text, std::string_view breakText, int32_t maxColumn) {
  const int64_t length = static_cast<int64_t>(text.size());
  const int64_t breakLength = static_cast<int64_t>(breakText.size());
  const auto at = [&text](int64_t position) { return text[static_cast<size_t>(position - 1)]; };
  const auto copy = [&text](int64_t from, int64_t count) {
    return text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(count));
  };

  std::string result;
  int64_t column = 1;
  int64_t position = 1;
  int64_t lineStart = 1;
  int64_t lastBreak = 0;
  bool insideQuotes = false;
  bool existingBreak = false;
  while (position <= length) {
    const char current = at(position);
    if (current == breakText[0]) {
      if (!insideQuotes) {
        existingBreak =
            SameText(std::string_view(text).substr(static_cast<size_t>(position - 1), breakText.size()), breakText);
        if (existingBreak) {
          position += breakLength - 1;
          lastBreak = position;
        }
      }
    } else if (isBreakCharacter(current)) {
      if (!insideQuotes) lastBreak = position;
    } else if (current == '"') {
      insideQuotes = !insideQuotes;
    }
    ++position;
    ++column;

    if (!insideQuotes && (existingBreak || (column > maxColumn && lastBreak > lineStart))) {
      column = position - lastBreak;
      result += copy(lineStart, lastBreak - lineStart + 1);
      if (current != '"') {
        while (position <= length && isSkippedAfterBreak(at(position))) ++position;
      }
      if (!existingBreak && position < length) result += breakText;
      lineStart = lastBreak + 1;
      existingBreak = false;
    }
  }
  if (lineStart <= length) result += copy(lineStart, length - lineStart + 1);
  return result;
}
}  // namespace

void TIdHeaderList::checkIndex(int32_t index, int32_t limit) const {
  if (index < 0 || index >= limit) throw EStringListError(fmt::format(http_messages::ListIndexOutOfBounds, index));
}

const std::string& TIdHeaderList::Strings(int32_t index) const {
  checkIndex(index, Count());
  return Lines[static_cast<size_t>(index)];
}

void TIdHeaderList::Put(int32_t index, const std::string& line) {
  checkIndex(index, Count());
  Lines[static_cast<size_t>(index)] = line;
}

int32_t TIdHeaderList::Add(const std::string& line) {
  Lines.push_back(line);
  return Count() - 1;
}

void TIdHeaderList::Insert(int32_t index, const std::string& line) {
  checkIndex(index, Count() + 1);
  Lines.insert(Lines.begin() + index, line);
}

void TIdHeaderList::Delete(int32_t index) {
  checkIndex(index, Count());
  Lines.erase(Lines.begin() + index);
}

std::string TIdHeaderList::Text() const {
  std::string text;
  for (const auto& line : Lines) text += line + "\r\n";
  return text;
}

void TIdHeaderList::SetText(const std::string& text) {
  Lines.clear();
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      Lines.push_back(text.substr(start));
      break;
    }
    Lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

std::string TIdHeaderList::NameAt(int32_t index) const {
  const std::string& line = Strings(index);
  const size_t separator = TextPos(TrimRight(NameSeparator), line);
  const std::string name = separator > 0 ? line.substr(0, separator - 1) : std::string();
  return MatchCase ? name : UpperCase(name);
}

bool TIdHeaderList::isContinuation(int32_t index) const {
  const std::string& line = Lines[static_cast<size_t>(index)];
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string TIdHeaderList::ValueAt(int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  // The value starts one separator character after the name.
  const size_t valueStart = NameAt(index).size() + 1;
  const std::string& line = Lines[static_cast<size_t>(index)];
  std::string value = Trim(valueStart < line.size() ? std::string_view(line).substr(valueStart) : std::string_view());
  if (!UnfoldValues) return value;
  // Each continuation line joins with one blank; parts that trim to nothing
  // add no blank. Built in one pass: a header of many thousand continuation
  // lines must not cost the square of its size.
  for (int32_t next = index + 1; next < Count() && isContinuation(next); ++next) {
    const std::string part = Trim(Lines[static_cast<size_t>(next)]);
    if (part.empty()) continue;
    if (!value.empty()) value += ' ';
    value += part;
  }
  return value;
}

int32_t TIdHeaderList::IndexOfHeader(const std::string& name) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (SameText(NameAt(i), name)) return i;
  }
  return -1;
}

std::string TIdHeaderList::ValueOf(const std::string& name) const { return ValueAt(IndexOfHeader(name)); }

void TIdHeaderList::deleteContinuationLines(int32_t index) {
  int32_t end = index + 1;
  while (end < Count() && isContinuation(end)) ++end;
  Lines.erase(Lines.begin() + index + 1, Lines.begin() + end);
}

// The folded pieces take the line's place in their order; every piece after
// the first starts with the blank of the break, so it is a continuation line.
void TIdHeaderList::foldLineInto(int32_t index, const std::string& line) {
  const std::string wrapped = wrapAtColumn(line, FoldBreak, FoldWidth);
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t end = wrapped.find("\r\n"); end != std::string::npos; end = wrapped.find("\r\n", start)) {
    pieces.push_back(TrimRight(std::string_view(wrapped).substr(start, end - start)));
    start = end + 2;
  }
  pieces.push_back(TrimRight(std::string_view(wrapped).substr(start)));

  Lines.erase(Lines.begin() + index);
  Lines.insert(Lines.begin() + index, pieces.begin(), pieces.end());
}

void TIdHeaderList::PutValue(const std::string& name, const std::string& value) {
  int32_t index = IndexOfHeader(name);
  if (!value.empty()) {
    if (index < 0) index = Add("");
    if (FoldValues) {
      deleteContinuationLines(index);
      foldLineInto(index, name + NameSeparator + value);
    } else {
      Put(index, name + NameSeparator + value);
    }
  } else if (index >= 0) {
    if (FoldValues) deleteContinuationLines(index);
    Delete(index);
  }
}

void TIdHeaderList::ExtractValues(const std::string& name, TIdHeaderList* destination) const {
  if (!destination) return;
  for (int32_t i = 0; i < Count(); ++i) {
    if (SameText(NameAt(i), name)) destination->Add(ValueAt(i));
  }
}
