#pragma once
// Sets TZ for the life of one test and puts the previous value back, so that
// date tests never depend on the machine's zone.

#include <cstdlib>
#include <ctime>
#include <string>

class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      Previous = old;
      HadPrevious = true;
    }
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (HadPrevious) {
      setenv("TZ", Previous.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
  std::string Previous;
  bool HadPrevious = false;
};
