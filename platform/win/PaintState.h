#pragma once
// What the painting layer keeps per window: the update region and the pending parts of a
// repaint, the window region, and for top-level windows the backing store and the layered
// attributes the compositor reads. Internal to platform/win; part of the window record.

#include <optional>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/RegionRects.h"

namespace parch::win {

// Owns a bitmap handle; frees it (once no context holds it) when dropped.
class OwnedBitmap {
public:
    OwnedBitmap() = default;
    explicit OwnedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~OwnedBitmap() { Reset(); }
    OwnedBitmap(OwnedBitmap&& other) noexcept : bitmap_(other.Release()) {}
    OwnedBitmap& operator=(OwnedBitmap&& other) noexcept {
        if (this != &other) {
            Reset();
            bitmap_ = other.Release();
        }
        return *this;
    }
    HBITMAP Get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }
    HBITMAP Release() {
        HBITMAP b = bitmap_;
        bitmap_ = nullptr;
        return b;
    }
    void Reset(HBITMAP bitmap = nullptr);

private:
    HBITMAP bitmap_ = nullptr;
};

struct LayeredState {
    DWORD attributeFlags = 0;  // LWA_ALPHA, LWA_COLORKEY from SetLayeredWindowAttributes
    BYTE alpha = 255;
    COLORREF key = 0;
    // UpdateLayeredWindow: the premultiplied picture shown in place of the painted one.
    OwnedBitmap picture;
    DWORD pictureFlags = 0;  // ULW_ALPHA, ULW_COLORKEY, ULW_OPAQUE
    BYTE pictureAlpha = 255;
    COLORREF pictureKey = 0;
    bool HasPicture() const { return picture.Get() != nullptr; }
    // A layered window shows nothing until one of the two calls has given it a look.
    bool Defined() const { return attributeFlags != 0 || HasPicture(); }
};

struct WindowPaint {
    RegionRects update;  // window coordinates (origin: the window's top-left corner)
    bool erase = false;  // WM_ERASEBKGND due with the next BeginPaint
    bool eraseRefused = false;  // WM_ERASEBKGND answered 0: BeginPaint reports fErase
    bool internalPaint = false;
    bool frozen = false;  // WM_SETREDRAW FALSE took WS_VISIBLE away
    unsigned validations = 0;  // counts BeginPaint and validations, to see a WM_PAINT ignored
    std::optional<RegionRects> region;  // SetWindowRgn, window coordinates

    // Top-level windows only.
    OwnedBitmap store;     // the window as last painted, window coordinates
    bool onScreen = false;  // shown by the window system (WS_VISIBLE may be off while frozen)
    LayeredState layered;

    bool Dirty() const { return !update.Empty() || internalPaint; }
};

}  // namespace parch::win
