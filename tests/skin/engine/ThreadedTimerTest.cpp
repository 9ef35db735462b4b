// The library timer on the window system's virtual clock: when it runs, ticks dropped while a
// handler is busy, and a handler that raises does not stop it.

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "framework/Application.h"
#include "framework/Timer.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Clock.h"
#include "skin/engine/acThdTimer.h"

namespace parch {
namespace {

class ThreadedTimer : public ::testing::Test {
protected:
    // Ends the application's loop after ms.
    void RunFor(unsigned ms) {
        TTimer stop(nullptr);
        stop.SetInterval(ms);
        stop.SetOnTimer([](TObject*) { Application->Terminate(); });
        app.Run();
    }
    std::uint64_t Elapsed() const { return GetTickCount64() - start; }

    HeadlessDisplay display;
    TApplication app;
    std::uint64_t start = GetTickCount64();
};

TEST_F(ThreadedTimer, TicksOnlyWithIntervalEnabledAndHandler) {
    std::vector<std::uint64_t> ticks;
    TacThreadedTimer running(&app);
    running.SetInterval(100);
    running.SetOnTimer([&](TObject*) { ticks.push_back(Elapsed()); });
    TacThreadedTimer noInterval(&app);
    noInterval.SetInterval(0);
    noInterval.SetOnTimer([&](TObject*) { ticks.push_back(9999); });
    TacThreadedTimer disabled(&app);
    disabled.SetInterval(50);
    disabled.SetEnabled(false);
    disabled.SetOnTimer([&](TObject*) { ticks.push_back(9999); });
    TacThreadedTimer noHandler(&app);
    noHandler.SetInterval(10);
    RunFor(350);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{100, 200, 300}));
}

TEST_F(ThreadedTimer, ATickWhileBusyIsDropped) {
    std::vector<std::uint64_t> entered;
    int depth = 0;
    int deepest = 0;
    TacThreadedTimer timer(&app);
    timer.SetInterval(100);
    timer.SetOnTimer([&](TObject*) {
        deepest = std::max(deepest, ++depth);
        entered.push_back(Elapsed());
        if (entered.size() == 1) {
            // Long enough for further ticks, which the pumped messages would deliver.
            Sleep(250);
            Application->ProcessMessages();
            EXPECT_TRUE(timer.Busy());
        }
        --depth;
    });
    RunFor(480);
    EXPECT_EQ(deepest, 1);
    ASSERT_GE(entered.size(), 2u);
    EXPECT_EQ(entered[0], 100u);
    EXPECT_GT(entered[1], 350u);
    EXPECT_FALSE(timer.Busy());
}

TEST_F(ThreadedTimer, AHandlerThatRaisesDoesNotStopTheTimer) {
    app.OnException = [](TObject*, const std::exception&) {};
    int ticks = 0;
    TacThreadedTimer timer(&app);
    timer.SetInterval(100);
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 1) throw std::runtime_error("frame failed");
    });
    RunFor(350);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.Busy());
}

struct CountingTimer : TacThreadedTimer {
    CountingTimer(TComponent* owner, bool route) : TacThreadedTimer(owner, route) {}
    void Tick() override { ++ticks; }
    int ticks = 0;
};

TEST_F(ThreadedTimer, OwnedTimersStartDisabledAndRouteTicksWhenAsked) {
    CountingTimer routed(&app, true);
    CountingTimer plain(&app, false);
    EXPECT_FALSE(routed.Enabled());
    EXPECT_EQ(routed.OwningComponent(), &app);
    routed.SetInterval(100);
    plain.SetInterval(100);
    int ticksWhileDisabled = -1;
    TTimer enabler(nullptr);
    enabler.SetInterval(150);
    enabler.SetOnTimer([&](TObject*) {
        ticksWhileDisabled = routed.ticks;
        routed.SetEnabled(true);
        plain.SetEnabled(true);
        enabler.SetEnabled(false);
    });
    RunFor(400);
    EXPECT_EQ(ticksWhileDisabled, 0);
    EXPECT_EQ(routed.ticks, 2);
    EXPECT_EQ(plain.ticks, 0);
}

}  // namespace
}  // namespace parch
