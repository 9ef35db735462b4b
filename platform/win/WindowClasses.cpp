#include "platform/win/WindowClasses.h"

#include <cstring>
#include <optional>

#include "platform/win/SystemClasses.h"
#include "platform/win/WinState.h"

namespace parch {

using namespace win;

namespace {

// "#32770" names atom 32770; anything else is an ordinary name.
std::optional<ATOM> IntegerAtomOf(const char* name) {
    if (name[0] != '#' || name[1] == 0) return std::nullopt;
    unsigned value = 0;
    for (const char* p = name + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value >= 0xC000) return std::nullopt;
    }
    if (value == 0) return std::nullopt;
    return static_cast<ATOM>(value);
}

bool ValidName(const char* name) {
    return name && (IS_INTRESOURCE(name) ? reinterpret_cast<std::uintptr_t>(name) != 0 : name[0] != 0);
}

}  // namespace

}  // namespace parch

namespace parch::win {

WindowClass* FindClass(const char* nameOrAtom) {
    if (!ValidName(nameOrAtom)) return nullptr;
    EnsureSystemClasses();
    State& s = S();
    if (IS_INTRESOURCE(nameOrAtom)) {
        auto atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(nameOrAtom));
        for (auto& c : s.classes)
            if (c->atom == atom) return c.get();
        return nullptr;
    }
    if (auto atom = IntegerAtomOf(nameOrAtom)) return FindClass(MAKEINTATOM(*atom));
    for (auto& c : s.classes)
        if (SameAsciiText(c->name, nameOrAtom)) return c.get();
    return nullptr;
}

}  // namespace parch::win

namespace parch {

ATOM RegisterClassEx(const WNDCLASSEX* wc) {
    if (!wc || !ValidName(wc->lpszClassName) || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 ||
        wc->cbClsExtra > 40000 || wc->cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = S();
    Lock lock(s.mutex);
    if (FindClass(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_unique<WindowClass>();
    if (IS_INTRESOURCE(wc->lpszClassName)) {
        c->atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(wc->lpszClassName));
        c->name = std::string("#").append(std::to_string(c->atom));
    } else if (auto atom = IntegerAtomOf(wc->lpszClassName)) {
        c->atom = *atom;
        c->name = std::string("#").append(std::to_string(*atom));
    } else {
        if (s.nextAtom == 0xFFFF) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        c->atom = s.nextAtom++;
        c->name = wc->lpszClassName;
    }
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->iconSmall = wc->hIconSm;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) c->menuName = wc->lpszMenuName;
    c->windowExtra = wc->cbWndExtra;
    c->classExtra.assign(static_cast<std::size_t>(wc->cbClsExtra), 0);
    ATOM atom = c->atom;
    s.classes.push_back(std::move(c));
    return atom;
}

BOOL UnregisterClass(const char* className, HINSTANCE) {
    State& s = S();
    Lock lock(s.mutex);
    WindowClass* c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return 0;
    }
    if (c->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return 0;
    }
    std::erase_if(s.classes, [&](const std::unique_ptr<WindowClass>& p) { return p.get() == c; });
    return 1;
}

BOOL GetClassInfoEx(HINSTANCE, const char* className, WNDCLASSEX* wc) {
    Lock lock(S().mutex);
    WindowClass* c = FindClass(className);
    if (!c || !wc) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return 0;
    }
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = static_cast<int>(c->classExtra.size());
    wc->cbWndExtra = c->windowExtra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hIconSm = c->iconSmall;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = c->menuName.empty() ? nullptr : c->menuName.c_str();
    wc->lpszClassName = c->name.c_str();
    return c->atom;
}

int GetClassName(HWND hwnd, char* buffer, int size) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w || !buffer || size <= 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::string name = w->isRoot ? (w == S().desktop ? "#32769" : "Message") : w->windowClass->name;
    std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

namespace {

// Reads or writes one value of the window's class; index >= 0 addresses the class extra bytes.
std::uintptr_t AccessClassLong(HWND hwnd, int index, const LONG_PTR* newValue) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WindowClass& c = *w->windowClass;
    auto swap = [&](auto& field) -> std::uintptr_t {
        auto old = reinterpret_cast<std::uintptr_t>(field);
        if (newValue) field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(*newValue);
        return old;
    };
    auto swapNumber = [&](UINT& field) -> std::uintptr_t {
        std::uintptr_t old = field;
        if (newValue) field = static_cast<UINT>(*newValue);
        return old;
    };
    switch (index) {
        case GCL_STYLE: return swapNumber(c.style);
        case GCLP_WNDPROC: return swap(c.proc);
        case GCLP_HCURSOR: return swap(c.cursor);
        case GCLP_HICON: return swap(c.icon);
        case GCLP_HICONSM: return swap(c.iconSmall);
        case GCLP_HBRBACKGROUND: return swap(c.background);
        case GCLP_HMODULE: return swap(c.instance);
        case GCW_ATOM: return c.atom;
        case GCL_CBWNDEXTRA: return static_cast<std::uintptr_t>(c.windowExtra);
        case GCL_CBCLSEXTRA: return c.classExtra.size();
        default: break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= c.classExtra.size()) {
        LONG_PTR old;
        std::memcpy(&old, c.classExtra.data() + index, sizeof old);
        if (newValue) std::memcpy(c.classExtra.data() + index, newValue, sizeof *newValue);
        return static_cast<std::uintptr_t>(old);
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

}  // namespace

std::uintptr_t GetClassLongPtr(HWND hwnd, int index) {
    return AccessClassLong(hwnd, index, nullptr);
}

std::uintptr_t SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
    return AccessClassLong(hwnd, index, &value);
}

}  // namespace parch
