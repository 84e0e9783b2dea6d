#include "net/transport/rfc_reply.h"

#include <algorithm>
#include <string_view>

#include "net/transport/trim.h"
#include "platform/int_parse.h"

void TIdRFCReply::SetNumericCode(int32_t code) {
  FNumericCode = code;
  if (code > 0) TextCode = std::to_string(code);
}

void TIdRFCReply::Clear() {
  Text.clear();
  TextCode.clear();
  FNumericCode = 0;
}

void TIdRFCReply::ParseLines(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return;
  const std::string& first = lines.front();
  TextCode = std::string(TrimBlanksAndControls(std::string_view(first).substr(0, 4)));
  if (first.size() >= 4 && first[3] == '-') TextCode.resize(std::min<size_t>(TextCode.size(), 3));
  FNumericCode = StrToIntDef(TextCode, 0);
  for (const std::string& line : lines) Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
}

std::string TIdRFCReply::JoinedText() const {
  std::string joined;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += Text[i];
  }
  return joined;
}
