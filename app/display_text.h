// Text that came from servers, pages or lists as a person may see it, in a
// terminal or a widget: a control character there could retitle, clear or
// rewrite the terminal, so each one, and each byte that is not part of a
// UTF-8 character, is shown as U+FFFD. Tabs and line breaks stay, since
// messages are laid out with them; a carriage return only before a line
// feed, since on its own it lets a text write over the line it stands on.
#pragma once

#include <string>
#include <string_view>

std::string DisplayText(std::string_view text);
