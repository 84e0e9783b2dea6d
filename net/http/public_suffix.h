#pragma once
// Public suffixes (com, co.uk, github.io): names under which anyone may
// register, so that no site may set a cookie for one. The list is the one
// the system keeps current; the library's own copy stands in when the
// system has none.

#include <string_view>

// domain without a leading "."; letter case does not matter. A name under an
// unknown top-level label counts as one, as browsers treat it.
bool IsPublicSuffix(std::string_view domain);
