#include "platform/win/EditClass.h"

#include <algorithm>
#include <climits>
#include <locale>
#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/Caret.h"
#include "platform/win/Clipboard.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditText.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace edit_class {

constexpr UINT_PTR kDragScrollTimer = 1;  // scrolls while a drag selection is outside the text
constexpr UINT kDragScrollMs = 100;
constexpr char32_t kDefaultPasswordChar = U'*';
constexpr int kDefaultTabStop = 32;  // dialog units: eight average characters

bool KeyDown(UINT key) { return GetKeyState(static_cast<int>(key)) < 0; }

// What a single-line edit keeps of inserted text: its first line.
std::string_view FirstLine(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

// Case mapping of the whole of Unicode that the C library knows, without touching the
// program's locale.
const std::ctype<wchar_t>& UnicodeCase() {
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return std::use_facet<std::ctype<wchar_t>>(locale);
}

std::string ConvertCase(std::string_view text, DWORD style) {
    if (!(style & (ES_UPPERCASE | ES_LOWERCASE))) return std::string(text);
    const std::ctype<wchar_t>& mapping = UnicodeCase();
    std::u32string points = DecodeUtf8(text);
    for (char32_t& ch : points) {
        auto wide = static_cast<wchar_t>(ch);
        ch = static_cast<char32_t>((style & ES_UPPERCASE) ? mapping.toupper(wide) : mapping.tolower(wide));
    }
    return EncodeUtf8(points);
}

// A line as drawn: its characters (or mask characters) with the byte offset of each.
struct DisplayLine {
    std::string text;
    std::vector<std::size_t> offsets;  // one per code point, plus the end
};

class EditControl {
public:
    EditControl(HWND hwnd, const CREATESTRUCT& cs);
    ~EditControl();
    EditControl(const EditControl&) = delete;
    EditControl& operator=(const EditControl&) = delete;

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    DWORD Style() const { return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE)); }
    bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }
    bool Masked() const { return passwordChar_ != 0 && !text_.MultiLine(); }
    bool ScrollsSideways() const {
        return text_.MultiLine() ? (Style() & (ES_AUTOHSCROLL | WS_HSCROLL)) != 0 : (Style() & ES_AUTOHSCROLL) != 0;
    }
    HFONT Font() const { return font_ ? font_ : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }

    // Text and layout.
    void SetFont(HFONT font);
    void ResetRect();
    void Relayout();
    std::vector<int> Measure(std::string_view utf8) const;
    int NextTabStop(int x) const;
    LRESULT SetTabStops(WPARAM count, LPARAM stops);
    bool Overflows() const;
    DisplayLine Display(std::size_t line) const;
    int VisibleLines() const;
    int LineX(std::size_t line) const;
    POINT PosFromChar(std::size_t position) const;
    std::size_t CharFromPos(POINT p) const;
    std::size_t CharAtX(std::size_t line, int x) const;

    // Changes.
    void SetText(std::string_view utf8, bool notify);
    void SyncWindowText();
    bool UserReplace(std::string_view utf8, bool canUndo, bool typing = false);
    void AfterChange();
    void Notify(WORD code) { NotifyParent(hwnd_, code); }
    void TypeCharacter(char32_t ch);
    void Character(WPARAM code);
    void DeleteAround(bool forward);
    void Copy();
    void Cut();
    void Paste();
    void Clear();
    bool UndoLast();

    // Selection and caret.
    void MoveCaret(std::size_t caret, bool extend);
    void SelectRange(std::size_t anchor, std::size_t caret);
    void KeyDownMessage(UINT key);
    void VerticalMove(long lines, bool extend);
    void UpdateCaret();
    void ScrollCaretIntoView();

    // Scrolling.
    bool ScrollLines(long delta);
    bool ScrollPixels(int delta);
    void UpdateScrollBars();
    LRESULT ScrollRequest(bool vertical, WORD code, bool notify);
    void Wheel(short delta);

    // Mouse.
    void ButtonDown(LPARAM lParam, bool doubleClick);
    void DragTo(POINT p);
    void EndDrag();

    void Paint(HDC dc);
    void PaintLine(HDC dc, std::size_t line, int y, COLORREF textColor, bool showSelection);

    LRESULT LineMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT GetLine(WPARAM line, LPARAM buffer) const;
    LRESULT SetSelection(WPARAM start, LPARAM end);
    LRESULT SetMargins(WPARAM flags, LPARAM values);
    LRESULT CopyTextOut(WPARAM size, char* buffer) const;

    HWND hwnd_;
    EditText text_;
    HFONT font_ = nullptr;
    HDC measureDc_ = nullptr;
    int lineHeight_ = 16;
    int charWidth_ = 7;
    int leftMargin_ = 1;
    int rightMargin_ = 1;
    RECT rect_{};
    bool rectSet_ = false;
    std::size_t firstLine_ = 0;
    int xOffset_ = 0;
    char32_t passwordChar_ = 0;
    bool modified_ = false;
    bool focused_ = false;
    bool dragging_ = false;
    int wheelRemainder_ = 0;
    char16_t pendingHighSurrogate_ = 0;
    int goalX_ = -1;  // the x that up and down keep to
    std::vector<int> tabStops_;  // dialog units; empty: every kDefaultTabStop

