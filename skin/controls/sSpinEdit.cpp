#include "skin/controls/sSpinEdit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <span>

#include "base/NumberText.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Rects.h"
#include "platform/win/EditClass.h"
#include "platform/win/Input.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

namespace {

constexpr char kSpinSection[] = "SPEEDBUTTON_SMALL";
constexpr unsigned kFirstRepeatDelay = 400;
constexpr unsigned kRepeatInterval = 100;
constexpr int kMinSpinWidth = 15;
constexpr char kSpinSeparator = '.';  // the system decimal separator here, in any locale

const TsGeneralData* SpinSectionRecord(TsSkinManager* manager, int index) {
    if (manager == nullptr || index < 0 || index >= static_cast<int>(manager->Tables().Sections.size())) return nullptr;
    return &manager->Tables().Sections[index];
}

bool IsSpinSign(char c) { return c == '+' || c == '-'; }

}  // namespace

// ----- number text -----

std::string SpinValueText(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 18);
    if (!std::isfinite(value)) value = 0;
    // Fixed notation at any size, so the text stays one the keys could type and read back.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // A negative value that rounds to zero is shown without its sign.
    if (text.front() == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text;
}

bool TryReadSpinNumber(const std::string& text, double& value) {
    size_t i = 0;
    if (i < text.size() && IsSpinSign(text[i])) ++i;
    size_t digits = 0;
    bool separator = false;
    for (size_t j = i; j < text.size(); ++j) {
        char c = text[j];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == kSpinSeparator && !separator) {
            separator = true;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    std::string plain = text.substr(i);
    if (plain.front() == kSpinSeparator) plain.insert(0, "0");
    double magnitude = 0;
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), magnitude);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(magnitude)) return false;
    value = i > 0 && text[0] == '-' ? -magnitude : magnitude;
    return true;
}

// ----- TsTimerSpeedButton -----

TsTimerSpeedButton::TsTimerSpeedButton(TsSpinButton& owner, bool up) : owner_(owner), up_(up) {}

TsTimerSpeedButton::~TsTimerSpeedButton() = default;

int TsTimerSpeedButton::CurrentState() const {
    if (down_) return 2;
    return MouseInside ? 1 : 0;
}

void TsTimerSpeedButton::MouseDown() {
    down_ = true;
    if (!AutoRepeat) return;
    if (!repeatTimer_) {
        repeatTimer_ = std::make_unique<TTimer>(nullptr);
        repeatTimer_->SetOnTimer([this](TObject* sender) { TimerTick(sender); });
    }
    repeatTimer_->SetEnabled(false);
    repeatTimer_->SetInterval(kFirstRepeatDelay);
    repeatTimer_->SetEnabled(true);
}

void TsTimerSpeedButton::MouseUp(bool overButton) {
    down_ = false;
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
    if (overButton) owner_.ButtonClick(*this);
}

bool TsTimerSpeedButton::Repeating() const { return repeatTimer_ && repeatTimer_->Enabled(); }

unsigned TsTimerSpeedButton::RepeatInterval() const { return repeatTimer_ ? repeatTimer_->Interval() : 0; }

void TsTimerSpeedButton::TimerTick(TObject*) {
    repeatTimer_->SetInterval(kRepeatInterval);
    if (!owner_.MouseCapture()) return;
    try {
        owner_.ButtonClick(*this);
    } catch (...) {
        repeatTimer_->SetEnabled(false);
        throw;
    }
}

TColor TsTimerSpeedButton::ArrowColor() const {
    TsEdit* edit = owner_.OwnerEdit();
    TsSkinManager* manager = edit != nullptr ? edit->SkinData().GetSkinManager() : nullptr;
    int index = manager != nullptr ? GetSectionIndex(manager, kSpinSection) : -1;
    if (edit != nullptr && edit->SkinData().IsSkinned() && index >= 0 && !edit->SkinData().CustomFont()) {
        if (CurrentState() == 0) {
            if (const TsGeneralData* own = edit->SkinData().Section()) return static_cast<TColor>(own->FontColor);
        }
        if (const TsGeneralData* section = SpinSectionRecord(manager, index))
            return static_cast<TColor>(section->StateCount > 1 ? section->HotFontColor : section->FontColor);
    }
    return owner_.Enabled() ? owner_.Font().Color() : clGrayText;
}

