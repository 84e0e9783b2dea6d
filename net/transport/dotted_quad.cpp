#include "net/transport/dotted_quad.h"

#include "platform/int_parse.h"

std::optional<std::array<uint8_t, 4>> ParseDottedQuad(std::string_view text) {
  std::array<uint8_t, 4> address{};
  for (size_t field = 0; field < address.size(); ++field) {
    const size_t dot = field < 3 ? text.find('.') : std::string_view::npos;
    if (field < 3 && dot == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, dot);
    const int32_t value = StrToIntDef(part, -1);
    if (value < 0 || value > 255) return std::nullopt;
    address[field] = static_cast<uint8_t>(value);
    if (field < 3) text.remove_prefix(dot + 1);
  }
  return address;
}