public:
    // The procedure may be re-entered through a notification that destroys the window: the
    // control then lives until the outermost call is done.
    int depth = 0;
    bool destroyed = false;
};

EditControl::EditControl(HWND hwnd, const CREATESTRUCT& cs)
    : hwnd_(hwnd), text_((static_cast<DWORD>(cs.style) & ES_MULTILINE) != 0) {
    measureDc_ = CreateCompatibleDC(nullptr);
    if (static_cast<DWORD>(cs.style) & ES_PASSWORD) passwordChar_ = kDefaultPasswordChar;
    SetFont(nullptr);
    std::string initial = ConvertCase(cs.lpszName && !IS_INTRESOURCE(cs.lpszName) ? cs.lpszName : "",
                                      static_cast<DWORD>(cs.style));
    text_.SetText(initial);
}

EditControl::~EditControl() { DeleteDC(measureDc_); }

void EditControl::SetFont(HFONT font) {
    font_ = font;
    SelectObject(measureDc_, Font());
    TEXTMETRIC tm{};
    GetTextMetrics(measureDc_, &tm);
    lineHeight_ = std::max<int>(1, tm.tmHeight);
    charWidth_ = std::max<int>(1, tm.tmAveCharWidth);
}

void EditControl::ResetRect() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    rect_ = RECT{client.left + leftMargin_, client.top, std::max(client.left + leftMargin_, client.right - rightMargin_),
                 client.bottom};
    rectSet_ = false;
}

int EditControl::VisibleLines() const { return std::max(1, static_cast<int>((rect_.bottom - rect_.top) / lineHeight_)); }

void EditControl::Relayout() {
    const bool wrap = text_.MultiLine() && !ScrollsSideways();
    text_.SetLayout([this](std::string_view run) { return Measure(run); },
                    wrap ? std::max<int>(1, rect_.right - rect_.left) : 0);
    firstLine_ = std::min(firstLine_, text_.LineCount() - 1);
    UpdateScrollBars();
}

// One measuring call per run between tabs; tabs go to the next multiple of eight average
// characters.
std::vector<int> EditControl::Measure(std::string_view utf8) const {
    const std::size_t count = CodePointCount(utf8);
    std::vector<int> ends(count);
    if (Masked()) {
        std::string mask = EncodeUtf8(std::u32string(1, passwordChar_));
        SIZE size{};
        GetTextExtentPoint32(measureDc_, mask.data(), static_cast<int>(mask.size()), &size);
        for (std::size_t i = 0; i < count; ++i) ends[i] = static_cast<int>(i + 1) * static_cast<int>(size.cx);
        return ends;
    }
    int x = 0;
    std::size_t index = 0;
    std::size_t pos = 0;
    while (pos <= utf8.size() && index < count) {
        const std::size_t tab = utf8.find('\t', pos);
        const std::size_t end = tab == std::string_view::npos ? utf8.size() : tab;
        if (end > pos) {
            std::string_view run = utf8.substr(pos, end - pos);
            std::vector<int> dx(CodePointCount(run));
            SIZE size{};
            GetTextExtentExPoint(measureDc_, run.data(), static_cast<int>(run.size()), INT_MAX, nullptr, dx.data(), &size);
            for (std::size_t k = 0; k < dx.size() && index < count; ++k) ends[index++] = x + dx[k];
            x += dx.empty() ? 0 : dx.back();
        }
        if (tab == std::string_view::npos) break;
        x = NextTabStop(x);
        if (index < count) ends[index++] = x;
        pos = tab + 1;
    }
    return ends;
}

int EditControl::NextTabStop(int x) const {
    auto pixels = [&](int units) { return std::max(1, units * charWidth_ / 4); };
    for (int stop : tabStops_)
        if (pixels(stop) > x) return pixels(stop);
    const int every = pixels(tabStops_.size() == 1 ? tabStops_[0] : kDefaultTabStop);
    return (x / every + 1) * every;
}

LRESULT EditControl::SetTabStops(WPARAM count, LPARAM stops) {
    if (!text_.MultiLine()) return 0;
    const auto* given = reinterpret_cast<const INT*>(stops);
    if (count > 0 && !given) return 0;
    tabStops_.assign(given, given + count);
    std::sort(tabStops_.begin(), tabStops_.end());
    std::erase_if(tabStops_, [](int stop) { return stop <= 0; });
    Relayout();
    return 1;
}

// Without ES_AUTOHSCROLL a single-line edit takes no more than fits its width; without
// ES_AUTOVSCROLL a multi-line edit no more lines than fit its height.
bool EditControl::Overflows() const {
    if (!text_.MultiLine()) return !(Style() & ES_AUTOHSCROLL) && text_.Line(0).width > rect_.right - rect_.left;
    return !(Style() & ES_AUTOVSCROLL) && text_.LineCount() > static_cast<std::size_t>(VisibleLines());
}

