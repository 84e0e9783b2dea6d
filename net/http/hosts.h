#pragma once
// Tests on host texts: whether a host is written as an IPv4 address and what
// its domain is.

#include <string>

// Four "."-separated numbers 0 to 255 after trimming, read as the socket
// stack reads them (a fifth field makes the text no address).
bool IsDottedQuad(const std::string& text);
// False for an address and for a dotted text that begins with ".".
bool LooksLikeHostName(const std::string& text);
// The host from its first "." on ("h.a.b" gives ".a.b"); a host without "."
// whole.
std::string DomainPart(const std::string& host);
