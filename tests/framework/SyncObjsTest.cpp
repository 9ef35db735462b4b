#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/SyncObjs.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Clock.h"

namespace parch {
namespace {

class SyncObjsTest : public ::testing::Test {
protected:
    HeadlessDisplay display;
};

TEST_F(SyncObjsTest, ManualAndAutoResetEventsAnswerTwoWaitsInTurn) {
    enum class Action { none, set, setThenReset };
    struct Case {
        const char* name;
        bool manualReset;
        bool initialState;
        Action action;
        TWaitResult first;
        TWaitResult second;
    };
    const Case cases[] = {
        {"manual, unsignalled", true, false, Action::none, wrTimeout, wrTimeout},
        {"manual, signalled at the start", true, true, Action::none, wrSignaled, wrSignaled},
        {"manual, set: stays signalled", true, false, Action::set, wrSignaled, wrSignaled},
        {"manual, set and reset", true, true, Action::setThenReset, wrTimeout, wrTimeout},
        {"auto, signalled at the start: one wait", false, true, Action::none, wrSignaled, wrTimeout},
        {"auto, set: one wait", false, false, Action::set, wrSignaled, wrTimeout},
        {"auto, set and reset", false, false, Action::setThenReset, wrTimeout, wrTimeout},
    };
    for (const Case& c : cases) {
        TEvent event(c.manualReset, c.initialState);
        if (c.action != Action::none) event.SetEvent();
        if (c.action == Action::setThenReset) event.ResetEvent();
        std::uint64_t start = GetTickCount64();
        EXPECT_EQ(event.WaitFor(250), c.first) << c.name;
        EXPECT_EQ(event.WaitFor(250), c.second) << c.name;
        // A wait that timed out took its time on the virtual clock.
        std::uint64_t expected = 250u * ((c.first == wrTimeout) + (c.second == wrTimeout));
        EXPECT_EQ(GetTickCount64() - start, expected) << c.name;
    }
    TSimpleEvent simple;
    EXPECT_EQ(simple.WaitFor(0), wrTimeout);
    simple.SetEvent();
    EXPECT_EQ(simple.WaitFor(0), wrSignaled);
    EXPECT_EQ(simple.WaitFor(0), wrSignaled);
}

TEST_F(SyncObjsTest, AWaiterIsReleasedBySetEventOrByItsTimeOutOnVirtualTime) {
    display.Clock().SetAutoAdvance(false);
    TEvent event(false, false);
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = static_cast<int>(event.WaitFor(INFINITE)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result.load(), -1);  // no time-out: it waits for the event
    event.SetEvent();
    waiter.join();
    EXPECT_EQ(result.load(), static_cast<int>(wrSignaled));
    EXPECT_EQ(event.WaitFor(0), wrTimeout);  // the auto-reset event released its one waiter

    std::atomic<bool> done{false};
    std::thread timed([&] {
        result = static_cast<int>(event.WaitFor(1000));
        done = true;
    });
    for (int step = 0; !done && step < 100000; ++step) {
        display.AdvanceTime(10);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    timed.join();
    EXPECT_EQ(result.load(), static_cast<int>(wrTimeout));
}

TEST_F(SyncObjsTest, CriticalSectionIsReentrantForItsOwnerAndExcludesOthers) {
    TCriticalSection section;
    section.Enter();
    EXPECT_TRUE(section.TryEnter());  // the owner may enter again
    bool otherGotIn = true;
    std::thread other([&] { otherGotIn = section.TryEnter(); });
    other.join();
    EXPECT_FALSE(otherGotIn);
    section.Leave();
    section.Leave();
    std::thread after([&] {
        otherGotIn = section.TryEnter();
        if (otherGotIn) section.Leave();
    });
    after.join();
    EXPECT_TRUE(otherGotIn);
}

}  // namespace
}  // namespace parch
