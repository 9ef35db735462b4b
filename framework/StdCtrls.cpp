#include "framework/StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "framework/Timer.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/EditClass.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace stdctrls {

// The window gets the control's font.
void ApplyFont(TWinControl& control) {
    if (control.HandleAllocated())
        SendMessage(control.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(control.Font().Handle()), 1);
}

// Converts to the case an edit asks for (ASCII letters only, as the window does).
std::string ApplyCharCase(std::string text, TEditCharCase charCase) {
    if (charCase == ecNormal) return text;
    for (char& c : text)
        c = static_cast<char>(charCase == ecUpperCase ? std::toupper(static_cast<unsigned char>(c))
                                                      : std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WindowText(HWND hwnd) {
    int length = GetWindowTextLength(hwnd);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int copied = GetWindowText(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// The code-point offsets of the UTF-8 text's characters, and the byte offset of a code point.
std::size_t ByteOffset(const std::string& text, int codePoints) {
    std::size_t i = 0;
    for (int n = 0; i < text.size() && n < codePoints; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int CodePointCount(const std::string& text) {
    int n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace stdctrls

TControlBrush::~TControlBrush() {
    if (brush_) DeleteObject(brush_);
}

LRESULT TControlBrush::Answer(HDC dc, TColor color, TColor textColor) {
    if (!brush_ || color != color_) {
        if (brush_) DeleteObject(brush_);
        brush_ = CreateSolidBrush(ColorToRGB(color));
        color_ = color;
    }
    SetTextColor(dc, ColorToRGB(textColor));
    SetBkColor(dc, ColorToRGB(color));
    return reinterpret_cast<LRESULT>(brush_);
}

std::string PasswordMaskText(const std::string& text, char32_t passwordChar) {
    if (passwordChar == 0) return text;
    std::string mask;
    for (int n = stdctrls::CodePointCount(text); n > 0; --n) stdctrls::AppendUtf8(mask, passwordChar);
    return mask;
}

// ---- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(csClickEvents | csSetCaption | csDoubleClicks);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    StoreBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "Edit");
    static constexpr DWORD kCase[] = {0, ES_UPPERCASE, ES_LOWERCASE};
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL | kCase[static_cast<int>(charCase_)];
    if (readOnly_) params.Style |= ES_READONLY;
    if (!hideSelection_) params.Style |= ES_NOHIDESEL;
    if (passwordChar_) params.Style |= ES_PASSWORD;
    if (borderStyle_ == bsSingle) {
        if (Ctl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    stdctrls::ApplyFont(*this);
    HWND hwnd = Handle();
    SendMessage(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    SendMessage(hwnd, EM_SETPASSWORDCHAR, passwordChar_, 0);
    SendMessage(hwnd, EM_SETMODIFY, modified_ ? 1 : 0, 0);
}

void TCustomEdit::DestroyWnd() {
    if (HandleAllocated()) {
        TakeWindowText();
        modified_ = SendMessage(Handle(), EM_GETMODIFY, 0, 0) != 0;
    }
    TWinControl::DestroyWnd();
}

void TCustomEdit::TakeWindowText() {
    if (HandleAllocated()) TControl::SetText(stdctrls::WindowText(Handle()));
}

void TCustomEdit::SetMaxLength(int value) {
    maxLength_ = std::max(value, 0);
    if (HandleAllocated()) SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HandleAllocated()) SendMessage(Handle(), EM_SETREADONLY, value ? 1 : 0, 0);
}

void TCustomEdit::SetPasswordChar(char32_t value) {
    if (value == passwordChar_) return;
    passwordChar_ = value;
    if (HandleAllocated()) {
        SendMessage(Handle(), EM_SETPASSWORDCHAR, value, 0);
        InvalidateRect(Handle(), nullptr, 1);
    }
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (value == charCase_) return;
    charCase_ = value;
    if (value != ecNormal) SetText(stdctrls::ApplyCharCase(Text(), value));
    RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
    if (value == hideSelection_) return;
    hideSelection_ = value;
    RecreateWnd();
}

std::string TCustomEdit::DisplayText() const {
    return PasswordMaskText(Text(), passwordChar_);
}

int TCustomEdit::SelStart() {
    DWORD start = 0;
    SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
    SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(value), value);
}

int TCustomEdit::SelLength() {
    DWORD start = 0, end = 0;
    SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
    int start = SelStart();
    SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + value);
    SendMessage(Handle(), EM_SCROLLCARET, 0, 0);
}

std::string TCustomEdit::SelText() {
    std::string text = stdctrls::WindowText(Handle());
    std::size_t from = stdctrls::ByteOffset(text, SelStart());
    std::size_t to = stdctrls::ByteOffset(text, SelStart() + SelLength());
    return text.substr(from, to - from);
}

void TCustomEdit::SetSelText(const std::string& value) {
    SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

bool TCustomEdit::Modified() {
    return HandleAllocated() ? SendMessage(Handle(), EM_GETMODIFY, 0, 0) != 0 : modified_;
}

void TCustomEdit::SetModified(bool value) {
    modified_ = value;
    if (HandleAllocated()) SendMessage(Handle(), EM_SETMODIFY, value ? 1 : 0, 0);
}

bool TCustomEdit::CanUndo() {
    return HandleAllocated() && SendMessage(Handle(), EM_CANUNDO, 0, 0) != 0;
}

void TCustomEdit::Undo() {
    if (HandleAllocated()) SendMessage(Handle(), WM_UNDO, 0, 0);
}

void TCustomEdit::ClearUndo() {
    if (HandleAllocated()) SendMessage(Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::Clear() {
    SetText("");
}

void TCustomEdit::ClearSelection() {
    SendMessage(Handle(), WM_CLEAR, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
    SendMessage(Handle(), WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
    SendMessage(Handle(), WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
    SendMessage(Handle(), WM_PASTE, 0, 0);
}

void TCustomEdit::SelectAll() {
    SendMessage(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() {
    Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
    if (OnChange) OnChange(this);
}

bool TCustomEdit::CanAutoSize(int& /*width*/, int& height) {
    // The height of a line of the font with the edges around it.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    TEXTMETRIC metrics{};
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    height = metrics.tmHeight + (borderStyle_ == bsSingle ? 8 : 2);
    return true;
}

void TCustomEdit::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == EN_CHANGE) {
            TakeWindowText();
            Change();
        }
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        message.Result = brush_.Answer(reinterpret_cast<HDC>(message.WParam), Color(), Font().Color());
        return;
    case CM_ENTER:
        if (autoSelect_ && !(KeyboardShiftState() & ssLeft)) SelectAll();
        TWinControl::Dispatch(message);
        return;
    case CM_FONTCHANGED:
        stdctrls::ApplyFont(*this);
        TWinControl::Dispatch(message);
        if (AutoSize()) AdjustSize();
        return;
    case CM_COLORCHANGED:
        TWinControl::Dispatch(message);
        if (HandleAllocated()) InvalidateRect(Handle(), nullptr, 1);
        return;
    default:
        TWinControl::Dispatch(message);
    }
}

void TCustomEdit::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "MaxLength")) return SetMaxLength(PropertyInt(name, value));
    if (SameText(name, "ReadOnly")) return SetReadOnly(PropertyBool(name, value));
    if (SameText(name, "AutoSelect")) return SetAutoSelect(PropertyBool(name, value));
    if (SameText(name, "HideSelection")) return SetHideSelection(PropertyBool(name, value));
    if (SameText(name, "PasswordChar")) {
        // A single character, as it stands or quoted ('*').
        std::string ch = value.size() == 3 && value.front() == '\'' && value.back() == '\'' ? value.substr(1, 1) : value;
        if (ch.size() > 1) throw EPropertyError("Invalid value \"" + value + "\" for property " + name);
        return SetPasswordChar(ch.empty() ? 0 : static_cast<unsigned char>(ch[0]));
    }
    if (SameText(name, "CharCase"))
        return SetCharCase(PropertyEnum<TEditCharCase>(
            name, value, {{"ecNormal", ecNormal}, {"ecUpperCase", ecUpperCase}, {"ecLowerCase", ecLowerCase}}));
    if (SameText(name, "BorderStyle"))
        return SetBorderStyle(PropertyEnum<TFormBorderStyle>(name, value, {{"bsNone", bsNone}, {"bsSingle", bsSingle}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomEdit::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnChange")) {
        OnChange = std::any_cast<TNotifyEvent>(handler);
        return;
    }
    TWinControl::SetEvent(name, handler);
}

// ---- TCustomMemo and its lines

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(*this)) {
    StoreBounds(0, 0, 185, 89);
    SetAutoSize(false);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    static constexpr DWORD kScroll[] = {0, WS_HSCROLL, WS_VSCROLL, WS_HSCROLL | WS_VSCROLL};
    static constexpr DWORD kAlign[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style &= ~(ES_AUTOHSCROLL | ES_PASSWORD);
    params.Style |= ES_MULTILINE | kScroll[static_cast<int>(scrollBars_)] | kAlign[static_cast<int>(alignment_)];
    if (!wordWrap_) params.Style |= ES_AUTOHSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_) return;
    scrollBars_ = value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TCustomMemo::KeyPress(char16_t& key) {
    TCustomEdit::KeyPress(key);
    if (key == u'\r' && !wantReturns_) key = 0;
}

void TCustomMemo::Dispatch(TMessage& message) {
    if (message.Msg != WM_GETDLGCODE) return TCustomEdit::Dispatch(message);
    TCustomEdit::Dispatch(message);
    if (wantTabs_)
        message.Result |= DLGC_WANTTAB;
    else
        message.Result &= ~DLGC_WANTTAB;
    if (!wantReturns_) message.Result &= ~DLGC_WANTALLKEYS;
}

void TCustomMemo::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "ScrollBars"))
        return SetScrollBars(PropertyEnum<TScrollStyle>(
            name, value,
            {{"ssNone", ssNone}, {"ssHorizontal", ssHorizontal}, {"ssVertical", ssVertical}, {"ssBoth", ssBoth}}));
    if (SameText(name, "WordWrap")) return SetWordWrap(PropertyBool(name, value));
    if (SameText(name, "WantReturns")) return SetWantReturns(PropertyBool(name, value));
    if (SameText(name, "WantTabs")) return SetWantTabs(PropertyBool(name, value));
    if (SameText(name, "Alignment"))
        return SetAlignment(PropertyEnum<TAlignment>(
            name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}}));
    if (SameText(name, "Lines.Text")) return lines_->SetText(value);
    TCustomEdit::SetPropertyText(name, value);
}

HWND TMemoStrings::Window() const {
    return memo_.Handle();
}

int TMemoStrings::Count() const {
    auto count = static_cast<int>(SendMessage(Window(), EM_GETLINECOUNT, 0, 0));
    // The empty line after a final line break is no line of the list.
    LRESULT lastStart = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
    if (count > 0 && SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0) == 0) --count;
    return count;
}

std::string TMemoStrings::Get(int index) const {
    LRESULT start = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    if (index < 0 || start < 0) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    std::string text = stdctrls::WindowText(Window());
    auto length = static_cast<int>(SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    std::size_t from = stdctrls::ByteOffset(text, static_cast<int>(start));
    std::size_t to = stdctrls::ByteOffset(text, static_cast<int>(start) + length);
    return text.substr(from, to - from);
}

void TMemoStrings::Replace(int start, int end, const std::string& text) {
    SendMessage(Window(), EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessage(Window(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    memo_.TakeWindowText();
}

void TMemoStrings::Put(int index, const std::string& text) {
    LRESULT start = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    if (index < 0 || start < 0) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    auto length = static_cast<int>(SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    Replace(static_cast<int>(start), static_cast<int>(start) + length, text);
}

void TMemoStrings::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    LRESULT start = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    // Before an existing line, or into the empty line after a final break.
    if (start >= 0) return Replace(static_cast<int>(start), static_cast<int>(start), text + "\r\n");
    // After the last line, which has no break yet.
    LRESULT lastStart = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index - 1), 0);
    auto end = static_cast<int>(lastStart + SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0));
    Replace(end, end, "\r\n" + text);
}

void TMemoStrings::Delete(int index) {
    if (index < 0 || index >= Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    auto start = static_cast<int>(SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index), 0));
    LRESULT next = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
    int end = next >= 0 ? static_cast<int>(next)
                        : start + static_cast<int>(SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    if (next < 0 && index > 0) {
        // The last line goes with the break before it.
        LRESULT previous = SendMessage(Window(), EM_LINEINDEX, static_cast<WPARAM>(index - 1), 0);
        start = static_cast<int>(previous + SendMessage(Window(), EM_LINELENGTH, static_cast<WPARAM>(previous), 0));
    }
    Replace(start, end, "");
}

void TMemoStrings::Clear() {
    memo_.SetText("");
}

void TMemoStrings::SetText(std::string_view text) {
    memo_.SetText(std::string(text));
}

// ---- Buttons on the "Button" class

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {}

void TButtonControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC:
        message.Result = brush_.Answer(reinterpret_cast<HDC>(message.WParam), Color(), Font().Color());
        return;
    case CM_FONTCHANGED:
        stdctrls::ApplyFont(*this);
        TWinControl::Dispatch(message);
        return;
    case WM_ERASEBKGND:
        // The window class paints its whole face.
        DefaultHandler(message);
        return;
    default:
        TWinControl::Dispatch(message);
    }
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    // Clicks come from the window's BN_CLICKED alone: a mouse click must not run Click twice.
    SetControlStyle(csSetCaption);
    SetTabStop(true);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    CreateSubClass(params, "Button");
    params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
    active_ = default_;
    TButtonControl::CreateWnd();
    stdctrls::ApplyFont(*this);
}

void TButton::SetButtonStyle(bool isDefault) {
    if (!HandleAllocated()) return;
    DWORD style = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE)) & BS_TYPEMASK) != style)
        SendMessage(Handle(), BM_SETSTYLE, style, 1);
}

