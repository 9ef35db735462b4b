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
    int glyphWidth = glyph_->Empty() ? 0 : glyph_->Width() / numGlyphs_;
    SIZE glyphSize{glyphWidth, glyphWidth ? glyph_->Height() : 0};
    RECT textRect{0, 0, 0, 0};
    if (!Caption().empty()) {
        textRect.right = face.right - face.left;
        DrawText(canvas.Handle(), Caption().c_str(), -1, &textRect, DT_CALCRECT | DT_SINGLELINE);
    }
    SIZE textSize{textRect.right - textRect.left, textRect.bottom - textRect.top};
    TButtonArrangement place = ArrangeButtonGlyph(face, offset, glyphSize, textSize, layout_, margin_, spacing_);
    if (glyphWidth > 0) {
        // The picture for the state, the first one where the strip has none of its own.
        int index = static_cast<int>(state_);
        if (index >= numGlyphs_) index = 0;
        RECT source{index * glyphWidth, 0, (index + 1) * glyphWidth, glyphSize.cy};
        RECT dest{place.GlyphPos.x, place.GlyphPos.y, place.GlyphPos.x + glyphWidth, place.GlyphPos.y + glyphSize.cy};
        TBitmap part;
        part.SetSize(glyphWidth, glyphSize.cy);
        part.Canvas().CopyRect({0, 0, glyphWidth, glyphSize.cy}, glyph_->Canvas(), source);
        part.SetTransparent(true);
        canvas.StretchDraw(dest, &part);
    }
    canvas.Brush().SetStyle(bsClear);
    RECT text = place.TextBounds;
    UINT flags = DrawTextBiDiModeFlags(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (state_ == bsDisabled) {
        // Embossed: a light copy one pixel down and right under a shadowed one.
        OffsetRect(&text, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(canvas.Handle(), Caption().c_str(), -1, &text, flags);
        OffsetRect(&text, -1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(canvas.Handle(), Caption().c_str(), -1, &text, flags);
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
