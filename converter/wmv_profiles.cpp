#include "converter/wmv_profiles.h"

#include <iterator>

namespace converter {
namespace {

struct WmvProfile {
  const char* name;
  bool audioOnly;
  WmvSettings settings;
};

// Video bit rate plus audio bit rate stays within the rate in the name.
const WmvProfile Profiles[] = {
    {"Voice, dial-up modems (32 kbps)", true, {false, 0, 0, {0, 1}, 0, 0, true, 32000, 22050, 1}},
    {"Video, dial-up modems (56 kbps)", false, {true, 176, 144, {15, 1}, 24000, 8, true, 24000, 22050, 1}},
    {"Video, ISDN (128 kbps)", false, {true, 240, 180, {15, 1}, 96000, 8, true, 32000, 32000, 1}},
    {"Music, broadband (64 kbps)", true, {false, 0, 0, {0, 1}, 0, 0, true, 64000, 44100, 2}},
    {"Video, broadband (256 kbps)", false, {true, 320, 240, {25, 1}, 224000, 5, true, 32000, 32000, 2}},
    {"Video, broadband (384 kbps)", false, {true, 320, 240, {25, 1}, 320000, 5, true, 64000, 44100, 2}},
    {"Video, local network (768 kbps)", false, {true, 640, 480, {25, 1}, 704000, 5, true, 64000, 44100, 2}},
    {"Music, local network (128 kbps)", true, {false, 0, 0, {0, 1}, 0, 0, true, 128000, 44100, 2}},
    {"Video, local network (1.5 Mbps)", false, {true, 640, 480, {30, 1}, 1372000, 5, true, 128000, 44100, 2}},
    {"Video, high quality (2 Mbps)", false, {true, 720, 480, {30, 1}, 1872000, 5, true, 128000, 44100, 2}},
};

const WmvProfile* profileAt(int16_t index) {
  if (index < 0 || index >= int16_t(std::size(Profiles))) return nullptr;
  return &Profiles[index];
}

}  // namespace

int16_t TWMVProfiles::Count() const { return int16_t(std::size(Profiles)); }

int16_t TWMVProfiles::IndexOfProfile(const std::string& name) const {
  for (int16_t i = 0; i < Count(); ++i)
    if (name == Profiles[i].name) return i;
  return -1;
}

std::string TWMVProfiles::ProfileName(int16_t index) const {
  const WmvProfile* profile = profileAt(index);
  return profile ? profile->name : "";
}

bool TWMVProfiles::ProfileFlag(int16_t index) const {
  const WmvProfile* profile = profileAt(index);
  return profile && profile->audioOnly;
}

const WmvSettings* TWMVProfiles::settings(int16_t index) const {
  const WmvProfile* profile = profileAt(index);
  return profile ? &profile->settings : nullptr;
}

}  // namespace converter