void TButton::SetDefault(bool value) {
    default_ = value;
    if (!HandleAllocated()) return;
    // The default look moves here unless another button holds the focus.
    TCustomForm* form = ParentForm();
    TWinControl* focused = form ? form->ActiveControl() : nullptr;
    if (!focused || !dynamic_cast<TButton*>(focused)) {
        active_ = value;
        SetButtonStyle(value);
    }
}

void TButton::Click() {
    if (TCustomForm* form = ParentForm(); form && modalResult_ != mrNone) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TButton::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) Click();
        return;
    case CM_DIALOGKEY:
        if (((message.WParam == VK_RETURN && active_) || (message.WParam == VK_ESCAPE && cancel_)) && CanFocus() &&
            (KeyboardShiftState() & (ssCtrl | ssAlt)) == 0) {
            Click();
            message.Result = 1;
        }
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char16_t>(message.WParam), Caption()) && CanFocus()) {
            Click();
            message.Result = 1;
        }
        return;
    case CM_FOCUSCHANGED: {
        // The focused button is the one Enter presses; with no button focused, the default one.
        auto* focused = dynamic_cast<TButton*>(reinterpret_cast<TWinControl*>(message.LParam));
        active_ = focused ? focused == this : default_;
        SetButtonStyle(active_);
        return;
    }
    default:
        TButtonControl::Dispatch(message);
    }
}

