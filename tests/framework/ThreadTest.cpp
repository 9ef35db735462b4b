#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "framework/Thread.h"
#include "platform/win/WinApi.h"

namespace parch {
namespace {

// A thread whose body is given by the test.
class TWorker : public TThread {
public:
    explicit TWorker(std::function<void(TWorker&)> body, std::atomic<int>* destroyed = nullptr)
        : body_(std::move(body)), destroyed_(destroyed) {}
    ~TWorker() override {
        if (destroyed_) ++*destroyed_;
    }
    using TThread::SetReturnValue;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TWorker&)> body_;
    std::atomic<int>* destroyed_;
};

// Dispatches what the GUI thread has waiting, serving synchronized calls on the way.
void PumpMessages() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

// Waits on the GUI thread without serving anything until flag is set by a worker.
void SpinUntil(const std::atomic<bool>& flag) {
    while (!flag) std::this_thread::yield();
}

void SpinUntilFinished(const TThread& thread) {
    while (!thread.Finished()) std::this_thread::yield();
}

TEST(Threads, SynchronizedCallsOfSeveralWorkersRunInOrderOnTheGuiThread) {
    constexpr int kWorkers = 4;
    constexpr int kCalls = 40;
    std::vector<std::pair<int, int>> calls;  // touched on the GUI thread only
    bool allOnGui = true;
    std::vector<std::unique_ptr<TWorker>> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.push_back(std::make_unique<TWorker>([&, w](TWorker&) {
            for (int i = 0; i < kCalls; ++i)
                TThread::Synchronize([&, w, i] {
                    allOnGui = allOnGui && TThread::IsMainThread();
                    calls.emplace_back(w, i);
                });
        }));
    }
    for (auto& w : workers) w->Start();
    for (auto& w : workers) w->WaitFor();
    EXPECT_TRUE(allOnGui);
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(kWorkers * kCalls));
    std::vector<int> next(kWorkers, 0);
    for (auto [w, i] : calls) EXPECT_EQ(i, next[static_cast<std::size_t>(w)]++);
}

TEST(Threads, WaitForOnTheGuiThreadServesTheWorkersCalls) {
    // Nothing is pumped before WaitFor: both calls can only run inside it.
    bool waiting = false;
    std::vector<bool> servedWhileWaiting;
    TWorker worker([&](TWorker& self) {
        TThread::Synchronize([&] { servedWhileWaiting.push_back(waiting); });
        TThread::Synchronize([&] { servedWhileWaiting.push_back(waiting); });
        self.SetReturnValue(7);
    });
    worker.Start();
    waiting = true;
    EXPECT_EQ(worker.WaitFor(), 7);
    waiting = false;
    EXPECT_EQ(servedWhileWaiting, (std::vector<bool>{true, true}));
    EXPECT_TRUE(worker.Finished());
    EXPECT_EQ(worker.WaitFor(), 7);  // again: at once
}

TEST(Threads, ExceptionsOfSynchronizedCallsAreRaisedInTheWorker) {
    std::string caught;
    TWorker worker([&](TWorker&) {
        try {
            TThread::Synchronize([] { throw EConvertError("'x' is not a number"); });
        } catch (const EConvertError& e) {
            caught = e.what();
        }
        throw EThread("body failed");
    });
    worker.Start();
    worker.WaitFor();
    EXPECT_EQ(caught, "'x' is not a number");
    ASSERT_TRUE(worker.FatalException());
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), EThread);
}

TEST(Threads, TerminateIsARequestTheBodyHonours) {
    int calls = 0;
    TWorker* self = nullptr;
    TWorker worker([&](TWorker& w) {
        while (!w.Terminated())
            TThread::Synchronize([&] {
                if (++calls == 3) self->Terminate();
            });
    });
    self = &worker;
    EXPECT_FALSE(worker.Terminated());
    worker.Start();
    worker.WaitFor();
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(worker.Terminated());
}

TEST(Threads, SelfFreeingWorkerCanStillBeStoppedAndWaitedForThroughItsReference) {
    std::atomic<int> destroyed{0};
    std::atomic<bool> running{false};
    std::vector<std::string> events;
    auto* worker = new TWorker(
        [&](TWorker& w) {
            running = true;
            while (!w.Terminated()) std::this_thread::yield();
        },
        &destroyed);
    worker->SetFreeOnTerminate(true);
    worker->OnTerminate = [&](TObject* sender) {
        events.push_back(TThread::IsMainThread() ? "terminate on GUI" : "terminate elsewhere");
        events.push_back(destroyed == 0 ? "object alive" : "object gone");
    };
    TThreadRef ref = worker->Ref();
    worker->Start();
    SpinUntil(running);
    ref.Terminate();
    ref.WaitFor();  // returns once the object is gone too
    EXPECT_TRUE(ref.Finished());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"terminate on GUI", "object alive"}));
    ref.WaitFor();
}

