// TsCustomHintWindow: measuring, placing, composing and showing one hint.

#include <algorithm>
#include <cmath>
#include <utility>

#include "framework/MessageDialogs.h"
#include "framework/Screen.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Rects.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Layered.h"
#include "platform/win/WinApi.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sVclUtils.h"
#include "skin/frames/sHintManager.h"
#include "skin/frames/sHintPixels.h"
#include "skin/frames/sHtmlParse.h"

namespace parch {

namespace {

constexpr int kHintFadeSteps = 31;
constexpr int kHintFadeStepMs = 8;
// The background a skinned mask is painted on; what keeps it lies outside the hint.
constexpr TColor kHintSkinMaskKey = 0xFF00FE;
constexpr int kHintSkinTextPadding = 4;

using HintLayeredUpdateFunction = decltype(&UpdateLayeredWindow);

// The layered-window call, bound by name; null when the window system has none.
HintLayeredUpdateFunction BoundHintLayeredUpdate() {
    HMODULE user = GetModuleHandle("user32");
    return user ? GetProcAddressOf<std::remove_pointer_t<HintLayeredUpdateFunction>>(user, "UpdateLayeredWindow")
                : nullptr;
}

// The monitor's rectangle: the one screen here.
RECT HintMonitorRect() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int HintConstantAlpha(int transparency) {
    return static_cast<int>(std::lround((100 - std::clamp(transparency, 0, 100)) * 2.55));
}

}  // namespace

TsCustomHintWindow::TsCustomHintWindow(TComponent* owner) : THintWindow(owner) {}

TsCustomHintWindow::~TsCustomHintWindow() = default;

void TsCustomHintWindow::CreateParams(TCreateParams& params) {
    THintWindow::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);
    // The window needs no class bits of the platform's hint; 0x20 is kept as a private
    // marker of the skinned hint windows.
    params.Style |= 0x20;
}

bool TsCustomHintWindow::SkinUsed() const {
    TsHintManager* manager = TsHintManager::Current();
    return manager && manager->SkinUsed();
}

TsHintManager* TsCustomHintWindow::UnskinnedManager() const {
    TsHintManager* manager = TsHintManager::Current();
    return manager && !manager->SkinUsed() ? manager : nullptr;
}

int TsCustomHintWindow::ShadowSize() const {
    TsHintManager* manager = TsHintManager::Current();
    if (!manager || !manager->HintKind().ShadowEnabled()) return 0;
    return std::max(0, manager->HintKind().ShadowOffset);
}

POINT TsCustomHintWindow::TailPoint() const {
    bool right = corner_ >= 2;
    bool bottom = corner_ == 1 || corner_ == 3;
    return {right ? HintWidth() - 3 : 3, bottom ? HintHeight() - 3 : 3};
}

void TsCustomHintWindow::ResolveSkinSection(TsSkinManager* skin, const std::string& sectionName) {
    sectionIndex_ = GetSectionIndex(skin->Tables(), sectionName);
    std::string name = sectionName;
    if (sectionIndex_ < 0) {
        name = "EDIT";
        sectionIndex_ = GetSectionIndex(skin->Tables(), name);
    }
    maskIndex_ = sectionIndex_ >= 0 ? skin->FindOwnMaskIndex(name, "BORDERSMASK") : -1;
    textureIndex_ = sectionIndex_ >= 0 ? skin->GetTextureIndex(sectionIndex_, name, "PATTERN") : -1;
}

void TsCustomHintWindow::SkinBorderWidths(int& left, int& top, int& right, int& bottom) const {
    left = top = right = bottom = 0;
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    if (!skin || !IsValidMaskIndex(skin->Tables(), maskIndex_)) return;
    const TsMaskData& mask = skin->Tables().Masks[static_cast<size_t>(maskIndex_)];
    // A missing width is a third of a frame; a mask without frames or states gives 0.
    int side = MaskFrameWidth(mask) / 3;
    int band = MaskStateHeight(mask) / 3;
    left = mask.LeftWidth > 0 ? mask.LeftWidth : side;
    right = mask.RightWidth > 0 ? mask.RightWidth : side;
    top = mask.TopWidth > 0 ? mask.TopWidth : band;
    bottom = mask.BottomWidth > 0 ? mask.BottomWidth : band;
}