void TButton::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Default")) return SetDefault(PropertyBool(name, value));
    if (SameText(name, "Cancel")) return SetCancel(PropertyBool(name, value));
    if (SameText(name, "ModalResult")) return SetModalResult(PropertyInt(name, value));
    TButtonControl::SetPropertyText(name, value);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetControlStyle(csSetCaption | csDoubleClicks);
    SetTabStop(true);
    SetParentColor(true);
    StoreBounds(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    CreateSubClass(params, "Button");
    params.Style |= BS_3STATE;
    bool textLeft = alignment_ == taLeftJustify;
    if (UseRightToLeftAlignment()) textLeft = !textLeft;
    if (textLeft) params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    stdctrls::ApplyFont(*this);
    SendMessage(Handle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
    if (value == state_) return;
    state_ = value;
    if (HandleAllocated()) SendMessage(Handle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
    if (!clicksDisabled_) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TCustomCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked:
        SetState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCustomCheckBox::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) Toggle();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char16_t>(message.WParam), Caption()) && CanFocus()) {
            SetFocus();
            if (Focused()) Toggle();
            message.Result = 1;
        }
        return;
    default:
        TButtonControl::Dispatch(message);
    }
}

void TCustomCheckBox::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Checked")) return SetChecked(PropertyBool(name, value));
    if (SameText(name, "AllowGrayed")) return SetAllowGrayed(PropertyBool(name, value));
    if (SameText(name, "State"))
        return SetState(PropertyEnum<TCheckBoxState>(
            name, value, {{"cbUnchecked", cbUnchecked}, {"cbChecked", cbChecked}, {"cbGrayed", cbGrayed}}));
    if (SameText(name, "Alignment"))
        return SetAlignment(
            PropertyEnum<TAlignment>(name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}}));
    TButtonControl::SetPropertyText(name, value);
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetControlStyle(csSetCaption | csDoubleClicks);
    SetParentColor(true);
    StoreBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    CreateSubClass(params, "Button");
    params.Style |= BS_RADIOBUTTON;
    bool textLeft = alignment_ == taLeftJustify;
    if (UseRightToLeftAlignment()) textLeft = !textLeft;
    if (textLeft) params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    TButtonControl::CreateWnd();
    stdctrls::ApplyFont(*this);
    SendMessage(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    SetTabStop(value);
    if (HandleAllocated()) SendMessage(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value) return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    if (!clicksDisabled_) Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TRadioButton::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) SetChecked(true);
        if (HIWORD(message.WParam) == BN_DOUBLECLICKED) DblClick();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char16_t>(message.WParam), Caption()) && CanFocus()) {
            SetFocus();
            if (Focused()) SetChecked(true);
            message.Result = 1;
        }
        return;
    default:
        TButtonControl::Dispatch(message);
    }
}

void TRadioButton::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Checked")) return SetChecked(PropertyBool(name, value));
    if (SameText(name, "Alignment"))
        return SetAlignment(
            PropertyEnum<TAlignment>(name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}}));
    TButtonControl::SetPropertyText(name, value);
}

// ---- TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks | csReplicatable);
    StoreBounds(0, 0, 185, 105);
    SetParentColor(true);
}

int TCustomGroupBox::CaptionHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    TEXTMETRIC metrics{};
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

void TCustomGroupBox::AdjustClientRect(RECT& rect) {
    TCustomControl::AdjustClientRect(rect);
    rect.top += CaptionHeight();
    InflateRect(&rect, -1, -1);
}

