#include "platform/win/Synchronization.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win/Clock.h"
#include "platform/win/WinState.h"

namespace parch {

namespace sync {

enum class Kind { Event, Mutex, Change };

// Reads a folder watch on a thread of its own and signals the object on each change.
class ChangeReader;

struct Object {
    Kind kind = Kind::Event;
    bool signalled = false;
    bool manualReset = true;
    std::thread::id owner;
    unsigned ownerCount = 0;
    std::uint64_t changes = 0;  // changes read so far
    std::uint64_t seen = 0;     // changes a wait has reported
    std::unique_ptr<ChangeReader> reader;
};

struct Table {
    std::recursive_mutex mutex;
    std::condition_variable_any signal;
    std::map<HANDLE, std::shared_ptr<Object>> objects;
    std::uintptr_t next = 0x1000;
};

Table& Objects() {
    // Never destroyed: reader threads may still report while static destruction runs.
    static Table* table = new Table;
    return *table;
}

class ChangeReader {
public:
    ChangeReader(std::unique_ptr<FolderWatch> watch, std::weak_ptr<Object> object)
        : watch_(std::move(watch)) {
        if (pipe2(stop_, O_CLOEXEC | O_NONBLOCK) != 0) stop_[0] = stop_[1] = -1;
        thread_ = std::thread([this, object] { Run(object); });
    }
    ~ChangeReader() {
        char byte = 1;
        if (stop_[1] >= 0 && write(stop_[1], &byte, 1) < 0) {
        }
        thread_.join();
        if (stop_[0] >= 0) close(stop_[0]);
        if (stop_[1] >= 0) close(stop_[1]);
    }
    ChangeReader(const ChangeReader&) = delete;
    ChangeReader& operator=(const ChangeReader&) = delete;

private:
    void Run(const std::weak_ptr<Object>& weak) {
        bool first = true;
        while (true) {
            // A cut-short tree is reported at once, before any event arrives.
            bool changed = first && watch_->ReadEvents();
            first = false;
            if (!changed) {
                pollfd fds[2] = {{watch_->Descriptor(), POLLIN, 0}, {stop_[0], POLLIN, 0}};
                if (poll(fds, stop_[0] >= 0 ? 2 : 1, -1) < 0) continue;
                if (fds[1].revents) return;
                changed = watch_->ReadEvents();
            }
            if (!changed) continue;
            Table& t = Objects();
            std::lock_guard lock(t.mutex);
            if (auto object = weak.lock()) {
                ++object->changes;
                object->signalled = true;
            }
            t.signal.notify_all();
            if (watch_->RootGone()) return;
        }
    }