DisplayLine EditControl::Display(std::size_t line) const {
    DisplayLine d;
    std::string_view raw = text_.LineText(line);
    if (Masked()) {
        const std::string mask = EncodeUtf8(std::u32string(1, passwordChar_));
        const std::size_t count = CodePointCount(raw);
        for (std::size_t i = 0; i < count; ++i) {
            d.offsets.push_back(d.text.size());
            d.text += mask;
        }
    } else {
        d.text = std::string(raw);
        for (std::size_t i = 0; i < raw.size(); ++i)
            if ((static_cast<unsigned char>(raw[i]) & 0xC0) != 0x80) d.offsets.push_back(i);
    }
    d.offsets.push_back(d.text.size());
    return d;
}

int EditControl::LineX(std::size_t line) const {
    const int room = rect_.right - rect_.left;
    const int width = text_.Line(line).width;
    int shift = 0;
    if (width < room) {
        if (Style() & ES_CENTER) shift = (room - width) / 2;
        else if (Style() & ES_RIGHT) shift = room - width;
    }
    return rect_.left - xOffset_ + shift;
}

POINT EditControl::PosFromChar(std::size_t position) const {
    const std::size_t line = text_.LineFromChar(position);
    const EditLine& l = text_.Line(line);
    const std::size_t inLine = std::min(position - l.start, l.length);
    int x = 0;
    if (inLine > 0) x = Measure(text_.LineText(line).substr(0, ByteOffsetOfCodePoint(text_.LineText(line), inLine))).back();
    const long row = static_cast<long>(line) - static_cast<long>(firstLine_);
    return POINT{LineX(line) + x, static_cast<LONG>(rect_.top + row * lineHeight_)};
}

std::size_t EditControl::CharAtX(std::size_t line, int x) const {
    const EditLine& l = text_.Line(line);
    const std::vector<int> ends = Measure(text_.LineText(line));
    const int rel = x - LineX(line);
    std::size_t k = 0;
    int previous = 0;
    while (k < ends.size() && rel > previous + (ends[k] - previous) / 2) previous = ends[k++];
    return l.start + std::min(k, l.length);
}

std::size_t EditControl::CharFromPos(POINT p) const {
    long row = (p.y - rect_.top) / lineHeight_;
    if (p.y < rect_.top) row = -1;
    const long line = std::clamp<long>(static_cast<long>(firstLine_) + row, 0, static_cast<long>(text_.LineCount()) - 1);
    return CharAtX(static_cast<std::size_t>(line), p.x);
}

void EditControl::SyncWindowText() {
    // The stored window text stays the edit's text, for those who read it without asking.
    DefWindowProc(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.Text().c_str()));
}

void EditControl::SetText(std::string_view utf8, bool notify) {
    text_.SetText(ConvertCase(utf8, Style()));
    modified_ = false;
    firstLine_ = 0;
    xOffset_ = 0;
    SyncWindowText();
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, 1);
    UpdateCaret();
    if (notify) {
        Notify(EN_UPDATE);
        Notify(EN_CHANGE);
    }
}

bool EditControl::UserReplace(std::string_view utf8, bool canUndo, bool typing) {
    const bool mayOverflow = !(Style() & (text_.MultiLine() ? ES_AUTOVSCROLL : ES_AUTOHSCROLL));
    std::optional<EditText> before;
    if (mayOverflow) before = text_;
    EditText::Change change = text_.ReplaceSelection(utf8, canUndo, typing);
    if (change.changed && before && Overflows()) {
        text_ = std::move(*before);
        change = EditText::Change{false, true};
    }
    if (change.changed) AfterChange();
    if (change.truncated) Notify(EN_MAXTEXT);
    return change.changed;
}

void EditControl::AfterChange() {
    modified_ = true;
    goalX_ = -1;
    SyncWindowText();
    UpdateScrollBars();
    ScrollCaretIntoView();
    InvalidateRect(hwnd_, nullptr, 1);
    UpdateCaret();
    Notify(EN_UPDATE);
    Notify(EN_CHANGE);
}

void EditControl::TypeCharacter(char32_t ch) {
    if (ReadOnly()) return;
    if ((Style() & ES_NUMBER) && (ch < U'0' || ch > U'9')) return;
    UserReplace(ConvertCase(EncodeUtf8(std::u32string(1, ch)), Style()), true, true);
}

void EditControl::Character(WPARAM code) {
    const auto unit = static_cast<char16_t>(code);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        pendingHighSurrogate_ = unit;
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (pendingHighSurrogate_)
            TypeCharacter(0x10000 + ((static_cast<char32_t>(pendingHighSurrogate_) - 0xD800) << 10) + (unit - 0xDC00));
        pendingHighSurrogate_ = 0;
        return;
    }
    pendingHighSurrogate_ = 0;
    switch (unit) {
        case 0x01: SelectRange(0, text_.Length()); return;  // Ctrl+A
        case 0x03: Copy(); return;                           // Ctrl+C
        case 0x16: Paste(); return;                          // Ctrl+V
        case 0x18: Cut(); return;                            // Ctrl+X
        case 0x1A: UndoLast(); return;                       // Ctrl+Z
        case 0x08: DeleteAround(false); return;
        case u'\r':
        case u'\n':
            // A line break only ever enters a multi-line edit.
            if (text_.MultiLine() && !ReadOnly()) UserReplace("\r\n", true, true);
            return;
        case u'\t':
            if (text_.MultiLine()) TypeCharacter(U'\t');
            return;
        default: break;
    }
    if (unit < 0x20 || unit == 0x7F) return;
    TypeCharacter(unit);
}

