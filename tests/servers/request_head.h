#pragma once
// What the scripted HTTP peers read from a request's head.

#include <string>

// The value of the named header (name in lower case) of a head that holds
// "\r\n"-ended lines, without the blanks after the colon; empty when the
// head has no such header.
std::string RequestHeaderValue(const std::string& head, const std::string& name);
