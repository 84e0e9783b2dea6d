#pragma once
// A failed property check in a fuzz target: print what broke and abort, so
// libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>
#include <string>

inline void fuzzCheck(bool holds, const char* what, const std::string& detail) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
  std::abort();
}
