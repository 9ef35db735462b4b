#include "skin/controls/sPanel.h"

#include <algorithm>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/Painting.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

// ----- the skeleton -----

bool IsOwnManagerCommand(const TMessage& message, const TsCommonData& data) {
    auto* manager = reinterpret_cast<TsSkinManager*>(message.LParam);
    return manager != nullptr && manager == data.GetSkinManager();
}

void RedrawControlNow(TWinControl& control) {
    if (!control.HandleAllocated()) return;
    RedrawWindow(control.Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

namespace {

void PassToChildren(TControl& control, TMessage& message) {
    if (auto* windowed = dynamic_cast<TWinControl*>(&control)) {
        TMessage copy = message;
        BroadcastToControls(*windowed, copy);
    }
}

bool ControlIsLoadingOrHidden(const TControl& control) {
    return (control.ComponentState() & csLoading) != 0 || !control.Visible();
}

}  // namespace

bool HandleSkinLifecycleCommand(TControl& control, TsCommonData& data, TMessage& message) {
    if (message.Msg != SkinCommandMessage) return false;
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            control.SetControlStyle(control.ControlStyle() & ~csOpaque);
            PassToChildren(control, message);
            if (IsOwnManagerCommand(message, data)) SharedControlMessageHandler(message, &data);
            return true;
        case scSkinRemoved:
            control.SetControlStyle(control.ControlStyle() & ~csOpaque);
            if (IsOwnManagerCommand(message, data)) {
                SharedControlMessageHandler(message, &data);
                control.Invalidate();
            }
            PassToChildren(control, message);
            return true;
        case scRefreshFromSkin:
            if (IsOwnManagerCommand(message, data)) {
                SharedControlMessageHandler(message, &data);
                auto* windowed = dynamic_cast<TWinControl*>(&control);
                if (windowed != nullptr && windowed->HandleAllocated() && !ControlIsLoadingOrHidden(control))
                    RedrawControlNow(*windowed);
                else if (windowed == nullptr)
                    control.Invalidate();
            }
            PassToChildren(control, message);
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

void CopyFinishedImage(TWinControl& control, TsCommonData& data, HDC dc, bool cacheMode) {
    if (cacheMode && data.CacheBitmap != nullptr && !data.BackgroundDirty) {
        BitBlt(dc, 0, 0, control.Width(), control.Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    if (!cacheMode) {
        HWND window = control.HandleAllocated() ? control.Handle() : nullptr;
        FillRectWithColor(dc, RECT{0, 0, control.Width(), control.Height()}, GetWndBgColor(window));
    }
}

// ----- TsPanel -----

namespace {

constexpr int kPanelKind = 51;

// The section that belongs to a BevelOuter value; bvSpace has none.
const char* SectionOfBevel(TBevelCut bevel) {
    switch (bevel) {
        case bvNone:
            return "CHECKBOX";
        case bvLowered:
            return "PANEL_LOW";
        case bvRaised:
            return "PANEL";
        default:
            return nullptr;
    }
}

// A canvas pointed at a DC for the time it lives, with the control's font and a clear brush.
class TsPanelDCCanvas {
public:
    TsPanelDCCanvas(HDC dc, const TFont& font) {
        canvas_.SetHandle(dc);
        canvas_.Font().Assign(font);
        canvas_.Brush().SetStyle(bsClear);
    }
    ~TsPanelDCCanvas() { canvas_.SetHandle(nullptr); }
    TsPanelDCCanvas(const TsPanelDCCanvas&) = delete;
    TsPanelDCCanvas& operator=(const TsPanelDCCanvas&) = delete;
    TCanvas& Canvas() { return canvas_; }

private:
    TCanvas canvas_;
};

int SectionTransparency(const TsCommonData& data) {
    const TsGeneralData* section = data.Section();
    return section != nullptr ? section->Transparency : 0;
}

}  // namespace

TsPanel::TsPanel(TComponent* owner) : TsSkinnedControl(owner, kPanelKind, true) { AfterConstruction(); }

void TsPanel::Loaded() {
    TsSkinnedControl::Loaded();
    LastBevelOuter = BevelOuter();
}

void TsPanel::Invalidate() {
    SwitchSectionForBevel();
    TsSkinnedControl::Invalidate();
}

void TsPanel::SwitchSectionForBevel() {
    if (BevelOuter() == LastBevelOuter) return;
    const char* oldSection = SectionOfBevel(LastBevelOuter);
    const char* newSection = SectionOfBevel(BevelOuter());
    if (oldSection != nullptr && newSection != nullptr && SkinData().SkinSection() == oldSection)
        SkinData().SetSkinSection(newSection);
    LastBevelOuter = BevelOuter();
}

int TsPanel::EdgeInset() const {
    int bevels = (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
    return BevelWidth() * bevels + BorderWidth();
}

RECT TsPanel::CaptionRect() const {
    RECT r = ClientRect();
    int inset = EdgeInset();
    return RECT{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
}

bool TsPanel::CacheMode() const {
    return (SkinData().NeedsSkinPainting() && !SkinData().CustomColor()) || AnimationInProgress;
}

void TsPanel::Paint() {
    TPanel::Paint();
    if (OnPaint && Showing()) OnPaint(this, Canvas());
}

void TsPanel::PaintWindow(HDC dc) {
    if ((ControlState() & csPaintCopy) != 0 && SkinData().IsSkinned())
        PaintAll(dc, true);
    else
        TPanel::PaintWindow(dc);
}

void TsPanel::WriteText(RECT r, TCanvas* canvas, HDC dc) {
    if (canvas == nullptr && dc == nullptr) return;
    std::unique_ptr<TsPanelDCCanvas> temporary;
    if (canvas == nullptr) {
        temporary = std::make_unique<TsPanelDCCanvas>(dc, Font());
        canvas = &temporary->Canvas();
    }
    canvas->Font().Assign(Font());
    UINT flags = TextAlignFlags(*this, Alignment()) | DT_WORDBREAK;
    std::string caption = Text();
    RECT measured = r;
    DrawText(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &measured, flags | DT_CALCRECT);
    int textHeight = std::max(RectHeight(measured), 0);
    r.top = (RectHeight(r) - textHeight) / 2 + BorderWidth();
    r.bottom = r.top + textHeight;
    DrawControlText(*canvas, caption, Enabled(), r, flags, SkinData(), false);
}

void TsPanel::PrepareCache() {
    TsCommonData& data = SkinData();
    if (!data.NeedsSkinPainting() && !AnimationInProgress) return;
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    RECT all{0, 0, Width(), Height()};
    if (Parent() != nullptr)
        PaintControlFaceOnParent(data, *Parent(), 0, all, POINT{Left(), Top()}, cache, true);
    else
        PaintControlFace(data, EmptyBackdrop, 0, all, POINT{0, 0}, cache, true);
    WriteText(CaptionRect(), &cache.Canvas(), nullptr);
    if (OnPaint) OnPaint(this, cache.Canvas());
    data.BackgroundDirty = false;
}

void TsPanel::PaintAll(HDC dc, bool refreshChildren) {
    if (!Showing() || !SkinData().IsSkinned()) return;
    if (dc == nullptr) dc = Canvas().Handle();
    if (CacheMode())
        PaintCached(dc, refreshChildren);
    else
        PaintFlat(dc, refreshChildren);
}

void TsPanel::PaintCached(HDC dc, bool refreshChildren) {
    TsCommonData& data = SkinData();
    data.SetUpdating(data.CheckUpdating());
    if (!data.PaintSuspended) {
        bool changed = data.PartlyVisible || data.BackgroundDirty;
        if (data.DependsOnParentBackground()) {
            // A paint clipped to part of the panel leaves the rest of the cache unchecked.
            RECT clip{};
            GetClipBox(dc, &clip);
            data.PartlyVisible = RectWidth(clip) != Width() || RectHeight(clip) != Height();
        } else {
            data.PartlyVisible = false;
        }
        if (changed && !data.PaintUrgent) PrepareCache();
        RECT all{0, 0, Width(), Height()};
        PaintChildControls(*this, data, all, all, dc, false, 0, 0);
        PaintGraphicChildren(dc, *this, changed && data.DependsOnParentBackground(), POINT{0, 0});
    }
    if (refreshChildren && (ControlState() & csPaintCopy) == 0) RefreshChildControls(*this);
}

void TsPanel::PaintFlat(HDC dc, bool refreshChildren) {
    TsCommonData& data = SkinData();
    data.SetUpdating(false);
    const int border = data.MaxBorderWidth();
    const RECT all{0, 0, Width(), Height()};
    int saved = SaveDC(dc);
    ExcludeGraphicChildren(dc, *this, 0, 0);

    TsBackgroundRequest request;
    if (data.CustomColor()) {
        request.Kind = 1;
        request.Color = ColorToRGB(Color());
    } else if (Parent() != nullptr) {
        GetControlBackdrop(request, *Parent(), false);
    } else {
        request.Kind = 1;
        request.Color = ColorToRGB(Color());
    }
    if (data.CacheBitmap == nullptr) data.CacheBitmap = NewPf32Bitmap(1, 1);
    if (data.CacheBitmap->Empty()) data.CacheBitmap->SetSize(1, 1);

    const int transparency = SectionTransparency(data);
    const TsGeneralData* section = data.Section();
    if (transparency == 100 && request.Kind == 2 && request.Bmp != nullptr) {
        data.SetUpdating(data.CheckUpdating());
        if (!data.PaintSuspended) {
            HDC source = request.Bmp->Canvas().Handle();
            if (border == 0) {
                BitBlt(dc, 0, 0, Width(), Height(), source, request.X + Left(), request.Y + Top(), SRCCOPY);
            } else {
                data.PrepareCacheBitmap();
                RECT inner{};
                PaintNonClientFrame(dc, all, border, data, 0, inner);
                FillRectWithColor(dc, inner, data.GetBackgroundColor(0, nullptr));
                CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, border);
                BitBlt(dc, border, border, Width() - 2 * border, Height() - 2 * border, source,
                       request.X + Left() + border, request.Y + Top() + border, SRCCOPY);
            }
        }
    } else {
        TColor own = data.CustomColor() ? static_cast<TColor>(ColorToRGB(Color()))
                                        : static_cast<TColor>(section != nullptr ? section->Color : 0);
        TColor fill = own;
        if (transparency == 100)
            fill = static_cast<TColor>(request.Color);
        else if (transparency != 0)
            fill = MixColorsByFactor(static_cast<TColor>(request.Color), own, transparency / 100.0);
        if (border == 0) {
            FillRectWithColor(dc, all, fill);
        } else {
            data.PrepareCacheBitmap();
            RECT inner{};
            TsSkinManager* manager = data.GetSkinManager();
            bool maskValid = manager != nullptr && IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex);
            bool lacksBit4 = maskValid &&
                             (manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)].DrawFlags & 0x10) == 0;
            if (transparency != 100 || lacksBit4) {
                PaintNonClientFrame(dc, all, border, data, 0, inner);
                FillRectWithColor(dc, inner, fill);
                CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, border);
            } else {
                PaintNonClientFrame(dc, all, 0, data, 0, inner);
                BitBlt(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
            }
        }
    }
    CaptionAndPaintEvent(dc);
    data.BackgroundDirty = false;
    RestoreDC(dc, saved);
    PaintGraphicChildren(dc, *this, false, POINT{0, 0});
    if (refreshChildren && (ControlState() & csPaintCopy) == 0) RefreshChildControls(*this);
}

void TsPanel::CaptionAndPaintEvent(HDC dc) {
    TsPanelDCCanvas canvas(dc, Font());
    WriteText(CaptionRect(), &canvas.Canvas(), nullptr);
    if (OnPaint) OnPaint(this, canvas.Canvas());
}

void TsPanel::WndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        if (HandleSkinLifecycleCommand(*this, data, message)) return;
        if (SkinCommandOf(message.WParam) == scGetBackground) {
            TsSkinManager* manager = data.GetSkinManager();
            auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
            if (manager != nullptr && request != nullptr && IsValidSectionIndex(manager->Tables(), data.SectionIndex)) {
                data.FillBackgroundRequest(*request, 0, HandleAllocated() ? Handle() : nullptr);
                if (ClientWidth() != Width() && request->Kind == 2 && request->PaintIt == 0) {
                    request->X += EdgeInset();
                    request->Y += EdgeInset();
                }
                message.Result = 1;
                return;
            }
        }
    }
    if (!ControlCanPaint(this) || !data.IsSkinned())
        UnskinnedWndProc(message);
    else
        SkinnedWndProc(message);
}

void TsPanel::UnskinnedWndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            if (!OnPaint) TsSkinnedControl::WndProc(message);
            return;
        case WM_PRINT:
            // The canvas holds a device context only while it paints: OnPaint draws straight
            // into the printing DC, which gives the same picture as drawing and copying.
            if (OnPaint && message.WParam != 0) {
                TsPanelDCCanvas canvas(reinterpret_cast<HDC>(message.WParam), Font());
                OnPaint(this, canvas.Canvas());
            }
            return;
        default:
            TsSkinnedControl::WndProc(message);
    }
}

