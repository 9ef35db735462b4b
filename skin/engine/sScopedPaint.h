#pragma once
// Scopes of the window painting calls the skinned controls make, ended also when painting
// throws.

#include "platform/gdi/DeviceContext.h"
#include "platform/win/Painting.h"

namespace parch {

// BeginPaint and EndPaint around a scope; nothing when not active.
class TsPaintScope {
public:
    TsPaintScope(HWND window, bool active) : window_(active ? window : nullptr) {
        if (window_ != nullptr) BeginPaint(window_, &paint_);
    }
    ~TsPaintScope() {
        if (window_ != nullptr) EndPaint(window_, &paint_);
    }
    TsPaintScope(const TsPaintScope&) = delete;
    TsPaintScope& operator=(const TsPaintScope&) = delete;

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// The given DC, or else the window's own DC taken for the time the scope lives; its state is
// saved and restored either way.
class TsWindowDCScope {
public:
    explicit TsWindowDCScope(HWND window, HDC given = nullptr)
        : window_(given == nullptr ? window : nullptr), dc_(given != nullptr ? given : GetWindowDC(window)) {
        if (dc_ != nullptr) saved_ = SaveDC(dc_);
    }
    ~TsWindowDCScope() {
        if (dc_ == nullptr) return;
        RestoreDC(dc_, saved_);
        if (window_ != nullptr) ReleaseDC(window_, dc_);
    }
    TsWindowDCScope(const TsWindowDCScope&) = delete;
    TsWindowDCScope& operator=(const TsWindowDCScope&) = delete;
    HDC Handle() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
    int saved_ = 0;
};

}  // namespace parch
