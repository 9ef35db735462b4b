#include "skin/controls/sGroupBox.h"

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
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

constexpr int kGroupBoxKind = 74;

bool GroupBoxGoing(const TComponent& c) { return (c.ComponentState() & csDestroying) != 0; }

}  // namespace

void TsMargin::SetValue(int index, int value) {
    if (index < 0 || index > 3) return;
    values_[index] = value;
    if (owner_ != nullptr && (owner_->ComponentState() & csLoading) == 0) owner_->SkinData().Invalidate();
}

TsGroupBox::TsGroupBox(TComponent* owner) : TsSkinnedControl(owner, kGroupBoxKind, true) {
    SetControlStyle(ControlStyle() & ~csOpaque);
    AfterConstruction();
}

void TsGroupBox::ChangedValue(int& field, int value) {
    if (field == value) return;
    field = value;
    SkinData().Invalidate();
}

void TsGroupBox::SetCaptionLayout(TsGroupCaptionLayout value) {
    if (captionLayout_ == value) return;
    captionLayout_ = value;
    if (!Text().empty()) SkinData().Invalidate();
}

void TsGroupBox::SetCaptionYOffset(int value) { ChangedValue(captionYOffset_, value); }
void TsGroupBox::SetCaptionWidth(int value) { ChangedValue(captionWidth_, value); }

void TsGroupBox::SetCaptionSkin(const std::string& value) {
    if (captionSkin_ == value) return;
    captionSkin_ = value;
    SkinData().Invalidate();
}

void TsGroupBox::AdjustClientRect(RECT& rect) {
    if (GroupBoxGoing(*this)) return;
    TsSkinnedControl::AdjustClientRect(rect);
    rect.top += captionYOffset_;
}

RECT TsGroupBox::CaptionRect() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TCanvas& canvas = data.CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    const bool skinned = data.IsSkinned();
    const int bandHeight = std::max(4, canvas.TextHeight("W")) + 2;
    RECT r{0, 0, 0, bandHeight + captionMargin_.Top() + captionMargin_.Bottom()};
    if (skinned) {
        r.bottom += captionYOffset_;
        if (captionYOffset_ < 0) r.top = captionYOffset_;
    }
    const int w = Width();
    const int ml = captionMargin_.Left();
    const int mr = captionMargin_.Right();
    const bool rtl = UseRightToLeftAlignment();
    const bool atLeft = (captionLayout_ == clTopLeft && !rtl) || (captionLayout_ == clTopRight && rtl);
    if (captionWidth_ != 0) {
        const int cw = captionWidth_;
        r.left = captionLayout_ == clTopCenter ? (w - cw - 6) / 2 : atLeft ? ml + 6 : w - cw - mr - 6;
        r.right = r.left + cw + ml;
    } else {
        const int tw = canvas.TextWidth(Text());
        r.left = captionLayout_ == clTopCenter ? (w - tw - ml - mr - 6) / 2 : atLeft ? 6 : w - tw - 2 * (ml + mr) - 6;
        r.right = r.left + tw + 2 * (ml + mr);
    }
    r.left = std::max(r.left, 0);
    r.right = std::min(r.right, w);
    if (r.right - r.left < 2 * BevelWidth()) {
        r.left -= BevelWidth();
        r.right += BevelWidth();
    }
    return r;
}

void TsGroupBox::WriteCaption(RECT band, const TsBackgroundSource& backdrop) {
    TsCommonData& data = SkinData();
    TBitmap& cache = *data.CacheBitmap;
    UINT flags = captionWidth_ != 0 ? DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS : DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    const int state = Focused() ? 1 : 0;
    const RECT textRect{band.left + captionMargin_.Left(), band.top + captionMargin_.Top(),
                        band.right - captionMargin_.Right(), band.bottom - captionMargin_.Bottom()};
    TsSkinManager* manager = data.GetSkinManager();
    if (!captionSkin_.empty() && manager != nullptr) {
        int index = GetSectionIndex(manager, captionSkin_);
        auto face = NewPf32Bitmap(std::max<int>(band.right - band.left, 1), std::max<int>(band.bottom - band.top, 1));
        PaintSkinSection(index, captionSkin_, InitBackgroundSource(&cache, 0, 0), state,
                         RECT{0, 0, face->Width(), face->Height()}, POINT{band.left, band.top}, *face, manager);
        face->Canvas().Font().Assign(Font());
        RECT inner{captionMargin_.Left(), captionMargin_.Top(), face->Width() - captionMargin_.Right(),
                   face->Height() - captionMargin_.Bottom()};
        WriteSectionTextOnBitmap(*face, Text(), true, inner, flags, index, state != 0, manager);
        BitBlt(cache.Canvas().Handle(), band.left, band.top, face->Width(), face->Height(), face->Canvas().Handle(), 0,
               0, SRCCOPY);
        return;
    }
    if (backdrop.Valid && manager != nullptr) {
        int index = GetSectionIndex(manager, "CHECKBOX");
        PaintSkinSection(index, "CHECKBOX", backdrop, state, band, POINT{Left() + band.left, Top() + band.top}, cache,
                         manager);
    } else {
        FillBitmapRect32(cache, band, static_cast<TColor>(backdrop.Color));
    }
    cache.Canvas().Font().Assign(Font());
    DrawControlText(cache.Canvas(), Text(), true, textRect, flags, data, false);
}

