#pragma once
// A numeric protocol reply: the three-digit code, its text form and the reply
// lines after the code.

#include <cstdint>
#include <string>
#include <vector>

class TIdRFCReply {
public:
  int32_t NumericCode() const { return FNumericCode; }
  // A code above 0 also becomes TextCode.
  void SetNumericCode(int32_t code);

  // Parses collected reply lines: the code from the first line's first four
  // characters (three for a continuation "-"), the text from each line's fifth
  // character on.
  void ParseLines(const std::vector<std::string>& lines);
  // The reply lines joined by line breaks.
  std::string JoinedText() const;
  void Clear();

  std::vector<std::string> Text;
  std::string TextCode;

private:
  int32_t FNumericCode = 0;
};