void TsPanel::PaintMessage(TMessage& message) {
    TsCommonData& data = SkinData();
    auto paintInto = [&](HDC dc) {
        data.SetUpdating(data.CheckUpdating());
        if (data.NeedsSkinPainting() && !data.PaintSuspended) {
            int saved = SaveDC(dc);
            SetControlState(ControlState() | csCustomPaint);
            Canvas().Lock();
            try {
                PaintAll(dc, true);
            } catch (...) {
                Canvas().Unlock();
                SetControlState(ControlState() & ~csCustomPaint);
                RestoreDC(dc, saved);
                throw;
            }
            Canvas().Unlock();
            SetControlState(ControlState() & ~csCustomPaint);
            RestoreDC(dc, saved);
        } else if (!ParentBackground()) {
            PaintAll(dc, true);
        }
    };
    if (message.WParam != 0) {
        paintInto(reinterpret_cast<HDC>(message.WParam));
    } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        try {
            paintInto(dc);
        } catch (...) {
            EndPaint(Handle(), &ps);
            throw;
        }
        EndPaint(Handle(), &ps);
    }
    message.Result = 0;
}

void TsPanel::SkinnedWndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scResumePainting:
                if (data.PaintSuspended) {
                    data.SetUpdating(false);
                    data.SetUpdating(data.CheckUpdating());
                    if (!data.PaintSuspended) RedrawControlNow(*this);
                }
                RefreshChildControls(*this);
                return;
            case scMustPaintingWait: {
                bool cacheSizeDiffers = data.CacheBitmap != nullptr &&
                                        (data.CacheBitmap->Width() != Width() || data.CacheBitmap->Height() != Height());
                message.Result =
                    data.CheckUpdating() || (cacheSizeDiffers && data.NeedsSkinPainting() && !data.CustomColor()) ? 1 : 0;
                return;
            }
            default:
                HandleSkinCommand(message, &data);
                return;
        }
    }
    switch (message.Msg) {
        case WM_PRINT: {
            data.SetUpdating(false);
            if (!ControlCanPaint(this)) return;
            if (!data.NeedsSkinPainting() && data.CacheBitmap == nullptr) data.CacheBitmap = NewPf32Bitmap(0, 0);
            PrepareCache();
            PaintAll(reinterpret_cast<HDC>(message.WParam), false);
            return;
        }
        case WM_PAINT:
            if (!Visible()) break;
            PaintMessage(message);
            return;
        case WM_ERASEBKGND:
            if (message.WParam != static_cast<WPARAM>(message.LParam)) {
                data.SetUpdating(data.CheckUpdating());
                if (!data.NeedsSkinPainting() && !data.PaintSuspended) PaintAll(reinterpret_cast<HDC>(message.WParam), true);
            } else {
                if (data.BackgroundDirty) PrepareCache();
                CopyFinishedImage(*this, data, reinterpret_cast<HDC>(message.WParam), data.NeedsSkinPainting());
            }
            message.Result = 1;
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TsSkinnedControl::WndProc(message);
            return;
        case CM_VISIBLECHANGED:
            data.BackgroundDirty = true;
            data.SetUpdating(false);
            TsSkinnedControl::WndProc(message);
            return;
        case CM_TEXTCHANGED:
            if (Parent() != nullptr) data.Invalidate();
            return;
        case WM_SIZE:
            data.BackgroundDirty = true;
            break;
        case WM_WINDOWPOSCHANGING:
            if (SectionTransparency(data) != 0) data.BackgroundDirty = true;
            break;
        case CM_COLORCHANGED:
            if (data.CustomColor()) data.BackgroundDirty = true;
            break;
        case CM_INVALIDATE:
            SwitchSectionForBevel();
            break;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    TsSkinnedControl::WndProc(message);
    if (message.Msg == WM_SETFONT && !Text().empty()) {
        data.BackgroundDirty = true;
        Repaint();
    } else if (message.Msg == CM_ENABLEDCHANGED) {
        data.Invalidate();
    }
}

}  // namespace parch
