// How the program names itself and words an error for a message box.
#pragma once

#include <string>

// The program file's name without its folder, cut before its first ".", with
// every character after the first in lower case.
std::string ApplicationTitle(const std::string& programPath);

// The message with a full stop appended when its last character sorts after
// ".", so "Not found" gets one and "Disconnected." or "x " do not.
std::string ErrorBoxText(const std::string& message);
