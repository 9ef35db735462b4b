#include "framework/ExtCtrls.h"

#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Rects.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace extctrls {

void BevelColors(TBevelCut cut, TColor& top, TColor& bottom) {
    top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
}

void Line(TCanvas& canvas, TColor color, int x1, int y1, int x2, int y2) {
    canvas.Pen().SetColor(color);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

const std::initializer_list<std::pair<const char*, TBevelCut>> kBevelCuts = {
    {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};

}  // namespace extctrls

void Frame3D(TCanvas& canvas, RECT& rect, TColor topColor, TColor bottomColor, int width) {
    for (int i = 0; i < width; ++i) {
        --rect.bottom;
        --rect.right;
        extctrls::Line(canvas, topColor, rect.left, rect.bottom, rect.left, rect.top);
        canvas.LineTo(rect.right, rect.top);
        extctrls::Line(canvas, bottomColor, rect.right, rect.top, rect.right, rect.bottom);
        canvas.LineTo(rect.left - 1, rect.bottom);
        // The rectangle inside the ring just drawn.
        ++rect.left;
        ++rect.top;
    }
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque | csSetCaption | csParentBackground);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    if (borderStyle_ == bsSingle) {
        if (Ctl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

int TCustomPanel::EdgeWidth() const {
    int cuts = (bevelInner_ != bvNone ? 1 : 0) + (bevelOuter_ != bvNone ? 1 : 0);
    return borderWidth_ + cuts * bevelWidth_;
}

void TCustomPanel::AdjustClientRect(RECT& rect) {
    TCustomControl::AdjustClientRect(rect);
    InflateRect(&rect, -EdgeWidth(), -EdgeWidth());
}

void TCustomPanel::EdgesChanged() {
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    if (value == bevelInner_) return;
    bevelInner_ = value;
    EdgesChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    EdgesChanged();
}

void TCustomPanel::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (value == bevelWidth_) return;
    bevelWidth_ = value;
    EdgesChanged();
}

void TCustomPanel::SetBorderWidth(int value) {
    value = std::max(value, 0);
    if (value == borderWidth_) return;
    borderWidth_ = value;
    EdgesChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::SetParentBackground(bool value) {
    SetControlStyle(value ? ControlStyle() | csParentBackground : ControlStyle() & ~csParentBackground);
    Invalidate();
}

void TCustomPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        extctrls::BevelColors(bevelOuter_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    Frame3D(canvas, r, Color(), Color(), borderWidth_);
    if (bevelInner_ != bvNone) {
        extctrls::BevelColors(bevelInner_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    canvas.Brush().SetStyle(bsClear);
    static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | kAlign[static_cast<int>(alignment_)]);
    DrawText(canvas.Handle(), Caption().c_str(), -1, &r, flags);
}

void TCustomPanel::Dispatch(TMessage& message) {
    // The 3-D look is the border's window style: the window is made anew.
    if (message.Msg == CM_CTL3DCHANGED && borderStyle_ == bsSingle) RecreateWnd();
    TCustomControl::Dispatch(message);
}

void TCustomPanel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "BevelInner")) return SetBevelInner(PropertyEnum<TBevelCut>(name, value, extctrls::kBevelCuts));
    if (SameText(name, "BevelOuter")) return SetBevelOuter(PropertyEnum<TBevelCut>(name, value, extctrls::kBevelCuts));
    if (SameText(name, "BevelWidth")) return SetBevelWidth(PropertyInt(name, value));
    if (SameText(name, "BorderWidth")) return SetBorderWidth(PropertyInt(name, value));
    if (SameText(name, "BorderStyle"))
        return SetBorderStyle(PropertyEnum<TBorderStyle>(name, value, {{"bsNone", bsNone}, {"bsSingle", bsSingle}}));
    if (SameText(name, "Alignment"))
        return SetAlignment(PropertyEnum<TAlignment>(
            name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}}));
    if (SameText(name, "ParentBackground")) return SetParentBackground(PropertyBool(name, value));
    TCustomControl::SetPropertyText(name, value);
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csReplicatable);
    StoreBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
    if (value == shape_) return;
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (value == style_) return;
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas& canvas = Canvas();
    TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    // Top and left in one colour, bottom and right in the other; the corner points included.
    auto bevelRect = [&](const RECT& r, TColor a, TColor b) {
        extctrls::Line(canvas, a, r.left, r.bottom, r.left, r.top);
        canvas.LineTo(r.right, r.top);
        extctrls::Line(canvas, b, r.right, r.top, r.right, r.bottom);
        canvas.LineTo(r.left - 1, r.bottom);
    };
    switch (shape_) {
    case bsBox:
        bevelRect({0, 0, w - 1, h - 1}, first, second);
        break;
    case bsFrame:
        bevelRect({1, 1, w - 1, h - 1}, second, second);
        bevelRect({0, 0, w - 2, h - 2}, first, first);
        break;
    case bsTopLine:
        extctrls::Line(canvas, first, 0, 0, w, 0);
        extctrls::Line(canvas, second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        extctrls::Line(canvas, first, 0, h - 2, w, h - 2);
        extctrls::Line(canvas, second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        extctrls::Line(canvas, first, 0, 0, 0, h);
        extctrls::Line(canvas, second, 1, 0, 1, h);
        break;
    case bsRightLine:
        extctrls::Line(canvas, first, w - 2, 0, w - 2, h);
        extctrls::Line(canvas, second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

void TBevel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Shape"))
        return SetShape(PropertyEnum<TBevelShape>(name, value,
                                                  {{"bsBox", bsBox},
                                                   {"bsFrame", bsFrame},
                                                   {"bsTopLine", bsTopLine},
                                                   {"bsBottomLine", bsBottomLine},
                                                   {"bsLeftLine", bsLeftLine},
                                                   {"bsRightLine", bsRightLine},
                                                   {"bsSpacer", bsSpacer}}));
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TBevelStyle>(name, value, {{"bsLowered", bsLowered}, {"bsRaised", bsRaised}}));
    TGraphicControl::SetPropertyText(name, value);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this] { PictureChanged(); };
    StoreBounds(0, 0, 105, 105);
}

TImage::~TImage() {
    picture_->OnChange = nullptr;
}

void TImage::PictureChanged() {
    if (TGraphic* g = picture_->Graphic(); g && transparent_ != g->Transparent()) g->SetTransparent(transparent_);
    AdjustSize();
    Invalidate();
}

void TImage::Changed(bool& field, bool value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

void TImage::SetStretch(bool value) { Changed(stretch_, value); }
void TImage::SetCenter(bool value) { Changed(center_, value); }
void TImage::SetProportional(bool value) { Changed(proportional_, value); }

void TImage::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    PictureChanged();
}

RECT TImage::DestRect() const {
    int w = picture_->Width(), h = picture_->Height();
    RECT client = ClientRect();
    int cw = client.right, ch = client.bottom;
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            // Fit the longer side first, then the other if it still sticks out.
            long long pw = w, ph = h;
            if (w > h) {
                w = cw;
                h = static_cast<int>(cw * ph / pw);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(ch * pw / ph);
                }
            } else {
                h = ch;
                w = static_cast<int>(ch * pw / ph);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(cw * ph / pw);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    RECT r{0, 0, w, h};
    if (center_) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->Empty()) return;
    Canvas().StretchDraw(DestRect(), graphic);
}

