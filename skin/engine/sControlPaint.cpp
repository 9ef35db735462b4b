#include "skin/engine/sControlPaint.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"
#include "framework/PageControl.h"
#include "framework/WinControls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

std::uint32_t& CachePixel(TBitmap& bitmap, int x, int y) {
    return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y))[x];
}

bool InsideBitmap(const TBitmap& bitmap, int x, int y) {
    return x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height();
}

// Restores the DC's saved state however the scope ends.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDCState() { RestoreDC(dc_, saved_); }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool IsDesigning(const TComponent& component) { return (component.ComponentState() & csDesigning) != 0; }
bool IsGoing(const TComponent& component) { return (component.ComponentState() & csDestroying) != 0; }

// What lies behind the host, in the host's coordinates.
TsBackgroundRequest HostBackdrop(TControl& host) {
    TsBackgroundRequest request;
    if (host.Parent() != nullptr) {
        GetControlBackdrop(request, *host.Parent(), false);
    } else if (auto* windowed = dynamic_cast<TWinControl*>(&host); windowed != nullptr && windowed->HandleAllocated()) {
        GetWndBackdrop(request, GetParent(windowed->Handle()), false);
    }
    if (request.Kind == 2) {
        request.X += host.Left();
        request.Y += host.Top();
    } else {
        request.Color = ColorToRGB(static_cast<TColor>(request.Color));
    }
    return request;
}

// The backdrop pixel behind (x, y) of the host; reads outside the backdrop bitmap are none.
bool BackdropPixel(TsBackgroundRequest& backdrop, int x, int y, std::uint32_t& pixel) {
    if (backdrop.Kind != 2) {
        pixel = backdrop.Color;
        return true;
    }
    if (backdrop.Bmp == nullptr || !InsideBitmap(*backdrop.Bmp, x + backdrop.X, y + backdrop.Y)) return false;
    pixel = CachePixel(*backdrop.Bmp, x + backdrop.X, y + backdrop.Y);
    return true;
}

// Wherever the mask's corner pixel is key-coloured, the cache shows the backdrop.
void LayCornerBlock(TBitmap& cache, TBitmap& picture, POINT from, RECT to, TsBackgroundRequest& backdrop) {
    for (int y = to.top; y < to.bottom; ++y) {
        for (int x = to.left; x < to.right; ++x) {
            int sx = from.x + x - to.left;
            int sy = from.y + y - to.top;
            if (!InsideBitmap(cache, x, y) || !InsideBitmap(picture, sx, sy)) continue;
            if ((CachePixel(picture, sx, sy) & 0xFFFFFFu) != TransparentKey) continue;
            std::uint32_t behind = 0;
            if (BackdropPixel(backdrop, x, y, behind)) {
                bool colourAnswer = backdrop.Kind != 2;
                CachePixel(cache, x, y) = colourAnswer ? ExchangeRedBlue(static_cast<TColor>(behind)) : behind;
            }
        }
    }
}

}  // namespace