void EditControl::DeleteAround(bool forward) {
    if (ReadOnly()) return;
    if (text_.SelStart() == text_.SelEnd()) {
        const std::size_t caret = text_.Caret();
        if (forward) {
            if (caret >= text_.Length()) return;
            const bool crlf = text_.TextBetween(caret, caret + 2) == "\r\n";
            text_.Select(caret, caret + (crlf ? 2 : 1));
        } else {
            if (caret == 0) return;
            const bool crlf = caret >= 2 && text_.TextBetween(caret - 2, caret) == "\r\n";
            text_.Select(caret, caret - (crlf ? 2 : 1));
        }
    }
    UserReplace({}, true);
}

void EditControl::Copy() {
    if (Masked() || text_.SelStart() == text_.SelEnd()) return;
    SetClipboardText(text_.SelectedText());
}

void EditControl::Cut() {
    if (Masked() || ReadOnly() || text_.SelStart() == text_.SelEnd()) return;
    Copy();
    UserReplace({}, true);
}

void EditControl::Paste() {
    if (ReadOnly()) return;
    std::string text = GetClipboardText();
    if (!text_.MultiLine()) text = std::string(FirstLine(text));
    UserReplace(ConvertCase(text, Style()), true);
}

void EditControl::Clear() {
    if (ReadOnly() || text_.SelStart() == text_.SelEnd()) return;
    UserReplace({}, true);
}

bool EditControl::UndoLast() {
    if (ReadOnly() || !text_.Undo()) return false;
    AfterChange();
    return true;
}

void EditControl::SelectRange(std::size_t anchor, std::size_t caret) {
    text_.Select(anchor, caret);
    InvalidateRect(hwnd_, nullptr, 0);
    UpdateCaret();
}

void EditControl::MoveCaret(std::size_t caret, bool extend) {
    text_.Select(extend ? text_.Anchor() : caret, caret);
    ScrollCaretIntoView();
    InvalidateRect(hwnd_, nullptr, 0);
    UpdateCaret();
}

void EditControl::VerticalMove(long lines, bool extend) {
    const std::size_t caret = text_.Caret();
    if (goalX_ < 0) goalX_ = PosFromChar(caret).x;
    const long line = std::clamp<long>(static_cast<long>(text_.LineFromChar(caret)) + lines, 0,
                                       static_cast<long>(text_.LineCount()) - 1);
    const int keep = goalX_;
    MoveCaret(CharAtX(static_cast<std::size_t>(line), keep), extend);
    goalX_ = keep;
}

void EditControl::KeyDownMessage(UINT key) {
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);
    const std::size_t caret = text_.Caret();
    const bool collapse = !shift && text_.SelStart() != text_.SelEnd();
    const EditLine& line = text_.Line(text_.LineFromChar(caret));
    if (key != VK_UP && key != VK_DOWN && key != VK_PRIOR && key != VK_NEXT) goalX_ = -1;
    switch (key) {
        case VK_LEFT:
            if (collapse) return MoveCaret(text_.SelStart(), false);
            if (control) return MoveCaret(text_.PreviousWordStart(caret), shift);
            if (caret == 0) return MoveCaret(0, shift);
            return MoveCaret(caret >= 2 && text_.TextBetween(caret - 2, caret) == "\r\n" ? caret - 2 : caret - 1, shift);
        case VK_RIGHT:
            if (collapse) return MoveCaret(text_.SelEnd(), false);
            if (control) return MoveCaret(text_.NextWordStart(caret), shift);
            return MoveCaret(text_.TextBetween(caret, caret + 2) == "\r\n" ? caret + 2 : caret + 1, shift);
        case VK_UP:
        case VK_DOWN:
            if (!text_.MultiLine()) return KeyDownMessage(key == VK_UP ? VK_LEFT : VK_RIGHT);
            return VerticalMove(key == VK_UP ? -1 : 1, shift);
        case VK_PRIOR:
        case VK_NEXT:
            if (!text_.MultiLine()) return;
            ScrollLines(key == VK_PRIOR ? -VisibleLines() : VisibleLines());
            return VerticalMove(key == VK_PRIOR ? -VisibleLines() : VisibleLines(), shift);
        case VK_HOME: return MoveCaret(control ? 0 : line.start, shift);
        case VK_END: return MoveCaret(control ? text_.Length() : line.start + line.length, shift);
        case VK_DELETE:
            if (shift) return Cut();
            return DeleteAround(true);
        case VK_INSERT:
            if (control) return Copy();
            if (shift) return Paste();
            return;
        default: return;
    }
}

void EditControl::UpdateCaret() {
    if (!focused_) return;
    const std::size_t line = text_.LineFromChar(text_.Caret());
    const bool visible = line >= firstLine_ && line < firstLine_ + static_cast<std::size_t>(VisibleLines()) + 1;
    POINT p = visible ? PosFromChar(text_.Caret()) : POINT{-20000, -20000};
    SetCaretPos(p.x, p.y);
}

