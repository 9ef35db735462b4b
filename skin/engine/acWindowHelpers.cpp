#include "skin/engine/acWindowHelpers.h"

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "platform/gdi/Blits.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Layered.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"

namespace parch {

namespace {

constexpr const char* kDesktopManagerLibrary = "dwmapi";
constexpr COLORREF kNoColourKey = 0x1FFFFFFF;
constexpr std::intptr_t kHelperFormTag = -98;

using DwmIsCompositionEnabledFunction = HRESULT(BOOL*);
using DwmSetWindowAttributeFunction = HRESULT(HWND, DWORD, const void*, DWORD);
using DwmInvalidateIconicBitmapsFunction = HRESULT(HWND);

template <class Function>
Function* DesktopManagerFunction(const char* name) {
    HMODULE library = GetModuleHandle(kDesktopManagerLibrary);
    if (library == nullptr) library = LoadLibrary(kDesktopManagerLibrary);
    return library != nullptr ? GetProcAddressOf<Function>(library, name) : nullptr;
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// The cover: a borderless, non-activating tool window.
class TacCoverForm : public TForm {
public:
    TacCoverForm() : TForm(nullptr) {
        Tag = kHelperFormTag;
        SetBorderStyle(bsNone);
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TForm::CreateParams(params);
        params.ExStyle |= WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    }
};

}  // namespace

bool LayeredWindowsAvailable() { return true; }

bool IsCompositionEnabled() {
    auto* query = DesktopManagerFunction<DwmIsCompositionEnabledFunction>("DwmIsCompositionEnabled");
    BOOL enabled = 0;
    return query != nullptr && query(&enabled) == S_OK && enabled != 0;
}

HRESULT CallDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size) {
    auto* set = DesktopManagerFunction<DwmSetWindowAttributeFunction>("DwmSetWindowAttribute");
    return set != nullptr ? set(window, attribute, value, size) : E_NOTIMPL;
}

void InvalidateIconicBitmaps(HWND window) {
    if (auto* invalidate = DesktopManagerFunction<DwmInvalidateIconicBitmapsFunction>("DwmInvalidateIconicBitmaps"))
        invalidate(window);
}

std::string GetWindowClassName(HWND window) {
    char name[129] = {};
    int length = GetClassName(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

void SetLayeredWindowImage(HWND window, TBitmap* picture, BYTE alpha, const POINT* position) {
    std::unique_ptr<TBitmap> blank;
    if (picture == nullptr) {
        RECT rect = WindowRectOf(window);
        blank = std::make_unique<TBitmap>(rect.right - rect.left, rect.bottom - rect.top, pf32bit);
        picture = blank.get();
    }
    LONG_PTR exStyle = GetWindowLongPtr(window, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtr(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SIZE size{picture->Width(), picture->Height()};
    POINT origin{0, 0};
    BLENDFUNCTION blend;
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = alpha;
    blend.AlphaFormat = AC_SRC_ALPHA;
    UpdateLayeredWindow(window, nullptr, position, &size, picture->Canvas().Handle(), &origin, kNoColourKey, &blend,
                        ULW_ALPHA);
}

bool SetWindowAnimLayered(HWND window, bool on) {
    LONG_PTR exStyle = GetWindowLongPtr(window, GWL_EXSTYLE);
    if (on && LayeredWindowsAvailable()) {
        if ((exStyle & WS_EX_LAYERED) != 0) return false;
        SetWindowLongPtr(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(window, kNoColourKey, 1, LWA_ALPHA);
        return true;
    }
    SetWindowLongPtr(window, GWL_STYLE, GetWindowLongPtr(window, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE));
    SetWindowLongPtr(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    return false;
}

std::unique_ptr<TForm> CreateCoverForm(HWND window) {
    RECT rect = WindowRectOf(window);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    auto cover = std::make_unique<TacCoverForm>();
    cover->SetBounds(rect.left, rect.top, width, height);
    TBitmap picture(width, height, pf32bit);
    HDC windowDC = GetWindowDC(window);
    BitBlt(picture.Canvas().Handle(), 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDC);
    for (int y = 0; y < height; ++y) {
        BYTE* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) row[x * 4 + 3] = 255;
    }
    SetLayeredWindowImage(cover->Handle(), &picture, 255);
    SetWindowPos(cover->Handle(), HWND_TOPMOST, rect.left, rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    return cover;
}

}  // namespace parch
