#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "bitmap32/Bitmap32Registry.h"
#include "platform/win/Clock.h"

namespace parch {
namespace {

// The library's tick count and timers on the window system's clock, wired as the image view
// wires them, with a virtual clock installed there.
class LibraryTimeOnWindowClock : public ::testing::TestWithParam<std::uint64_t> {
protected:
    LibraryTimeOnWindowClock() {
        SetClock(clock);
        SetTimeSource([] { return CurrentClock().NowMs(); }, [] { return CurrentClock().NowUs(); });
    }
    ~LibraryTimeOnWindowClock() override {
        SetTimeSource(nullptr);
        SetClock(nullptr);
    }

    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>(GetParam(), false);
};

// Started just below 2^31 and 2^32 ms, the counts run on across both without wrapping.
TEST_P(LibraryTimeOnWindowClock, TicksAndTimersFollowTheClockPastThirtyTwoBits) {
    const auto start = static_cast<std::int64_t>(GetParam());
    EXPECT_EQ(TickMilliseconds(), start);

    TPerfTimer neverStarted;
    EXPECT_EQ(neverStarted.ElapsedMicroseconds(), start * 1000) << "measures from counter 0";

    TPerfTimer timer;
    timer.StartTiming();
    clock->Advance(7);
    EXPECT_EQ(TickMilliseconds(), start + 7);
    EXPECT_EQ(timer.ElapsedMicroseconds(), 7000);
    clock->Advance(1u << 20);
    EXPECT_EQ(TickMilliseconds(), start + 7 + (1 << 20));
    EXPECT_EQ(timer.ElapsedMicroseconds(), (std::int64_t{7} + (1 << 20)) * 1000);
    EXPECT_EQ(timer.StopCount() - timer.StartCount(), timer.ElapsedMicroseconds());

    // A clock installed later in the window system is followed without rewiring.
    SetClock(std::make_shared<VirtualClock>(5, false));
    EXPECT_EQ(TickMilliseconds(), 5);
}

INSTANTIATE_TEST_SUITE_P(Starts, LibraryTimeOnWindowClock,
                         ::testing::Values((std::uint64_t{1} << 31) - 3, (std::uint64_t{1} << 32) - 3),
                         [](const ::testing::TestParamInfo<std::uint64_t>& info) {
                             return "At" + std::to_string(info.param) + "ms";
                         });

TEST(LibraryTime, WithoutAnInstalledSourceTheSteadyClockCounts) {
    SetTimeSource(nullptr);
    using namespace std::chrono;
    const std::int64_t before = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    const std::int64_t tick = TickMilliseconds();
    const std::int64_t after = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    EXPECT_GE(tick, before);
    EXPECT_LE(tick, after);

    TPerfTimer& shared = SharedPerfTimer();
    EXPECT_EQ(&shared, &SharedPerfTimer());
    shared.StartTiming();
    const std::int64_t first = shared.ElapsedMicroseconds();
    EXPECT_GE(first, 0);
    EXPECT_GE(shared.ElapsedMicroseconds(), first);
}

}  // namespace
}  // namespace parch