    std::unique_ptr<FolderWatch> watch_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

HANDLE Add(std::shared_ptr<Object> object) {
    Table& t = Objects();
    std::lock_guard lock(t.mutex);
    auto handle = reinterpret_cast<HANDLE>(t.next);
    t.next += 4;
    t.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> Find(HANDLE handle, Kind kind) {
    Table& t = Objects();
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->kind != kind) return nullptr;
    return it->second;
}

bool IsReady(const Object& object) {
    if (object.kind == Kind::Mutex)
        return object.ownerCount == 0 || object.owner == std::this_thread::get_id();
    return object.signalled;
}

void Take(Object& object) {
    switch (object.kind) {
    case Kind::Mutex:
        object.owner = std::this_thread::get_id();
        ++object.ownerCount;
        break;
    case Kind::Event:
        if (!object.manualReset) object.signalled = false;
        break;
    case Kind::Change: object.seen = object.changes; break;
    }
}

}  // namespace sync

HANDLE CreateEvent(bool manualReset, bool initialState) {
    auto object = std::make_shared<sync::Object>();
    object->manualReset = manualReset;
    object->signalled = initialState;
    return sync::Add(std::move(object));
}

bool SetEvent(HANDLE event) {
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    auto object = sync::Find(event, sync::Kind::Event);
    if (!object) return false;
    object->signalled = true;
    t.signal.notify_all();
    return true;
}

bool ResetEvent(HANDLE event) {
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    auto object = sync::Find(event, sync::Kind::Event);
    if (!object) return false;
    object->signalled = false;
    return true;
}

HANDLE CreateMutex(bool initialOwner) {
    auto object = std::make_shared<sync::Object>();
    object->kind = sync::Kind::Mutex;
    if (initialOwner) {
        object->owner = std::this_thread::get_id();
        object->ownerCount = 1;
    }
    return sync::Add(std::move(object));
}

bool ReleaseMutex(HANDLE mutex) {
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    auto object = sync::Find(mutex, sync::Kind::Mutex);
    if (!object || object->ownerCount == 0 || object->owner != std::this_thread::get_id()) return false;
    if (--object->ownerCount == 0) {
        object->owner = {};
        t.signal.notify_all();
    }
    return true;
}

bool CloseHandle(HANDLE handle) {
    std::shared_ptr<sync::Object> object;
    {
        sync::Table& t = sync::Objects();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(handle);
        if (it == t.objects.end()) return false;
        object = std::move(it->second);
        t.objects.erase(it);
        t.signal.notify_all();
    }
    // The reader thread is stopped outside the table's lock, which it takes to report.
    object->reader.reset();
    return true;
}

DWORD WaitForSingleObject(HANDLE object, DWORD timeoutMs) {
    return WaitForMultipleObjects(1, &object, false, timeoutMs);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) return WAIT_FAILED;
    // The window system's state installs the clock listener that wakes timed waits when
    // virtual time moves; make sure it stands before waiting on such time.
    if (timeoutMs != INFINITE) win::S();
    sync::Table& t = sync::Objects();
    std::unique_lock<std::recursive_mutex> lock(t.mutex);
    Clock& clock = CurrentClock();
    std::uint64_t deadline = timeoutMs == INFINITE ? UINT64_MAX : clock.NowMs() + timeoutMs;
    while (true) {
        std::vector<std::shared_ptr<sync::Object>> objects;
        for (DWORD i = 0; i < count; ++i) {
            auto it = t.objects.find(handles[i]);
            if (it == t.objects.end()) return WAIT_FAILED;  // closed or never made
            objects.push_back(it->second);
        }
        if (waitAll) {
            bool all = true;
            for (auto& o : objects) all = all && sync::IsReady(*o);
            if (all) {
                for (auto& o : objects) sync::Take(*o);
                return WAIT_OBJECT_0;
            }
        } else {
            for (DWORD i = 0; i < count; ++i) {
                if (sync::IsReady(*objects[i])) {
                    sync::Take(*objects[i]);
                    return WAIT_OBJECT_0 + i;
                }
            }
        }
        Clock& now = CurrentClock();
        if (deadline != UINT64_MAX && now.NowMs() >= deadline) return WAIT_TIMEOUT;
        now.WaitUntil(lock, t.signal, deadline);
    }
}

HANDLE FindFirstChangeNotification(const std::string& folder, bool watchSubtree, DWORD filter) {
    auto watch = FolderWatch::Start(folder, watchSubtree, filter);
    if (!watch) return INVALID_HANDLE_VALUE;
    auto object = std::make_shared<sync::Object>();
    object->kind = sync::Kind::Change;
    HANDLE handle = sync::Add(object);
    auto reader = std::make_unique<sync::ChangeReader>(std::move(watch), object);
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    object->reader = std::move(reader);
    return handle;
}

bool FindNextChangeNotification(HANDLE notification) {
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    auto object = sync::Find(notification, sync::Kind::Change);
    if (!object) return false;
    object->signalled = object->changes != object->seen;
    return true;
}

bool FindCloseChangeNotification(HANDLE notification) {
    {
        sync::Table& t = sync::Objects();
        std::lock_guard lock(t.mutex);
        if (!sync::Find(notification, sync::Kind::Change)) return false;
    }
    return CloseHandle(notification);
}

void WakeSynchronizationWaiters() {
    sync::Table& t = sync::Objects();
    std::lock_guard lock(t.mutex);
    t.signal.notify_all();
}

}  // namespace parch