bool TImage::CanAutoSize(int& width, int& height) {
    if (picture_->Width() <= 0 || picture_->Height() <= 0) return false;
    width = picture_->Width();
    height = picture_->Height();
    return true;
}

void TImage::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Stretch")) return SetStretch(PropertyBool(name, value));
    if (SameText(name, "Center")) return SetCenter(PropertyBool(name, value));
    if (SameText(name, "Proportional")) return SetProportional(PropertyBool(name, value));
    if (SameText(name, "Transparent")) return SetTransparent(PropertyBool(name, value));
    TGraphicControl::SetPropertyText(name, value);
}

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(alLeft);
    StoreBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
    SetParentColor(true);
}

void TSplitter::RequestAlign() {
    TGraphicControl::RequestAlign();
    if (Cursor() == crHSplit || Cursor() == crVSplit) SetCursor(Horizontal() ? crHSplit : crVSplit);
}

void TSplitter::SetBeveled(bool value) {
    if (value == beveled_) return;
    beveled_ = value;
    Invalidate();
}

void TSplitter::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    if (beveled_) {
        // A raised line along the bar.
        if (Horizontal())
            InflateRect(&r, -1, 2);
        else
            InflateRect(&r, 2, -1);
        Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    }
    if (OnPaint) OnPaint(this);
}

TControl* TSplitter::FindNeighbour() const {
    TWinControl* parent = Parent();
    if (!parent) return nullptr;
    // The control of the same alignment whose edge touches the bar's far side.
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        bool touches = false;
        switch (Align()) {
        case alLeft: touches = c->Left() + c->Width() == Left(); break;
        case alRight: touches = c->Left() == Left() + Width(); break;
        case alTop: touches = c->Top() + c->Height() == Top(); break;
        case alBottom: touches = c->Top() == Top() + Height(); break;
        default: break;
        }
        if (touches) return c;
    }
    return nullptr;
}

