#include "framework/Buttons.h"

#include <algorithm>

#include "framework/Actions.h"
#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Rects.h"
#include "platform/win/WinApi.h"

namespace parch {

TButtonArrangement ArrangeButtonGlyph(const RECT& client, POINT offset, SIZE glyphSize, SIZE textSize,
                                      TButtonLayout layout, int margin, int spacing) {
    POINT clientSize{client.right - client.left, client.bottom - client.top};
    POINT glyph{}, text{};
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        glyph.y = (clientSize.y - glyphSize.cy + 1) / 2;
        text.y = (clientSize.y - textSize.cy + 1) / 2;
    } else {
        glyph.x = (clientSize.x - glyphSize.cx + 1) / 2;
        text.x = (clientSize.x - textSize.cx + 1) / 2;
    }
    if (textSize.cx == 0 || glyphSize.cx == 0) spacing = 0;
    int along = horizontal ? clientSize.x : clientSize.y;
    int glyphAlong = horizontal ? glyphSize.cx : glyphSize.cy;
    int textAlong = horizontal ? textSize.cx : textSize.cy;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (along - glyphAlong - textAlong) / 3;
            spacing = margin;
        } else {
            margin = (along - (glyphAlong + spacing + textAlong) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (along - (margin + glyphAlong) - textAlong) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyph.x = margin;
        text.x = glyph.x + glyphSize.cx + spacing;
        break;
    case blGlyphRight:
        glyph.x = clientSize.x - margin - glyphSize.cx;
        text.x = glyph.x - spacing - textSize.cx;
        break;
    case blGlyphTop:
        glyph.y = margin;
        text.y = glyph.y + glyphSize.cy + spacing;
        break;
    case blGlyphBottom:
        glyph.y = clientSize.y - margin - glyphSize.cy;
        text.y = glyph.y - spacing - textSize.cy;
        break;
    }
    int dx = client.left + offset.x, dy = client.top + offset.y;
    TButtonArrangement result;
    result.GlyphPos = {glyph.x + dx, glyph.y + dy};
    result.TextBounds = {text.x + dx, text.y + dy, text.x + dx + textSize.cx, text.y + dy + textSize.cy};
    return result;
}

void DrawButtonGlyphAndCaption(TCanvas& canvas, TBitmap& glyph, int numGlyphs, const TButtonFace& look,
                               const RECT& face, POINT offset, UINT textFlags) {
    int glyphWidth = glyph.Empty() ? 0 : glyph.Width() / std::max(numGlyphs, 1);
    SIZE glyphSize{glyphWidth, glyphWidth ? glyph.Height() : 0};
    RECT textRect{0, 0, 0, 0};
    if (!look.Caption.empty()) {
        textRect.right = face.right - face.left;
        DrawText(canvas.Handle(), look.Caption.c_str(), -1, &textRect, DT_CALCRECT | DT_SINGLELINE);
    }
    SIZE textSize{textRect.right - textRect.left, textRect.bottom - textRect.top};
    TButtonArrangement place = ArrangeButtonGlyph(face, offset, glyphSize, textSize, look.Layout, look.Margin, look.Spacing);
    if (glyphWidth > 0) {
        // The picture for the state, the first one where the strip has none of its own.
        int index = look.GlyphIndex < numGlyphs ? look.GlyphIndex : 0;
        RECT source{index * glyphWidth, 0, (index + 1) * glyphWidth, glyphSize.cy};
        RECT dest{place.GlyphPos.x, place.GlyphPos.y, place.GlyphPos.x + glyphWidth, place.GlyphPos.y + glyphSize.cy};
        TBitmap part;
        part.SetSize(glyphWidth, glyphSize.cy);
        part.Canvas().CopyRect({0, 0, glyphWidth, glyphSize.cy}, glyph.Canvas(), source);
        part.SetTransparent(true);
        canvas.StretchDraw(dest, &part);
    }
    canvas.Brush().SetStyle(bsClear);
    RECT text = place.TextBounds;
    if (look.Disabled) {
        // Embossed: a light copy one pixel down and right under a shadowed one.
        OffsetRect(&text, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(canvas.Handle(), look.Caption.c_str(), -1, &text, textFlags);
        OffsetRect(&text, -1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(canvas.Handle(), look.Caption.c_str(), -1, &text, textFlags);
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    // Click comes from MouseUp: on release inside, after the state changed.
    SetControlStyle(csCaptureMouse | csDoubleClicks);
    StoreBounds(0, 0, 23, 22);
    SetParentFont(true);
    SetColor(clBtnFace);
    glyph_->OnChange = [this] { Invalidate(); };
}

TSpeedButton::~TSpeedButton() {
    glyph_->OnChange = nullptr;
}

void TSpeedButton::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !value && !allowAllUp_) return;  // one of the group stays down
    down_ = value;
    state_ = value ? bsExclusive : bsUp;
    Invalidate();
    if (value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent()) return;
    TMessage message{CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
    Parent()->Broadcast(message);
}

void TSpeedButton::ButtonPressed(int group, TSpeedButton* sender) {
    if (group != groupIndex_ || sender == this) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = bsUp;
        Invalidate();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TSpeedButton::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_) return;
    numGlyphs_ = value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TSpeedButton::SetMargin(int value) {
    if (value == margin_ || value < -1) return;
    margin_ = value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
    if (value == spacing_) return;
    spacing_ = value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = bsDown;
        Invalidate();
    }
    dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) return;
    bool inside = Contains(ClientRect(), {x, y});
    TButtonState newState = down_ ? bsExclusive : (inside ? bsDown : bsUp);
    if (newState != state_) {
        state_ = newState;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_ || button != mbLeft) return;
    dragging_ = false;
    bool doClick = Contains(ClientRect(), {x, y});
    if (groupIndex_ == 0) {
        state_ = bsUp;
        mouseInControl_ = doClick;
    } else if (doClick) {
        SetDown(!down_);
    } else if (down_) {
        state_ = bsExclusive;
    } else {
        state_ = bsUp;
    }
    Invalidate();
    if (doClick) Click();
}

