#include "app/option_lists.h"

#include "app/output_formats.h"
#include "converter/video_edit.h"

namespace {
template <class Collection>
std::vector<std::string> compressorNames(const Collection& collection) {
  std::vector<std::string> names;
  for (int16_t i = 0; i < collection.Count(); ++i) names.push_back(collection.CompressorName(i));
  return names;
}
}  // namespace

TOptionList PickList(std::vector<std::string> items, const char* preferred) {
  TOptionList list{std::move(items), -1};
  if (list.Items.empty()) return list;
  list.Selected = 0;
  for (int i = 0; preferred && i < int(list.Items.size()); ++i)
    if (list.Items[i] == preferred) list.Selected = i;
  return list;
}

TOptionLists FillOptionLists(const TVideoEdit& videoEdit) {
  TOptionLists lists;
  std::vector<std::string> profiles;
  for (int16_t i = 0; i < videoEdit.WMVProfiles.Count(); ++i)
    if (!videoEdit.WMVProfiles.ProfileFlag(i)) profiles.push_back(videoEdit.WMVProfiles.ProfileName(i));
  lists.WMV8Profiles = PickList(std::move(profiles));
  lists.VideoCompressors = PickList(compressorNames(videoEdit.VideoCompressors), "MJPEG Compressor");
  lists.AudioCompressors = PickList(compressorNames(videoEdit.AudioCompressors), "PCM");
  std::vector<std::string> captions;
  for (const TWMV9Profile& profile : WMV9Profiles) captions.emplace_back(profile.Caption);
  lists.WMV9Profiles = PickList(std::move(captions));
  return lists;
}

TOptionLists ConverterOptionLists() { return FillOptionLists(TVideoEdit()); }