void TCustomGroupBox::Paint() {
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    int textHeight = canvas.TextHeight("0");
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    // An etched frame whose top line runs through the middle of the caption.
    RECT frame{r.left, r.top + textHeight / 2 - 1, r.right, r.bottom};
    canvas.Brush().SetColor(clBtnHighlight);
    canvas.FrameRect({frame.left + 1, frame.top + 1, frame.right, frame.bottom});
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FrameRect({frame.left, frame.top, frame.right - 1, frame.bottom - 1});
    if (Caption().empty()) return;
    RECT text{0, 0, 0, 0};
    DrawText(canvas.Handle(), Caption().c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    int x = UseRightToLeftAlignment() ? r.right - 8 - (text.right - text.left) : 8;
    OffsetRect(&text, x, 0);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(text);
    canvas.Brush().SetStyle(bsClear);
    if (!Enabled()) {
        RECT light = text;
        OffsetRect(&light, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(canvas.Handle(), Caption().c_str(), -1, &light, DT_SINGLELINE);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(canvas.Handle(), Caption().c_str(), -1, &text, DT_SINGLELINE);
}

void TCustomGroupBox::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char16_t>(message.WParam), Caption()) && CanFocus()) {
            SelectNext(nullptr, true, true);
            message.Result = 1;
            return;
        }
        TCustomControl::Dispatch(message);
        return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TCustomControl::Dispatch(message);
        Realign();
        Invalidate();
        return;
    default:
        TCustomControl::Dispatch(message);
    }
}

bool IsAccel(char16_t key, const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;  // "&&" is a plain '&'
            continue;
        }
        auto c = static_cast<unsigned char>(caption[i + 1]);
        return c < 0x80 && key < 0x80 && std::tolower(c) == std::tolower(static_cast<int>(key));
    }
    return false;
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csOpaque | csReplicatable);
    StoreBounds(0, 0, 65, 17);
    SetAutoSize(true);
    SetParentColor(true);
}