void EditControl::ScrollCaretIntoView() {
    const std::size_t line = text_.LineFromChar(text_.Caret());
    if (text_.MultiLine()) {
        const auto visible = static_cast<std::size_t>(VisibleLines());
        if (line < firstLine_) ScrollLines(static_cast<long>(line) - static_cast<long>(firstLine_));
        else if (line >= firstLine_ + visible)
            ScrollLines(static_cast<long>(line - visible + 1) - static_cast<long>(firstLine_));
    }
    if (!ScrollsSideways()) return;
    const int room = rect_.right - rect_.left;
    const int x = PosFromChar(text_.Caret()).x - LineX(line);
    if (x < xOffset_) ScrollPixels(std::max(0, x - room / 4) - xOffset_);
    else if (x > xOffset_ + room - 1) ScrollPixels(x - room * 3 / 4 - xOffset_);
}

bool EditControl::ScrollLines(long delta) {
    const long count = static_cast<long>(text_.LineCount());
    const long last = std::max(0L, count - VisibleLines());
    delta = std::clamp(delta, -count, count);  // a hostile count must not overflow the sum
    const long clamped = std::clamp(static_cast<long>(firstLine_) + delta, 0L, last);
    if (clamped == static_cast<long>(firstLine_)) return false;
    firstLine_ = static_cast<std::size_t>(clamped);
    InvalidateRect(hwnd_, nullptr, 0);
    UpdateScrollBars();
    UpdateCaret();
    return true;
}

bool EditControl::ScrollPixels(int delta) {
    const int widest = text_.MaxLineWidth();
    const int room = rect_.right - rect_.left;
    const int most = std::max(0, widest - room + 1);
    const int target = static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{xOffset_} + delta, 0, std::max(most, xOffset_)));
    if (target == xOffset_) return false;
    xOffset_ = target;
    InvalidateRect(hwnd_, nullptr, 0);
    UpdateScrollBars();
    UpdateCaret();
    return true;
}

void EditControl::UpdateScrollBars() {
    const DWORD style = Style();
    if (style & WS_VSCROLL) {
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        info.nMax = static_cast<int>(std::min<std::size_t>(text_.LineCount(), INT_MAX)) - 1;
        info.nPage = static_cast<UINT>(VisibleLines());
        info.nPos = static_cast<int>(std::min<std::size_t>(firstLine_, INT_MAX));
        SetScrollInfo(hwnd_, SB_VERT, &info, 1);
    }
    if (style & WS_HSCROLL) {
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        const int room = std::max<int>(1, rect_.right - rect_.left);
        info.nMax = std::max(text_.MaxLineWidth(), room) - 1;
        info.nPage = static_cast<UINT>(room);
        info.nPos = xOffset_;
        SetScrollInfo(hwnd_, SB_HORZ, &info, 1);
    }
}

LRESULT EditControl::ScrollRequest(bool vertical, WORD code, bool notify) {
    const long page = vertical ? VisibleLines() : std::max<int>(1, rect_.right - rect_.left);
    const long step = vertical ? 1 : charWidth_;
    const long current = vertical ? static_cast<long>(firstLine_) : xOffset_;
    long target = current;
    switch (code) {
        case SB_LINEUP: target = current - step; break;
        case SB_LINEDOWN: target = current + step; break;
        case SB_PAGEUP: target = current - page; break;
        case SB_PAGEDOWN: target = current + page; break;
        case SB_TOP: target = 0; break;
        case SB_BOTTOM: target = LONG_MAX / 2; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The full 32-bit position: the bar's own track position while it is dragged,
            // else the position that whoever drives the bar has set.
            ScrollState state;
            if (!GetScrollState(hwnd_, vertical ? SB_VERT : SB_HORZ, state)) return 0;
            target = state.tracking ? state.info.nTrackPos : state.info.nPos;
            break;
        }
        default: return 0;
    }
    if (notify) Notify(vertical ? EN_VSCROLL : EN_HSCROLL);
    const bool moved = vertical ? ScrollLines(target - current) : ScrollPixels(static_cast<int>(target - current));
    return moved ? 1 : 0;
}

void EditControl::Wheel(short delta) {
    wheelRemainder_ += delta;
    const int steps = wheelRemainder_ / WHEEL_DELTA;
    if (steps == 0) return;
    wheelRemainder_ -= steps * WHEEL_DELTA;
    UINT perStep = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &perStep, 0);
    Notify(EN_VSCROLL);
    ScrollLines(-static_cast<long>(steps) * static_cast<long>(perStep));
}

void EditControl::ButtonDown(LPARAM lParam, bool doubleClick) {
    if (GetFocus() != hwnd_) SetFocus(hwnd_);
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const std::size_t at = CharFromPos(p);
    goalX_ = -1;
    if (doubleClick) {
        auto [from, to] = text_.WordAround(at);
        return SelectRange(from, to);
    }
    MoveCaret(at, KeyDown(VK_SHIFT));
    dragging_ = true;
    SetCapture(hwnd_);
}

void EditControl::DragTo(POINT p) {
    const bool outside = p.y < rect_.top || p.y >= rect_.bottom || p.x < rect_.left || p.x >= rect_.right;
    if (outside) SetTimer(hwnd_, kDragScrollTimer, kDragScrollMs, nullptr);
    else KillTimer(hwnd_, kDragScrollTimer);
    MoveCaret(CharFromPos(p), true);
}

