#pragma once
// Synchronization objects for threads: critical sections, and events to wait on. Waits go
// through the window system's waitable objects, so their time-outs run on its clock (virtual
// time on the headless display).

#include <mutex>

#include "base/Classes.h"
#include "base/SysUtils.h"
#include "platform/win/Synchronization.h"

namespace parch {

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };
using enum TWaitResult;

class ESyncObjectException : public Exception {
public:
    using Exception::Exception;
};

class TSynchroObject : public TObject {
public:
    virtual void Acquire() {}
    virtual void Release() {}
};

// A lock the owning thread may take again (each Enter needs its Leave).
class TCriticalSection : public TSynchroObject {
public:
    void Acquire() override { mutex_.lock(); }
    void Release() override { mutex_.unlock(); }
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    bool TryEnter() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

// An object with a waitable handle, which it owns.
class THandleObject : public TSynchroObject {
public:
    ~THandleObject() override;
    THandleObject(const THandleObject&) = delete;
    THandleObject& operator=(const THandleObject&) = delete;

    // Waits at most timeoutMs (INFINITE: no limit) for the object to be signalled.
    virtual TWaitResult WaitFor(DWORD timeoutMs);
    HANDLE Handle() const { return handle_; }
    // The system error of the last wait answered wrError.
    int LastError() const { return lastError_; }

protected:
    explicit THandleObject(HANDLE handle) : handle_(handle) {}

private:
    HANDLE handle_ = nullptr;
    int lastError_ = 0;
};

// Manual reset: stays signalled until ResetEvent and releases every waiter. Auto reset:
// releases one waiter and is unsignalled again.
class TEvent : public THandleObject {
public:
    TEvent(bool manualReset, bool initialState);
    void SetEvent();
    void ResetEvent();
};

// A manual-reset event created unsignalled.
class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(true, false) {}
};

}  // namespace parch
