// The option lists filled at the window's first activation: the converter's
// WMV 8 profiles (those it does not flag), its compressors, and the fixed
// WMV 9 captions, each with the entry that starts selected.
#pragma once

#include <string>
#include <vector>

class TVideoEdit;

struct TOptionList {
  std::vector<std::string> Items;
  int Selected = -1;  // -1: nothing selected
};

struct TOptionLists {
  TOptionList WMV8Profiles;
  TOptionList VideoCompressors;
  TOptionList AudioCompressors;
  TOptionList WMV9Profiles;
};

// Entry 0 selected, then the last entry whose text equals preferred exactly
// (when preferred is given). An empty list selects nothing.
TOptionList PickList(std::vector<std::string> items, const char* preferred = nullptr);

// "MJPEG Compressor" and "PCM" are preselected when the converter has them.
TOptionLists FillOptionLists(const TVideoEdit& videoEdit);
// The same lists from a converter of its own, for a caller that has none.
TOptionLists ConverterOptionLists();