void PaintControlBorder(TsCommonData& data, int state) {
    TsSkinManager* manager = data.GetSkinManager();
    if (manager == nullptr || data.CacheBitmap == nullptr || data.HostControl == nullptr ||
        !IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex))
        return;
    const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)];
    if (mask.CornerKind == 0) return;
    TBitmap* picture = mask.Picture != nullptr ? mask.Picture.get() : manager->Tables().MasterBitmap.get();
    if (picture == nullptr) return;
    int frames = mask.FrameCount;
    RECT source = mask.SourceRect;
    if (frames == 0 && mask.Picture != nullptr) {
        frames = 3;
        source = RECT{0, 0, picture->Width(), picture->Height()};
    }
    if (frames < 1) return;
    TsBackgroundRequest backdrop = HostBackdrop(*data.HostControl);
    int frameWidth = (source.right - source.left) / frames;
    int frameLeft = source.left + frameWidth * std::clamp(state, 0, frames - 1);
    int frameRight = frameLeft + frameWidth;
    int frameBottom = mask.ExtraBands == 0 ? source.bottom
                                           : source.top + (source.bottom - source.top) / (mask.ExtraBands + 1);
    int w = data.HostControl->Width();
    int h = data.HostControl->Height();
    TBitmap& cache = *data.CacheBitmap;
    int lw = mask.LeftWidth, tw = mask.TopWidth, rw = mask.RightWidth, bw = mask.BottomWidth;
    LayCornerBlock(cache, *picture, {frameLeft, source.top}, RECT{0, 0, lw, tw}, backdrop);
    LayCornerBlock(cache, *picture, {frameLeft, frameBottom - bw}, RECT{0, h - bw, lw, h}, backdrop);
    LayCornerBlock(cache, *picture, {frameRight - rw, frameBottom - bw}, RECT{w - rw, h - bw, w, h}, backdrop);
    LayCornerBlock(cache, *picture, {frameRight - rw, source.top}, RECT{w - rw, 0, w, tw}, backdrop);
}

void PaintChildControls(TWinControl& control, TsCommonData& data, RECT s, RECT c, HDC target, bool paintBorder,
                        int childX, int childY) {
    if (data.CacheBitmap == nullptr) return;
    if (paintBorder) PaintControlBorder(data, 0);
    SavedDCState saved(target);
    IntersectClipRect(target, c.left, c.top, c.right, c.bottom);
    for (int i = 0; i < control.ControlCount(); ++i) {
        TControl* child = control.Controls(i);
        bool graphic = dynamic_cast<TWinControl*>(child) == nullptr;
        if ((graphic && GraphicsPaintedInCache) || dynamic_cast<TSplitter*>(child) != nullptr || !child->Visible())
            continue;
        if (!Overlaps(child->BoundsRect(), c)) continue;
        if (!IsDesigning(*child) && (child->ControlStyle() & csOpaque) == 0 && !graphic) continue;
        ExcludeClipRect(target, child->Left() + childX, child->Top() + childY, child->Left() + child->Width() + childX,
                        child->Top() + child->Height() + childY);
    }
    BitBlt(target, c.left, c.top, RectWidth(c), RectHeight(c), data.CacheBitmap->Canvas().Handle(), s.left, s.top,
           SRCCOPY);
}