void TSpeedButton::ActionChange(TBasicAction* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    if (auto* action = dynamic_cast<TCustomAction*>(sender); action && (!checkDefaults || !down_))
        SetDown(action->Checked());
}

void TSpeedButton::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_BUTTONPRESSED:
        ButtonPressed(static_cast<int>(message.WParam), reinterpret_cast<TSpeedButton*>(message.LParam));
        return;
    case CM_MOUSEENTER:
        if (Enabled()) {
            mouseInControl_ = true;
            if (flat_) Invalidate();
        }
        break;
    case CM_MOUSELEAVE:
        if (mouseInControl_ && Enabled()) {
            mouseInControl_ = false;
            if (flat_) Invalidate();
        }
        break;
    case CM_ENABLEDCHANGED:
        if (!Enabled()) mouseInControl_ = false;
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(message);
}

void TSpeedButton::DrawFace(TCanvas& canvas, RECT& face) {
    bool pressed = state_ == bsDown || state_ == bsExclusive;
    HDC dc = canvas.Handle();
    if (!flat_) {
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        InflateRect(&face, -2, -2);  // inside the push button's two-pixel edge
    } else {
        if (!transparent_ || pressed || mouseInControl_) {
            canvas.Brush().SetColor(Color());
            canvas.FillRect(face);
        }
        if (pressed || (mouseInControl_ && state_ != bsDisabled))
            DrawEdge(dc, &face, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    }
    if (state_ == bsExclusive && !(flat_ && mouseInControl_)) {
        // The down face of a group: a checkered face, one pixel of each colour in turn.
        for (int y = face.top; y < face.bottom; ++y)
            for (int x = face.left + ((y - face.top) & 1); x < face.right; x += 2) canvas.SetPixels(x, y, clBtnHighlight);
    }
}

void TSpeedButton::DrawGlyphAndCaption(TCanvas& canvas, const RECT& face, POINT offset) {
    TButtonFace look{Caption(), static_cast<int>(state_), state_ == bsDisabled, layout_, margin_, spacing_};
    DrawButtonGlyphAndCaption(canvas, *glyph_, numGlyphs_, look, face, offset, DrawTextBiDiModeFlags(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
}

void TSpeedButton::Paint() {
    if (!Enabled()) {
        state_ = bsDisabled;
        dragging_ = false;
    } else if (state_ == bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    }
    TCanvas& canvas = Canvas();
    RECT face = ClientRect();
    DrawFace(canvas, face);
    bool pressed = state_ == bsDown || (state_ == bsExclusive && !flat_);
    DrawGlyphAndCaption(canvas, face, pressed ? POINT{1, 1} : POINT{0, 0});
}

void TSpeedButton::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "GroupIndex")) return SetGroupIndex(PropertyInt(name, value));
    if (SameText(name, "Down")) return SetDown(PropertyBool(name, value));
    if (SameText(name, "AllowAllUp")) return SetAllowAllUp(PropertyBool(name, value));
    if (SameText(name, "Flat")) return SetFlat(PropertyBool(name, value));
    if (SameText(name, "NumGlyphs")) return SetNumGlyphs(PropertyInt(name, value));
    if (SameText(name, "Margin")) return SetMargin(PropertyInt(name, value));
    if (SameText(name, "Spacing")) return SetSpacing(PropertyInt(name, value));
    if (SameText(name, "Transparent")) return SetTransparent(PropertyBool(name, value));
    if (SameText(name, "Layout"))
        return SetLayout(PropertyEnum<TButtonLayout>(name, value,
                                                     {{"blGlyphLeft", blGlyphLeft},
                                                      {"blGlyphRight", blGlyphRight},
                                                      {"blGlyphTop", blGlyphTop},
                                                      {"blGlyphBottom", blGlyphBottom}}));
    TGraphicControl::SetPropertyText(name, value);
}

}  // namespace parch

