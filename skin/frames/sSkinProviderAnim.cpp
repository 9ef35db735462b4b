// Title-button hover animation: the button's picture in its new state fades in over the button
// in a small click-through layered window, and out again when the mouse leaves.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

constexpr std::intptr_t kAnimFormTag = -98;  // the creation hook leaves helper forms alone
constexpr int kHoverSteps = 10;

// The borderless window that shows the button's picture: never active, never hit by the mouse.
class TacButtonAnimForm : public TForm {
public:
    explicit TacButtonAnimForm(bool topmost) : TForm(nullptr), topmost_(topmost) {
        Tag = kAnimFormTag;
        SetBorderStyle(bsNone);
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TForm::CreateParams(params);
        params.ExStyle |= WS_EX_NOACTIVATE | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW;
        if (topmost_) params.ExStyle |= WS_EX_TOPMOST;
    }

private:
    bool topmost_;
};

bool AnimIsCaptionButton(int code) { return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE; }

void AnimCopyPixels(TBitmap& dst, TBitmap& src, int srcX, int srcY) {
    for (int y = 0; y < dst.Height(); ++y) {
        auto* d = reinterpret_cast<std::uint32_t*>(dst.ScanLine(y));
        int sy = srcY + y;
        if (sy < 0 || sy >= src.Height()) continue;
        const auto* s = reinterpret_cast<const std::uint32_t*>(src.ScanLine(sy));
        for (int x = 0; x < dst.Width(); ++x) {
            int sx = srcX + x;
            if (sx >= 0 && sx < src.Width()) d[x] = s[sx];
        }
    }
}

}  // namespace

TacSBAnimation::TacSBAnimation(TsSkinProvider& provider, TsTitleButtonRecord& button, int steps)
    : TTimer(nullptr), provider_(provider), button_(button) {
    SetEnabled(false);
    SetInterval(kInterval);
    // The framework timer runs only with a handler; the ticks go to Timer().
    SetOnTimer([](TObject*) {});
    FadeSteps = steps;
    if (provider.ProvidedForm()->HandleAllocated()) Wnd = provider.ProvidedForm()->Handle();
}

TacSBAnimation::~TacSBAnimation() {
    SetEnabled(false);
    FreePicture();
}

int TacSBAnimation::StepAlpha() const { return FadeSteps > 0 ? std::max(255 / FadeSteps, 0) : 0; }

void TacSBAnimation::FreePicture() {
    glowForm_.reset();
    stateBitmap_.reset();
}

void TacSBAnimation::SetState(int newState, bool up) {
    if (newState == State) return;
    State = newState;
    if (newState != 0) {
        if (newState == 2) FreePicture();  // the pressed picture is another image frame
        Step = 1;
        Up = up;
        ShowFrame(std::min(StepAlpha(), 255));
        Step = 2;
    } else {
        Up = false;
        Step = std::max(0, Step - 1);
        ShowFrame(std::min(StepAlpha() * Step, 255));
    }
    SetEnabled(FadeSteps > 1);
}

void TacSBAnimation::Retarget(int newState, int steps) {
    if (newState == 0 && (State == 0 || State == -1)) return;
    FadeSteps = steps;
    if (newState == 0) {
        // Fades out from where the fade-in got to, with the picture it shows.
        State = 0;
        Up = false;
        SetEnabled(true);
        return;
    }
    if (newState != State) FreePicture();
    if (State == -1) Step = 0;
    State = newState;
    Up = true;
    if (newState == 2) {
        Step = steps;
        ShowFrame(255);
    }
    SetEnabled(true);
}

void TacSBAnimation::Timer() {
    if (Up) {
        if (FadeSteps > 0 && Step < FadeSteps) {
            ShowFrame(std::min(StepAlpha() * Step, 255));
            ++Step;
            return;
        }
        if (FadeSteps != -1) {
            ShowFrame(255);
            FadeSteps = -1;
        }
        CheckMouseLeave();
        return;
    }
    if (Step > 0) {
        ShowFrame(std::min(StepAlpha() * Step, 255));
        --Step;
        return;
    }
    State = -1;
    SetEnabled(false);
    FreePicture();
}

