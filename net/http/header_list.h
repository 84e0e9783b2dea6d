#pragma once
// Ordered header lines with case-insensitive lookup. Every header block of the
// HTTP client lives in one; folding and unfolding happen only here.

#include <cstdint>
#include <string>
#include <vector>

class TIdHeaderList {
public:
  TIdHeaderList() = default;
  explicit TIdHeaderList(int32_t foldWidth) : FoldWidth(foldWidth) {}
  // Lists are copied with Assign, which copies the lines and not the settings.
  TIdHeaderList(const TIdHeaderList&) = delete;
  TIdHeaderList& operator=(const TIdHeaderList&) = delete;

  // The plain list of lines. An index outside the list raises
  // EStringListError (inserting may also use the index just past the end).
  int32_t Count() const { return static_cast<int32_t>(Lines.size()); }
  const std::string& Strings(int32_t index) const;
  void Put(int32_t index, const std::string& line);
  int32_t Add(const std::string& line);
  void Insert(int32_t index, const std::string& line);
  void Delete(int32_t index);
  void Clear() { Lines.clear(); }
  void Assign(const TIdHeaderList& source) { Lines = source.Lines; }
  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, CR or LF; a final line break adds no empty line.
  void SetText(const std::string& text);

  // The line's name before the first ":", upper-cased unless MatchCase;
  // empty for a line without ":".
  std::string NameAt(int32_t index) const;
  // The value after name and ":", with the continuation lines that follow
  // when UnfoldValues, trimmed; empty for an index outside the list.
  std::string ValueAt(int32_t index) const;
  // The first line whose name equals name in any letter case; -1 if none.
  int32_t IndexOfHeader(const std::string& name) const;
  std::string ValueOf(const std::string& name) const;
  // Replaces (or, for an empty value, deletes) the first line of the name,
  // folding the new line when FoldValues; appends a new name at the end.
  void PutValue(const std::string& name, const std::string& value);
  // Appends the value of every line of the name to destination, if given.
  void ExtractValues(const std::string& name, TIdHeaderList* destination) const;

  std::string NameSeparator = ": ";
  bool MatchCase = false;
  bool UnfoldValues = true;
  bool FoldValues = true;
  int32_t FoldWidth = 78;

private:
  void checkIndex(int32_t index, int32_t limit) const;
  bool isContinuation(int32_t index) const;
  void deleteContinuationLines(int32_t index);
  void foldLineInto(int32_t index, const std::string& line);

  std::vector<std::string> Lines;
};
