#include "platform/win/WindowLong.h"

#include <cstring>

#include "platform/win/Messages.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowTree.h"

namespace parch {

using namespace win;

namespace {

LONG_PTR SetStyle(HWND hwnd, int index, DWORD value) {
    STYLESTRUCT change;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return 0;
        change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
    }
    // The topmost state belongs to the z-order; it is changed with SetWindowPos only.
    if (index == GWL_EXSTYLE) value = (value & ~WS_EX_TOPMOST) | (change.styleOld & WS_EX_TOPMOST);
    change.styleNew = value;
    if (change.styleNew == change.styleOld) return change.styleOld;
    SendMessage(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return 0;
        if (index == GWL_STYLE) w->style = change.styleNew;
        else {
            w->exStyle = (change.styleNew & ~WS_EX_TOPMOST) | (change.styleOld & WS_EX_TOPMOST);
            LayeredStyleChanged(w, change.styleOld);
        }
    }
    SendMessage(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    return change.styleOld;
}

LONG_PTR SetOwner(HWND hwnd, LONG_PTR value) {
    auto newOwner = reinterpret_cast<HWND>(value);
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    if (w->style & WS_CHILD) {
        lock.unlock();
        return reinterpret_cast<LONG_PTR>(SetParent(hwnd, newOwner));
    }
    Window* owner = newOwner ? FindLive(newOwner) : nullptr;
    if (newOwner && (!owner || owner == w)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto old = reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
    w->owner = owner ? TopLevelOf(owner) : nullptr;
    return old;
}

// The extra bytes of the window at index (lock held); null when out of range.
std::uint8_t* ExtraAt(Window* w, int index) {
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return nullptr;
    return w->extra.data() + index;
}

}  // namespace

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
        case GWL_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent->handle
                                              : w->owner              ? w->owner->handle
                                                                      : nullptr);
        case GWL_ID: return w->id;
        case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
        case GWL_USERDATA: return w->userData;
        default: break;
    }
    if (std::uint8_t* at = ExtraAt(w, index)) {
        LONG_PTR value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        LRESULT result = 0;
        if (!CallOnWindowThread(hwnd, [=] { return SetStyle(hwnd, index, static_cast<DWORD>(value)); }, result)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        return result;
    }
    if (index == GWL_HWNDPARENT) return SetOwner(hwnd, value);
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto swap = [&](auto& field, auto newValue) {
        auto old = field;
        field = newValue;
        return old;
    };
    switch (index) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(swap(w->proc, reinterpret_cast<WNDPROC>(value)));
        case GWL_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(swap(w->instance, reinterpret_cast<HINSTANCE>(value)));
        case GWL_ID: return swap(w->id, value);
        case GWL_USERDATA: return swap(w->userData, value);
        default: break;
    }
    if (std::uint8_t* at = ExtraAt(w, index)) {
        LONG_PTR old;
        std::memcpy(&old, at, sizeof old);
        std::memcpy(at, &value, sizeof value);
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

BOOL SetProp(HWND hwnd, const char* name, void* data) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !name) return 0;
    for (auto& [key, value] : w->props)
        if (SameAsciiText(key, name)) {
            value = reinterpret_cast<std::uintptr_t>(data);
            return 1;
        }
    w->props.emplace_back(name, reinterpret_cast<std::uintptr_t>(data));
    return 1;
}

void* GetProp(HWND hwnd, const char* name) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !name) return nullptr;
    for (auto& [key, value] : w->props)
        if (SameAsciiText(key, name)) return reinterpret_cast<void*>(value);
    return nullptr;
}

void* RemoveProp(HWND hwnd, const char* name) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !name) return nullptr;
    for (auto it = w->props.begin(); it != w->props.end(); ++it)
        if (SameAsciiText(it->first, name)) {
            auto* data = reinterpret_cast<void*>(it->second);
            w->props.erase(it);
            return data;
        }
    return nullptr;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? 1 : 0;
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) {
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace parch
