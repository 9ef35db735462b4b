#pragma once
// Kernel-style waitable objects: events, mutexes and folder change notifications, and the
// waits on them. Time-outs run on the window system's clock (Clock.h), so headless tests wait
// on virtual time; that is why these live here and not beside the inotify reading in
// platform/os.

#include <string>

#include "platform/os/FolderWatch.h"
#include "platform/os/OsTypes.h"
#include "platform/win/Messages.h"

namespace parch {

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

HANDLE CreateEvent(bool manualReset, bool initialState);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);
// A mutex owned by the creating thread when initialOwner; owners may take it again (counted).
HANDLE CreateMutex(bool initialOwner);
bool ReleaseMutex(HANDLE mutex);
bool CloseHandle(HANDLE object);

DWORD WaitForSingleObject(HANDLE object, DWORD timeoutMs);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, bool waitAll, DWORD timeoutMs);

// A handle signalled when the folder changes (see FolderWatch); INVALID_HANDLE_VALUE when the
// folder cannot be watched. It stays signalled until FindNextChangeNotification re-arms it,
// which keeps changes that came after the wait ended.
HANDLE FindFirstChangeNotification(const std::string& folder, bool watchSubtree, DWORD filter);
bool FindNextChangeNotification(HANDLE notification);
bool FindCloseChangeNotification(HANDLE notification);

// Wakes waiters so they look at the clock again (the clock's listener calls this).
void WakeSynchronizationWaiters();

}  // namespace parch