TEST(Threads, MisuseIsRefused) {
    auto idle = std::make_unique<TWorker>([](TWorker&) {});
    TThreadRef ref = idle->Ref();
    EXPECT_THROW(idle->WaitFor(), EThread);  // never started
    EXPECT_THROW(ref.WaitFor(), EThread);
    idle.reset();
    ref.WaitFor();  // gone without running: nothing to wait for
    EXPECT_TRUE(ref.Finished());
    EXPECT_TRUE(TThreadRef().Finished());
    std::string error;
    TWorker* self = nullptr;
    TWorker selfWaiting([&](TWorker&) {
        try {
            self->WaitFor();
        } catch (const EThread& e) {
            error = e.what();
        }
    });
    self = &selfWaiting;
    selfWaiting.Start();
    EXPECT_THROW(selfWaiting.Start(), EThread);
    selfWaiting.WaitFor();
    EXPECT_EQ(error, "A thread cannot wait for itself");
}

TEST(Threads, QueuedCallsRunLaterInOrderAndNotAfterTheirThreadObjectWent) {
    std::vector<int> ran;
    auto worker = std::make_unique<TWorker>([&](TWorker& self) {
        for (int i = 0; i < 3; ++i) self.Queue([&ran, i] { ran.push_back(i); });
    });
    worker->Start();
    SpinUntilFinished(*worker);
    EXPECT_TRUE(ran.empty());  // the worker did not wait for them
    PumpMessages();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));

    ran.clear();
    worker = std::make_unique<TWorker>([&](TWorker& self) { self.Queue([&ran] { ran.push_back(9); }); });
    worker->Start();
    SpinUntilFinished(*worker);
    worker.reset();
    PumpMessages();
    EXPECT_TRUE(ran.empty());
}

TEST(Threads, DestroyingARunningThreadStopsAndWaitsForIt) {
    std::atomic<bool> running{false};
    auto worker = std::make_unique<TWorker>([&](TWorker& self) {
        running = true;
        while (!self.Terminated()) TThread::Synchronize([] {});
    });
    worker->Start();
    SpinUntil(running);
    worker.reset();  // serves its calls while it waits
    SUCCEED();
}

TEST(ThreadShutdown, ReleasesAWorkerBlockedInSynchronizeWithoutRunningItsCall) {
    std::atomic<bool> aboutToSynchronize{false};
    std::atomic<int> destroyed{0};
    bool ran = false;
    std::atomic<int> refusals{0};
    auto* worker = new TWorker(
        [&](TWorker&) {
            aboutToSynchronize = true;
            try {
                TThread::Synchronize([&] { ran = true; });
            } catch (const EThreadShutdown&) {
                ++refusals;
                // A handler that reports the failure through the GUI thread is refused at once.
                try {
                    TThread::Synchronize([&] { ran = true; });
                } catch (const EThreadShutdown&) {
                    ++refusals;
                }
            }
        },
        &destroyed);
    worker->SetFreeOnTerminate(true);
    worker->Start();
    SpinUntil(aboutToSynchronize);
    ShutdownThreads();
    // No worker outlives the shutdown, the self-freeing one included.
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(refusals, 2);
    PumpMessages();
    EXPECT_FALSE(ran);
}

TEST(ThreadShutdown, TerminatesBusyWorkersDropsTheirQueuedCallsAndReopens) {
    std::atomic<bool> queued{false};
    std::vector<int> ran;
    TWorker busy([&](TWorker& self) {
        self.Queue([&] { ran.push_back(1); });
        TThread::QueueStatic([&] { ran.push_back(2); });
        queued = true;
        while (!self.Terminated()) std::this_thread::yield();
    });
    busy.Start();
    SpinUntil(queued);
    ShutdownThreads();
    EXPECT_TRUE(busy.Finished());
    PumpMessages();
    EXPECT_TRUE(ran.empty());

    // Workers started afterwards reach the GUI thread again.
    TWorker later([&](TWorker&) { TThread::Synchronize([&] { ran.push_back(3); }); });
    later.Start();
    later.WaitFor();
    EXPECT_EQ(ran, (std::vector<int>{3}));
}

TEST(Threads, SleepAndTickCountRunOnTheWindowSystemsClock) {
    auto clock = std::make_shared<VirtualClock>(5000, false);
    SetClock(clock);
    std::uint64_t before = TThread::GetTickCount();
    TThread::Sleep(250);
    EXPECT_EQ(TThread::GetTickCount() - before, 250u);
    SetClock(nullptr);
}

}  // namespace
}  // namespace parch
