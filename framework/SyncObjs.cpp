#include "framework/SyncObjs.h"

#include "platform/win/WinUser.h"

namespace parch {

THandleObject::~THandleObject() {
    if (handle_) CloseHandle(handle_);
}

TWaitResult THandleObject::WaitFor(DWORD timeoutMs) {
    switch (WaitForSingleObject(handle_, timeoutMs)) {
        case WAIT_OBJECT_0: return wrSignaled;
        case WAIT_TIMEOUT: return wrTimeout;
        case WAIT_ABANDONED_0: return wrAbandoned;
        default: lastError_ = static_cast<int>(GetLastError()); return wrError;
    }
}

namespace syncobjs {

HANDLE NewEvent(bool manualReset, bool initialState) {
    HANDLE event = CreateEvent(manualReset, initialState);
    if (!event) throw ESyncObjectException("Cannot create an event");
    return event;
}

}  // namespace syncobjs

TEvent::TEvent(bool manualReset, bool initialState) : THandleObject(syncobjs::NewEvent(manualReset, initialState)) {}

void TEvent::SetEvent() { parch::SetEvent(Handle()); }

void TEvent::ResetEvent() { parch::ResetEvent(Handle()); }

}  // namespace parch
