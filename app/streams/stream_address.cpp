#include "app/streams/stream_address.h"

#include <fmt/format.h>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"
#include "net/http/uri.h"

namespace streams {

std::string ResolveHttpAddress(const std::string& base, const std::string& reference) {
  std::string address = ResolveReference(base, reference);
  if (!IsHttpAddress(address)) throw EVideoStreamRefused(fmt::format(stream_messages::UnsupportedScheme, address));
  return address;
}

}  // namespace streams