void EditControl::EndDrag() {
    if (!dragging_) return;
    dragging_ = false;
    KillTimer(hwnd_, kDragScrollTimer);
    if (GetCapture() == hwnd_) ReleaseCapture();
}

void EditControl::Paint(HDC dc) {
    const bool enabled = IsWindowEnabled(hwnd_) != 0;
    const int saved = SaveDC(dc);
    SelectObject(dc, Font());
    HBRUSH brush = ControlColors(hwnd_, dc, ReadOnly() || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    const COLORREF textColor = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, brush);
    IntersectClipRect(dc, rect_.left, rect_.top, rect_.right, rect_.bottom);
    SetBkMode(dc, TRANSPARENT);
    const bool showSelection = text_.SelStart() != text_.SelEnd() && (focused_ || (Style() & ES_NOHIDESEL));
    const std::size_t end = std::min(text_.LineCount(), firstLine_ + static_cast<std::size_t>(VisibleLines()) + 1);
    for (std::size_t line = firstLine_; line < end; ++line)
        PaintLine(dc, line, static_cast<int>(rect_.top + static_cast<long>(line - firstLine_) * lineHeight_), textColor,
                  showSelection);
    RestoreDC(dc, saved);
}

void EditControl::PaintLine(HDC dc, std::size_t line, int y, COLORREF textColor, bool showSelection) {
    const EditLine& l = text_.Line(line);
    if (l.length == 0) return;
    const DisplayLine d = Display(line);
    const std::vector<int> ends = Measure(text_.LineText(line));
    auto endOf = [&](std::size_t i) { return i == 0 ? 0 : ends[i - 1]; };
    const int x0 = LineX(line);
    std::size_t selFrom = l.length;
    std::size_t selTo = l.length;
    if (showSelection) {
        selFrom = std::clamp(text_.SelStart(), l.start, l.start + l.length) - l.start;
        selTo = std::clamp(text_.SelEnd(), l.start, l.start + l.length) - l.start;
    }
    // Cut the line where the selection starts and ends and around each tab.
    std::vector<std::size_t> cuts{0, selFrom, selTo, l.length};
    std::string_view raw = text_.LineText(line);
    if (!Masked())
        for (std::size_t i = 0; i < l.length; ++i)
            if (raw[d.offsets[i]] == '\t') {
                cuts.push_back(i);
                cuts.push_back(i + 1);
            }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        const std::size_t a = cuts[c];
        const std::size_t b = cuts[c + 1];
        const int left = x0 + endOf(a);
        const bool selected = a >= selFrom && b <= selTo && selFrom < selTo;
        if (selected) {
            RECT r{left, y, x0 + endOf(b), y + lineHeight_};
            FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        if (!Masked() && raw[d.offsets[a]] == '\t') continue;
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : textColor);
        ExtTextOut(dc, left, y, 0, nullptr, d.text.data() + d.offsets[a], static_cast<UINT>(d.offsets[b] - d.offsets[a]),
                   nullptr);
    }
}

LRESULT EditControl::GetLine(WPARAM line, LPARAM buffer) const {
    auto* out = reinterpret_cast<char*>(buffer);
    if (!out) return 0;
    WORD size = 0;
    std::copy_n(out, sizeof(WORD), reinterpret_cast<char*>(&size));
    const std::size_t index = text_.MultiLine() ? static_cast<std::size_t>(line) : 0;
    if (index >= text_.LineCount()) return 0;
    std::string_view piece = CutAtCharacterBoundary(text_.LineText(index), size);
    std::copy(piece.begin(), piece.end(), out);
    return static_cast<LRESULT>(piece.size());
}

LRESULT EditControl::SetSelection(WPARAM start, LPARAM end) {
    const auto from = static_cast<long long>(static_cast<std::intptr_t>(start));
    const auto to = static_cast<long long>(end);
    if (from == -1) {
        SelectRange(text_.Caret(), text_.Caret());
        return 0;
    }
    const std::size_t length = text_.Length();
    const std::size_t anchor = from < 0 ? length : static_cast<std::size_t>(from);
    const std::size_t caret = to < 0 ? length : static_cast<std::size_t>(to);
    SelectRange(anchor, caret);
    return 0;
}

LRESULT EditControl::SetMargins(WPARAM flags, LPARAM values) {
    auto margin = [&](WORD value) { return value == EC_USEFONTINFO ? charWidth_ / 2 : static_cast<int>(value); };
    if (flags & EC_LEFTMARGIN) leftMargin_ = margin(LOWORD(static_cast<DWORD>(values)));
    if (flags & EC_RIGHTMARGIN) rightMargin_ = margin(HIWORD(static_cast<DWORD>(values)));
    ResetRect();
    Relayout();
    InvalidateRect(hwnd_, nullptr, 1);
    UpdateCaret();
    return 0;
}

LRESULT EditControl::CopyTextOut(WPARAM size, char* buffer) const {
    if (!buffer || size == 0) return 0;
    std::string_view piece = CutAtCharacterBoundary(text_.Text(), static_cast<std::size_t>(size) - 1);
    std::copy(piece.begin(), piece.end(), buffer);
    buffer[piece.size()] = 0;
    return static_cast<LRESULT>(piece.size());
}

