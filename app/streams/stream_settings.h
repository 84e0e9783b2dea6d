#pragma once
// How a front end wants streamed video and large files fetched: how many
// connections at once, and by which rule the quality is chosen.

#include <cstdint>
#include <optional>
#include <string>

struct TStreamSettings {
  // Clients at a time, for segments and for the ranges of a large file.
  int32_t Connections = 4;
  // The window's rule: the smallest quality at least as tall as the output
  // it converts to. Without it (the command line) the highest bandwidth,
  // limited by MaxHeight.
  bool ByOutputHeight = true;
  std::optional<int32_t> MaxHeight;
  // A quality named by the user (TQualityRule::Quality); wins over both.
  std::string Quality = {};
};
