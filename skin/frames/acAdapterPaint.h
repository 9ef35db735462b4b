#pragma once
// What the adapter families share for painting a window the library did not create: where the
// window lies in its parent, its face painted from a skin section into the skin data's cache
// over what lies behind it, the system's fonts, and the copy of the cache to the window.
#include <string>

#include "framework/graphics/Graphics.h"
#include "platform/win/WinUser.h"

namespace parch {

class TsCommonData;
class TsSkinManager;
class TBitmap;

struct TacWndGeometry {
    HWND parent = nullptr;
    RECT windowRect{};
    POINT posInParent{};
    SIZE size{};
    RECT parentRect{};
};

// The window's rectangle, its parent's, and its top-left in the parent's client coordinates.
TacWndGeometry GetWindowGeometry(HWND window);

// A font of the system's non-client metrics: 1 caption, 2 small caption, 3 menu, 4 status,
// 5 message. Null for any other kind or when the metrics cannot be read. The caller owns it.
HFONT CreateSystemFont(int kind);

// A font of the kind kept for the life of the object that paints with it, made once.
class TacSystemFont {
public:
    explicit TacSystemFont(int kind, bool underline = false);
    // Null when the system has no such font.
    TFont* Font() { return valid_ ? &font_ : nullptr; }

private:
    TFont font_;
    bool valid_ = false;
};

// Skin data of an adapter that has no control of its own: section and manager set, the cache
// made at once.
void InitAdapterSkinData(TsCommonData& data, TsSkinManager* manager, const std::string& section,
                         const char* defaultSection);

// Paints the window's face into the data's cache when its background changed: the section in
// the state over the parent's backdrop, or with plainFrame a window-coloured face framed in the
// skin's border colour. False while the parent's painting waits (the cache stays marked).
bool UpdateWndCache(TsCommonData& data, HWND window, bool plainFrame, int state = 0);

// The section's colours of the state: its background and its font colour.
TColor SectionColor(const TsCommonData& data, bool hot);
TColor SectionFontColor(const TsCommonData& data, bool hot);

// What lies behind the window laid over the rectangle R of the bitmap (R in window
// coordinates): the parent's backdrop picture at that place, else its colour.
void CopyParentBackdrop(TBitmap& bitmap, HWND window, RECT r);

// Copies the whole cache to the DC at (0, 0).
void CopyCacheToDC(TsCommonData& data, HDC dc);

// Blends every pixel of the cache (the key colour apart) 60 percent toward what lies behind
// the window: the look of a disabled control.
void FadeCacheToBackdrop(TsCommonData& data, HWND window);

// The text of the window (WM_GETTEXT), as UTF-8.
std::string ReadWindowText(HWND window);

}  // namespace parch
