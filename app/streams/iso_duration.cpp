#include "app/streams/iso_duration.h"

#include <fmt/format.h>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"

namespace streams {

double ReadIsoDuration(const std::string& text) {
  const auto refuse = [&text] { throw EVideoStreamRefused(fmt::format(stream_messages::BadDuration, text)); };
  if (text.size() < 3 || text.size() > 64 || text[0] != 'P') refuse();
  double seconds = 0;
  bool inTime = false;
  bool anyPart = false;
  // Each unit may appear once, in this order.
  std::string unitsLeft = "D";
  size_t at = 1;
  while (at < text.size()) {
    if (text[at] == 'T') {
      if (inTime) refuse();
      inTime = true;
      unitsLeft = "HMS";
      ++at;
      continue;
    }
    const size_t start = at;
    while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.')) ++at;
    const std::string number = text.substr(start, at - start);
    if (number.empty() || at == text.size() || number.front() == '.' || number.back() == '.' ||
        number.find('.') != number.rfind('.'))
      refuse();
    const char unit = text[at++];
    const size_t position = unitsLeft.find(unit);
    if (position == std::string::npos) refuse();
    // Only the seconds may have a fraction.
    if (unit != 'S' && number.find('.') != std::string::npos) refuse();
    unitsLeft.erase(0, position + 1);
    const double value = std::stod(number);
    seconds += value * (unit == 'D' ? 86400 : unit == 'H' ? 3600 : unit == 'M' ? 60 : 1);
    anyPart = true;
  }
  if (!anyPart || text.back() == 'T') refuse();
  return seconds;
}

}  // namespace streams