void TSplitter::CalcSplitSize(int x, int y, int& newSize, int& split) const {
    split = Horizontal() ? x - downPos_.x : y - downPos_.y;
    int size = 0;
    switch (Align()) {
    case alLeft: size = control_->Width() + split; break;
    case alRight: size = control_->Width() - split; break;
    case alTop: size = control_->Height() + split; break;
    case alBottom: size = control_->Height() - split; break;
    default: break;
    }
    newSize = std::clamp(size, minSize_, std::max(minSize_, maxSize_));
    if (size != newSize) split += (Align() == alRight || Align() == alBottom) ? size - newSize : newSize - size;
}

bool TSplitter::CanResize(int& newSize) {
    bool accept = true;
    if (OnCanResize) OnCanResize(this, newSize, accept);
    return accept;
}

bool TSplitter::DoCanResize(int& newSize) {
    bool accept = CanResize(newSize);
    if (accept && newSize <= minSize_ && autoSnap_) newSize = 0;
    return accept;
}

void TSplitter::Moved() {
    if (OnMoved) OnMoved(this);
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Parent()) return;
    control_ = FindNeighbour();
    if (!control_) return;
    downPos_ = {x, y};
    // What the other controls on this axis leave over, less the minimum of the parent's rest.
    RECT client = Parent()->ClientRect();
    maxSize_ = (Horizontal() ? client.right : client.bottom) - minSize_;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (!c->Visible()) continue;
        if (Horizontal() && (c->Align() == alLeft || c->Align() == alRight)) maxSize_ -= c->Width();
        if (!Horizontal() && (c->Align() == alTop || c->Align() == alBottom)) maxSize_ -= c->Height();
    }
    maxSize_ += Horizontal() ? control_->Width() : control_->Height();
    oldSize_ = Horizontal() ? control_->Width() : control_->Height();
    newSize_ = oldSize_;
    split_ = 0;
    DrawLine();
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!control_) return;
    int newSize, split;
    CalcSplitSize(x, y, newSize, split);
    if (!DoCanResize(newSize)) return;
    DrawLine();
    newSize_ = newSize;
    split_ = split;
    if (resizeStyle_ == rsUpdate) UpdateControlSize();
    DrawLine();
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (control_) StopSizing();
}

void TSplitter::StopSizing() {
    DrawLine();
    lineVisible_ = false;
    UpdateControlSize();
    control_ = nullptr;
    Moved();
}

void TSplitter::UpdateControlSize() {
    if (newSize_ == oldSize_ || !control_) return;
    TWinControl* parent = Parent();
    parent->DisableAlign();
    switch (Align()) {
    case alLeft: control_->SetWidth(newSize_); break;
    case alTop: control_->SetHeight(newSize_); break;
    case alRight:
        control_->SetBounds(control_->Left() + control_->Width() - newSize_, control_->Top(), newSize_,
                            control_->Height());
        break;
    case alBottom:
        control_->SetBounds(control_->Left(), control_->Top() + control_->Height() - newSize_, control_->Width(),
                            newSize_);
        break;
    default: break;
    }
    parent->EnableAlign();
    parent->Update();
    oldSize_ = newSize_;
    split_ = 0;  // the bar followed the neighbour
}

void TSplitter::DrawLine() {
    if (resizeStyle_ != rsLine && resizeStyle_ != rsPattern) return;
    TWinControl* parent = Parent();
    if (!control_ || !parent || !parent->HandleAllocated()) return;
    lineVisible_ = !lineVisible_;
    // An inverted bar where the splitter would go; drawn twice it is gone again.
    RECT r = BoundsRect();
    if (Horizontal())
        OffsetRect(&r, split_, 0);
    else
        OffsetRect(&r, 0, split_);
    HDC dc = GetDC(parent->Handle());
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
    ReleaseDC(parent->Handle(), dc);
}

void TSplitter::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "MinSize")) return SetMinSize(PropertyInt(name, value));
    if (SameText(name, "AutoSnap")) return SetAutoSnap(PropertyBool(name, value));
    if (SameText(name, "Beveled")) return SetBeveled(PropertyBool(name, value));
    if (SameText(name, "ResizeStyle"))
        return SetResizeStyle(PropertyEnum<TResizeStyle>(
            name, value, {{"rsNone", rsNone}, {"rsLine", rsLine}, {"rsUpdate", rsUpdate}, {"rsPattern", rsPattern}}));
    TGraphicControl::SetPropertyText(name, value);
}

void TSplitter::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnCanResize")) return AssignEvent(OnCanResize, name, handler);
    if (SameText(name, "OnMoved")) return AssignEvent(OnMoved, name, handler);
    if (SameText(name, "OnPaint")) return AssignEvent(OnPaint, name, handler);
    TGraphicControl::SetEvent(name, handler);
}

}  // namespace parch