void PaintChildWindows(HWND window, TsCommonData& data, RECT s, RECT c, HDC target, bool paintBorder, int childX,
                       int childY) {
    if (data.CacheBitmap == nullptr) return;
    if (paintBorder) PaintControlBorder(data, 0);
    SavedDCState saved(target);
    IntersectClipRect(target, c.left, c.top, c.right, c.bottom);
    RECT parentRect{};
    GetWindowRect(window, &parentRect);
    TsSkinManager* manager = TsSkinManager::DefaultManager();
    for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        int dx = -parentRect.left - childX;
        int dy = -parentRect.top - childY;
        r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
        bool groupBox = (GetWindowLongPtr(child, GWL_STYLE) & 7) == BS_GROUPBOX &&
                        (GetWindowLongPtr(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0;
        if (!groupBox) {
            ExcludeClipRect(target, r.left, r.top, r.right, r.bottom);
            continue;
        }
        if (manager == nullptr) continue;
        int caption = static_cast<int>(SendSkinCommandToWnd(child, scGetSkinManager, 0));
        int section = GetSectionIndex(manager, "GROUPBOX");
        int mask = manager->GetMaskIndex(section, "GROUPBOX", "BORDERSMASK");
        int left = 0, right = 0, bottom = 0;
        if (IsValidMaskIndex(manager->Tables(), mask)) {
            left = LeftBorderWidth(manager->Tables(), mask);
            right = RightBorderWidth(manager->Tables(), mask);
            bottom = BottomBorderWidth(manager->Tables(), mask);
        }
        ExcludeClipRect(target, r.left, r.top, r.right, r.top + caption);
        ExcludeClipRect(target, r.left, r.top, r.left + left, r.bottom);
        ExcludeClipRect(target, r.right - right, r.top, r.right, r.bottom);
        ExcludeClipRect(target, r.left, r.bottom - bottom, r.right, r.bottom);
    }
    BitBlt(target, c.left, c.top, RectWidth(c), RectHeight(c), data.CacheBitmap->Canvas().Handle(), s.left, s.top,
           SRCCOPY);
}

namespace {

bool paintingGraphicChildren = false;

bool IsPaintableGraphicChild(TControl& child, HDC target) {
    if (!(child.Visible() || IsDesigning(child)) || dynamic_cast<TGraphicControl*>(&child) == nullptr) return false;
    if (child.Width() < 1 || child.Height() < 1 || (child.ControlStyle() & csNoDesignVisible) != 0 || IsGoing(child))
        return false;
    RECT bounds = child.BoundsRect();
    return RectVisible(target, &bounds) != 0;
}

void PrefillChild(TBitmap& offscreen, TControl& child, const TsBackgroundRequest& backdrop) {
    RECT bounds = child.BoundsRect();
    if ((child.ControlStyle() & csOpaque) != 0) {
        FillBitmapRect32(offscreen, bounds, GetControlBgColor(&child));
    } else if (backdrop.Kind == 2 && backdrop.Bmp != nullptr) {
        BitBlt(offscreen.Canvas().Handle(), bounds.left, bounds.top, child.Width(), child.Height(),
               backdrop.Bmp->Canvas().Handle(), child.Left() + backdrop.X, child.Top() + backdrop.Y, SRCCOPY);
    } else {
        FillBitmapRect32(offscreen, bounds, static_cast<TColor>(backdrop.Color));
    }
}

void PaintChildOffscreen(TBitmap& offscreen, TControl& child, bool paintCopy) {
    HDC dc = offscreen.Canvas().Handle();
    SavedDCState saved(dc);
    SetViewportOrgEx(dc, child.Left(), child.Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child.Width(), child.Height());
    if (paintCopy) child.SetControlState(child.ControlState() | csPaintCopy);
    try {
        child.Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    } catch (...) {
        // A child that fails to paint leaves its backdrop; the others are still drawn.
    }
    if (paintCopy) child.SetControlState(child.ControlState() & ~csPaintCopy);
}

}  // namespace

void PaintGraphicChildren(HDC target, TWinControl& control, bool onlyIfVisible, POINT p) {
    if (paintingGraphicChildren) return;
    struct ReentryScope {
        ReentryScope() { paintingGraphicChildren = true; }
        ~ReentryScope() { paintingGraphicChildren = false; }
    } scope;
    if ((onlyIfVisible && !control.Visible() && !IsDesigning(control)) || control.ControlCount() == 0) return;
    RECT clip{};
    if (GetClipBox(target, &clip) == NULLREGION || RectIsEmptyOrInverted(clip)) {
        if (control.HandleAllocated()) SendSkinCommandToWnd(control.Handle(), scSetPartlyOutside, 0);
        return;
    }
    TsBackgroundRequest backdrop;
    GetControlBackdrop(backdrop, control, false);

    std::vector<TControl*> children;
    for (int i = 0; i < control.ControlCount(); ++i)
        if (IsPaintableGraphicChild(*control.Controls(i), target)) children.push_back(control.Controls(i));
    if (children.empty()) return;

    auto* form = dynamic_cast<TCustomForm*>(&control);
    auto offscreen = NewPf32Bitmap(std::max(control.Width(), 0), std::max(control.Height(), 0));
    for (TControl* child : children) PrefillChild(*offscreen, *child, backdrop);
    bool paintCopy = (control.ControlState() & csPaintCopy) != 0;
    for (TControl* child : children) {
        if (form != nullptr && form->FormStyle() == fsMDIForm && child->Align() != alNone)
            SendSkinCommand(child, scAnimationFrameReady, 0);
        PaintChildOffscreen(*offscreen, *child, paintCopy);
    }
    for (TControl* child : children) {
        // A child that left its top-left pixel key-coloured asks not to be drawn.
        if (InsideBitmap(*offscreen, child->Left(), child->Top()) &&
            (CachePixel(*offscreen, child->Left(), child->Top()) & 0xFFFFFFu) == TransparentKey)
            continue;
        BitBlt(target, child->Left() + p.x, child->Top() + p.y, child->Width(), child->Height(),
               offscreen->Canvas().Handle(), child->Left(), child->Top(), SRCCOPY);
    }
}

namespace {

void PaintInvisibleFromBackdrop(TBitmap& bitmap, TControl& control, int x, int y) {
    TsBackgroundRequest backdrop;
    GetControlBackdrop(backdrop, *control.Parent(), false);
    if (backdrop.Kind == 2 && backdrop.Bmp != nullptr) {
        BitBlt(bitmap.Canvas().Handle(), x, y, control.Width(), control.Height(), backdrop.Bmp->Canvas().Handle(),
               backdrop.X + control.Left(), backdrop.Y + control.Top(), SRCCOPY);
    } else {
        FillBitmapRect32(bitmap, RECT{x, y, x + control.Width(), y + control.Height()},
                         static_cast<TColor>(backdrop.Color));
    }
}

void PrintWithCommand(HDC dc, HWND window, TControl& control) {
    auto send = [&](UINT msg, WPARAM wParam, LPARAM lParam) {
        return window != nullptr ? SendMessage(window, msg, wParam, lParam) : control.Perform(msg, wParam, lParam);
    };
    send(SkinCommandMessage, SkinCommandWParam(scPrinting), reinterpret_cast<LPARAM>(dc));
    send(WM_PRINT, reinterpret_cast<WPARAM>(dc), 0);
    send(SkinCommandMessage, SkinCommandWParam(scPrinting), 0);
}

}  // namespace

void PaintControlToBitmap(TBitmap& bitmap, TControl& control, int x, int y, IFormSkinProvider* provider) {
    if (provider == nullptr && control.Parent() != nullptr && !control.Visible()) {
        PaintInvisibleFromBackdrop(bitmap, control, x, y);
        return;
    }
    HDC dc = bitmap.Canvas().Handle();
    bool borderWindow = provider != nullptr && provider->HasBorderWindow();
    SavedDCState saved(dc);
    if (!borderWindow) IntersectClipRect(dc, 0, 0, control.Width(), control.Height());
    auto* windowed = dynamic_cast<TWinControl*>(&control);
    if (windowed == nullptr) {
        PrintWithCommand(dc, nullptr, control);
        return;
    }
    if (auto* form = dynamic_cast<TCustomForm*>(windowed); form != nullptr && form->FormStyle() == fsMDIForm) {
        for (int i = 0; i < form->MDIChildCount(); ++i) {
            TCustomForm* child = form->MDIChildren(i);
            SavedDCState childState(dc);
            OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
            PaintControlToBitmap(bitmap, *child, child->Left(), child->Top(), nullptr);
        }
    }
    int border = dynamic_cast<TTabSheet*>(windowed) != nullptr ? windowed->BorderWidth() : 0;
    if (border != 0) OffsetViewportOrgEx(dc, border, border, nullptr);
    if (windowed->HandleAllocated() && WndAnswersSkinCommand(windowed->Handle(), scIsSkinned))
        PrintWithCommand(dc, windowed->Handle(), control);
    else
        windowed->PaintTo(dc, 0, 0);
    for (int i = 0; i < windowed->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(windowed->Controls(i));
        if (child == nullptr || !child->Visible()) continue;
        SavedDCState childState(dc);
        auto* childForm = dynamic_cast<TCustomForm*>(child);
        if (childForm == nullptr || childForm->Parent() != nullptr) OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
        PaintControlToBitmap(bitmap, *child, child->Left(), child->Top(), nullptr);
    }
    if (border != 0) OffsetViewportOrgEx(dc, -border, -border, nullptr);
    if (borderWindow) {
        POINT offset = provider->ClientOffsetInImage();
        RECT client = windowed->ClientRect();
        client = RECT{client.left + offset.x, client.top + offset.y, client.right + offset.x,
                      std::min<int>(client.bottom + offset.y, bitmap.Height() - 1)};
        SetAlphaInRect(bitmap, client, 255, false);
    }
}


void PaintNonClientFrame(HDC dc, RECT r, int frameWidth, TsCommonData& data, int state, RECT& inner) {
    int f = frameWidth;
    TColor colour = data.GetBackgroundColor(state, nullptr);
    TControl* owner = data.HostControl;
    TsBackgroundRequest backdrop;
    if (owner != nullptr && owner->Parent() != nullptr) GetControlBackdrop(backdrop, *owner->Parent(), false);
    TsSkinManager* manager = data.GetSkinManager();
    bool hasMask = manager != nullptr && data.BordersMaskIndex >= 0 &&
                   IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex);
    auto shrunk = [](RECT rect, int l, int t, int rr, int b) {
        RECT result{rect.left + l, rect.top + t, rect.right - rr, rect.bottom - b};
        result.right = std::max(result.right, result.left);
        result.bottom = std::max(result.bottom, result.top);
        return result;
    };
    if (!hasMask) {
        if (f != 0) {
            FillFrameWithColor(dc, r, f, f, f, f, colour);
            inner = shrunk(r, f, f, f, f);
        }
        return;
    }
    const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)];
    if (const TsGeneralData* section = data.Section()) state = std::min(state, section->StateCount - 1);
    state = std::max(state, 0);
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    int ownerLeft = owner != nullptr ? owner->Left() : 0;
    int ownerTop = owner != nullptr ? owner->Top() : 0;
    if (mask.ExtraBands == 1) {
        if (backdrop.Kind == 2 && backdrop.Bmp != nullptr) {
            BitBlt(cache.Canvas().Handle(), r.left, r.top, RectWidth(r), RectHeight(r), backdrop.Bmp->Canvas().Handle(),
                   backdrop.X + ownerLeft + r.left, backdrop.Y + ownerTop + r.top, SRCCOPY);
        } else {
            FillFrame32(cache, r, mask.LeftWidth, mask.TopWidth, mask.RightWidth, mask.BottomWidth, colour);
        }
    }
    TsBackgroundSource source = BackdropFromQuery(backdrop);
    source.X += ownerLeft;
    source.Y += ownerTop;
    DrawBordersMask(cache, r, source, mask, state, true);
    inner = RECT{r.left + mask.LeftWidth, r.top + mask.TopWidth, r.right - mask.RightWidth, r.bottom - mask.BottomWidth};
    if (f == 0) return;
    int width = RectWidth(r);
    int height = RectHeight(r);
    int gapLeft = std::max(std::min(f, width - mask.RightWidth) - mask.LeftWidth, 0);
    int gapTop = std::max(std::min(f, height - mask.BottomWidth) - mask.TopWidth, 0);
    int gapRight = std::max(std::min(f, width - mask.LeftWidth) - mask.RightWidth, 0);
    int gapBottom = std::max(std::min(f, height - mask.TopWidth) - mask.BottomWidth, 0);
    FillFrame32(cache, inner, gapLeft, gapTop, gapRight, gapBottom, static_cast<TColor>(ColorToRGB(colour)));
    inner = shrunk(r, f, f, f, f);
    if (dc != cache.Canvas().Handle()) CopyFrameStrips(dc, r.left, r.top, width, height, cache.Canvas().Handle(), r.left, r.top, f);
}

}  // namespace parch
