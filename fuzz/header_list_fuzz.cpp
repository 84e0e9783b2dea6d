// Any name and value put into a header list: folding, unfolding and lookup
// never read outside their lines, and a value of printable words separated by
// single blanks reads back exactly, however it was folded.
//
// Input: one byte choosing the fold width, then name and value separated by
// the first zero byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "net/http/header_list.h"

namespace {
// Names are printable without ":" or a comma (a break character would fold
// the name itself); values have no comma (a comma break adds a blank when
// unfolded) and only single blanks.
std::string cleanName(const std::string& raw) {
  std::string name = "X";
  for (unsigned char c : raw) name += (c > ' ' && c < 127 && c != ':' && c != ',') ? static_cast<char>(c) : '-';
  return name;
}

std::string cleanValue(const std::string& raw) {
  std::string value;
  for (unsigned char c : raw) {
    char mapped = (c > ' ' && c < 127 && c != ',') ? static_cast<char>(c) : ' ';
    if (mapped == ' ' && (value.empty() || value.back() == ' ')) continue;
    value += mapped;
  }
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

void fillWithNeighbours(TIdHeaderList& list) {
  list.Add("HTTP/1.0 200 OK");
  list.Add("A: 1");
  list.Add(" continued");
  list.Add("B: 2");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t width = data[0] == 255 ? 1024 : data[0] % 100;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t split = rest.find('\0');
  const std::string rawName = rest.substr(0, split);
  const std::string rawValue = split == std::string::npos ? std::string() : rest.substr(split + 1);

  TIdHeaderList raw(width);
  fillWithNeighbours(raw);
  raw.PutValue(rawName, rawValue);
  // Every header line, not every continuation line: that would only make
  // the harness itself quadratic.
  for (int32_t i = 0; i < raw.Count(); ++i) {
    const std::string& line = raw.Strings(i);
    if (line.empty() || (line[0] != ' ' && line[0] != '\t')) raw.ValueAt(i);
  }
  TIdHeaderList gathered;
  raw.ExtractValues(rawName, &gathered);
  raw.PutValue(rawName, "");

  const std::string name = cleanName(rawName);
  const std::string value = cleanValue(rawValue);
  TIdHeaderList list(width);
  fillWithNeighbours(list);
  list.PutValue(name, value);
  fuzzCheck(list.ValueOf(name) == value, "a value reads back", name + "\n" + value);
  fuzzCheck(list.ValueOf("B") == "2", "other lines stay", name + "\n" + value);
  const int32_t at = list.IndexOfHeader(name);
  if (!value.empty()) {
    for (int32_t i = at + 1; i < list.Count() && list.Strings(i)[0] == ' '; ++i) {
      fuzzCheck(list.Strings(i).size() > 1 && list.Strings(i)[1] != ' ', "one blank starts a folded line", value);
    }
  }
  list.PutValue(name, "");
  fuzzCheck(list.IndexOfHeader(name) == -1, "an empty value deletes", name);
  return 0;
}
