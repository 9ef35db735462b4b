#include "skin/controls/sStatusBar.h"

#include <algorithm>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/Painting.h"
#include "platform/win/StatusBarClass.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

constexpr int kStatusBarKind = 151;

RECT InsetRect(RECT r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// The status bar's own DC state, as the caller gave it, comes back when this goes.
class TsSavedDCState {
public:
    explicit TsSavedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TsSavedDCState() { RestoreDC(dc_, saved_); }
    TsSavedDCState(const TsSavedDCState&) = delete;
    TsSavedDCState& operator=(const TsSavedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace

TsStatusBar::TsStatusBar(TComponent* owner) : TsSkinnedControl(owner, kStatusBarKind, true) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    AfterConstruction();
}

int TsStatusBar::PanelLeft(int index) {
    int left = 0;
    for (int i = 0; i < index && i < Panels().Count(); ++i) left += Panels().Items(i)->Width();
    return left;
}

// ----- the cache -----

bool TsStatusBar::NeedsRepaint() {
    TsCommonData& data = SkinData();
    return data.BackgroundDirty || data.PartlyVisible ||
           (Parent() != nullptr && SendSkinQuery(Parent(), scIsPartlyOutside) != 0);
}

void TsStatusBar::UpdatePartlyVisible() {
    TsCommonData& data = SkinData();
    if (Parent() == nullptr) {
        data.PartlyVisible = false;
        return;
    }
    // A point on the right or bottom edge of the parent's client area lies outside it.
    RECT client = Parent()->ClientRect();
    auto inside = [&](int x, int y) { return x >= client.left && y >= client.top && x < client.right && y < client.bottom; };
    data.PartlyVisible = !(inside(Left(), Top()) && inside(Left() + Width(), Top() + Height()));
}

void TsStatusBar::PrepareCache() {
    TsCommonData& data = SkinData();
    const bool repaint = NeedsRepaint();
    UpdatePartlyVisible();
    if (!repaint || data.PaintUrgent) return;
    TsBackgroundSource backdrop = data.GetParentBackground();
    data.PrepareCacheBitmap();
    PaintControlFace(data, backdrop, 0, RECT{0, 0, Width(), Height()}, POINT{Left(), Top()}, *data.CacheBitmap, true);
    PaintPanels();
    if (SizeGrip()) PaintSizeGrip();
    data.BackgroundDirty = false;
}

void TsStatusBar::PaintPanels() {
    const int usable = SizeGrip() ? Width() - kGripRoom : Width();
    const int count = Panels().Count();
    if (SimplePanel() || count == 0) {
        PaintPanel(nullptr, SimpleText(), RECT{0, 1, usable - 1, Height() - 1}, true);
        return;
    }
    for (int i = 0; i < count; ++i) {
        TStatusPanel* panel = Panels().Items(i);
        const int left = PanelLeft(i);
        const int right = i == count - 1 ? usable : left + panel->Width();
        DrawPanel(panel, RECT{left, 0, right, Height()});
    }
}

void TsStatusBar::DrawPanel(TStatusPanel* panel, const RECT& rect) {
    if (!SkinData().IsSkinned()) {
        TStatusBar::DrawPanel(panel, rect);
        return;
    }
    const bool last = panel == nullptr || panel->Index() == Panels().Count() - 1;
    PaintPanel(panel, std::string(), InsetRect(rect, 1), last);
}

void TsStatusBar::PaintPanel(TStatusPanel* panel, const std::string& text, RECT r, bool last) {
    TsCommonData& data = SkinData();
    TsSkinManager* manager = data.GetSkinManager();
    RECT t = InsetRect(r, 1);
    if (manager != nullptr && IsValidSectionIndex(manager->Tables(), data.SectionIndex)) {
        const int maskIndex = manager->GetMaskIndex(data.SectionIndex, data.SkinSection(), "STATUSPANELMASK");
        if (IsValidMaskIndex(manager->Tables(), maskIndex)) {
            RECT where = panel == nullptr ? RECT{0, 0, Width(), Height()} : r;
            DrawBordersMask(*data.CacheBitmap, where, EmptyBackdrop,
                            manager->Tables().Masks[static_cast<size_t>(maskIndex)], 0, false);
        } else if (!last) {
            PaintDivider(r);
        }
    }
    if (panel != nullptr && panel->Style() == psOwnerDraw && OnDrawPanel) {
        RunOwnerDraw(panel, r);
        return;
    }
    t.bottom -= 1;
    t.left += 2;
    t.right -= 4;
    const std::string& shown = panel != nullptr ? panel->Text() : text;
    const TAlignment alignment = panel != nullptr ? panel->Alignment() : taLeftJustify;
    WritePanelText(shown, t, TextAlignFlags(*this, alignment) | DT_END_ELLIPSIS);
}

void TsStatusBar::PaintDivider(RECT r) {
    TsSkinManager* manager = SkinData().GetSkinManager();
    const TsSkinTables& tables = manager->Tables();
    const int section = GetSectionIndex(manager, "DIVIDER");
    if (!IsValidSectionIndex(tables, section)) return;
    const int mask = manager->GetMaskIndex(section, "DIVIDER", "BORDERSMASK");
    if (!IsValidMaskIndex(tables, mask)) return;
    const TsMaskData& divider = tables.Masks[static_cast<size_t>(mask)];
    const int width = std::max(2, divider.LeftWidth + divider.RightWidth);
    const int height = Height() - 2;
    if (height <= 0) return;
    TBitmap& cache = *SkinData().CacheBitmap;
    const int x = r.right - width / 2 - 1;
    auto bitmap = NewPf32Bitmap(width, height);
    PaintSkinSection(section, "DIVIDER", InitBackgroundSource(&cache, x, 1), 0, RECT{0, 0, width, height}, POINT{0, 0},
                     *bitmap, manager);
    BitBlt(cache.Canvas().Handle(), x, 1, width, height, bitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsStatusBar::RunOwnerDraw(TStatusPanel* panel, RECT r) {
    HDC dc = SkinData().CacheBitmap->Canvas().Handle();
    TsSavedDCState saved(dc);
    TCanvas& canvas = Canvas();
    canvas.Lock();
    canvas.SetHandle(dc);
    try {
        OnDrawPanel(this, panel, r);
    } catch (...) {
        canvas.SetHandle(nullptr);
        canvas.Unlock();
        throw;
    }
    canvas.SetHandle(nullptr);
    canvas.Unlock();
}

void TsStatusBar::WritePanelText(const std::string& text, RECT r, UINT flags) {
    flags = DrawTextBiDiModeFlags(flags) | DT_SINGLELINE | DT_VCENTER;
    if (UseRightToLeftReading()) flags |= DT_RIGHT;
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(bsClear);
    DrawControlText(canvas, text, Enabled(), r, flags, SkinData(), SkinData().IsHotOrFocused());
}

void TsStatusBar::PaintSizeGrip() {
    TsSkinManager* manager = SkinData().GetSkinManager();
    if (manager == nullptr) return;
    const int index = manager->ConstData().GripImage;
    if (!IsValidMaskIndex(manager->Tables(), index)) return;
    const TsMaskData& grip = manager->Tables().Masks[static_cast<size_t>(index)];
    TBitmap& cache = *SkinData().CacheBitmap;
    POINT at{Width() - MaskFrameWidth(grip) - BorderWidth(), Height() - MaskStateHeight(grip) - BorderWidth()};
    DrawMaskGlyph(cache, at, 0, 1, grip, InitBackgroundSource(&cache, 0, 0));
}

// ----- painting -----

void TsStatusBar::CopyCacheWithChildren(HDC dc) {
    TsCommonData& data = SkinData();
    const int border = BorderWidth();
    PaintChildControls(*this, data, RECT{border, border, Width(), Height()}, RECT{0, 0, Width(), Height()}, dc, true, 0,
                       0);
    PaintGraphicChildren(dc, *this, false, POINT{0, 0});
}

void TsStatusBar::PaintSkinned(HDC dc) {
    if (!HandleAllocated()) return;
    PAINTSTRUCT ps;
    const bool ownDC = dc == nullptr;
    HDC target = ownDC ? BeginPaint(Handle(), &ps) : dc;
    {
        TsSavedDCState saved(target);
        TsCommonData& data = SkinData();
        data.SetUpdating(data.CheckUpdating());
        if (!data.PaintSuspended) {
            PrepareCache();
            CopyCacheWithChildren(target);
            RefreshChildControls(*this);
            data.BackgroundDirty = false;
        }
    }
    if (ownDC) EndPaint(Handle(), &ps);
}

void TsStatusBar::PaintWindow(HDC dc) {
    TStatusBar::PaintWindow(dc);
    if (SkinData().IsSkinned()) PaintSkinned(dc);
}

void TsStatusBar::PrintMessage(TMessage& message) {
    if (!Visible() && (ComponentState() & csDesigning) == 0) return;
    TsCommonData& data = SkinData();
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended || dc == nullptr) return;
    PrepareCache();
    // The origin and clip moved for the client area are the caller's DC state: given back after.
    TsSavedDCState saved(dc);
    const int border = BorderWidth();
    if (border != 0) {
        CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, border);
        OffsetViewportOrgEx(dc, border, border, nullptr);
        IntersectClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
    }
    PaintSkinned(dc);
}

bool TsStatusBar::SkinCommand(TMessage& message) {
    TsCommonData& data = SkinData();
    const int command = SkinCommandOf(message.WParam);
    const bool own = IsOwnManagerCommand(message, data);
    switch (command) {
        case scSkinLoaded:
        case scRefreshFromSkin: {
            if (!own) return false;
            if (HandleAllocated()) SetBkMode(Canvas().Handle(), TRANSPARENT);
            TMessage copy = message;
            BroadcastToControls(*this, copy);
            SharedControlMessageHandler(message, &data);
            if (command == scRefreshFromSkin) {
                Repaint();
                if (HandleAllocated()) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            }
            return true;
        }
        case scSkinRemoved: {
            if (!own) return false;
            SharedControlMessageHandler(message, &data);
            if (HandleAllocated()) RecreateWnd();
            TMessage copy = message;
            BroadcastToControls(*this, copy);
            return true;
        }
        case scResumePainting:
            if (!data.PaintSuspended) return false;
            data.SetUpdating(false);
            Repaint();
            if (HandleAllocated()) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            return true;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return true;
        default:
            return false;
    }
}

bool TsStatusBar::SkinnedMessage(TMessage& message) {
    TsCommonData& data = SkinData();
    const bool shown = Visible() || (ComponentState() & csDesigning) != 0;
    switch (message.Msg) {
        case WM_MOVE: {
            const TsGeneralData* section = data.Section();
            if (section != nullptr && (section->Transparency > 0 || section->HotTransparency > 0))
                data.BackgroundDirty = true;
            return false;
        }
        case WM_PAINT:
            if (SkinLoading) return true;
            // The whole bar, children left out, comes from the cache: the platform's bar never
            // paints while skinned.
            SetControlState(ControlState() | csCustomPaint);
            PaintSkinned(reinterpret_cast<HDC>(message.WParam));
            SetControlState(ControlState() & ~csCustomPaint);
            message.Result = 0;
            return true;
        case WM_ERASEBKGND:
            data.SetUpdating(data.CheckUpdating());
            if (!data.PaintSuspended && !data.BackgroundDirty) CopyCacheWithChildren(reinterpret_cast<HDC>(message.WParam));
            message.Result = 1;
            return true;
        case WM_NCPAINT:
            if (!shown) return true;
            data.SetUpdating(data.CheckUpdating());
            if (SkinLoading || data.PaintSuspended) return true;
            PrepareCache();
            if (BorderWidth() != 0 && HandleAllocated()) {
                HDC dc = GetWindowDC(Handle());
                CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, BorderWidth());
                ReleaseDC(Handle(), dc);
            }
            return true;
        case WM_PRINT:
            PrintMessage(message);
            return true;
        default:
            return false;
    }
}

void TsStatusBar::WndProc(TMessage& message) {
    if (message.Msg == SkinCommandMessage && SkinCommand(message)) return;
    TsCommonData& data = SkinData();
    if (!data.IsSkinned() || !ControlCanPaint(this)) {
        TsSkinnedControl::WndProc(message);
        return;
    }
    if (SkinnedMessage(message)) return;
    if (!SharedControlMessageHandler(message, &data)) TsSkinnedControl::WndProc(message);
    switch (message.Msg) {
        case WM_SIZE:
            if (Visible() && BorderWidth() != 0 && HandleAllocated()) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            break;
        case SB_SETTEXTA:
        case SB_SIMPLE:
        case SB_GETRECT:
        case SB_SETTEXTW:
            data.BackgroundDirty = true;
            break;
        default:
            break;
    }
}

}  // namespace parch