LRESULT EditControl::LineMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto signedW = static_cast<long long>(static_cast<std::intptr_t>(wParam));
    switch (message) {
        case EM_GETLINECOUNT: return static_cast<LRESULT>(text_.LineCount());
        case EM_LINEINDEX: {
            const std::size_t line = signedW < 0 ? text_.LineFromChar(text_.Caret()) : static_cast<std::size_t>(wParam);
            return line < text_.LineCount() ? static_cast<LRESULT>(text_.Line(line).start) : -1;
        }
        case EM_LINELENGTH: {
            if (signedW < 0) {
                const EditLine& first = text_.Line(text_.LineFromChar(text_.SelStart()));
                const EditLine& last = text_.Line(text_.LineFromChar(text_.SelEnd()));
                return static_cast<LRESULT>((text_.SelStart() - first.start) +
                                            (last.start + last.length - std::min(text_.SelEnd(), last.start + last.length)));
            }
            return static_cast<LRESULT>(text_.Line(text_.LineFromChar(static_cast<std::size_t>(wParam))).length);
        }
        case EM_LINEFROMCHAR:
            return static_cast<LRESULT>(text_.LineFromChar(signedW < 0 ? text_.SelStart() : static_cast<std::size_t>(wParam)));
        case EM_GETLINE: return GetLine(wParam, lParam);
        default: return 0;
    }
}

