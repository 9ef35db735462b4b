#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BoundedWait.h"
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

using test::kGenerousBound;
using test::SpinUntil;

bool SpinUntilFinished(const TThread& thread) {
    return SpinUntil([&thread] { return thread.Finished(); });
}

// Ends the test program with a message when a call that blocks the GUI thread does not
// return within twice the bound: a regression fails at once, not at the runner's time-out.
class Watchdog {
public:
    explicit Watchdog(const char* call)
        : thread_([this, call] {
              std::unique_lock lock(mutex_);
              if (!disarmed_.wait_for(lock, 2 * kGenerousBound, [this] { return done_; })) {
                  std::fprintf(stderr, "%s did not return within %lld s\n", call,
                               static_cast<long long>((2 * kGenerousBound).count()));
                  std::fflush(stderr);
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        disarmed_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    std::thread thread_;
};

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
    ASSERT_TRUE(SpinUntil(running));
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
    ASSERT_TRUE(SpinUntilFinished(*worker));
    EXPECT_TRUE(ran.empty());  // the worker did not wait for them
    PumpMessages();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));

    ran.clear();
    worker = std::make_unique<TWorker>([&](TWorker& self) { self.Queue([&ran] { ran.push_back(9); }); });
    worker->Start();
    ASSERT_TRUE(SpinUntilFinished(*worker));
    worker.reset();
    PumpMessages();
    EXPECT_TRUE(ran.empty());
}

// What a worker that is destroyed while it runs saw. It lives outside the worker: the parts of
// a thread object beyond TThread are gone while TThread's destructor waits.
struct DestroyedWhileRunning {
    std::atomic<bool> running{false};
    std::atomic<bool> stoppedByTerminate{false};
    std::atomic<bool> ended{false};
    bool lastCallServed = false;  // touched on the GUI thread only
};

// Synchronizes until terminated, then once more; it touches nothing of its own after starting.
class TSynchronizingWorker : public TThread {
public:
    explicit TSynchronizingWorker(DestroyedWhileRunning& seen) : seen_(seen) {}

protected:
    void Execute() override {
        DestroyedWhileRunning& seen = seen_;
        seen.running = true;
        // Gives up by itself when nobody asks it to stop, so that the test can fail.
        const auto giveUp = std::chrono::steady_clock::now() + kGenerousBound;
        while (!Terminated() && std::chrono::steady_clock::now() < giveUp) Synchronize([] {});
        seen.stoppedByTerminate = Terminated();
        // Only the destructor's wait can serve this call: nothing else runs the GUI thread's messages.
        Synchronize([&seen] { seen.lastCallServed = true; });
        seen.ended = true;
    }

private:
    DestroyedWhileRunning& seen_;
};

TEST(Threads, DestroyingARunningThreadStopsAndWaitsForIt) {
    DestroyedWhileRunning seen;
    auto worker = std::make_unique<TSynchronizingWorker>(seen);
    worker->Start();
    ASSERT_TRUE(SpinUntil(seen.running));
    {
        Watchdog watchdog("Destroying a running worker");
        worker.reset();
    }
    EXPECT_TRUE(seen.stoppedByTerminate);
    EXPECT_TRUE(seen.lastCallServed);
    EXPECT_TRUE(seen.ended);  // the destructor waited for the body to end
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
    ASSERT_TRUE(SpinUntil(aboutToSynchronize));
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
    ASSERT_TRUE(SpinUntil(queued));
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