void TsTimerSpeedButton::DrawArrow(TCanvas& canvas, TColor color, RECT r) const {
    int x0 = r.left + ((r.right - r.left) - 9) / 2;
    int y0 = r.top + ((r.bottom - r.top) - 5) / 2;
    if (down_) {
        ++x0;
        ++y0;
    }
    POINT up[] = {{x0 + 1, y0 + 4}, {x0 + 7, y0 + 4}, {x0 + 4, y0 + 1}};
    POINT down[] = {{x0 + 1, y0 + 1}, {x0 + 7, y0 + 1}, {x0 + 4, y0 + 4}};
    canvas.Pen().SetColor(color);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color);
    canvas.Polygon(up_ ? std::span<const POINT>(up) : std::span<const POINT>(down));
}

void TsTimerSpeedButton::PaintTo(HDC dc, POINT at, const TsBackgroundSource& backdrop) {
    if (Width() <= 0 || Height() <= 0) return;
    auto face = NewPf32Bitmap(Width(), Height());
    RECT r{0, 0, Width(), Height()};
    TsEdit* edit = owner_.OwnerEdit();
    TsSkinManager* manager = edit != nullptr ? edit->SkinData().GetSkinManager() : nullptr;
    int index = manager != nullptr && edit->SkinData().IsSkinned() ? GetSectionIndex(manager, kSpinSection) : -1;
    if (index >= 0) {
        // What lies behind shows through the section's transparent parts.
        if (backdrop.Valid && backdrop.Bmp != nullptr)
            BitBlt(face->Canvas().Handle(), 0, 0, Width(), Height(), backdrop.Bmp->Canvas().Handle(), backdrop.X,
                   backdrop.Y, SRCCOPY);
        PaintSkinSection(index, kSpinSection, backdrop, CurrentState(), r, POINT{backdrop.X, backdrop.Y}, *face,
                         manager);
    } else {
        face->Canvas().Brush().SetColor(clBtnFace);
        face->Canvas().FillRect(r);
        DrawEdge(face->Canvas().Handle(), &r, down_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    DrawArrow(face->Canvas(), ArrowColor(), RECT{0, 0, Width(), Height()});
    if (ShowFocus) {
        RECT focus{3, 3, Width() - 3, Height() - 3};
        if (down_) OffsetRect(&focus, 1, 1);
        DrawFocusRect(face->Canvas().Handle(), &focus);
    }
    BitBlt(dc, at.x, at.y, Width(), Height(), face->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ----- TsSpinButton -----

TsSpinButton::TsSpinButton(TComponent* owner)
    : TWinControl(owner),
      upButton_(std::make_unique<TsTimerSpeedButton>(*this, true)),
      downButton_(std::make_unique<TsTimerSpeedButton>(*this, false)) {
    SetControlStyle(ControlStyle() & ~(csAcceptsControls | csSetCaption));
    SetTabStop(false);
    focusedButton_ = upButton_.get();
    SetBounds(Left(), Top(), 18, Height());
}

TsSpinButton::~TsSpinButton() = default;

TsEdit* TsSpinButton::OwnerEdit() const { return dynamic_cast<TsEdit*>(Owner()); }

void TsSpinButton::SetFocusControl(TWinControl* value) {
    if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TsSpinButton::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TsSpinButton::SetBounds(int left, int top, int width, int height) {
    LayoutButtons(width, height);
    TWinControl::SetBounds(left, top, width, height);
}

void TsSpinButton::LayoutButtons(int& width, int& height) {
    if (!upButton_ || !downButton_ || (ComponentState() & csLoading) != 0 || height == 0) return;
    width = std::max(width, kMinSpinWidth);
    upButton_->SetBoundsRect(RECT{0, 0, width, height / 2});
    downButton_->SetBoundsRect(RECT{0, upButton_->Height(), width, height});
}

void TsSpinButton::ButtonClick(TsTimerSpeedButton& button) {
    const TNotifyEvent& handler = button.Up() ? OnUpClick : OnDownClick;
    if (handler) handler(this);
}

void TsSpinButton::SetFocusedButton(TsTimerSpeedButton* button) {
    if (!TabStop() || !CanFocus() || button == focusedButton_) return;
    if (focusedButton_ != nullptr) focusedButton_->ShowFocus = false;
    focusedButton_ = button;
    if (Focused() && button != nullptr) {
        button->ShowFocus = true;
        Invalidate();
    }
}

TsTimerSpeedButton* TsSpinButton::ButtonAt(int x, int y) const {
    POINT p{x, y};
    RECT up = upButton_->BoundsRect();
    RECT down = downButton_->BoundsRect();
    if (PtInRect(&up, p)) return upButton_.get();
    if (PtInRect(&down, p)) return downButton_.get();
    return nullptr;
}

void TsSpinButton::SetHotButton(TsTimerSpeedButton* button) {
    bool changed = upButton_->MouseInside != (button == upButton_.get()) ||
                   downButton_->MouseInside != (button == downButton_.get());
    upButton_->MouseInside = button == upButton_.get();
    downButton_->MouseInside = button == downButton_.get();
    if (changed) Invalidate();
}

void TsSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TWinControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    TsTimerSpeedButton* pressed = ButtonAt(x, y);
    if (pressed == nullptr) return;
    SetFocusedButton(pressed);
    if (focusControl_ != nullptr && focusControl_->TabStop() && focusControl_->CanFocus() && !focusControl_->Focused())
        focusControl_->SetFocus();
    else if (TabStop() && !Focused() && CanFocus())
        SetFocus();
    pressedButton_ = pressed;
    SetMouseCapture(true);
    pressed->MouseDown();
    Invalidate();
}

void TsSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TWinControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || pressedButton_ == nullptr) return;
    TsTimerSpeedButton* released = pressedButton_;
    pressedButton_ = nullptr;
    SetMouseCapture(false);
    Invalidate();
    released->MouseUp(ButtonAt(x, y) == released);
}

void TsSpinButton::MouseMove(TShiftState shift, int x, int y) {
    TWinControl::MouseMove(shift, x, y);
    SetHotButton(ButtonAt(x, y));
}

TsBackgroundSource TsSpinButton::BackdropOf(const TsTimerSpeedButton& button, POINT at) const {
    TsBackgroundSource backdrop;
    TsEdit* edit = OwnerEdit();
    if (edit == nullptr || !edit->SkinData().CacheBitmap) return backdrop;
    backdrop.Bmp = edit->SkinData().CacheBitmap.get();
    backdrop.X = at.x + button.BoundsRect().left;
    backdrop.Y = at.y + button.BoundsRect().top;
    backdrop.Valid = backdrop.Bmp->Width() > 0;
    return backdrop;
}

void TsSpinButton::PaintButtonsTo(HDC dc, POINT at) {
    upButton_->PaintTo(dc, at, BackdropOf(*upButton_, at));
    POINT below{at.x, at.y + upButton_->Height()};
    downButton_->PaintTo(dc, below, BackdropOf(*downButton_, at));
}

void TsSpinButton::PaintWindow(HDC dc) {
    TsEdit* edit = OwnerEdit();
    // The halves lie over the edit's face where it shows through: its cache at our place.
    int nw = edit != nullptr ? EditNonClientWidth(*edit) : 0;
    POINT inEdit{Left() + nw, Top() + nw};
    upButton_->PaintTo(dc, POINT{0, 0}, BackdropOf(*upButton_, inEdit));
    downButton_->PaintTo(dc, POINT{0, upButton_->Height()}, BackdropOf(*downButton_, inEdit));
}

void TsSpinButton::WndProc(TMessage& message) {
    TsEdit* edit = OwnerEdit();
    switch (message.Msg) {
        case SkinCommandMessage:
            switch (SkinCommandOf(message.WParam)) {
                case scResumePainting:
                    return;
                case scMustPaintingWait:
                    message.Result = edit != nullptr && edit->SkinData().PaintSuspended ? 1 : 0;
                    return;
                case scGetBackground:
                    if (edit != nullptr) {
                        auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
                        int nw = EditNonClientWidth(*edit);
                        request->Kind = 2;
                        request->Color = static_cast<std::uint32_t>(edit->Perform(
                            SkinCommandMessage, SkinCommandWParam(scGetBackgroundColor), 0));
                        request->Bmp = edit->SkinData().CacheBitmap.get();
                        request->X = Left() + nw;
                        request->Y = Top() + nw;
                        return;
                    }
                    break;
                default:
                    break;
            }
            break;
        case WM_PAINT:
            if (edit != nullptr && !edit->Enabled()) {
                PAINTSTRUCT ps;
                BeginPaint(Handle(), &ps);
                EndPaint(Handle(), &ps);
                return;
            }
            break;
        case WM_ERASEBKGND:
            if (edit != nullptr && !edit->Enabled()) return;
            message.Result = 1;  // the halves cover the whole window
            return;
        case WM_SIZE: {
            int w = Width();
            int h = Height();
            LayoutButtons(w, h);
            if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
            message.Result = 0;
            return;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (focusedButton_ != nullptr) focusedButton_->ShowFocus = message.Msg == WM_SETFOCUS;
            Invalidate();
            break;
        case WM_GETDLGCODE:
            message.Result = DLGC_WANTARROWS;
            return;
        case CM_MOUSELEAVE:
            SetHotButton(nullptr);
            break;
        default:
            break;
    }
    TWinControl::WndProc(message);
}

// ----- TsBaseSpinEdit -----

TsBaseSpinEdit::TsBaseSpinEdit(TComponent* owner) : TsEdit(owner) {
    button_ = new TsSpinButton(this);
    button_->SetVisible(false);
    button_->SetParent(this);
    button_->SetFocusControl(this);
    button_->OnUpClick = [this](TObject*) { StepUp(); };
    button_->OnDownClick = [this](TObject*) { StepDown(); };
    button_->SetVisible(true);
}

TsBaseSpinEdit::~TsBaseSpinEdit() { button_ = nullptr; }

void TsBaseSpinEdit::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TsBaseSpinEdit::CreateParams(TCreateParams& params) {
    TsEdit::CreateParams(params);
    // Single line: the text is a number, a line break has no place in it.
    static constexpr DWORD kAlignStyle[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style |= WS_CLIPCHILDREN | kAlignStyle[static_cast<int>(alignment_)];
}

void TsBaseSpinEdit::CreateWnd() {
    TsEdit::CreateWnd();
    PlaceButton();
    UpdateEditRect();
}

// Sizes set before the window exists arrive without WM_SIZE.
void TsBaseSpinEdit::Resize() {
    TsEdit::Resize();
    PlaceButton();
    UpdateEditRect();
}

void TsBaseSpinEdit::UpdateEditRect() {
    if (!HandleAllocated() || button_ == nullptr) return;
    RECT r{};
    SendMessage(Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    r = RECT{0, 0, std::max(Width() - button_->Width() - 3, 0), ClientHeight() + 1};
    SendMessage(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    SendMessage(Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
}

void TsBaseSpinEdit::PlaceButton() {
    if (button_ == nullptr) return;
    button_->SetBounds(Width() - button_->Width() - 4, 0, button_->Width(), Height() - 4);
}

void TsBaseSpinEdit::PrepareCache() {
    TsCtrlSkinData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    TsBackgroundSource backdrop = data.GetParentBackground();
    int state = PaintState();
    PaintControlFace(data, backdrop, state, RECT{0, 0, Width(), Height()}, POINT{Left(), Top()}, cache, true);
    int frame = EditFrameWidth(*this);
    if (data.CustomColor())
        FillRectWithColor(cache.Canvas().Handle(), RECT{frame, frame, Width() - frame, Height() - frame}, Color());
    PaintText();
    if (!Enabled() || state == 0) button_->PaintButtonsTo(cache.Canvas().Handle(), POINT{frame + button_->Left(), frame + button_->Top()});
    if (!Enabled()) ApplyDisabledLook(cache, DisabledKind(), Color(), backdrop, POINT{Left(), Top()});
    data.BackgroundDirty = false;
}

void TsBaseSpinEdit::PaintText() {
    if (alignment_ == taLeftJustify) {
        TsEdit::PaintText();
        return;
    }
    int inset = (BorderStyle() == bsNone ? 0 : (Ctl3D() ? 1 : 0) + 1);
    if (BevelKind() != bkNone) inset += (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
    RECT r{inset + 1, inset + 1, Width() - inset - button_->Width(), Height() - inset};
    UINT flags = DT_SINGLELINE | DT_NOPREFIX | (TextAlignFlags(*this, alignment_) & ~DT_VCENTER);
    WriteCacheText(r, flags);
}

bool TsBaseSpinEdit::AcceptsChar(char16_t& key) {
    bool control = key < 32;
    bool valid = key == '+' || key == '-' || (key >= '0' && key <= '9') || key == kSpinSeparator ||
                 (control && key != 13);
    if (!editorEnabled_ && valid) valid = control && key != 8;
    return valid;
}

void TsBaseSpinEdit::KeyPress(char16_t& key) {
    char16_t copy = key;
    bool valid = AcceptsChar(copy);
    key = copy;  // a separator key may have become the one the value is read with
    if (valid && key != 0) TsEdit::KeyPress(key);
    if (!valid) MessageBeep(0);
}

void TsBaseSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    TsEdit::KeyDown(key, shift);
    if (key == VK_UP)
        StepUp();
    else if (key == VK_DOWN)
        StepDown();
    if (key != 0) UpdateEditRect();
}

void TsBaseSpinEdit::PassSkinCommandToButtons(TMessage& message) {
    int command = SkinCommandOf(message.WParam);
    button_->Perform(message.Msg, message.WParam, message.LParam);
    if (command == scSkinLoaded) button_->SetEnabled(true);
    button_->Invalidate();
    UpdateEditRect();
}

void TsBaseSpinEdit::FollowEnabled() {
    button_->SetEnabled(Enabled());
    // Skinned, the disabled look is in the edit's cache.
    if (SkinData().IsSkinned()) button_->SetVisible(Enabled());
}

void TsBaseSpinEdit::WndProc(TMessage& message) {
    if (message.Msg == SkinCommandMessage) {
        int command = SkinCommandOf(message.WParam);
        if (command == scGetBackgroundColor && SkinData().IsSkinned()) {
            message.Result = static_cast<LRESULT>(SkinData().GetBackgroundColor(0, Handle()));
            return;
        }
        if (command == scGetBackground && SkinData().IsSkinned()) {
            SkinData().FillBackgroundRequest(*reinterpret_cast<TsBackgroundRequest*>(message.LParam), 0, Handle());
            return;
        }
    }
    TsEdit::WndProc(message);
    if (button_ == nullptr) return;
    switch (message.Msg) {
        case SkinCommandMessage:
            switch (SkinCommandOf(message.WParam)) {
                case scSkinLoaded:
                case scSkinRemoved:
                case scRefreshFromSkin:
                    if (IsOwnManagerCommand(message, SkinData())) PassSkinCommandToButtons(message);
                    break;
                case scResumePainting:
                    button_->Repaint();
                    break;
                default:
                    break;
            }
            break;
        case WM_SIZE:
            UpdateEditRect();
            PlaceButton();
            break;
        case CM_FONTCHANGED:
            UpdateEditRect();
            break;
        case WM_SETFOCUS:
            if (AutoSelect()) SelectAll();
            break;
        case WM_PAINT:
            if (SkinData().IsSkinned() && !SkinData().CheckUpdating() && Enabled()) button_->Invalidate();
            break;
        case CM_ENABLEDCHANGED:
            FollowEnabled();
            break;
        case CM_COLORCHANGED:
            if (SkinData().CustomColor() && SkinData().IsSkinned()) PrepareCache();
            if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            break;
        case CM_MOUSEENTER:
        case CM_MOUSELEAVE:
            button_->UpButton().MouseInside = false;
            button_->DownButton().MouseInside = false;
            button_->Invalidate();
            break;
        default:
            break;
    }
}

// ----- TsDecimalSpinEdit -----

TsDecimalSpinEdit::TsDecimalSpinEdit(TComponent* owner) : TsBaseSpinEdit(owner) {}

double TsDecimalSpinEdit::ClampToBounds(double value) const {
    // The maximum first, so with crossed bounds the minimum wins every time and a bounded value
    // stays as it is when bounded again.
    if (maxValue_ != 0 && value > maxValue_) value = maxValue_;
    if (minValue_ != 0 && value < minValue_) value = minValue_;
    return value;
}

void TsDecimalSpinEdit::WriteText(const std::string& text) {
    if (HandleAllocated())
        SendMessage(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    else
        SetText(text);
}

// The stored value is limited exactly as the text shows it, so Value never disagrees with
// what the user sees.
void TsDecimalSpinEdit::SetValue(double value) {
    if (!std::isfinite(value)) value = 0;
    value_ = ClampToBounds(value);
    writingText_ = true;
    try {
        if (!typing_) {
            WriteText(SpinValueText(value_, decimalPlaces_));
            if ((ComponentState() & csLoading) == 0 && OnChange) OnChange(this);
        }
    } catch (...) {
        writingText_ = false;
        throw;
    }
    writingText_ = false;
}

double TsDecimalSpinEdit::Value() {
    if (!typing_) return value_;
    double typed = 0;
    return TryReadSpinNumber(Text(), typed) ? typed : 0;
}

void TsDecimalSpinEdit::SetDecimalPlaces(int value) {
    if (value == decimalPlaces_) return;
    decimalPlaces_ = value;
    SetValue(ClampToBounds(Value()));
}

void TsDecimalSpinEdit::UpdateText() {
    writingText_ = true;
    if (!typing_) WriteText(SpinValueText(ClampToBounds(value_), decimalPlaces_));
    writingText_ = false;
}

// The window's own text changes are the edit's; OnChange comes from SetValue then.
void TsDecimalSpinEdit::Change() {
    if (writingText_) return;
    TsBaseSpinEdit::Change();
}

// Text that is not (yet) a number, such as "", "-", "+", "." or "-.", reads as 0 while typed.
void TsDecimalSpinEdit::ApplyTyping() {
    if ((ComponentState() & csLoading) != 0 || writingText_) return;
    double typed = 0;
    if (!TryReadSpinNumber(Text(), typed)) typed = 0;
    typing_ = true;
    try {
        SetValue(typed);
    } catch (...) {
        typing_ = false;
        throw;
    }
    typing_ = false;
}

void TsDecimalSpinEdit::Paste(TMessage& message) {
    if (!EditorEnabled() || ReadOnly()) return;
    double before = Value();
    TsBaseSpinEdit::WndProc(message);
    double pasted = 0;
    if (TryReadSpinNumber(Text(), pasted)) return;
    // The previous value in its shortest form, unless that needs an exponent no key can type.
    std::string restored = FloatToStr(before);
    if (restored.find_first_of("eE") != std::string::npos) restored = SpinValueText(before, decimalPlaces_);
    WriteText(restored);
}

void TsDecimalSpinEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_CHANGED:
            TsBaseSpinEdit::WndProc(message);
            ApplyTyping();
            return;
        case CM_EXIT:
            TsBaseSpinEdit::WndProc(message);
            if (ClampToBounds(Value()) != Value()) SetValue(Value());
            UpdateText();
            return;
        case CM_MOUSEWHEEL:
            TsBaseSpinEdit::WndProc(message);
            if (ReadOnly() || message.Result != 0) return;
            SetValue(Value() + (MouseWheelDelta(message.WParam) / 120) * increment_);
            message.Result = 1;
            return;
        case WM_PASTE:
            Paste(message);
            return;
        case WM_CUT:
            if (EditorEnabled() && !ReadOnly()) TsBaseSpinEdit::WndProc(message);
            return;
        default:
            TsBaseSpinEdit::WndProc(message);
    }
}

bool TsDecimalSpinEdit::AcceptsChar(char16_t& key) {
    if (key == 8 || key == 27) return true;
    if (key == 13) {
        key = 0;
        return false;
    }
    const std::string& text = Text();
    bool separator = useSystemDecSeparator_ ? key == kSpinSeparator : (key == ',' || key == '.');
    // Either separator key types the one the value is read with.
    if (separator) key = kSpinSeparator;
    bool sign = key == '+' || key == '-';
    bool digit = key >= '0' && key <= '9';
    bool valid = separator || sign || digit || key < 32;
    int caret = HandleAllocated() ? SelStart() : static_cast<int>(text.size());
    int selection = HandleAllocated() ? SelLength() : 0;
    size_t signAt = text.find_first_of("+-");
    bool signAtOrAfterCaret = signAt != std::string::npos && static_cast<int>(signAt) >= caret;
    bool wholeSelected = selection > 0 && selection >= static_cast<int>(text.size());
    if (separator && (decimalPlaces_ <= 0 || text.find(static_cast<char>(key)) != std::string::npos ||
                      signAtOrAfterCaret))
        valid = false;
    if (sign && !((caret == 0 && signAt == std::string::npos) || wholeSelected)) valid = false;
    // Nor may a digit go before the sign: "3-5" is no number.
    if (digit && signAtOrAfterCaret && !wholeSelected) valid = false;
    if (!EditorEnabled()) valid = false;
    if (!valid) key = 0;
    return valid;
}

void TsDecimalSpinEdit::StepUp() {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    double current = Value();
    if (OnUpClick)
        OnUpClick(this);
    else
        SetValue(current + increment_);
}

void TsDecimalSpinEdit::StepDown() {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    double current = Value();
    if (OnDownClick)
        OnDownClick(this);
    else
        SetValue(current - increment_);
}

}  // namespace parch