int TacSBAnimation::GlowImageIndex() const {
    TsSkinManager* manager = provider_.SkinData().GetSkinManager();
    if (!manager || !IsValidMaskIndex(manager->Tables(), button_.ImageIndex)) return -1;
    const std::string& name = manager->Tables().Masks[static_cast<size_t>(button_.ImageIndex)].KeyName;
    int index = FindOwnMaskIndex(manager->Tables(), "GLOBALINFO", name + "GLOW0");
    return IsValidMaskIndex(manager->Tables(), index) ? index : -1;
}

int TacSBAnimation::GlowMargin() const {
    TsSkinManager* manager = provider_.SkinData().GetSkinManager();
    if (!manager || !manager->Effects.AllowGlowing || State != 1) return 0;
    const TsSkinData& skin = manager->SkinData();
    switch (button_.HitCode) {
        case HTMINBUTTON: return skin.BIconMinGlowMargin;
        case HTMAXBUTTON: return skin.BIconMaxGlowMargin;
        case HTCLOSE: return skin.BIconCloseGlowMargin;
        default: return 0;
    }
}

RECT TacSBAnimation::GetAnimRect() const {
    RECT window{};
    if (Wnd) GetWindowRect(Wnd, &window);
    RECT rect{window.left + button_.Rect.left, window.top + button_.Rect.top, 0, 0};
    int width = button_.Rect.right - button_.Rect.left;
    int height = button_.Rect.bottom - button_.Rect.top;
    // A fading-out glow stays where it was shown.
    int margin = stateBitmap_ ? shownMargin_ : GlowMargin();
    int glow = margin > 0 ? GlowImageIndex() : -1;
    if (glow >= 0) {
        // The glow is centred on the button (for a glow margin wide on every side this is the
        // margin itself; skins whose glow picture is wider keep it centred too).
        const TsMaskData& mask = provider_.SkinData().GetSkinManager()->Tables().Masks[static_cast<size_t>(glow)];
        int glowWidth = MaskFrameWidth(mask);
        int glowHeight = MaskStateHeight(mask);
        rect.left -= (glowWidth - width) / 2;
        rect.top -= (glowHeight - height) / 2;
        width = glowWidth;
        height = glowHeight;
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return rect;
}

void TacSBAnimation::PrepareBitmap() {
    if (State == 0 && stateBitmap_) return;
    TsSkinManager* manager = provider_.SkinData().GetSkinManager();
    if (!manager) return;
    const TsSkinTables& tables = manager->Tables();
    RECT r = GetAnimRect();
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    int image = button_.ImageIndex;
    TCustomForm& form = *provider_.ProvidedForm();
    if (button_.HitCode == HTMINBUTTON && form.WindowState() == wsMinimized)
        image = manager->GetMaskIndex(manager->ConstData().GlobalInfo, "GLOBALINFO", "BICONNORM");
    int glow = -1;
    if (manager->Effects.AllowGlowing && State == 1 && AnimIsCaptionButton(button_.HitCode)) glow = GlowImageIndex();

    if (!stateBitmap_) {
        stateBitmap_ = NewPf32Bitmap(width, height);
        shownMargin_ = GlowMargin();
    }
    TBitmap& picture = *stateBitmap_;
    if (glow >= 0 && tables.Masks[static_cast<size_t>(glow)].Picture) {
        const TsMaskData& mask = tables.Masks[static_cast<size_t>(glow)];
        AnimCopyPixels(picture, *mask.Picture, mask.SourceRect.left, mask.SourceRect.top);
        return;
    }
    for (int y = 0; y < picture.Height(); ++y) std::memset(picture.ScanLine(y), 0, static_cast<size_t>(picture.Width()) * 4);
    // The clean title under the button, so the button's soft edges mix with it.
    TBitmap* behind = provider_.TitleBackground();
    if (!behind) behind = provider_.SkinData().CacheBitmap.get();
    if (behind) AnimCopyPixels(picture, *behind, button_.Rect.left, button_.Rect.top);
    int state = std::max(State, 0);
    if (IsValidMaskIndex(tables, image)) {
        TsBackgroundSource backdrop{behind, button_.Rect.left, button_.Rect.top, TransparentKey, behind != nullptr};
        DrawMaskGlyph(picture, POINT{0, 0}, state, 1, tables.Masks[static_cast<size_t>(image)], backdrop);
    }
    if (button_.HitCode >= kUserTitleButtonHitBase) {
        int index = button_.HitCode - kUserTitleButtonHitBase;
        TsTitleButtons& users = provider_.TitleButtons();
        if (index < users.Count())
            DrawTitleButtonGlyph(picture, users.Items(index), RECT{0, 0, width, height}, state == 2);
    }
}

void TacSBAnimation::CreateAnimForm() {
    if (glowForm_) return;
    bool topmost = provider_.ProvidedForm()->FormStyle() == fsStayOnTop;
    glowForm_ = std::make_unique<TacButtonAnimForm>(topmost);
    glowForm_->SetVisible(false);
}

void TacSBAnimation::ShowFrame(int alpha) {
    if (!Wnd) return;
    PrepareBitmap();
    CreateAnimForm();
    if (!stateBitmap_ || !glowForm_) return;
    RECT r = GetAnimRect();
    int dx = stateBitmap_->Width() - (r.right - r.left);
    int dy = stateBitmap_->Height() - (r.bottom - r.top);
    if (dx != 0) {
        r.left -= dx / 2;
        r.top -= dy / 2;
    }
    HWND window = glowForm_->Handle();
    HWND insertAfter = (GetWindowLongPtr(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : GetWindow(Wnd, GW_HWNDPREV);
    if (insertAfter == window) insertAfter = nullptr;  // already right above the form
    glowForm_->SetBounds(r.left, r.top, stateBitmap_->Width(), stateBitmap_->Height());
    if (insertAfter)
        SetWindowPos(window, insertAfter, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SetWindowLongPtr(window, GWL_EXSTYLE,
                     GetWindowLongPtr(window, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    POINT position{r.left, r.top};
    SetLayeredWindowImage(window, stateBitmap_.get(), static_cast<BYTE>(std::clamp(alpha, 0, 255)), &position);
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNOACTIVATE);
}

void TacSBAnimation::CheckMouseLeave() {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT window{};
    GetWindowRect(Wnd, &window);
    POINT local{cursor.x - window.left, cursor.y - window.top};
    const RECT& b = button_.Rect;
    if (local.x >= b.left && local.x < b.right && local.y >= b.top && local.y < b.bottom) return;
    SetEnabled(false);
    SendMessage(Wnd, WM_MOUSELEAVE, 0, 0);
}

// ---- The provider's side

bool TsSkinProvider::AnimatesButtons() const {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !manager->Effects.AllowGlowing || !LayeredWindowsAvailable()) return false;
    if (!form_->HandleAllocated() || form_->FormStyle() == fsMDIChild) return false;
    return !(GetWindowLongPtr(form_->Handle(), GWL_STYLE) & WS_CHILD);
}

void TsSkinProvider::AnimateButtonState(TsTitleButtonRecord& button, int state, int steps) {
    if (button.Animation) {
        button.Animation->Retarget(state, steps);
        return;
    }
    if (state == 0) return;  // nothing shown, nothing to fade out
    button.Animation = std::make_unique<TacSBAnimation>(*this, button, steps);
    button.Animation->SetState(state, true);
}

void TsSkinProvider::RepaintButton(int code) {
    TsTitleButtonRecord* button = ButtonByCode(code);
    if (!button || !form_->HandleAllocated() || !IsSkinnedNow()) return;
    if (!AnimatesButtons()) {
        RepaintButtons();
        return;
    }
    bool hadAnimation = button->Animation != nullptr;
    AnimateButtonState(*button, button->State, button->State == 2 ? 1 : kHoverSteps);
    // The frame under a newly animated button goes back to the normal look.
    if (!hadAnimation && button->Animation) RepaintButtons();
}

void TsSkinProvider::StopButtonAnimations() {
    bool any = false;
    for (auto* button : {&buttons_.Close, &buttons_.Max, &buttons_.Min, &buttons_.Help}) {
        any = any || button->Animation;
        button->Animation.reset();
    }
    for (int i = 0; i < titleButtons_.Count(); ++i) {
        any = any || titleButtons_.Items(i).Button.Animation;
        titleButtons_.Items(i).Button.Animation.reset();
    }
    if (any) skinData_->BackgroundDirty = true;
}

}  // namespace parch
