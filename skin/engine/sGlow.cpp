#include "skin/engine/sGlow.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gdi/Blits.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSkinManager.h"

namespace parch {

namespace {

constexpr std::intptr_t kGlowFormTag = -98;

// One shown glow: its window and the picture it was drawn from.
class TacGlowEffect {
public:
    TacGlowEffect(TsSkinManager& manager, int maskIndex, int margin)
        : manager_(manager), maskIndex_(maskIndex), margin_(margin) {}
    ~TacGlowEffect() { RestoreWindowProcedure(); }
    TacGlowEffect(const TacGlowEffect&) = delete;
    TacGlowEffect& operator=(const TacGlowEffect&) = delete;

    // False when the glow would have no area; nothing is shown then.
    bool Show(RECT r, RECT v, HWND ownerWindow);
    void RestoreWindowProcedure() {
        if (window_ != nullptr && savedProcedure_) window_->WindowProc = std::exchange(savedProcedure_, nullptr);
    }
    TForm* Window() const { return window_.get(); }

private:
    std::unique_ptr<TBitmap> PrepareAlphaBitmap(int width, int height);
    void CreateWindow();

    TsSkinManager& manager_;
    int maskIndex_;
    int margin_;
    std::unique_ptr<TForm> window_;
    TWndMethod savedProcedure_;
};

struct GlowEntry {
    int handle;
    std::unique_ptr<TacGlowEffect> effect;
};

std::vector<GlowEntry>& GlowList() {
    static std::vector<GlowEntry> list;
    return list;
}

int nextGlowHandle = 0;

std::unique_ptr<TBitmap> TacGlowEffect::PrepareAlphaBitmap(int width, int height) {
    auto bitmap = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<std::uint32_t*>(bitmap->ScanLine(y)), width, 0u);
    if (IsValidMaskIndex(manager_.Tables(), maskIndex_))
        DrawBordersMask(*bitmap, RECT{0, 0, width, height}, EmptyBackdrop,
                        manager_.Tables().Masks[static_cast<size_t>(maskIndex_)], 0, false);
    return bitmap;
}

void TacGlowEffect::CreateWindow() {
    window_ = std::make_unique<TForm>(nullptr);
    window_->Tag = kGlowFormTag;
    savedProcedure_ = window_->WindowProc;
    window_->WindowProc = [saved = savedProcedure_](TMessage& message) {
        // The glow never takes the mouse: points over it belong to the windows below.
        if (message.Msg == WM_NCHITTEST) {
            message.Result = HTTRANSPARENT;
            return;
        }
        saved(message);
    };
    window_->SetControlStyle(window_->ControlStyle() & ~csCaptureMouse);
    window_->SetBorderStyle(bsNone);
    window_->SetVisible(false);
}

bool TacGlowEffect::Show(RECT r, RECT v, HWND ownerWindow) {
    if (window_ != nullptr) return true;
    TsSkinTables& tables = manager_.Tables();
    int left = LeftBorderWidth(tables, maskIndex_);
    int top = TopBorderWidth(tables, maskIndex_);
    int right = RightBorderWidth(tables, maskIndex_);
    int bottom = BottomBorderWidth(tables, maskIndex_);
    int controlWidth = r.right - r.left;
    int controlHeight = r.bottom - r.top;
    int width = controlWidth + left + right - 2 * margin_;
    int height = controlHeight + top + bottom - 2 * margin_;

    int x0 = 0;
    int y0 = 0;
    if (v.right - v.left != controlWidth || v.bottom - v.top != controlHeight) {
        x0 = v.left != 0 ? left + v.left - margin_ : 0;
        y0 = v.top != 0 ? top + v.top - margin_ : 0;
        int rightCut = controlWidth == v.right ? 0
                       : x0 != 0               ? width - x0 - (v.right - v.left)
                                               : controlWidth + right - (v.right - v.left) - margin_;
        int bottomCut = controlHeight == v.bottom ? 0
                        : y0 != 0                 ? height - y0 - (v.bottom - v.top)
                                                  : controlHeight + bottom - (v.bottom - v.top) - margin_;
        width -= x0 + rightCut;
        height -= y0 + bottomCut;
    }
    if (width <= 0 || height <= 0) return false;

    std::unique_ptr<TBitmap> full = PrepareAlphaBitmap(width + x0, height + y0);
    auto picture = NewPf32Bitmap(width, height);
    BitBlt(picture->Canvas().Handle(), 0, 0, width, height, full->Canvas().Handle(), x0, y0, SRCCOPY);

    CreateWindow();
    window_->SetBounds(window_->Left(), window_->Top(), width, height);
    HWND glow = window_->Handle();
    HWND insertAfter = ownerWindow;
    bool ownerTopmost = ownerWindow != nullptr && (GetWindowLongPtr(ownerWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (ownerTopmost) {
        window_->SetFormStyle(fsStayOnTop);
        insertAfter = HWND_TOPMOST;
    } else if (ownerWindow != nullptr) {
        if (HWND above = GetWindow(ownerWindow, GW_HWNDPREV)) insertAfter = above;
    }
    if (insertAfter != nullptr)
        SetWindowPos(glow, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    SetWindowLongPtr(glow, GWL_EXSTYLE,
                     GetWindowLongPtr(glow, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW |
                         WS_EX_TRANSPARENT);
    SetWindowPos(glow, nullptr, r.left + x0 + margin_ - left, r.top + y0 + margin_ - top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SetLayeredWindowImage(glow, picture.get(), 255);
    ShowWindow(glow, SW_SHOWNOACTIVATE);
    return true;
}

}  // namespace

int ShowGlowEffect(RECT r, RECT v, const std::string& sectionName, TsSkinManager* manager, HWND ownerWindow,
                   int /*alpha*/, int margin, const std::string& maskProperty) {
    if (!LayeredWindowsAvailable()) return -1;
    if (manager == nullptr) manager = TsSkinManager::DefaultManager();
    if (manager == nullptr) return -1;
    int maskIndex = manager->FindOwnMaskIndex(sectionName, maskProperty + "0");
    if (maskIndex < 0) return -1;
    auto effect = std::make_unique<TacGlowEffect>(*manager, maskIndex, margin);
    if (!effect->Show(r, v, ownerWindow)) return -1;
    int handle = nextGlowHandle++;
    GlowList().push_back(GlowEntry{handle, std::move(effect)});
    return handle;
}

void RemoveGlowEffect(int handle) {
    if (handle < 0) return;
    std::vector<GlowEntry>& list = GlowList();
    auto found = std::find_if(list.begin(), list.end(), [handle](const GlowEntry& e) { return e.handle == handle; });
    if (found == list.end()) return;
    // Taken out of the list before it is freed: freeing a window may send messages that reach
    // the list again.
    std::unique_ptr<TacGlowEffect> effect = std::move(found->effect);
    list.erase(found);
}

void FreeAllGlowEffects(bool restoreWindowProcedures) {
    std::vector<GlowEntry> all = std::exchange(GlowList(), {});
    for (GlowEntry& entry : all)
        if (restoreWindowProcedures) entry.effect->RestoreWindowProcedure();
}

TForm* GlowWindow(int handle) {
    for (const GlowEntry& entry : GlowList())
        if (entry.handle == handle) return entry.effect->Window();
    return nullptr;
}

int GlowEffectCount() { return static_cast<int>(GlowList().size()); }

}  // namespace parch
