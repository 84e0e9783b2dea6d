// The job's shared cap on bytes a second, on a clock the test moves: what a
// reader waits is what the bytes of every reader together owe.
#include <gtest/gtest.h>

#include "app/transfer/rate_limit.h"

namespace {

using namespace std::chrono;
using transfer::TRateLimit;

// A clock that moves only when a reader sleeps.
struct TestClock {
  TRateLimit::TClock::time_point now{};
  nanoseconds slept{};
  TRateLimit Limit(int64_t rate) {
    return TRateLimit(
        rate, [this] { return now; },
        [this](nanoseconds time) {
          now += time;
          slept += time;
        });
  }
};

struct TakeCase {
  const char* name;
  int64_t rate;
  std::vector<int64_t> reads;  // one after another, no time between
  milliseconds slept;          // in all
};

// A tenth of a second's bytes go at once; the rest waits for the rate. Two
// connections reading in turn share the rate, they do not each get it.
const TakeCase kTakeCases[] = {
    {"within the first tenth of a second", 1000, {100}, 0ms},
    {"one second's bytes", 1000, {1100}, 1000ms},
    {"many small reads add up", 1000, {100, 250, 250, 250, 250}, 1000ms},
    {"two connections' reads owe together", 2000, {1200, 1200, 1200, 1200}, 2300ms},
};

TEST(RateLimit, WaitsWhatTheBytesOwe) {
  for (const TakeCase& c : kTakeCases) {
    SCOPED_TRACE(c.name);
    TestClock clock;
    TRateLimit limit = clock.Limit(c.rate);
    for (const int64_t read : c.reads) EXPECT_TRUE(limit.Take(read));
    EXPECT_EQ(duration_cast<milliseconds>(clock.slept), c.slept);
  }
}

// Time that passed without reads refills only a tenth of a second's bytes:
// an idle connection cannot save up for a burst.
TEST(RateLimit, IdleTimeSavesNoBurst) {
  TestClock clock;
  TRateLimit limit = clock.Limit(1000);
  clock.now += seconds(60);
  EXPECT_TRUE(limit.Take(1100));
  EXPECT_EQ(duration_cast<milliseconds>(clock.slept), 1000ms);
}

// Stop ends the wait at its next slice, and the ticks run meanwhile.
TEST(RateLimit, StopEndsTheWait) {
  TestClock clock;
  TRateLimit limit = clock.Limit(1000);
  int ticks = 0;
  EXPECT_FALSE(limit.Take(
      10100, [&] { return ticks == 3; }, [&] { ++ticks; }));
  EXPECT_EQ(ticks, 3);
  EXPECT_LT(clock.slept, seconds(1));
}

}  // namespace
