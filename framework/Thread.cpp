#include "framework/Thread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "framework/UtilWindow.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"

namespace parch {

namespace threading {

// What a thread object, its running thread and its references share.
struct Control {
    std::atomic<bool> started{false};
    std::atomic<bool> terminated{false};
    std::atomic<bool> finished{false};  // ended, or destroyed without being started
    std::mutex mutex;
    std::condition_variable ended;
    std::thread::id id;
    // Queued calls of the thread object run only while it lives; the GUI thread holds this
    // while it runs one, so the object cannot go away in the middle.
    std::recursive_mutex queueGate;
    bool objectAlive = true;
};

}  // namespace threading

namespace {

using threading::Control;

const std::thread::id kMainThread = std::this_thread::get_id();

// The workers that run, and the window through which they reach the GUI thread.
struct ThreadRegistry {
    std::mutex mutex;
    std::vector<std::shared_ptr<Control>> running;
    HWND syncWindow = nullptr;
    bool shuttingDown = false;
    // Calls made before a shutdown never run after it.
    std::atomic<unsigned> generation{0};
};

ThreadRegistry& TheRegistry() {
    static ThreadRegistry* registry = new ThreadRegistry;  // never destroyed: workers may end after exit
    return *registry;
}

// The window of the GUI thread that synchronized calls are delivered through; made on the GUI
// thread at the first need there.
void EnsureSyncWindow() {
    ThreadRegistry& r = TheRegistry();
    {
        std::lock_guard lock(r.mutex);
        if (r.syncWindow) return;
    }
    HWND wnd = AllocateHWnd(nullptr);
    std::lock_guard lock(r.mutex);
    if (r.syncWindow)
        DeallocateHWnd(wnd);
    else
        r.syncWindow = wnd;
}

// The sync window for a call from a worker, or why there is none.
HWND SyncTarget(unsigned& generation) {
    ThreadRegistry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (r.shuttingDown) throw EThreadShutdown();
    if (!r.syncWindow) throw EThread("No GUI thread to synchronize with");
    generation = r.generation;
    return r.syncWindow;
}

// On the GUI thread: whether a call made in generation may still run.
bool CallMayRun(unsigned generation) {
    ThreadRegistry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return !r.shuttingDown && r.generation == generation;
}

// A GUI thread waiting for workers looks again (lock held).
void WakeGuiThread(ThreadRegistry& r) {
    if (r.syncWindow) win::PostCallToWindowThread(r.syncWindow, [] { return LRESULT(0); });
}

void WaitForControl(Control& c) {
    if (!c.started && !c.finished) throw EThread("Cannot wait for a thread that was not started");
    if (c.id == std::this_thread::get_id()) throw EThread("A thread cannot wait for itself");
    if (TThread::IsMainThread()) {
        EnsureSyncWindow();  // the ending thread wakes the GUI thread through it
        WaitServingSentMessages([&c] { return c.finished.load(); }, INFINITE);
        return;
    }
    std::unique_lock lock(c.mutex);
    c.ended.wait(lock, [&c] { return c.finished.load(); });
}

void MarkFinished(const std::shared_ptr<Control>& c) {
    {
        std::lock_guard lock(c->mutex);
        c->finished = true;
    }
    c->ended.notify_all();
    ThreadRegistry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = std::find(r.running.begin(), r.running.end(), c);
    if (it != r.running.end()) r.running.erase(it);
    WakeGuiThread(r);
}

void QueueCall(TThreadMethod method, std::shared_ptr<Control> owner) {
    if (TThread::IsMainThread()) {
        method();
        return;
    }
    unsigned generation = 0;
    HWND target = SyncTarget(generation);
    win::PostCallToWindowThread(target, [method = std::move(method), owner = std::move(owner), generation] {
        if (!CallMayRun(generation)) return LRESULT(0);
        if (!owner) {
            method();
            return LRESULT(0);
        }
        std::lock_guard gate(owner->queueGate);
        if (owner->objectAlive) method();
        return LRESULT(0);
    });
}

}  // namespace

void TThreadRef::Terminate() const {
    if (control_) control_->terminated = true;
}

bool TThreadRef::Finished() const {
    return !control_ || control_->finished;
}

void TThreadRef::WaitFor() const {
    if (control_) WaitForControl(*control_);
}

TThread::TThread() : control_(std::make_shared<Control>()) {
    if (IsMainThread()) EnsureSyncWindow();
}

TThread::~TThread() {
    {
        std::lock_guard gate(control_->queueGate);
        control_->objectAlive = false;
    }
    if (!started_) {
        control_->finished = true;  // references wait for nothing
        return;
    }
    if (std::this_thread::get_id() == control_->id) {
        // Freeing itself at its end: the running function touches nothing of this object now.
        thread_.detach();
        return;
    }
    if (!control_->finished) {
        Terminate();
        WaitForControl(*control_);
    }
    thread_.join();
}

void TThread::Start() {
    if (started_) throw EThread("Cannot start a thread that was started before");
    if (IsMainThread()) EnsureSyncWindow();
    ThreadRegistry& r = TheRegistry();
    {
        std::lock_guard lock(r.mutex);
        if (r.shuttingDown) throw EThreadShutdown();
        r.running.push_back(control_);
    }
    // The new thread waits for this lock, so thread_ is set before it can free this object.
    std::lock_guard lock(control_->mutex);
    started_ = true;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        started_ = false;
        std::lock_guard registryLock(r.mutex);
        r.running.erase(std::find(r.running.begin(), r.running.end(), control_));
        throw EThread(std::string("Cannot start a thread: ") + e.what());
    }
    control_->id = thread_.get_id();
    control_->started = true;
}