TCustomLabel::~TCustomLabel() {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    SetControlStyle(value ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    if (control == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

UINT TCustomLabel::TextFlags() const {
    static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    return DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | kAlign[static_cast<int>(alignment_)];
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags) {
    std::string text = GetLabelText();
    // An empty line still has a height.
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    flags = DrawTextBiDiModeFlags(flags);
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    // The canvas's handle is asked for at each call: that selects the font as last changed.
    if (!Enabled() && !(flags & DT_CALCRECT)) {
        // Embossed: a light copy one pixel down and right under a shadowed one.
        OffsetRect(&rect, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(canvas.Handle(), text.c_str(), -1, &rect, flags);
        OffsetRect(&rect, -1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(canvas.Handle(), text.c_str(), -1, &rect, flags);
}

void TCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    if (!Transparent()) {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    UINT flags = TextFlags();
    if (layout_ != tlTop) {
        RECT measured = r;
        DoDrawText(measured, flags | DT_CALCRECT);
        int free = r.bottom - measured.bottom;
        OffsetRect(&r, 0, layout_ == tlBottom ? free : free / 2);
    }
    DoDrawText(r, flags);
}

RECT TCustomLabel::MeasureText() {
    RECT r = ClientRect();
    HDC dc = GetDC(nullptr);
    try {
        PaintOnCanvas(Canvas(), dc, Font(), [&] { DoDrawText(r, TextFlags() | DT_CALCRECT); });
    } catch (...) {
        ReleaseDC(nullptr, dc);
        throw;
    }
    ReleaseDC(nullptr, dc);
    return r;
}

bool TCustomLabel::CanAutoSize(int& width, int& height) {
    RECT r = MeasureText();
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

void TCustomLabel::AdjustBounds() {
    if (!AutoSize() || (ComponentState() & csLoading)) return;
    RECT r = MeasureText();
    int width = r.right - r.left;
    int x = Left();
    TAlignment aligned = alignment_;
    if (UseRightToLeftAlignment() && aligned != taCenter) aligned = aligned == taLeftJustify ? taRightJustify : taLeftJustify;
    if (aligned == taRightJustify) x += Width() - width;  // the right edge stays
    SetBounds(x, Top(), width, r.bottom - r.top);
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(static_cast<char16_t>(message.WParam), Caption()) &&
            focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            message.Result = 1;
        }
        return;
    default:
        TGraphicControl::Dispatch(message);
    }
}

void TCustomLabel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Alignment"))
        return SetAlignment(PropertyEnum<TAlignment>(
            name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}}));
    if (SameText(name, "Layout"))
        return SetLayout(
            PropertyEnum<TTextLayout>(name, value, {{"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}}));
    if (SameText(name, "WordWrap")) return SetWordWrap(PropertyBool(name, value));
    if (SameText(name, "Transparent")) return SetTransparent(PropertyBool(name, value));
    if (SameText(name, "ShowAccelChar")) return SetShowAccelChar(PropertyBool(name, value));
    TGraphicControl::SetPropertyText(name, value);
}

// ---- TCustomListBox

namespace stdctrls {

std::string ItemText(HWND hwnd, UINT lengthMessage, UINT textMessage, int index) {
    LRESULT length = SendMessage(hwnd, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT copied = SendMessage(hwnd, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

void CheckIndex(int index, int count) {
    if (index < 0 || index >= count) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Sets a canvas on an item's context for the drawing of an owner-drawn list or combo item.
void DrawOwnerItem(TWinControl& control, TCanvas& canvas, const DRAWITEMSTRUCT& item,
                   const std::function<void(int, RECT, TOwnerDrawState)>& draw) {
    auto state = static_cast<TOwnerDrawState>(item.itemState & 0xFFFF);
    canvas.SetHandle(item.hDC);
    canvas.SetFont(control.Font());
    canvas.Brush().SetColor(control.Color());
    auto index = static_cast<int>(item.itemID);
    if (index >= 0 && (state & odSelected)) {
        canvas.Brush().SetColor(clHighlight);
        canvas.Font().SetColor(clHighlightText);
    }
    if (index >= 0)
        draw(index, item.rcItem, state);
    else
        canvas.FillRect(item.rcItem);
    if (state & odFocused) DrawFocusRect(item.hDC, &item.rcItem);
    canvas.SetHandle(nullptr);
}

// Answers WM_MEASUREITEM of an owner-drawn list or combo: the fixed height, or what `measure`
// makes of it for a list of variable heights; never below one pixel.
void MeasureOwnerItem(TMessage& message, int fixedHeight, bool variable,
                      const std::function<void(int, int&)>& measure) {
    auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
    int height = fixedHeight;
    if (variable) measure(static_cast<int>(item.itemID), height);
    item.itemHeight = static_cast<UINT>(std::max(height, 1));
    message.Result = 1;
}

}  // namespace stdctrls

int TListBoxStrings::Count() const {
    if (!listBox_.HandleAllocated()) return static_cast<int>(listBox_.saved_.items.size());
    return static_cast<int>(SendMessage(listBox_.Handle(), LB_GETCOUNT, 0, 0));
}

std::string TListBoxStrings::Get(int index) const {
    if (!listBox_.HandleAllocated()) {
        stdctrls::CheckIndex(index, Count());
        return listBox_.saved_.items[static_cast<std::size_t>(index)].first;
    }
    return stdctrls::ItemText(listBox_.Handle(), LB_GETTEXTLEN, LB_GETTEXT, index);
}

TObject* TListBoxStrings::GetObject(int index) const {
    stdctrls::CheckIndex(index, Count());
    if (!listBox_.HandleAllocated()) return listBox_.saved_.items[static_cast<std::size_t>(index)].second;
    return reinterpret_cast<TObject*>(SendMessage(listBox_.Handle(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void TListBoxStrings::PutObject(int index, TObject* object) {
    stdctrls::CheckIndex(index, Count());
    if (!listBox_.HandleAllocated()) {
        listBox_.saved_.items[static_cast<std::size_t>(index)].second = object;
        return;
    }
    SendMessage(listBox_.Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

int TListBoxStrings::AddObject(const std::string& text, TObject* object) {
    if (!listBox_.HandleAllocated()) {
        auto& items = listBox_.saved_.items;
        auto at = items.end();
        if (listBox_.sorted_)
            at = std::upper_bound(items.begin(), items.end(), text,
                                  [this](const std::string& t, const auto& item) { return CompareStrings(t, item.first) < 0; });
        at = items.insert(at, {text, object});
        return static_cast<int>(at - items.begin());
    }
    auto index = static_cast<int>(SendMessage(listBox_.Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index < 0) throw EOutOfResources("Not enough storage for the list box's items");
    SendMessage(listBox_.Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
    return index;
}

void TListBoxStrings::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!listBox_.HandleAllocated()) {
        listBox_.saved_.items.insert(listBox_.saved_.items.begin() + index, {text, nullptr});
        return;
    }
    if (SendMessage(listBox_.Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())) < 0)
        throw EOutOfResources("Not enough storage for the list box's items");
}

void TListBoxStrings::Delete(int index) {
    stdctrls::CheckIndex(index, Count());
    if (!listBox_.HandleAllocated()) {
        listBox_.saved_.items.erase(listBox_.saved_.items.begin() + index);
        return;
    }
    SendMessage(listBox_.Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TListBoxStrings::Clear() {
    if (!listBox_.HandleAllocated()) {
        listBox_.saved_ = {};
        return;
    }
    SendMessage(listBox_.Handle(), LB_RESETCONTENT, 0, 0);
}

int TListBoxStrings::IndexOf(std::string_view text) const {
    if (!listBox_.HandleAllocated()) return TStrings::IndexOf(text);
    std::string key(text);
    return static_cast<int>(SendMessage(listBox_.Handle(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(key.c_str())));
}

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListBoxStrings>(*this)), canvas_(std::make_unique<TCanvas>()) {
    // Clicks and double clicks come from the window's notifications.
    SetControlStyle(csSetCaption);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    StoreBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() {
    // The window's items go before the strings object that reads them.
    if (HandleAllocated()) DestroyWindowHandle();
}

void TCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "ListBox");
    static constexpr DWORD kStyle[] = {0, LBS_OWNERDRAWFIXED, LBS_OWNERDRAWVARIABLE};
    params.Style |= WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | kStyle[static_cast<int>(style_)];
    if (sorted_) params.Style |= LBS_SORT;
    if (multiSelect_) params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (columns_ > 0) params.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    stdctrls::ApplyFont(*this);
    HWND hwnd = Handle();
    if (style_ != lbStandard) SendMessage(hwnd, LB_SETITEMHEIGHT, 0, itemHeight_);
    if (columns_ > 0) SendMessage(hwnd, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(1, Width() / columns_)), 0);
    Saved saved = std::move(saved_);
    saved_ = {};
    for (auto& [text, object] : saved.items) items_->AddObject(text, object);
    if (multiSelect_)
        for (int index : saved.selected) SendMessage(hwnd, LB_SETSEL, 1, index);
    else
        SendMessage(hwnd, LB_SETCURSEL, static_cast<WPARAM>(saved.itemIndex), 0);
    SendMessage(hwnd, LB_SETTOPINDEX, static_cast<WPARAM>(saved.topIndex), 0);
}

void TCustomListBox::DestroyWnd() {
    if (HandleAllocated()) {
        Saved saved;
        for (int i = 0; i < items_->Count(); ++i) {
            saved.items.emplace_back(items_->Strings(i), items_->Objects(i));
            if (multiSelect_ && Selected(i)) saved.selected.push_back(i);
        }
        saved.itemIndex = ItemIndex();
        saved.topIndex = TopIndex();
        TWinControl::DestroyWnd();
        saved_ = std::move(saved);
        return;
    }
    TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() {
    if (!HandleAllocated()) return saved_.itemIndex;
    if (multiSelect_) return static_cast<int>(SendMessage(Handle(), LB_GETCARETINDEX, 0, 0));
    return static_cast<int>(SendMessage(Handle(), LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int value) {
    if (!HandleAllocated()) {
        saved_.itemIndex = value;
        return;
    }
    if (ItemIndex() == value) return;
    if (multiSelect_)
        SendMessage(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(value), 0);
    else
        SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

bool TCustomListBox::Selected(int index) {
    stdctrls::CheckIndex(index, items_->Count());
    if (!HandleAllocated()) return std::ranges::find(saved_.selected, index) != saved_.selected.end() || index == saved_.itemIndex;
    return SendMessage(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
    stdctrls::CheckIndex(index, items_->Count());
    if (multiSelect_)
        SendMessage(Handle(), LB_SETSEL, value ? 1 : 0, index);
    else if (value)
        SetItemIndex(index);
    else if (ItemIndex() == index)
        SetItemIndex(-1);
}

int TCustomListBox::SelCount() {
    if (!multiSelect_) return -1;
    return static_cast<int>(SendMessage(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (value == multiSelect_) return;
    multiSelect_ = value;
    RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    if (value == extendedSelect_) return;
    extendedSelect_ = value;
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool value) {
    if (value == sorted_) return;
    sorted_ = value;
    // A new window sorts the items as they go in again.
    RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() {
    if (HandleAllocated() && style_ == lbStandard) return static_cast<int>(SendMessage(Handle(), LB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TCustomListBox::SetItemHeight(int value) {
    if (value <= 0 || value == itemHeight_) return;
    itemHeight_ = value;
    RecreateWnd();
}

int TCustomListBox::TopIndex() {
    if (!HandleAllocated()) return saved_.topIndex;
    return static_cast<int>(SendMessage(Handle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int value) {
    if (!HandleAllocated()) {
        saved_.topIndex = value;
        return;
    }
    SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(value), 0);
}

void TCustomListBox::SetColumns(int value) {
    if (value < 0 || value == columns_) return;
    columns_ = value;
    RecreateWnd();
}

int TCustomListBox::ItemAtPos(POINT pos, bool existing) {
    int count = items_->Count();
    for (int i = TopIndex(); i < count; ++i) {
        RECT r = ItemRect(i);
        if (r.bottom <= r.top) continue;
        if (pos.x >= r.left && pos.x < r.right && pos.y >= r.top && pos.y < r.bottom) return i;
    }
    return existing ? -1 : count;
}

RECT TCustomListBox::ItemRect(int index) {
    RECT r{};
    int count = items_->Count();
    if (index == 0 || index < count) {
        SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    } else if (index == count) {
        // The place below the last item.
        SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(&r));
        OffsetRect(&r, 0, r.bottom - r.top);
    }
    return r;
}

void TCustomListBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (OnDrawItem) return OnDrawItem(this, index, rect, state);
    canvas_->FillRect(rect);
    if (index < items_->Count()) canvas_->TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::DrawItemMessage(TMessage& message) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    stdctrls::DrawOwnerItem(*this, *canvas_, item,
                            [this](int index, RECT rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
    message.Result = 1;
}

void TCustomListBox::MeasureItemMessage(TMessage& message) {
    stdctrls::MeasureOwnerItem(message, itemHeight_, style_ == lbOwnerDrawVariable,
                               [this](int index, int& height) { MeasureItem(index, height); });
}

void TCustomListBox::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
        // The window class paints the whole face, into its own paint context.
        if (ControlCount() == 0) {
            DefaultHandler(message);
            return;
        }
        TWinControl::Dispatch(message);
        return;
    case CN_COMMAND:
        if (HIWORD(message.WParam) == LBN_SELCHANGE) Click();
        if (HIWORD(message.WParam) == LBN_DBLCLK) DblClick();
        return;
    case CN_DRAWITEM:
        DrawItemMessage(message);
        return;
    case CN_MEASUREITEM:
        MeasureItemMessage(message);
        return;
    case CM_FONTCHANGED:
        stdctrls::ApplyFont(*this);
        TWinControl::Dispatch(message);
        return;
    default:
        TWinControl::Dispatch(message);
    }
}

void TCustomListBox::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Items.Text")) return items_->SetText(value);
    if (SameText(name, "ItemIndex")) return SetItemIndex(PropertyInt(name, value));
    if (SameText(name, "MultiSelect")) return SetMultiSelect(PropertyBool(name, value));
    if (SameText(name, "ExtendedSelect")) return SetExtendedSelect(PropertyBool(name, value));
    if (SameText(name, "Sorted")) return SetSorted(PropertyBool(name, value));
    if (SameText(name, "ItemHeight")) return SetItemHeight(PropertyInt(name, value));
    if (SameText(name, "Columns")) return SetColumns(PropertyInt(name, value));
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TListBoxStyle>(
            name, value,
            {{"lbStandard", lbStandard}, {"lbOwnerDrawFixed", lbOwnerDrawFixed}, {"lbOwnerDrawVariable", lbOwnerDrawVariable}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomListBox::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnDrawItem")) {
        OnDrawItem = std::any_cast<TDrawItemEvent>(handler);
        return;
    }
    if (SameText(name, "OnMeasureItem")) {
        OnMeasureItem = std::any_cast<TMeasureItemEvent>(handler);
        return;
    }
    TWinControl::SetEvent(name, handler);
}

// ---- TCustomComboBox

namespace stdctrls {
constexpr const char* kComboInnerProperty = "parch.ComboInner";
}

// The procedure of a combo box's subclassed edit and list windows.
LRESULT ComboInnerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* combo = static_cast<TCustomComboBox*>(GetProp(hwnd, stdctrls::kComboInnerProperty));
    if (!combo) return DefWindowProc(hwnd, msg, wParam, lParam);
    bool isEdit = hwnd == combo->editHandle_;
    WNDPROC original = isEdit ? combo->defEditProc_ : combo->defListProc_;
    if (msg == WM_NCDESTROY) {
        RemoveProp(hwnd, stdctrls::kComboInnerProperty);
        SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        (isEdit ? combo->editHandle_ : combo->listHandle_) = nullptr;
        return CallWindowProc(original, hwnd, msg, wParam, lParam);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        if (isEdit)
            combo->EditWndProc(message);
        else
            combo->ListWndProc(message);
    } catch (...) {
        HandleEventException(combo);
    }
    return message.Result;
}

int TComboBoxStrings::Count() const {
    if (!combo_.HandleAllocated()) return static_cast<int>(combo_.savedItems_.size());
    return static_cast<int>(SendMessage(combo_.Handle(), CB_GETCOUNT, 0, 0));
}

std::string TComboBoxStrings::Get(int index) const {
    if (!combo_.HandleAllocated()) {
        stdctrls::CheckIndex(index, Count());
        return combo_.savedItems_[static_cast<std::size_t>(index)].first;
    }
    return stdctrls::ItemText(combo_.Handle(), CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

TObject* TComboBoxStrings::GetObject(int index) const {
    stdctrls::CheckIndex(index, Count());
    if (!combo_.HandleAllocated()) return combo_.savedItems_[static_cast<std::size_t>(index)].second;
    return reinterpret_cast<TObject*>(SendMessage(combo_.Handle(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void TComboBoxStrings::PutObject(int index, TObject* object) {
    stdctrls::CheckIndex(index, Count());
    if (!combo_.HandleAllocated()) {
        combo_.savedItems_[static_cast<std::size_t>(index)].second = object;
        return;
    }
    SendMessage(combo_.Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

int TComboBoxStrings::AddObject(const std::string& text, TObject* object) {
    if (!combo_.HandleAllocated()) {
        auto& items = combo_.savedItems_;
        auto at = items.end();
        if (combo_.sorted_)
            at = std::upper_bound(items.begin(), items.end(), text,
                                  [this](const std::string& t, const auto& item) { return CompareStrings(t, item.first) < 0; });
        at = items.insert(at, {text, object});
        return static_cast<int>(at - items.begin());
    }
    auto index = static_cast<int>(SendMessage(combo_.Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index < 0) throw EOutOfResources("Not enough storage for the combo box's items");
    SendMessage(combo_.Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
    return index;
}

void TComboBoxStrings::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!combo_.HandleAllocated()) {
        combo_.savedItems_.insert(combo_.savedItems_.begin() + index, {text, nullptr});
        return;
    }
    if (SendMessage(combo_.Handle(), CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())) < 0)
        throw EOutOfResources("Not enough storage for the combo box's items");
}

void TComboBoxStrings::Delete(int index) {
    stdctrls::CheckIndex(index, Count());
    if (!combo_.HandleAllocated()) {
        combo_.savedItems_.erase(combo_.savedItems_.begin() + index);
        return;
    }
    SendMessage(combo_.Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TComboBoxStrings::Clear() {
    if (!combo_.HandleAllocated()) {
        combo_.savedItems_.clear();
        combo_.savedIndex_ = -1;
        return;
    }
    std::string text = combo_.Text();
    SendMessage(combo_.Handle(), CB_RESETCONTENT, 0, 0);
    combo_.SetText(text);
}

int TComboBoxStrings::IndexOf(std::string_view text) const {
    if (!combo_.HandleAllocated()) return TStrings::IndexOf(text);
    std::string key(text);
    return static_cast<int>(
        SendMessage(combo_.Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(key.c_str())));
}

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TComboBoxStrings>(*this)), canvas_(std::make_unique<TCanvas>()) {
    // Clicks come from the window's selection notifications.
    SetControlStyle(csSetCaption | csDoubleClicks);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    StoreBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() {
    UnhookInnerWindows();
    if (HandleAllocated()) DestroyWindowHandle();
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "ComboBox");
    static constexpr DWORD kStyle[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                       CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
    static constexpr DWORD kCase[] = {0, CBS_UPPERCASE, CBS_LOWERCASE};
    params.Style |= CBS_HASSTRINGS | CBS_AUTOHSCROLL | kStyle[static_cast<int>(style_)] |
                    kCase[static_cast<int>(charCase_)];
    if (sorted_) params.Style |= CBS_SORT;
}

void TCustomComboBox::CreateWnd() {
    TWinControl::CreateWnd();
    stdctrls::ApplyFont(*this);
    HWND hwnd = Handle();
    SendMessage(hwnd, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)
        SendMessage(hwnd, CB_SETITEMHEIGHT, 0, itemHeight_);
    auto saved = std::move(savedItems_);
    savedItems_.clear();
    for (auto& [text, object] : saved) items_->AddObject(text, object);
    if (style_ == csDropDown || style_ == csSimple) SetWindowText(hwnd, Text().c_str());
    if (savedIndex_ >= 0) {
        SendMessage(hwnd, CB_SETCURSEL, static_cast<WPARAM>(savedIndex_), 0);
        TControl::SetText(stdctrls::WindowText(hwnd));
    }
    savedIndex_ = -1;
    HookInnerWindows();
    ApplyDropDownCount();
}

void TCustomComboBox::DestroyWnd() {
    if (HandleAllocated()) {
        std::vector<std::pair<std::string, TObject*>> saved;
        for (int i = 0; i < items_->Count(); ++i) saved.emplace_back(items_->Strings(i), items_->Objects(i));
        int index = ItemIndex();
        TControl::SetText(stdctrls::WindowText(Handle()));
        UnhookInnerWindows();
        TWinControl::DestroyWnd();
        savedItems_ = std::move(saved);
        savedIndex_ = index;
        return;
    }
    TWinControl::DestroyWnd();
}

void TCustomComboBox::HookInnerWindows() {
    COMBOBOXINFO info;
    if (!GetComboBoxInfo(Handle(), &info)) return;
    auto hook = [this](HWND inner, HWND& handle, WNDPROC& original) {
        if (!inner || inner == Handle()) return;
        handle = inner;
        SetProp(inner, stdctrls::kComboInnerProperty, this);
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtr(inner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboInnerWindowProc)));
    };
    hook(info.hwndItem, editHandle_, defEditProc_);
    hook(info.hwndList, listHandle_, defListProc_);
}

void TCustomComboBox::UnhookInnerWindows() {
    auto unhook = [](HWND& handle, WNDPROC original) {
        if (!handle) return;
        if (IsWindow(handle)) {
            RemoveProp(handle, stdctrls::kComboInnerProperty);
            SetWindowLongPtr(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        }
        handle = nullptr;
    };
    unhook(editHandle_, defEditProc_);
    unhook(listHandle_, defListProc_);
}

void TCustomComboBox::EditWndProc(TMessage& message) {
    ComboWndProc(message, editHandle_, defEditProc_);
}

void TCustomComboBox::ListWndProc(TMessage& message) {
    ComboWndProc(message, listHandle_, defListProc_);
}

void TCustomComboBox::ComboWndProc(TMessage& message, HWND comboWnd, WNDPROC comboProc) {
    switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (comboWnd != listHandle_ && DoKeyDown(message)) return;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (DoKeyUp(message)) return;
        break;
    case WM_CHAR:
        if (DoKeyPress(message)) return;
        if ((message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) && DroppedDown()) {
            SetDroppedDown(false);
            return;
        }
        break;
    default:
        break;
    }
    message.Result = CallWindowProc(comboProc, comboWnd, message.Msg, message.WParam, message.LParam);
}

void TCustomComboBox::ApplyDropDownCount() {
    if (HandleAllocated()) SendMessage(Handle(), CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
}

void TCustomComboBox::SetDropDownCount(int value) {
    if (value == dropDownCount_) return;
    dropDownCount_ = value;
    ApplyDropDownCount();
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

int TCustomComboBox::ItemIndex() {
    if (!HandleAllocated()) return savedIndex_;
    return static_cast<int>(SendMessage(Handle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int value) {
    if (!HandleAllocated()) {
        savedIndex_ = value;
        return;
    }
    SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    TControl::SetText(stdctrls::WindowText(Handle()));
}

bool TCustomComboBox::DroppedDown() {
    return HandleAllocated() && SendMessage(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    SendMessage(Handle(), CB_SHOWDROPDOWN, value ? 1 : 0, 0);
}

int TCustomComboBox::ItemHeight() {
    if (HandleAllocated() && (style_ != csOwnerDrawFixed && style_ != csOwnerDrawVariable))
        return static_cast<int>(SendMessage(Handle(), CB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TCustomComboBox::SetItemHeight(int value) {
    if (value <= 0 || value == itemHeight_) return;
    itemHeight_ = value;
    RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int value) {
    maxLength_ = std::max(value, 0);
    if (HandleAllocated()) SendMessage(Handle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomComboBox::SetSorted(bool value) {
    if (value == sorted_) return;
    sorted_ = value;
    RecreateWnd();
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
    if (value == charCase_) return;
    charCase_ = value;
    RecreateWnd();
}

int TCustomComboBox::SelStart() {
    DWORD start = 0;
    SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void TCustomComboBox::SetSelStart(int value) {
    SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(value, value));
}

int TCustomComboBox::SelLength() {
    DWORD start = 0, end = 0;
    SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomComboBox::SetSelLength(int value) {
    int start = SelStart();
    SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(start, start + value));
}

std::string TCustomComboBox::SelText() {
    std::string text = stdctrls::WindowText(Handle());
    std::size_t from = stdctrls::ByteOffset(text, SelStart());
    std::size_t to = stdctrls::ByteOffset(text, SelStart() + SelLength());
    return text.substr(from, to - from);
}

void TCustomComboBox::SetSelText(const std::string& value) {
    if (editHandle_) SendMessage(editHandle_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(value.c_str()));
    TControl::SetText(stdctrls::WindowText(Handle()));
}

void TCustomComboBox::Clear() {
    SetText("");
    items_->Clear();
}

void TCustomComboBox::Change() {
    Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    if (OnDrawItem) return OnDrawItem(this, index, rect, state);
    canvas_->FillRect(rect);
    if (index >= 0 && index < items_->Count()) canvas_->TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomComboBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::DrawItemMessage(TMessage& message) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    stdctrls::DrawOwnerItem(*this, *canvas_, item,
                            [this](int index, RECT rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
    message.Result = 1;
}

void TCustomComboBox::MeasureItemMessage(TMessage& message) {
    stdctrls::MeasureOwnerItem(message, itemHeight_, style_ == csOwnerDrawVariable,
                               [this](int index, int& height) { MeasureItem(index, height); });
}

void TCustomComboBox::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
        // The window class paints the whole face, into its own paint context.
        if (ControlCount() == 0) {
            DefaultHandler(message);
            return;
        }
        TWinControl::Dispatch(message);
        return;
    case CN_COMMAND:
        switch (HIWORD(message.WParam)) {
        case CBN_DROPDOWN:
            // The number of visible lines goes with every drop-down: the window may have lost it.
            ApplyDropDownCount();
            DropDown();
            break;
        case CBN_CLOSEUP:
            CloseUp();
            break;
        case CBN_EDITCHANGE:
            TControl::SetText(stdctrls::WindowText(Handle()));
            Change();
            break;
        case CBN_SELCHANGE:
            if (ItemIndex() >= 0) TControl::SetText(items_->Strings(ItemIndex()));
            Click();
            Select();
            break;
        default:
            break;
        }
        return;
    case CN_DRAWITEM:
        DrawItemMessage(message);
        return;
    case CN_MEASUREITEM:
        MeasureItemMessage(message);
        return;
    case CM_FONTCHANGED:
        stdctrls::ApplyFont(*this);
        TWinControl::Dispatch(message);
        return;
    default:
        TWinControl::Dispatch(message);
    }
}

void TCustomComboBox::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Items.Text")) return items_->SetText(value);
    if (SameText(name, "ItemIndex")) return SetItemIndex(PropertyInt(name, value));
    if (SameText(name, "DropDownCount")) return SetDropDownCount(PropertyInt(name, value));
    if (SameText(name, "MaxLength")) return SetMaxLength(PropertyInt(name, value));
    if (SameText(name, "Sorted")) return SetSorted(PropertyBool(name, value));
    if (SameText(name, "ItemHeight")) return SetItemHeight(PropertyInt(name, value));
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TComboBoxStyle>(name, value,
                                                     {{"csDropDown", csDropDown},
                                                      {"csSimple", csSimple},
                                                      {"csDropDownList", csDropDownList},
                                                      {"csOwnerDrawFixed", csOwnerDrawFixed},
                                                      {"csOwnerDrawVariable", csOwnerDrawVariable}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomComboBox::SetEvent(const std::string& name, const std::any& handler) {
    TNotifyEvent* events[] = {&OnChange, &OnSelect, &OnDropDown, &OnCloseUp};
    const char* names[] = {"OnChange", "OnSelect", "OnDropDown", "OnCloseUp"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (SameText(name, names[i])) {
            *events[i] = std::any_cast<TNotifyEvent>(handler);
            return;
        }
    if (SameText(name, "OnDrawItem")) {
        OnDrawItem = std::any_cast<TDrawItemEvent>(handler);
        return;
    }
    if (SameText(name, "OnMeasureItem")) {
        OnMeasureItem = std::any_cast<TMeasureItemEvent>(handler);
        return;
    }
    TWinControl::SetEvent(name, handler);
}

}  // namespace parch
