#include "converter/av_handles.h"

#include "converter/conversion_error.h"

namespace converter {

Frame allocateFrame() {
  Frame frame(av_frame_alloc());
  if (!frame) check(AVERROR(ENOMEM), "Cannot allocate a frame");
  return frame;
}

Packet allocatePacket() {
  Packet packet(av_packet_alloc());
  if (!packet) check(AVERROR(ENOMEM), "Cannot allocate a packet");
  return packet;
}

OptionList::OptionList(const char* keyValuePairs) {
  check(av_dict_parse_string(&entries_, keyValuePairs, "=", ":", 0), "Bad option list");
}

void OptionList::set(const char* key, const std::string& value) {
  check(av_dict_set(&entries_, key, value.c_str(), 0), "Bad option");
}

std::string OptionList::firstLeftOver() const {
  const AVDictionaryEntry* entry = av_dict_get(entries_, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  return entry ? entry->key : "";
}

}  // namespace converter