void TsGroupBox::PrepareCache() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TsBackgroundSource backdrop = data.GetParentBackground();
    TBitmap& cache = *data.CacheBitmap;
    RECT band = CaptionRect();
    const int bandHeight = band.bottom - band.top;
    if (backdrop.Valid && backdrop.Bmp != nullptr) {
        BitBlt(cache.Canvas().Handle(), 0, 0, Width(), bandHeight, backdrop.Bmp->Canvas().Handle(),
               backdrop.X + Left(), backdrop.Y + Top(), SRCCOPY);
    } else if (Parent() != nullptr) {
        FillBitmapRect32(cache, RECT{0, 0, Width(), std::max<int>(band.bottom, 0)}, static_cast<TColor>(backdrop.Color));
    }
    const int frameTop = captionYOffset_ < 0 ? 0 : bandHeight / 2;
    PaintControlFace(data, backdrop, 0, RECT{0, frameTop, Width(), Height()}, POINT{Left(), Top() + frameTop}, cache, true);
    if (!Text().empty()) WriteCaption(band, backdrop);
    data.BackgroundDirty = false;
}

void TsGroupBox::PaintAll(HDC dc) {
    TsCommonData& data = SkinData();
    if (!data.IsSkinned(true) || GroupBoxGoing(*this) || !Visible()) return;
    if (AnimationInProgress && dc != data.PrintTarget) return;
    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended) return;
    if (Parent() != nullptr && data.DependsOnParentBackground()) {
        RECT client = Parent()->ClientRect();
        POINT a{Left() + 1, Top() + 1};
        POINT b{Left() + Width() - 1, Top() + Height() - 1};
        auto inside = [&](POINT p) { return p.x >= client.left && p.y >= client.top && p.x < client.right && p.y < client.bottom; };
        data.PartlyVisible = !inside(a) || !inside(b);
    } else {
        data.PartlyVisible = false;
    }
    if (!data.PaintUrgent) PrepareCache();
    RECT all{0, 0, Width(), Height()};
    PaintChildControls(*this, data, all, all, dc, false, 0, 0);
    PaintGraphicChildren(dc, *this, false, POINT{0, 0});
    RefreshChildControls(*this);
}

void TsGroupBox::Paint() {
    if (SkinData().IsSkinned(true))
        PaintAll(Canvas().Handle());
    else
        TsSkinnedControl::Paint();
}

void TsGroupBox::WndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scSkinLoaded:
                BroadcastToControls(*this, message);
                if (IsOwnManagerCommand(message, data)) SharedControlMessageHandler(message, &data);
                return;
            case scSkinRemoved:
            case scRefreshFromSkin:
                if (IsOwnManagerCommand(message, data)) {
                    SharedControlMessageHandler(message, &data);
                    BroadcastToControls(*this, message);
                    Repaint();
                } else {
                    BroadcastToControls(*this, message);
                }
                return;
            case scIsSkinned:
                message.Result = 1;
                return;
            case scGetBackground:
                if (!captionSkin_.empty() && data.CacheBitmap != nullptr) {
                    if (auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam)) {
                        request->Kind = 2;
                        request->Bmp = data.CacheBitmap.get();
                        request->X = 0;
                        request->Y = 0;
                    }
                    message.Result = 1;
                    return;
                }
                break;
            case scGetApplication:
                message.Result = reinterpret_cast<LRESULT>(Application);
                return;
            default:
                break;
        }
    }
    if (!data.IsSkinned())
        TsSkinnedControl::WndProc(message);
    else
        SkinnedWndProc(message);
}

void TsGroupBox::SkinnedWndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scResumePainting:
                if (data.PaintSuspended) {
                    data.SetUpdating(false);
                    data.SetUpdating(data.CheckUpdating());
                    if (Showing() && !data.PaintSuspended) RedrawControlNow(*this);
                    return;
                }
                break;
            case scSetUrgentPainting:
                SharedControlMessageHandler(message, &data);
                if (data.PaintUrgent) PrepareCache();
                return;
            case scMustPaintingWait:
                message.Result = data.BackgroundDirty || data.CheckUpdating() ? 1 : 0;
                return;
            default:
                HandleSkinCommand(message, &data);
                return;
        }
    }
    switch (message.Msg) {
        case WM_MOVE:
            data.BackgroundDirty = data.BackgroundDirty || data.DependsOnParentBackground();
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TsSkinnedControl::WndProc(message);
            return;
        case WM_PAINT: {
            if (message.WParam != 0) {
                PaintAll(reinterpret_cast<HDC>(message.WParam));
                return;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            PaintAll(dc);
            EndPaint(Handle(), &ps);
            return;
        }
        case WM_ERASEBKGND:
            message.Result = 1;
            return;
        case WM_WINDOWPOSCHANGED:
        case CM_VISIBLECHANGED:
            data.BackgroundDirty = true;
            break;
        case WM_PRINT:
            data.SetUpdating(false);
            PaintAll(reinterpret_cast<HDC>(message.WParam));
            return;
        case CM_TEXTCHANGED:
            data.Invalidate();
            return;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    TsSkinnedControl::WndProc(message);
}

}  // namespace parch