LRESULT EditControl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            ResetRect();
            Relayout();
            SyncWindowText();
            return 0;
        case WM_SIZE:
            ResetRect();
            Relayout();
            ScrollLines(0);
            InvalidateRect(hwnd_, nullptr, 1);
            UpdateCaret();
            return 0;
        case WM_STYLECHANGED:
            Relayout();
            InvalidateRect(hwnd_, nullptr, 1);
            return 0;
        case WM_SETFONT:
            DefWindowProc(hwnd_, message, wParam, lParam);
            SetFont(reinterpret_cast<HFONT>(wParam));
            if (!rectSet_) ResetRect();
            Relayout();
            if (focused_) {
                CreateCaret(hwnd_, nullptr, 1, lineHeight_);
                UpdateCaret();
                ShowCaret(hwnd_);
            }
            if (lParam) InvalidateRect(hwnd_, nullptr, 1);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
        case WM_SETTEXT:
            SetText(lParam ? reinterpret_cast<const char*>(lParam) : "", !text_.MultiLine());
            return 1;
        case WM_GETTEXT: return CopyTextOut(wParam, reinterpret_cast<char*>(lParam));
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text_.Text().size());
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (text_.MultiLine() ? DLGC_WANTALLKEYS : 0);
        case WM_SETFOCUS:
            focused_ = true;
            CreateCaret(hwnd_, nullptr, 1, lineHeight_);
            UpdateCaret();
            ShowCaret(hwnd_);
            InvalidateRect(hwnd_, nullptr, 0);
            Notify(EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            focused_ = false;
            EndDrag();
            DestroyCaret();
            InvalidateRect(hwnd_, nullptr, 0);
            Notify(EN_KILLFOCUS);
            return 0;
        case WM_ENABLE: InvalidateRect(hwnd_, nullptr, 1); return 0;
        case WM_ERASEBKGND: return 1;  // painting covers the client
        case WM_PAINT: {
            if (wParam) {
                Paint(reinterpret_cast<HDC>(wParam));
                return 0;
            }
            const bool hid = focused_ && HideCaret(hwnd_);
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(hwnd_, &ps)) {
                Paint(dc);
                EndPaint(hwnd_, &ps);
            }
            if (hid) ShowCaret(hwnd_);
            return 0;
        }
        case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_CHAR: Character(wParam); return 0;
        case WM_KEYDOWN: KeyDownMessage(static_cast<UINT>(wParam)); return 0;
        case WM_LBUTTONDOWN: ButtonDown(lParam, false); return 0;
        case WM_LBUTTONDBLCLK: ButtonDown(lParam, true); return 0;
        case WM_MOUSEMOVE:
            if (dragging_) DragTo(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_LBUTTONUP: EndDrag(); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd_) {
                dragging_ = false;
                KillTimer(hwnd_, kDragScrollTimer);
            }
            return 0;
        case WM_TIMER:
            if (wParam == kDragScrollTimer && dragging_) {
                POINT p{};
                GetCursorPos(&p);
                ScreenToClient(hwnd_, &p);
                if (text_.MultiLine() && p.y < rect_.top) ScrollLines(-1);
                if (text_.MultiLine() && p.y >= rect_.bottom) ScrollLines(1);
                DragTo(p);
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            if (!text_.MultiLine()) break;
            Wheel(static_cast<short>(HIWORD(static_cast<DWORD>(wParam))));
            return 0;
        case WM_VSCROLL: return ScrollRequest(true, LOWORD(static_cast<DWORD>(wParam)), true);
        case WM_HSCROLL: return ScrollRequest(false, LOWORD(static_cast<DWORD>(wParam)), true);
        case WM_COPY: Copy(); return 0;
        case WM_CUT: Cut(); return 0;
        case WM_PASTE: Paste(); return 0;
        case WM_CLEAR: Clear(); return 0;
        case WM_UNDO:
        case EM_UNDO: return UndoLast() || !text_.MultiLine() ? 1 : 0;
        case EM_CANUNDO: return text_.CanUndo() ? 1 : 0;
        case EM_EMPTYUNDOBUFFER: text_.EmptyUndo(); return 0;
        case EM_GETSEL: {
            const std::size_t from = text_.SelStart();
            const std::size_t to = text_.SelEnd();
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(from);
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(to);
            return from > 0xFFFF || to > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(static_cast<WORD>(from), static_cast<WORD>(to)));
        }
        case EM_SETSEL: return SetSelection(wParam, lParam);
        case EM_REPLACESEL: {
            std::string_view text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            if (!text_.MultiLine()) text = FirstLine(text);
            UserReplace(ConvertCase(text, Style()), wParam != 0);
            return 0;
        }
        case EM_GETMODIFY: return modified_ ? 1 : 0;
        case EM_SETMODIFY: modified_ = wParam != 0; return 0;
        case EM_GETLINECOUNT:
        case EM_LINEINDEX:
        case EM_LINELENGTH:
        case EM_LINEFROMCHAR:
        case EM_GETLINE: return LineMessage(message, wParam, lParam);
        case EM_LIMITTEXT:
            text_.SetLimit(wParam ? std::min<std::size_t>(wParam, EditText::kMaximumLimit) : EditText::kMaximumLimit);
            return 0;
        case EM_GETLIMITTEXT: return static_cast<LRESULT>(text_.Limit());
        case EM_GETFIRSTVISIBLELINE:
            if (text_.MultiLine()) return static_cast<LRESULT>(firstLine_);
            return static_cast<LRESULT>(CharAtX(0, rect_.left));
        case EM_LINESCROLL:
            if (!text_.MultiLine()) return 0;
            // Columns as pixels, saturated: any count beyond the text scrolls to its edge.
            ScrollPixels(static_cast<int>(std::clamp<std::int64_t>(
                std::int64_t{static_cast<int>(static_cast<std::intptr_t>(wParam))} * charWidth_, INT_MIN / 2, INT_MAX / 2)));
            ScrollLines(static_cast<long>(lParam));
            return 1;
        case EM_SCROLL: {
            if (!text_.MultiLine()) return 0;
            const std::size_t before = firstLine_;
            ScrollRequest(true, static_cast<WORD>(wParam), false);
            const long moved = static_cast<long>(firstLine_) - static_cast<long>(before);
            return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(moved), 1));
        }
        case EM_SCROLLCARET: ScrollCaretIntoView(); return 1;
        case EM_GETRECT:
            if (lParam) *reinterpret_cast<RECT*>(lParam) = rect_;
            return 0;
        case EM_SETRECT:
        case EM_SETRECTNP:
            if (!text_.MultiLine()) return 0;
            if (lParam) {
                rect_ = *reinterpret_cast<const RECT*>(lParam);
                rectSet_ = true;
            } else {
                ResetRect();
            }
            Relayout();
            if (message == EM_SETRECT) InvalidateRect(hwnd_, nullptr, 1);
            UpdateCaret();
            return 0;
        case EM_SETMARGINS: return SetMargins(wParam, lParam);
        case EM_GETMARGINS: return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(leftMargin_), static_cast<WORD>(rightMargin_)));
        case EM_SETPASSWORDCHAR:
            passwordChar_ = static_cast<char32_t>(wParam);
            SetWindowLongPtr(hwnd_, GWL_STYLE, passwordChar_ ? (Style() | ES_PASSWORD) : (Style() & ~ES_PASSWORD));
            Relayout();
            InvalidateRect(hwnd_, nullptr, 1);
            UpdateCaret();
            return 0;
        case EM_GETPASSWORDCHAR: return static_cast<LRESULT>(passwordChar_);
        case EM_SETTABSTOPS: return SetTabStops(wParam, lParam);
        case EM_SETREADONLY:
            SetWindowLongPtr(hwnd_, GWL_STYLE, wParam ? (Style() | ES_READONLY) : (Style() & ~ES_READONLY));
            InvalidateRect(hwnd_, nullptr, 1);
            return 1;
        case EM_POSFROMCHAR: {
            if (wParam >= text_.Length()) return -1;
            POINT p = PosFromChar(static_cast<std::size_t>(wParam));
            return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
        }
        case EM_CHARFROMPOS: {
            const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const std::size_t at = CharFromPos(p);
            return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(at), static_cast<WORD>(text_.LineFromChar(at))));
        }
        default: break;
    }
    return DefWindowProc(hwnd_, message, wParam, lParam);
}

EditControl* ControlOf(HWND hwnd) { return reinterpret_cast<EditControl*>(GetWindowLongPtr(hwnd, 0)); }

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (!cs) return 0;
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new EditControl(hwnd, *cs)));
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
    EditControl* edit = ControlOf(hwnd);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        if (edit && edit->depth == 0) delete edit;
        else if (edit) edit->destroyed = true;
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
    if (!edit) return DefWindowProc(hwnd, message, wParam, lParam);
    ++edit->depth;
    LRESULT result = edit->Handle(message, wParam, lParam);
    if (--edit->depth == 0 && edit->destroyed) delete edit;
    return result;
}

}  // namespace edit_class

void RegisterEditClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &edit_class::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
    wc.lpszClassName = "Edit";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