void TsCustomHintWindow::AddSkinBorders(RECT& r) const {
    int left, top, right, bottom;
    SkinBorderWidths(left, top, right, bottom);
    r.right += left + right + 2 * kHintSkinTextPadding;
    r.bottom += top + bottom + 2 * kHintSkinTextPadding;
}

RECT TsCustomHintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
    TsHintManager* manager = TsHintManager::Current();
    if (!manager) return THintWindow::CalcHintRect(maxWidth, hint);
    // The frame OnShowHint handed out is this window's from now on.
    if (TFrame* frame = std::exchange(PendingHintFrame(), nullptr)) frame_.reset(frame);
    TsHintKind& kind = manager->HintKind();
    bool skinUsed = manager->SkinUsed();
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    if (skinUsed && skin->Active()) ResolveSkinSection(skin, manager->SkinSection());
    extraWidth_ = extraHeight_ = 0;
    if (frame_) {
        RECT r{0, 0, frame_->Width(), frame_->Height()};
        r.right += ShadowSize();
        r.bottom += ShadowSize();
        return r;
    }
    RECT r{0, 0, kind.MaxWidth, 0};
    TBitmap& scratch = manager->ScratchBitmap();
    if (scratch.Width() < 1 || scratch.Height() < 1) scratch.SetSize(1, 1);
    scratch.Canvas().Font().Assign(skinUsed && Screen ? Screen->HintFont() : kind.Font());
    if (manager->HTMLMode) {
        TsHtml html;
        html.Init(&scratch, hint, r);
        r = html.Render();
    } else {
        DrawText(scratch.Canvas().Handle(), hint.c_str(), -1, &r,
                 DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    }
    TsHintStyle style = kind.Style();
    if ((style == hsEllipse || style == hsBalloon) && r.right < 50) r.right = 50;
    if (skinUsed) {
        AddSkinBorders(r);
    } else {
        r.right += 2 * (kind.MarginH + kind.BevelWidth);
        r.bottom += 2 * (kind.MarginV + kind.BevelWidth);
    }
    r.right += ShadowSize();
    r.bottom += ShadowSize();
    return r;
}

void TsCustomHintWindow::GetMousePosition(POINT& p) {
    TsHintManager* manager = TsHintManager::Current();
    POINT remembered = manager ? manager->HintPos() : POINT{-1, -1};
    if (remembered.x == -1) GetCursorPos(&p);
    else p = remembered;
}

RECT TsCustomHintWindow::PlaceAtPoint(const RECT& rect, POINT p) {
    TsHintManager& manager = *TsHintManager::Current();
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    RECT r{p.x, p.y, p.x + w, p.y + h};
    corner_ = manager.DefaultMousePos;
    if (corner_ == 1 || corner_ == 3) OffsetRect(&r, 0, -h);
    if (corner_ == 2 || corner_ == 3) OffsetRect(&r, -w, 0);
    RECT monitor = HintMonitorRect();
    bool simply = manager.HintKind().Style() == hsSimply;
    bool below = corner_ == 0 || corner_ == 2;
    bool right = corner_ == 0 || corner_ == 1;
    bool moved = false;
    if (r.bottom > monitor.bottom) {
        int top = simply ? monitor.bottom - h : p.y - h;
        OffsetRect(&r, 0, top - r.top);
        below = false;
        moved = true;
    }
    if (r.top < monitor.top) {
        OffsetRect(&r, 0, monitor.top - r.top);
        below = true;
        moved = true;
    }
    if (r.right > monitor.right) {
        right = false;
        int left = !simply && corner_ == 0 ? p.x - w : monitor.right - w;
        OffsetRect(&r, left - r.left, 0);
        moved = true;
    }
    if (r.left < monitor.left) {
        OffsetRect(&r, monitor.left - r.left, 0);
        right = true;
        moved = true;
    }
    if (moved) corner_ = below ? (right ? 0 : 2) : (right ? 1 : 3);
    return r;
}

void TsCustomHintWindow::ActivateHint(const RECT& rect, const std::string& hint) {
    TsHintManager* manager = TsHintManager::Current();
    if (!manager || manager->HintKind().Style() == hsNone) return;
    bool wasVisible = IsHintShowing();
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    if (manager->SkinUsed() && sectionIndex_ < 0) ResolveSkinSection(skin, manager->SkinSection());
    SetText(hint);
    POINT p = presetPos_;
    if (p.x == 0 || p.y == 0) GetMousePosition(p);
    RECT r = PlaceAtPoint(rect, p);
    size_ = SIZE{r.right - r.left, r.bottom - r.top};
    manager->ScratchBitmap().SetSize(std::max<LONG>(size_.cx, 1), std::max<LONG>(size_.cy, 1));
    if (LayeredWindowsAvailable() && BoundHintLayeredUpdate()) ShowLayered(r, wasVisible);
    else ShowOverScreenCopy(r);
    manager->SetHintPos({-1, manager->HintPos().y});
}

