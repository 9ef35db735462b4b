#include "skin/controls/sSplitter.h"

#include <optional>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

constexpr int kSplitterKind = 75;

// The hint setting saved when a drag starts; one drag at a time in the process.
std::optional<bool> SplitterSavedShowHint;
const TsSplitter* SplitterDragging = nullptr;

void SplitterDragStarts(const TsSplitter* splitter) {
    if (SplitterSavedShowHint || Application == nullptr) return;
    SplitterSavedShowHint = Application->ShowHint;
    SplitterDragging = splitter;
    Application->ShowHint = false;
}

// Puts the hint setting back; only the splitter that started the drag can end it.
void SplitterDragEnds(const TsSplitter* splitter) {
    if (!SplitterSavedShowHint || SplitterDragging != splitter) return;
    if (Application != nullptr) Application->ShowHint = *SplitterSavedShowHint;
    SplitterSavedShowHint.reset();
    SplitterDragging = nullptr;
}

bool VerticalBar(const TControl& control) { return control.Align() == alLeft || control.Align() == alRight; }

// Every second row and column: a white pixel with a black one below and right of it.
void DrawDotGrip(TBitmap& target, RECT r) {
    for (int y = r.top; y < r.bottom; y += 2)
        for (int x = r.left; x < r.right; x += 2) {
            if (x < 0 || y < 0 || x + 1 >= target.Width() || y + 1 >= target.Height()) continue;
            reinterpret_cast<std::uint32_t*>(target.ScanLine(y))[x] = 0xFFFFFFFFu;
            reinterpret_cast<std::uint32_t*>(target.ScanLine(y + 1))[x + 1] = 0xFF000000u;
        }
}

}  // namespace

TsSplitter::TsSplitter(TComponent* owner)
    : TsSkinnedControl(owner, kSplitterKind, true), glyph_(NewPf32Bitmap(0, 0)) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque);
    SetWidth(6);
    AfterConstruction();
}

TsSplitter::~TsSplitter() { SplitterDragEnds(this); }

void TsSplitter::SetGlyph(const TBitmap& glyph) {
    glyph_ = NewPf32Bitmap(0, 0);
    glyph_->Assign(const_cast<TBitmap*>(&glyph));
    Repaint();
}

void TsSplitter::SetShowGrip(bool value) {
    if (showGrip_ == value) return;
    showGrip_ = value;
    Repaint();
}

int TsSplitter::PaintState() const {
    if (sizing_ && ResizeStyle() == rsUpdate) return 2;
    return SkinData().IsHotOrFocused() ? 1 : 0;
}

void TsSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    SplitterDragStarts(this);
    if (AutoSnap() && Parent() != nullptr) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            TControl* sibling = Parent()->Controls(i);
            if (sibling == this) continue;
            if (Align() == alTop && sibling->Height() == 0) sibling->SetTop(Top());
            if (Align() == alLeft && sibling->Width() == 0) sibling->SetLeft(Left());
        }
    }
    TSplitter::MouseDown(button, shift, x, y);
    sizing_ = true;
    if (ResizeStyle() == rsUpdate) Repaint();
}

void TsSplitter::MouseMove(TShiftState shift, int x, int y) {
    // A release that never reached the bar (a lost capture) ends the drag here.
    if (sizing_ && (shift & ssLeft) == 0) EndDrag();
    TSplitter::MouseMove(shift, x, y);
}

void TsSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TSplitter::MouseUp(button, shift, x, y);
    EndDrag();
}

void TsSplitter::EndDrag() {
    bool wasSizing = sizing_;
    sizing_ = false;
    if (wasSizing && ResizeStyle() == rsUpdate) Repaint();
    SplitterDragEnds(this);
}