namespace parch {

namespace bitbtn {

struct KindInfo {
    const char* caption;
    TModalResult modalResult;
};

constexpr KindInfo kKinds[] = {
    {"", mrNone},        {"OK", mrOk},         {"Cancel", mrCancel}, {"&Help", mrNone},
    {"&Yes", mrYes},     {"&No", mrNo},        {"&Close", mrNone},   {"Abort", mrAbort},
    {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll},
};

constexpr int kGlyphSize = 18;
constexpr TColor kGlyphBackground = clOlive;  // the bottom-left pixel: drawn transparent

void ThickLine(TCanvas& canvas, std::initializer_list<POINT> points, TColor color) {
    canvas.Pen().SetColor(color);
    canvas.Pen().SetWidth(3);
    canvas.Polyline(std::span<const POINT>(points.begin(), points.size()));
}

void Tick(TCanvas& canvas, int dx, TColor color) {
    ThickLine(canvas, {{3 + dx, 9}, {7 + dx, 13}, {14 + dx, 4}}, color);
}

void Cross(TCanvas& canvas, TColor color) {
    ThickLine(canvas, {{4, 4}, {14, 14}}, color);
    ThickLine(canvas, {{14, 4}, {4, 14}}, color);
}

void Letter(TCanvas& canvas, const char* text, TColor color) {
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetColor(color);
    canvas.Font().SetStyle(fsBold);
    RECT r{0, 0, kGlyphSize, kGlyphSize};
    DrawText(canvas.Handle(), text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// Draws the kind's picture on a square of kGlyphSize.
void DrawKindGlyph(TCanvas& canvas, TBitBtnKind kind) {
    canvas.Brush().SetColor(kGlyphBackground);
    canvas.FillRect({0, 0, kGlyphSize, kGlyphSize});
    switch (kind) {
    case bkOK:
    case bkYes:
        Tick(canvas, 0, clGreen);
        break;
    case bkAll:
        Tick(canvas, -2, clGreen);
        Tick(canvas, 2, clGreen);
        break;
    case bkCancel:
    case bkNo:
    case bkAbort:
        Cross(canvas, clRed);
        break;
    case bkHelp:
        Letter(canvas, "?", clBlue);
        break;
    case bkClose:
        // A door ajar.
        canvas.Pen().SetColor(clBlack);
        canvas.Brush().SetColor(clMaroon);
        canvas.Rectangle(5, 2, 13, 16);
        canvas.Brush().SetColor(clYellow);
        canvas.FillRect({10, 8, 12, 10});
        break;
    case bkRetry:
        canvas.Pen().SetColor(clGreen);
        canvas.Pen().SetWidth(2);
        canvas.Brush().SetStyle(bsClear);
        canvas.Ellipse(3, 3, 15, 15);
        canvas.Brush().SetColor(clGreen);
        canvas.Pen().SetWidth(1);
        {
            POINT head[] = {{12, 1}, {17, 5}, {11, 7}};
            canvas.Polygon(head);
        }
        break;
    case bkIgnore:
        Letter(canvas, "!", clGray);
        break;
    case bkCustom:
        break;
    }
}

}  // namespace bitbtn

std::string BitBtnCaption(TBitBtnKind kind) {
    return bitbtn::kKinds[static_cast<int>(kind)].caption;
}

TModalResult BitBtnModalResult(TBitBtnKind kind) {
    return bitbtn::kKinds[static_cast<int>(kind)].modalResult;
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {
    glyph_->OnChange = [this] { Changed(); };
}

TBitBtn::~TBitBtn() {
    glyph_->OnChange = nullptr;
}

void TBitBtn::Changed() {
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, 0);
}

void TBitBtn::CreateParams(TCreateParams& params) {
    TButton::CreateParams(params);
    params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TBitBtn::SetButtonStyle(bool isDefault) {
    // The window stays owner-drawn: the default look is this control's to draw.
    if (isDefault == isFocused_) return;
    isFocused_ = isDefault;
    Changed();
}

void TBitBtn::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_) return;
    numGlyphs_ = value;
    Changed();
}

void TBitBtn::SetKind(TBitBtnKind value) {
    if (value == kind_) return;
    kind_ = value;
    kindGlyph_.reset();
    if (value != bkCustom) {
        SetCaption(BitBtnCaption(value));
        SetModalResult(BitBtnModalResult(value));
        if (value == bkOK || value == bkYes) SetDefault(true);
        if (value == bkCancel || value == bkNo) SetCancel(true);
    }
    Changed();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Changed();
}

void TBitBtn::SetMargin(int value) {
    if (value == margin_ || value < -1) return;
    margin_ = value;
    Changed();
}

void TBitBtn::SetSpacing(int value) {
    if (value == spacing_) return;
    spacing_ = value;
    Changed();
}

void TBitBtn::SetStyle(TButtonStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

TBitmap* TBitBtn::CurrentGlyph() {
    if (!glyph_->Empty() || kind_ == bkCustom) return glyph_.get();
    if (!kindGlyph_) {
        kindGlyph_ = std::make_unique<TBitmap>();
        kindGlyph_->SetSize(bitbtn::kGlyphSize, bitbtn::kGlyphSize);
        bitbtn::DrawKindGlyph(kindGlyph_->Canvas(), kind_);
    }
    return kindGlyph_.get();
}

void TBitBtn::Click() {
    // A Close button closes its form.
    if (TCustomForm* form = ParentForm(); kind_ == bkClose && form) {
        form->Close();
        TControl::Click();
        return;
    }
    TButton::Click();
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    TCanvas canvas;
    canvas.SetHandle(item.hDC);
    canvas.SetFont(Font());
    RECT r = item.rcItem;
    bool pressed = item.itemState & ODS_SELECTED;
    bool isDefault = isFocused_ || (item.itemState & ODS_FOCUS);
    if (isDefault) {
        canvas.Brush().SetColor(clWindowFrame);
        canvas.FrameRect(r);
        InflateRect(&r, -1, -1);
    }
    if (pressed) {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(r);
        canvas.Brush().SetColor(clBtnShadow);
        canvas.FrameRect(r);
    } else {
        DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
        InflateRect(&r, -2, -2);
    }
    TButtonFace look{Caption(), 0, !Enabled(), layout_, margin_, spacing_};
    // The strip: up, disabled, down.
    look.GlyphIndex = !Enabled() ? 1 : pressed ? 2 : 0;
    RECT face = item.rcItem;
    InflateRect(&face, -2, -2);
    DrawButtonGlyphAndCaption(canvas, *CurrentGlyph(), CurrentGlyph() == glyph_.get() ? numGlyphs_ : 1, look, face,
                              pressed ? POINT{1, 1} : POINT{0, 0},
                              DrawTextBiDiModeFlags(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    if ((item.itemState & ODS_FOCUS) && isFocused_) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        canvas.Brush().SetColor(clBtnFace);
        canvas.DrawFocusRect(focus);
    }
    canvas.SetHandle(nullptr);
}

void TBitBtn::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = 1;
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TButton::Dispatch(message);
        Changed();
        return;
    default:
        TButton::Dispatch(message);
    }
}

void TBitBtn::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "NumGlyphs")) return SetNumGlyphs(PropertyInt(name, value));
    if (SameText(name, "Margin")) return SetMargin(PropertyInt(name, value));
    if (SameText(name, "Spacing")) return SetSpacing(PropertyInt(name, value));
    if (SameText(name, "Kind"))
        return SetKind(PropertyEnum<TBitBtnKind>(name, value,
                                                 {{"bkCustom", bkCustom}, {"bkOK", bkOK}, {"bkCancel", bkCancel},
                                                  {"bkHelp", bkHelp}, {"bkYes", bkYes}, {"bkNo", bkNo},
                                                  {"bkClose", bkClose}, {"bkAbort", bkAbort}, {"bkRetry", bkRetry},
                                                  {"bkIgnore", bkIgnore}, {"bkAll", bkAll}}));
    if (SameText(name, "Layout"))
        return SetLayout(PropertyEnum<TButtonLayout>(name, value,
                                                     {{"blGlyphLeft", blGlyphLeft},
                                                      {"blGlyphRight", blGlyphRight},
                                                      {"blGlyphTop", blGlyphTop},
                                                      {"blGlyphBottom", blGlyphBottom}}));
    TButton::SetPropertyText(name, value);
}

}  // namespace parch