void TThread::Terminate() {
    control_->terminated = true;
}

bool TThread::Terminated() const {
    return control_->terminated;
}

bool TThread::Finished() const {
    return control_->finished;
}

int TThread::WaitFor() {
    WaitForControl(*control_);
    return returnValue_;
}

void TThread::Synchronize(const TThreadMethod& method) {
    if (IsMainThread()) {
        method();
        return;
    }
    unsigned generation = 0;
    HWND target = SyncTarget(generation);
    bool ran = false;
    std::exception_ptr error;
    LRESULT unused = 0;
    bool delivered = win::CallOnWindowThread(
        target,
        [&] {
            if (!CallMayRun(generation)) return LRESULT(0);
            ran = true;
            try {
                method();
            } catch (...) {
                error = std::current_exception();
            }
            return LRESULT(0);
        },
        unused);
    if (!delivered || !ran) throw EThreadShutdown();
    if (error) std::rethrow_exception(error);
}

void TThread::Queue(TThreadMethod method) {
    QueueCall(std::move(method), control_);
}

void TThread::QueueStatic(TThreadMethod method) {
    QueueCall(std::move(method), nullptr);
}

void TThread::Sleep(DWORD ms) {
    parch::Sleep(ms);
}

std::uint64_t TThread::GetTickCount() {
    return GetTickCount64();
}

bool TThread::IsMainThread() {
    return std::this_thread::get_id() == kMainThread;
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Run() {
    { std::lock_guard started(control_->mutex); }
    std::shared_ptr<Control> control = control_;
    try {
        Execute();
    } catch (...) {
        fatalException_ = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        // OnTerminate refused at shutdown or failing: the thread ends all the same.
    }
    if (freeOnTerminate_) delete this;
    MarkFinished(control);
}

void ShutdownThreads() {
    if (!TThread::IsMainThread()) throw EThread("Workers are shut down from the GUI thread");
    ThreadRegistry& r = TheRegistry();
    std::vector<std::shared_ptr<Control>> workers;
    {
        std::lock_guard lock(r.mutex);
        r.shuttingDown = true;
        workers = r.running;
    }
    for (auto& c : workers) c->terminated = true;
    EnsureSyncWindow();
    // Serving the pending calls releases their workers: a refused call raises in its worker.
    WaitServingSentMessages(
        [&r] {
            std::lock_guard lock(r.mutex);
            return r.running.empty();
        },
        INFINITE);
    HWND window;
    {
        std::lock_guard lock(r.mutex);
        window = r.syncWindow;
        r.syncWindow = nullptr;
        ++r.generation;
        r.shuttingDown = false;
    }
    DeallocateHWnd(window);
}

}  // namespace parch