void TsSplitter::DrawGlyphOrGrip(TBitmap& target, int state) {
    const int w = Width(), h = Height();
    if (!glyph_->Empty()) {
        int x = (w - glyph_->Width()) / 2, y = (h - glyph_->Height()) / 2;
        if (glyph_->PixelFormat() == pf32bit) {
            DrawAlphaImage(RECT{x, y, x + glyph_->Width(), y + glyph_->Height()},
                           RECT{0, 0, glyph_->Width(), glyph_->Height()}, target, *glyph_, EmptyBackdrop, false, clNone,
                           0, false);
        } else {
            glyph_->SetTransparent(true);
            target.Canvas().Draw(x, y, glyph_.get());
        }
        return;
    }
    if (!showGrip_) return;
    TsSkinManager* manager = SkinData().GetSkinManager();
    if (SkinData().IsSkinned() && manager != nullptr) {
        const TsSkinTables& tables = manager->Tables();
        int index = VerticalBar(*this) ? tables.ConstData.GripVert : tables.ConstData.GripHorz;
        if (IsValidMaskIndex(tables, index)) {
            const TsMaskData& grip = tables.Masks[static_cast<size_t>(index)];
            POINT p{(w - MaskFrameWidth(grip)) / 2, (h - MaskStateHeight(grip)) / 2};
            DrawMaskGlyph(target, p, state, 1, grip, InitBackgroundSource(&target, 0, 0));
            return;
        }
    }
    if (VerticalBar(*this))
        DrawDotGrip(target, RECT{(w - 4) / 2, (h - 21) / 2, (w - 4) / 2 + 4, (h - 21) / 2 + 21});
    else
        DrawDotGrip(target, RECT{(w - 21) / 2, (h - 4) / 2, (w - 21) / 2 + 21, (h - 4) / 2 + 4});
}

void TsSplitter::Paint() {
    TsCommonData& data = SkinData();
    if (!data.IsSkinned()) {
        TSplitter::Paint();
        auto copy = NewPf32Bitmap(Width(), Height());
        BitBlt(copy->Canvas().Handle(), 0, 0, Width(), Height(), Canvas().Handle(), 0, 0, SRCCOPY);
        DrawGlyphOrGrip(*copy, 0);
        BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), copy->Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    data.PrepareCacheBitmap();
    const int state = PaintState();
    TsBackgroundRequest request;
    if (Parent() != nullptr) GetControlBackdrop(request, *Parent(), false);
    PaintControlFace(data, BackdropFromQuery(request), state, RECT{0, 0, Width(), Height()}, POINT{Left(), Top()}, *data.CacheBitmap, true);
    DrawGlyphOrGrip(*data.CacheBitmap, state);
    BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
    // The bar keeps no cache between paints.
    data.CacheBitmap->SetSize(0, 0);
    if (OnPaint) OnPaint(this);
}

void TsSplitter::WndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        bool own = IsOwnManagerCommand(message, data);
        switch (SkinCommandOf(message.WParam)) {
            case scSkinLoaded:
                if (own) SharedControlMessageHandler(message, &data);
                return;
            case scSkinRemoved:
            case scRefreshFromSkin:
                if (own) {
                    SharedControlMessageHandler(message, &data);
                    Repaint();
                }
                return;
            case scIsSkinned:
                message.Result = 1;
                return;
            case scGetApplication:
                message.Result = reinterpret_cast<LRESULT>(Application);
                return;
            default:
                break;
        }
    }
    if (message.Msg == CM_CANCELMODE) EndDrag();
    if (!ControlCanPaint(this) || !data.IsSkinned()) {
        TsSkinnedControl::WndProc(message);
        return;
    }
    switch (message.Msg) {
        case WM_MOVE:
        case WM_SIZE:
        case WM_MOUSEWHEEL:
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
            data.BackgroundDirty = true;
            break;
        case WM_ERASEBKGND:
        case WM_NCPAINT:
            message.Result = 1;
            return;
        case SkinCommandMessage:
            if (SkinCommandOf(message.WParam) == scResumePainting && data.CheckUpdating()) {
                data.SetUpdating(false);
                Repaint();
                return;
            }
            break;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    TsSkinnedControl::WndProc(message);
    switch (message.Msg) {
        case CM_MOUSEENTER:
        case CM_MOUSELEAVE:
            if (!data.HasFocus) {
                data.MouseInside = message.Msg == CM_MOUSEENTER;
                data.BackgroundDirty = true;
                Repaint();
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case CM_ENTER:
        case CM_EXIT:
            data.HasFocus = message.Msg == WM_SETFOCUS || message.Msg == CM_ENTER;
            data.MouseInside = false;
            data.BackgroundDirty = true;
            Repaint();
            break;
        default:
            break;
    }
}

}  // namespace parch
