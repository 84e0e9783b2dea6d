#include "app/streams/ranges_state.h"

#include <sstream>

#include "app/streams/record_file.h"

namespace streams {

namespace {

constexpr const char* Heading = "quillfen ranges 1";

bool oneLine(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

std::optional<TRangesState> ReadRangesState(const std::string& path) {
  const std::optional<std::string> text = ReadRecordFile(path);
  if (!text) return std::nullopt;
  std::istringstream file(*text);
  std::string heading, total;
  TRangesState state;
  if (!std::getline(file, heading) || heading != Heading || !std::getline(file, state.Address) ||
      !std::getline(file, state.Validator) || !std::getline(file, state.ContentType) || !std::getline(file, total))
    return std::nullopt;
  std::istringstream size(total);
  if (!(size >> state.Total) || state.Total <= 0) return std::nullopt;
  // The parts follow each other from the file's start: bytes a record does
  // not name are never taken for written.
  int64_t next = 0;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line);
    TRangePart part;
    if (!(fields >> part.First >> part.Last >> part.Done) || part.First != next || part.Last < part.First ||
        part.Last >= state.Total || part.Done < 0 || part.Done > part.Last - part.First + 1)
      return std::nullopt;
    next = part.Last + 1;
    state.Parts.push_back(part);
  }
  return state;
}

void WriteRangesState(const std::string& path, const TRangesState& state) {
  std::string text = std::string(Heading) + "\n";
  for (const std::string* line : {&state.Address, &state.Validator, &state.ContentType})
    text += (oneLine(*line) ? *line : std::string()) + "\n";
  text += std::to_string(state.Total) + "\n";
  for (const TRangePart& part : state.Parts)
    text += std::to_string(part.First) + " " + std::to_string(part.Last) + " " + std::to_string(part.Done) + "\n";
  WriteRecordFile(path, text);
}

}  // namespace streams