void TsCustomHintWindow::ShowLayered(const RECT& rect, bool wasVisible) {
    TsHintManager& manager = *TsHintManager::Current();
    HandleNeeded();
    SetBounds(rect.left, rect.top, size_.cx, size_.cy);
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, size_.cx, size_.cy, SWP_NOACTIVATE);
    std::unique_ptr<TBitmap> image = PrepareLayeredImage();
    SetWindowLongPtr(Handle(), GWL_EXSTYLE, GetWindowLongPtr(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
    HintLayeredUpdateFunction update = BoundHintLayeredUpdate();
    int transparency = std::clamp(manager.HintKind().Transparency, 0, 100);
    int finalAlpha = HintConstantAlpha(transparency);
    POINT origin{0, 0};
    POINT at{rect.left, rect.top};
    auto give = [&](int alpha) {
        BLENDFUNCTION blend;
        blend.BlendOp = AC_SRC_OVER;
        blend.SourceConstantAlpha = static_cast<BYTE>(std::clamp(alpha, 0, 255));
        blend.AlphaFormat = AC_SRC_ALPHA;
        update(Handle(), nullptr, &at, &size_, image->Canvas().Handle(), &origin, clNone, &blend, ULW_ALPHA);
    };
    give(finalAlpha);
    if (manager.Animated && !wasVisible) {
        give(0);
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_NOERASE);
        double step = static_cast<double>(finalAlpha) / kHintFadeSteps;
        double alpha = 0;
        for (int i = 0; i < kHintFadeSteps; ++i) {
            if (ComponentState() & csDestroying) break;
            alpha += step;
            give(static_cast<int>(std::lround(alpha)));
            Sleep(kHintFadeStepMs);
        }
    } else {
        give(finalAlpha);
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
}

void TsCustomHintWindow::ShowOverScreenCopy(const RECT& rect) {
    TsHintManager& manager = *TsHintManager::Current();
    HDC screen = GetDC(nullptr);
    if (!screen) {
        MessageDlg("GDI error (out of resources)", mtError, {mbOK}, 0);
        return;
    }
    if (!screenCopy_) screenCopy_ = std::make_unique<TBitmap>(0, 0, pf32bit);
    screenCopy_->SetSize(size_.cx, size_.cy);
    BitBlt(screenCopy_->Canvas().Handle(), 0, 0, size_.cx, size_.cy, screen, rect.left, rect.top, SRCCOPY);
    BitBlt(manager.ScratchBitmap().Canvas().Handle(), 0, 0, size_.cx, size_.cy, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    HandleNeeded();
    if (GetWindowLongPtr(Handle(), GWL_EXSTYLE) & WS_EX_LAYERED)
        SetWindowLongPtr(Handle(), GWL_EXSTYLE, GetWindowLongPtr(Handle(), GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    SetBounds(rect.left, rect.top, size_.cx, size_.cy);
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, size_.cx, size_.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate();
}

bool TsCustomHintWindow::SectionFullyTransparent() const {
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    if (!SkinUsed() || !skin || !IsValidSectionIndex(skin->Tables(), sectionIndex_)) return false;
    const TsGeneralData& section = skin->Tables().Sections[static_cast<size_t>(sectionIndex_)];
    return section.StateProps[0].Transparency == 100 && maskIndex_ >= 0;
}

std::unique_ptr<TBitmap> TsCustomHintWindow::PrepareLayeredImage() {
    TsHintManager& manager = *TsHintManager::Current();
    SetWindowRgn(Handle(), nullptr, 0);
    std::unique_ptr<TBitmap> mask = MakeMask();
    if (SkinUsed()) {
        HRGN region = RegionFromBitmap(*mask, 0xFFFFFFFFu);
        SetWindowRgn(Handle(), region, 0);
    }
    std::unique_ptr<TBitmap> body = MakeBody();
    if (SectionFullyTransparent()) {
        auto image = std::make_unique<TBitmap>(size_.cx, size_.cy, pf32bit);
        PremultiplyHintPixels(*image, *body);
        lastBody_ = std::move(body);
        return image;
    }
    TBitmap& scratch = manager.ScratchBitmap();
    FillBitmapRect32(scratch, {0, 0, scratch.Width(), scratch.Height()}, clWhite);
    PaintShadow(&scratch);
    auto image = std::make_unique<TBitmap>(size_.cx, size_.cy, pf32bit);
    ComposeHintImage(*image, *body, *mask, scratch);
    lastBody_ = std::move(body);
    return image;
}

void TsCustomHintWindow::Paint() {
    TsHintManager* manager = TsHintManager::Current();
    if (!manager) {
        THintWindow::Paint();  // no manager any more: the framework's look
        return;
    }
    if (GetWindowLongPtr(Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) return;  // the layered picture shows
    TBitmap& scratch = manager->ScratchBitmap();
    if (scratch.Width() != size_.cx || scratch.Height() != size_.cy) return;
    if (manager->HintKind().ShadowEnabled()) PaintShadow(&scratch);
    std::unique_ptr<TBitmap> body = MakeBody();
    std::unique_ptr<TBitmap> mask = MakeMask();
    MixByMaskBitmap(scratch, *body, *mask, {0, 0, size_.cx, size_.cy});
    BitBlt(Canvas().Handle(), 0, 0, size_.cx, size_.cy, scratch.Canvas().Handle(), 0, 0, SRCCOPY);
    lastBody_ = std::move(body);
}

void TsCustomHintWindow::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_NCPAINT:
        message.Result = 1;
        return;
    case SkinCommandMessage:
        if (HIWORD(message.WParam) == 19) message.LParam = 1;
        if (HIWORD(message.WParam) == 34) {
            auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
            if (request && lastBody_) {
                request->Kind = 2;
                request->X = request->Y = 0;
                request->Bmp = lastBody_.get();
            }
            return;
        }
        break;
    default:
        break;
    }
    THintWindow::Dispatch(message);
}

void TsCustomHintWindow::GetBody(RECT& rect) {
    rect = {0, 0, HintWidth() - ShadowSize(), HintHeight() - ShadowSize()};
}

std::unique_ptr<TBitmap> TsCustomHintWindow::MakeMask() {
    if (SkinUsed()) return MakeSkinnedMask();
    auto mask = std::make_unique<TBitmap>(HintWidth(), HintHeight(), pf32bit);
    FillBitmapRect32(*mask, {0, 0, HintWidth(), HintHeight()}, clBlack);
    return mask;
}

std::unique_ptr<TBitmap> TsCustomHintWindow::MakeBody() {
    if (SkinUsed()) return MakeSkinnedBody();
    auto body = std::make_unique<TBitmap>(HintWidth(), HintHeight(), pf32bit);
    RECT r;
    GetBody(r);
    PaintBackground(*body, r);
    PaintText(*body);
    PaintBorder(*body);
    return body;
}

void TsCustomHintWindow::PaintBackground(TBitmap& bitmap, const RECT& rect) {
    if (TsHintManager* manager = TsHintManager::Current()) manager->PaintBackground(bitmap, rect);
}

void TsCustomHintWindow::PaintBorder(TBitmap&) {}

void TsCustomHintWindow::PaintShadow(TBitmap*) {}

std::unique_ptr<TBitmap> TsCustomHintWindow::MakeSkinnedMask() {
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    auto mask = std::make_unique<TBitmap>(HintWidth(), HintHeight(), pf32bit);
    RECT all{0, 0, HintWidth(), HintHeight()};
    FillBitmapRect32(*mask, all, kHintSkinMaskKey);
    TsBackgroundSource backdrop;
    backdrop.Color = static_cast<std::uint32_t>(kHintSkinMaskKey);
    std::string name = TsHintManager::Current()->SkinSection();
    PaintSectionWithMask(sectionIndex_, maskIndex_, textureIndex_, -1, name, backdrop, 0, all, {0, 0}, *mask, skin);
    KeyToHintMask(*mask, static_cast<std::uint32_t>(kHintSkinMaskKey));
    return mask;
}

std::unique_ptr<TBitmap> TsCustomHintWindow::MakeSkinnedBody() {
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    auto body = std::make_unique<TBitmap>(HintWidth(), HintHeight(), pf32bit);
    RECT all{0, 0, HintWidth(), HintHeight()};
    int left, top, right, bottom;
    SkinBorderWidths(left, top, right, bottom);
    if (SectionFullyTransparent()) {
        const TsMaskData& mask = skin->Tables().Masks[static_cast<size_t>(maskIndex_)];
        TBitmap* source = MaskImage(mask);
        if (source) {
            RECT frame = mask.SourceRect;
            frame.right = frame.left + MaskFrameWidth(mask);
            frame.bottom = frame.top + MaskStateHeight(mask) * 2;
            std::unique_ptr<TBitmap> picture = SplitMaskedImage(*source, frame);
            if (picture) StretchHintKeepingCorners(*body, *picture, left, top, right, bottom);
        }
        PaintSkinnedText(*body, all);
        SetAlphaInRect(*body, {left - 1, top - 1, HintWidth() - right + 1, HintHeight() - bottom + 1}, 255, false);
        return body;
    }
    TsBackgroundSource backdrop;
    if (screenCopy_ && screenCopy_->Width() == HintWidth() && screenCopy_->Height() == HintHeight())
        backdrop = InitBackgroundSource(screenCopy_.get(), 0, 0);
    std::string name = TsHintManager::Current()->SkinSection();
    PaintSectionWithMask(sectionIndex_, maskIndex_, textureIndex_, -1, name, backdrop, 0, all, {0, 0}, *body, skin);
    PaintSkinnedText(*body, all);
    return body;
}

void TsCustomHintWindow::PaintText(TBitmap& bitmap) {
    RECT body;
    GetBody(body);
    if (SkinUsed()) PaintSkinnedText(bitmap, body);
    else PaintUnskinnedText(bitmap, body);
}

void TsCustomHintWindow::PaintSkinnedText(TBitmap& bitmap, const RECT& body) {
    TsHintManager& manager = *TsHintManager::Current();
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    int left, top, right, bottom;
    SkinBorderWidths(left, top, right, bottom);
    RECT r{body.left + left + kHintSkinTextPadding, body.top + top + kHintSkinTextPadding,
           body.right - right - kHintSkinTextPadding, body.bottom - bottom - kHintSkinTextPadding};
    TCanvas& canvas = bitmap.Canvas();
    if (Screen) canvas.Font().Assign(Screen->HintFont());
    if (manager.HTMLMode) {
        if (IsValidSectionIndex(skin->Tables(), sectionIndex_)) {
            const TsGeneralData& section = skin->Tables().Sections[static_cast<size_t>(sectionIndex_)];
            canvas.Font().SetColor(static_cast<TColor>(section.StateProps[0].FontColor));
        }
        canvas.Brush().SetStyle(bsClear);
        TsHtml html;
        html.Init(&bitmap, Text(), r);
        html.Render();
        SetAlphaInRect(bitmap, r, 255, false);
    } else {
        WriteSectionTextOnBitmap(bitmap, Text(), false, r, DT_WORDBREAK | DT_CENTER | DT_EXPANDTABS, sectionIndex_,
                                 false, skin);
    }
}

void TsCustomHintWindow::PaintUnskinnedText(TBitmap& bitmap, RECT body) {
    if (frame_) {
        PaintFrame(bitmap, body);
        return;
    }
    TsHintManager& manager = *TsHintManager::Current();
    TsHintKind& kind = manager.HintKind();
    body.left += kind.MarginH + kind.BevelWidth + extraWidth_ / 2;
    body.right -= kind.MarginH + kind.BevelWidth + extraWidth_ / 2;
    body.top += kind.MarginV + kind.BevelWidth + extraHeight_ / 2;
    body.bottom -= kind.MarginV + kind.BevelWidth + extraHeight_ / 2;
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().Assign(kind.Font());
    if (manager.HTMLMode) {
        TsHtml html;
        html.Init(&bitmap, Text(), body);
        html.Render();
    } else {
        DrawText(canvas.Handle(), Text().c_str(), -1, &body, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    }
}

void TsCustomHintWindow::PaintFrame(TBitmap& bitmap, const RECT& body) {
    // The frame is shown once, as a picture, then freed.
    std::unique_ptr<TFrame> frame = std::move(frame_);
    frame->SetVisible(false);
    frame->SetBounds(body.left, body.top, frame->Width(), frame->Height());
    frame->SetParent(this);
    frame->PaintTo(bitmap.Canvas().Handle(), body.left, body.top);
    frame->SetParent(nullptr);
}

}  // namespace parch
