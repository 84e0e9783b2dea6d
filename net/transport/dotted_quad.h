#pragma once
// IPv4 addresses written as four "."-separated numbers from 0 to 255. The
// stack and the HTTP layer share this one reading, so that both agree on what
// is an address and what is a host name, and no field over 255 can wrap into
// a byte and name another host.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The four address bytes, or none when text is not a dotted quad. The text
// splits at its first three "."; the fourth field is the whole rest, so a
// fifth field ("1.2.3.4.5") makes it no address.
std::optional<std::array<uint8_t, 4>> ParseDottedQuad(std::string_view text);
