// The built-in Windows Media 8 profiles. Audio-only profiles carry a flag:
// the program leaves them out of its list, so a list position is not a
// profile index and profiles are looked up by name.
#pragma once

#include <cstdint>
#include <string>

#include "converter/wmv_settings.h"

namespace converter {

class TWMVProfiles {
public:
  int16_t Count() const;
  // The index of the profile with this name, or -1.
  int16_t IndexOfProfile(const std::string& name) const;
  // Empty / false for an index outside the collection.
  std::string ProfileName(int16_t index) const;
  bool ProfileFlag(int16_t index) const;

  // The settings of a profile, or nullptr for an index outside the collection.
  const WmvSettings* settings(int16_t index) const;
};

}  // namespace converter
