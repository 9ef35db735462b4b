#include <gtest/gtest.h>

#include <memory>

#include "platform/win/Clock.h"

namespace parch {
namespace {

TEST(ClockMicroseconds, RealClockKeepsBothCountsOnOneTimeLine) {
    RealClock clock;
    const std::uint64_t msBefore = clock.NowMs();
    const std::uint64_t us = clock.NowUs();
    const std::uint64_t msAfter = clock.NowMs();
    EXPECT_GE(us, msBefore * 1000);
    EXPECT_LT(us, (msAfter + 1) * 1000);
    EXPECT_GE(clock.NowUs(), us);
}

TEST(ClockMicroseconds, VirtualClockMovesThemWithItsMilliseconds) {
    const std::uint64_t start = (std::uint64_t{1} << 32) - 1;
    VirtualClock clock(start, false);
    EXPECT_EQ(clock.NowUs(), start * 1000);
    clock.Advance(3);
    EXPECT_EQ(clock.NowUs(), (start + 3) * 1000);
    clock.Sleep(2);
    EXPECT_EQ(clock.NowUs(), clock.NowMs() * 1000);
    EXPECT_EQ(clock.NowMs(), start + 5);
}

}  // namespace
}  // namespace parch
