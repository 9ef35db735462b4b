#pragma once
// Worker threads. A worker reaches the GUI thread through Synchronize: the call runs on the GUI
// thread (in whatever message loop it is in) while the worker waits, and an exception it raises
// is raised again in the worker. WaitFor on the GUI thread keeps serving those calls, so it
// cannot deadlock against a worker that needs the GUI thread once more before it ends.
//
// The GUI thread is the program's initial thread. At the end of the program ShutdownThreads
// asks every worker to terminate, releases the workers blocked in Synchronize without running
// their calls (Synchronize raises EThreadShutdown in them) and waits until every worker has
// ended, self-freeing ones included, so that no worker outlives the objects it calls into.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "base/Classes.h"
#include "platform/gdi/WinTypes.h"

namespace parch {

class EThread : public Exception {
public:
    using Exception::Exception;
};

// A synchronized call refused because the program is shutting its workers down.
class EThreadShutdown : public EThread {
public:
    EThreadShutdown() : EThread("The program is ending; the call to the GUI thread was not run") {}
};

using TThreadMethod = std::function<void()>;

namespace threading {
struct Control;
}

// A reference to a started thread that stays valid after a self-freeing thread is gone: what the
// GUI keeps to ask a worker to stop or to wait for it.
class TThreadRef {
public:
    TThreadRef() = default;
    explicit operator bool() const { return control_ != nullptr; }
    void Terminate() const;
    bool Finished() const;
    // As TThread::WaitFor; returns at once for an empty reference or a thread object destroyed
    // without being started.
    void WaitFor() const;

private:
    friend class TThread;
    explicit TThreadRef(std::shared_ptr<threading::Control> control) : control_(std::move(control)) {}
    std::shared_ptr<threading::Control> control_;
};

class TThread : public TObject {
public:
    // Created suspended: Execute runs once Start is called.
    TThread();
    // A thread still running is asked to terminate and waited for. A subclass whose Execute
    // uses its own members does that in its own destructor, before those members go.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // EThread when the thread was started before or the workers are being shut down.
    void Start();
    // Asks Execute to end; Execute looks at Terminated.
    void Terminate();
    bool Terminated() const;
    bool Started() const { return started_; }
    bool Finished() const;
    // Waits until Execute and OnTerminate are done and returns ReturnValue. On the GUI thread
    // it serves synchronized calls and sent messages meanwhile. EThread for a thread that was
    // never started or that waits for itself.
    int WaitFor();
    TThreadRef Ref() const { return TThreadRef(control_); }

    // The thread deletes itself after Execute and OnTerminate.
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }
    // Runs on the GUI thread after Execute, through Synchronize.
    TNotifyEvent OnTerminate;
    // The exception that ended Execute, if one did.
    std::exception_ptr FatalException() const { return fatalException_; }
    int ReturnValue() const { return returnValue_; }

    // Runs method on the GUI thread and waits for it (directly when called there). Raises what
    // method raised, or EThreadShutdown when the call was refused.
    static void Synchronize(const TThreadMethod& method);
    // Runs method on the GUI thread later, without waiting (directly when called there). A
    // call queued through a thread object is dropped when that object is destroyed first.
    void Queue(TThreadMethod method);
    static void QueueStatic(TThreadMethod method);

    static void Sleep(DWORD ms);
    static std::uint64_t GetTickCount();
    static bool IsMainThread();

protected:
    virtual void Execute() = 0;
    // Calls OnTerminate on the GUI thread.
    virtual void DoTerminate();
    void SetReturnValue(int value) { returnValue_ = value; }

private:
    void Run();

    std::shared_ptr<threading::Control> control_;
    std::thread thread_;
    bool started_ = false;
    std::atomic<bool> freeOnTerminate_{false};
    std::exception_ptr fatalException_;
    int returnValue_ = 0;
};

// Terminates and waits for every worker, refusing their synchronized calls meanwhile; calls
// that workers queued or asked for before are dropped. Called on the GUI thread when the
// program ends, before its windows go; threads may be started again afterwards.
void ShutdownThreads();

}  // namespace parch
