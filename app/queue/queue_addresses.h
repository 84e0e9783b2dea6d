// The addresses in text dropped or pasted onto the window: every http and
// https address in it, once each, in the order they come.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> AddressesInText(const std::string& text);
