// Hostile message sequences to the common controls on the headless display: a list view in
// each of its four views (a header in report view, owner data or stored items), its
// "SysHeader32", a tree view and a tab control. Indexes, counts, sizes, texts and text lengths
// come from the input; text buffers are always memory this harness owns and sizes. The parent
// answers notifications as the input scripts: vetoes, custom-draw answers, display texts, and
// hostile reactions from inside a notification (deleting items or columns, destroying the
// control that notifies). After every step the controls must agree with themselves: counts
// match what GETITEM answers, texts come back valid UTF-8 and terminated inside the buffer,
// rectangles are ordered (a tab's never empty), selections and carets lie inside the items,
// and an empty list or tree scrolls nowhere.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "FuzzInput.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/WinApi.h"

namespace parch::fuzzcommon {
namespace {

constexpr std::size_t kMaxSteps = 250;
constexpr std::size_t kMaxTextBytes = 400;
constexpr int kMaxListItems = 120;
constexpr int kMaxColumns = 12;
constexpr int kMaxTreeItems = 120;
constexpr int kMaxTabs = 60;
constexpr int kMaxOwnerDataChecked = 2000;  // larger owner-data lists are checked at their ends only
constexpr int kTextChecksPerControl = 24;

[[noreturn]] void Fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

class Input : public fuzzing::FuzzInput {
public:
    using FuzzInput::FuzzInput;
    // UTF-8 made of pieces that cut badly (several-byte characters, broken sequences, NULs).
    std::string Text() {
        static const char* const kPieces[] = {"a", "Wq", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "\xC3",
                                              "\xE2\x82", "\xF0\x9F\x98", "\xFF", "\xED\xA0\x80", "\x80", "&x", "\t"};
        std::string text;
        const std::size_t pieces = Byte() % 64;
        if (Byte() % 8 == 0) {  // raw bytes now and then
            for (std::size_t i = 0; i < pieces * 4 && !Empty(); ++i) text.push_back(static_cast<char>(Byte()));
        } else {
            for (std::size_t i = 0; i < pieces && !Empty(); ++i) {
                const std::uint8_t pick = Byte();
                const std::size_t repeat = pick >= 0xF0 ? 40 : 1;
                for (std::size_t r = 0; r < repeat; ++r) text += kPieces[pick % std::size(kPieces)];
            }
        }
        if (text.size() > kMaxTextBytes) text.resize(kMaxTextBytes);
        return text;
    }
    std::u16string WideText() {
        std::u16string text;
        const std::size_t units = Byte() % 48;
        for (std::size_t i = 0; i < units && !Empty(); ++i) {
            switch (Byte() % 5) {
                case 0: text.push_back(static_cast<char16_t>(0xD800 + Byte() % 0x800)); break;  // surrogates, paired or not
                case 1: text.push_back(static_cast<char16_t>(Word32())); break;
                default: text.push_back(static_cast<char16_t>('A' + Byte() % 26)); break;
            }
        }
        return text;
    }
};

WPARAM AsW(std::int64_t n) { return static_cast<WPARAM>(n); }
LPARAM AsL(std::int64_t n) { return static_cast<LPARAM>(n); }
template <typename T>
LPARAM Ptr(T* p) {
    return reinterpret_cast<LPARAM>(p);
}

// ---- checks of what the controls hand out -------------------------------------------------

// A text buffer the harness owns: exactly `size` units on the heap (the sanitizer guards its
// end); the control is told `claimed` units, never more than there are.
template <typename Char>
struct OutText {
    std::vector<Char> units;
    int claimed = 0;
    static constexpr Char kFill = static_cast<Char>(0x5A);

    explicit OutText(int size, int claim = -2) : units(static_cast<std::size_t>(std::max(size, 1)), kFill) {
        claimed = claim == -2 ? size : std::min(claim, size);
    }
    Char* Data() { return units.data(); }

    // Terminated inside the claimed size, valid text before the terminator, nothing touched
    // beyond the claimed size. A refused call leaves the buffer alone.
    void Check(const char* what, bool answered = true) const {
        if (claimed <= 0 || !answered) {
            for (Char c : units)
                if (c != kFill) Fail(what, answered ? "wrote into a buffer of no size" : "a refused call wrote text");
            return;
        }
        const auto end = units.begin() + claimed;
        const auto nul = std::find(units.begin(), end, Char(0));
        if (nul == end) Fail(what, "text not terminated within the buffer");
        for (auto it = end; it != units.end(); ++it)
            if (*it != kFill) Fail(what, "wrote past the buffer's size");
        if constexpr (sizeof(Char) == 1) {
            const std::string text(units.begin(), nul);
            if (ValidUtf8(text) != text) Fail(what, "text is not valid UTF-8");
        } else {
            for (auto it = units.begin(); it != nul; ++it) {
                const char16_t u = static_cast<char16_t>(*it);
                const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
                if (low) Fail(what, "UTF-16 text with an unpaired low surrogate");
                if (high && (it + 1 == nul || *(it + 1) < 0xDC00 || *(it + 1) > 0xDFFF)) Fail(what, "half a surrogate pair");
                if (high) ++it;
            }
        }
    }
};

// Buffer sizes the checks use in turn: around the sizes where a character is cut.
int CheckSize(std::size_t turn) {
    static constexpr int kSizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 13, 64, 129, 260, 0, -3};
    return kSizes[turn % std::size(kSizes)];
}

void CheckOrdered(const RECT& r, const char* what) {
    if (r.right < r.left || r.bottom < r.top)
        Fail(what, std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom));
}

void CheckPermutation(const std::vector<int>& order, const char* what) {
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (sorted[i] != static_cast<int>(i)) Fail(what, "order is not a permutation");
}

// ---- what the parent does when notified ---------------------------------------------------

enum class Strike : std::uint8_t { DestroySender, DestroyControl, ClearItems, DeleteOne, InsertOne, DeleteColumn, Resize, Restyle, kCount };

struct ParentScript {
    bool armed = false;
    Strike strike = Strike::ClearItems;
    int countdown = 0;          // notifications to let pass before striking
    bool veto = false;          // answer to ITEMCHANGING, SELCHANGING, BEGINLABELEDIT...
    LRESULT prepaint = 0;       // custom-draw answers
    LRESULT itemPrepaint = 0;
    bool acceptEdit = true;
    std::string displayText;    // what LVN_/TVN_GETDISPINFO answer
    bool displayByPointer = false;
    int displayImage = 0;
    int displayChildren = 1;
};

// ---- the session ----------------------------------------------------------------------------

class Session {
public:
    explicit Session(Input& in) : in_(in) {
        WNDCLASSEX wc;
        wc.lpfnWndProc = &Session::ParentProc;
        wc.lpszClassName = "FuzzCommonControlsParent";
        RegisterClassEx(&wc);
        parent_ = CreateWindowEx(0, "FuzzCommonControlsParent", "", WS_POPUP | WS_VISIBLE, 20, 20, 800, 560,
                                 nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtr(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));  // the parent answers for the session
        smallImages_ = MakeImages(16, 4);
        largeImages_ = MakeImages(32, 3);
        listOwnerData_ = in_.Byte() % 4 == 0;
        listView_ = static_cast<DWORD>(in_.Byte() % 4);
        CreateList();
        CreateTree();
        CreateTabs();
        display_.PumpMessages();
    }
    ~Session() {
        script_.armed = false;  // the controls' last notifications are answered plainly
        DestroyWindow(parent_);
        display_.PumpMessages();
        ImageList_Destroy(smallImages_);
        ImageList_Destroy(largeImages_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Run() {
        for (std::size_t n = 0; n < kMaxSteps && !in_.Empty(); ++n) {
            Step();
            Revive();
            CheckAll();
        }
    }

private:
    // ---- controls and their models ----

    struct ListModel {
        HWND hwnd = nullptr;
        int count = 0;
        int columns = 0;
    };
    struct TreeModel {
        HWND hwnd = nullptr;
        std::vector<HTREEITEM> handles;  // every handle handed out, stale ones included
    };
    struct TabModel {
        HWND hwnd = nullptr;
        int count = 0;
    };

    static HIMAGELIST MakeImages(int size, int count) {
        HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 1);
        ImageList_SetImageCount(list, static_cast<UINT>(count));
        return list;
    }

    HWND Child(const char* cls, DWORD style, int x, int y, int w, int h, int id) {
        return CreateWindowEx(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                              reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    }

    static constexpr DWORD kViews[] = {LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST};

    void CreateList() {
        // Shared image lists: the harness owns them and hands the same ones to every control.
        DWORD style = kViews[listView_] | LVS_SHAREIMAGELISTS | LVS_EDITLABELS | LVS_SHOWSELALWAYS | WS_VSCROLL | WS_HSCROLL;
        if (listOwnerData_) style |= LVS_OWNERDATA;
        if (in_.Byte() % 3 == 0) style |= LVS_SINGLESEL;
        list_ = ListModel{Child("SysListView32", style, 10, 10, 420, 300, 1), 0, 0};
    }
    void CreateTree() {
        const DWORD style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS |
                            (in_.Bit() ? TVS_TRACKSELECT | TVS_FULLROWSELECT : 0) | WS_VSCROLL | WS_HSCROLL;
        tree_ = TreeModel{Child("SysTreeView32", style, 440, 10, 300, 300, 2), {}};
    }
    void CreateTabs() {
        static constexpr DWORD kTabStyles[] = {0, TCS_MULTILINE, TCS_BUTTONS, TCS_VERTICAL, TCS_VERTICAL | TCS_RIGHT, TCS_BOTTOM,
                                               TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH, TCS_HOTTRACK | TCS_FOCUSONBUTTONDOWN};
        tabs_ = TabModel{Child("SysTabControl32", kTabStyles[in_.Byte() % std::size(kTabStyles)], 10, 320, 500, 200, 3), 0};
    }

    // A control destroyed by the parent comes back empty, so the run goes on.
    // Pumping paints, and a paint's notifications may destroy a control again.
    void Revive() {
        display_.PumpMessages();
        for (int round = 0; round < 4; ++round) {
            if (IsWindow(list_.hwnd) && IsWindow(tree_.hwnd) && IsWindow(tabs_.hwnd)) return;
            if (!IsWindow(list_.hwnd)) CreateList();
            if (!IsWindow(tree_.hwnd)) CreateTree();
            if (!IsWindow(tabs_.hwnd)) CreateTabs();
            display_.PumpMessages();
        }
        script_.armed = false;  // a script that keeps destroying gives up here
        if (!IsWindow(list_.hwnd)) CreateList();
        if (!IsWindow(tree_.hwnd)) CreateTree();
        if (!IsWindow(tabs_.hwnd)) CreateTabs();
    }

    HWND Header() const { return reinterpret_cast<HWND>(SendMessage(list_.hwnd, LVM_GETHEADER, 0, 0)); }

    // ---- the parent's answers ----

    static LRESULT ParentProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        auto* s = reinterpret_cast<Session*>(GetWindowLongPtr(h, GWLP_USERDATA));
        if (s && m == WM_NOTIFY && lp) return s->Notified(*reinterpret_cast<NMHDR*>(lp));
        if (m == WM_DRAWITEM && lp) {
            const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
            return 1;
        }
        if (m == WM_MEASUREITEM && lp) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = 18;
            return 1;
        }
        return DefWindowProc(h, m, wp, lp);
    }

    static bool Vetoable(UINT code) {
        switch (code) {
            case LVN_ITEMCHANGING:
            case LVN_BEGINLABELEDIT:
            case LVN_DELETEALLITEMS:
            case HDN_ITEMCHANGING:
            case HDN_BEGINTRACK:
            case HDN_BEGINDRAG:
            case HDN_ENDDRAG:
            case TVN_SELCHANGING:
            case TVN_ITEMEXPANDING:
            case TVN_BEGINLABELEDIT:
            case TCN_SELCHANGING:
            case NM_RCLICK:
            case NM_DBLCLK: return true;
            default: return false;
        }
    }

    LRESULT Notified(NMHDR& hdr) {
        LRESULT answer = 0;
        if (hdr.code == LVN_GETDISPINFO) AnswerListDisplay(reinterpret_cast<NMLVDISPINFO&>(hdr));
        else if (hdr.code == TVN_GETDISPINFO) AnswerTreeDisplay(reinterpret_cast<NMTVDISPINFO&>(hdr));
        else if (hdr.code == NM_CUSTOMDRAW) answer = CustomDraw(reinterpret_cast<NMCUSTOMDRAW&>(hdr));
        else if (hdr.code == LVN_ENDLABELEDIT || hdr.code == TVN_ENDLABELEDIT) answer = script_.acceptEdit ? 1 : 0;
        else if (Vetoable(hdr.code)) answer = script_.veto ? 1 : 0;
        if (!checking_ && script_.armed && --script_.countdown < 0) {
            script_.armed = false;
            StrikeFrom(hdr.hwndFrom);
        }
        return answer;
    }

    void AnswerListDisplay(NMLVDISPINFO& info) {
        if (info.item.mask & LVIF_TEXT) {
            if (script_.displayByPointer || !info.item.pszText) {
                info.item.pszText = script_.displayText.data();
            } else if (info.item.cchTextMax > 0) {
                const std::size_t n = std::min(script_.displayText.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
                std::memcpy(info.item.pszText, script_.displayText.data(), n);
                info.item.pszText[n] = 0;
            }
        }
        if (info.item.mask & LVIF_IMAGE) info.item.iImage = script_.displayImage;
    }

    void AnswerTreeDisplay(NMTVDISPINFO& info) {
        if (info.item.mask & TVIF_TEXT) {
            if (script_.displayByPointer || !info.item.pszText) {
                info.item.pszText = script_.displayText.data();
            } else if (info.item.cchTextMax > 0) {
                const std::size_t n = std::min(script_.displayText.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
                std::memcpy(info.item.pszText, script_.displayText.data(), n);
                info.item.pszText[n] = 0;
            }
        }
        if (info.item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) info.item.iImage = info.item.iSelectedImage = script_.displayImage;
        if (info.item.mask & TVIF_CHILDREN) info.item.cChildren = script_.displayChildren;
        if (script_.displayImage & 1) info.item.mask |= TVIF_DI_SETITEM;
    }

    LRESULT CustomDraw(const NMCUSTOMDRAW& cd) {
        if (cd.dwDrawStage == CDDS_PREPAINT) return script_.prepaint;
        if (cd.dwDrawStage & CDDS_ITEM) return script_.itemPrepaint;
        return CDRF_DODEFAULT;
    }

    // The parent's hostile reaction, from inside a notification of `from`.
    void StrikeFrom(HWND from) {
        HWND header = IsWindow(list_.hwnd) ? Header() : nullptr;
        const bool fromHeader = from && from == header;
        switch (script_.strike) {
            case Strike::DestroySender: DestroyWindow(from); break;
            case Strike::DestroyControl: DestroyWindow(fromHeader ? list_.hwnd : from); break;
            case Strike::ClearItems:
                if (from == list_.hwnd || fromHeader) {
                    SendMessage(list_.hwnd, LVM_DELETEALLITEMS, 0, 0);
                    list_.count = 0;
                } else if (from == tree_.hwnd) {
                    SendMessage(tree_.hwnd, TVM_DELETEITEM, 0, Ptr(TVI_ROOT));
                } else if (from == tabs_.hwnd) {
                    SendMessage(tabs_.hwnd, TCM_DELETEALLITEMS, 0, 0);
                    tabs_.count = 0;
                }
                break;
            case Strike::DeleteOne:
                if (from == list_.hwnd || fromHeader) {
                    if (SendMessage(list_.hwnd, LVM_DELETEITEM, 0, 0) == 1) --list_.count;
                } else if (from == tree_.hwnd) {
                    SendMessage(tree_.hwnd, TVM_DELETEITEM, 0, SendMessage(tree_.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
                } else if (from == tabs_.hwnd) {
                    if (SendMessage(tabs_.hwnd, TCM_DELETEITEM, static_cast<WPARAM>(SendMessage(tabs_.hwnd, TCM_GETCURSEL, 0, 0)), 0))
                        --tabs_.count;
                }
                break;
            case Strike::InsertOne:
                if (from == list_.hwnd || fromHeader) {
                    LVITEMA item;
                    item.mask = LVIF_TEXT;
                    item.pszText = const_cast<char*>("\xE2\x82\xAC");
                    ++list_.count;  // counted first: the parent may change the items again while told
                    if (SendMessage(list_.hwnd, LVM_INSERTITEMA, 0, Ptr(&item)) < 0) --list_.count;
                } else if (from == tree_.hwnd) {
                    TVINSERTSTRUCTA insert;
                    insert.hParent = TVI_ROOT;
                    insert.hInsertAfter = TVI_FIRST;
                    insert.item.mask = TVIF_TEXT;
                    insert.item.pszText = const_cast<char*>("x");
                    const auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree_.hwnd, TVM_INSERTITEMA, 0, Ptr(&insert)));
                    if (item) tree_.handles.push_back(item);
                } else if (from == tabs_.hwnd) {
                    TCITEMA item;
                    item.mask = TCIF_TEXT;
                    item.pszText = const_cast<char*>("t");
                    ++tabs_.count;
                    if (SendMessage(tabs_.hwnd, TCM_INSERTITEMA, 0, Ptr(&item)) < 0) --tabs_.count;
                }
                break;
            case Strike::DeleteColumn:
                if ((from == list_.hwnd || fromHeader) && SendMessage(list_.hwnd, LVM_DELETECOLUMN, 0, 0) == 1) --list_.columns;
                else if (fromHeader) SendMessage(header, HDM_DELETEITEM, 0, 0);
                break;
            case Strike::Resize: SetWindowPos(from, nullptr, 0, 0, 60, 40, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE); break;
            case Strike::Restyle:
                if (from == list_.hwnd) SendMessage(list_.hwnd, LVM_SETVIEW, LV_VIEW_LIST, 0);
                else if (from == tabs_.hwnd) SetWindowLongPtr(from, GWL_STYLE, GetWindowLongPtr(from, GWL_STYLE) ^ TCS_VERTICAL);
                else if (from == tree_.hwnd) SendMessage(tree_.hwnd, TVM_SETITEMHEIGHT, 1, 0);
                break;
            case Strike::kCount: break;
        }
    }

    void ScriptStep() {
        switch (in_.Byte() % 4) {
            case 0:
                script_.armed = true;
                script_.strike = static_cast<Strike>(in_.Byte() % static_cast<int>(Strike::kCount));
                script_.countdown = in_.Byte() % 12;
                break;
            case 1: {
                static constexpr LRESULT kAnswers[] = {CDRF_DODEFAULT, CDRF_NOTIFYITEMDRAW, CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT,
                                                       CDRF_SKIPDEFAULT, CDRF_NOTIFYSUBITEMDRAW | CDRF_NEWFONT,
                                                       CDRF_NOTIFYPOSTPAINT | CDRF_SKIPDEFAULT};
                script_.prepaint = kAnswers[in_.Byte() % std::size(kAnswers)];
                script_.itemPrepaint = kAnswers[in_.Byte() % std::size(kAnswers)];
                break;
            }
            case 2:
                script_.displayText = in_.Text();
                script_.displayByPointer = in_.Bit();
                script_.displayImage = static_cast<int>(in_.Number());
                script_.displayChildren = static_cast<int>(in_.Number());
                break;
            default:
                script_.veto = in_.Bit();
                script_.acceptEdit = in_.Bit();
                break;
        }
    }

    // ---- steps ----

    void Step() {
        switch (in_.Byte() % 8) {
            case 0:
            case 1: return ListStep();
            case 2: return HeaderStep();
            case 3: return TreeStep();
            case 4: return TabStep();
            case 5: return ScriptStep();
            case 6: return MouseAndKeys();
            default: return WindowStep();
        }
    }

    HWND AnyControl() {
        switch (in_.Byte() % 4) {
            case 0: return list_.hwnd;
            case 1: return tree_.hwnd;
            case 2: return tabs_.hwnd;
            default: return Header();
        }
    }

    // Text in: a harness-owned copy, a callback marker or no pointer at all.
    struct InText {
        std::string narrow;
        std::u16string wide;
        int kind = 0;  // 0 text, 1 callback, 2 null
    };
    InText TextIn() {
        InText t;
        const std::uint8_t pick = in_.Byte() % 10;
        t.kind = pick == 0 ? 1 : pick == 1 ? 2 : 0;
        t.narrow = in_.Text();
        if (in_.Byte() % 4 == 0) t.wide = in_.WideText();
        return t;
    }
    char* Narrow(InText& t) { return t.kind == 1 ? LPSTR_TEXTCALLBACKA : t.kind == 2 ? nullptr : t.narrow.data(); }
    char16_t* Wide(InText& t) { return t.kind == 1 ? LPSTR_TEXTCALLBACKW : t.kind == 2 ? nullptr : t.wide.data(); }

    void ListStep() {
        HWND lv = list_.hwnd;
        const int index = static_cast<int>(in_.Number());
        switch (in_.Byte() % 24) {
            case 0: {
                if (list_.count >= kMaxListItems) break;
                InText t = TextIn();
                const bool wide = in_.Bit();
                ++list_.count;  // counted first: the parent may change the items again while told
                LRESULT got;
                if (wide) {
                    LVITEMW item;
                    item.mask = in_.Byte();
                    item.iItem = index;
                    item.iSubItem = in_.Byte() % 8 == 0 ? static_cast<int>(in_.Number()) : 0;
                    item.pszText = Wide(t);
                    item.state = in_.Word32();
                    item.stateMask = in_.Word32();
                    item.iImage = static_cast<int>(in_.Number());
                    item.iIndent = static_cast<int>(in_.Number());
                    got = SendMessage(lv, LVM_INSERTITEMW, 0, Ptr(&item));
                } else {
                    LVITEMA item;
                    item.mask = in_.Byte();
                    item.iItem = index;
                    item.iSubItem = in_.Byte() % 8 == 0 ? static_cast<int>(in_.Number()) : 0;
                    item.pszText = Narrow(t);
                    item.state = in_.Word32();
                    item.stateMask = in_.Word32();
                    item.iImage = static_cast<int>(in_.Number());
                    item.iIndent = static_cast<int>(in_.Number());
                    got = SendMessage(lv, LVM_INSERTITEMA, 0, Ptr(&item));
                }
                if (got < 0) --list_.count;
                break;
            }
            case 1: {
                InText t = TextIn();
                LVITEMA item;
                item.mask = in_.Byte();
                item.iItem = index;
                item.iSubItem = static_cast<int>(in_.Byte() % 8 == 0 ? in_.Number() : in_.Byte() % 6);
                item.pszText = Narrow(t);
                item.state = in_.Word32();
                item.stateMask = in_.Word32();
                item.iImage = static_cast<int>(in_.Number());
                item.lParam = AsL(in_.Number());
                item.iIndent = static_cast<int>(in_.Number());
                if (in_.Bit()) {
                    LVITEMW wide;
                    std::memcpy(&wide, &item, sizeof wide);
                    wide.pszText = Wide(t);
                    SendMessage(lv, LVM_SETITEMW, 0, Ptr(&wide));
                } else {
                    SendMessage(lv, LVM_SETITEMA, 0, Ptr(&item));
                }
                break;
            }
            case 2: {
                const LRESULT left = SendMessage(lv, LVM_DELETEITEM, AsW(index), 0);
                if (left == 1 && IsWindow(lv)) --list_.count;
                break;
            }
            case 3:
                if (in_.Byte() % 4 == 0) {
                    SendMessage(lv, LVM_DELETEALLITEMS, 0, 0);
                    list_.count = 0;
                }
                break;
            case 4: {
                LVITEMA state;
                state.state = in_.Word32();
                state.stateMask = in_.Word32();
                SendMessage(lv, LVM_SETITEMSTATE, AsW(in_.Bit() ? -1 : index), Ptr(&state));
                break;
            }
            case 5: SendMessage(lv, LVM_GETNEXTITEM, AsW(index), AsL(in_.Number())); break;
            case 6: {
                RECT r{static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number()), 0, 0};
                SendMessage(lv, in_.Bit() ? LVM_GETITEMRECT : LVM_GETSUBITEMRECT, AsW(index), Ptr(&r));
                break;
            }
            case 7: {
                LVHITTESTINFO hit;
                hit.pt = {static_cast<LONG>(in_.Number() % 1000), static_cast<LONG>(in_.Number() % 1000)};
                SendMessage(lv, in_.Bit() ? LVM_HITTEST : LVM_SUBITEMHITTEST, 0, Ptr(&hit));
                break;
            }
            case 8: SendMessage(lv, LVM_ENSUREVISIBLE, AsW(index), in_.Bit()); break;
            case 9: SendMessage(lv, LVM_SCROLL, AsW(index), AsL(in_.Number())); break;
            case 10: SendMessage(lv, in_.Bit() ? LVM_REDRAWITEMS : LVM_UPDATE, AsW(index), AsL(in_.Number())); break;
            case 11: EditLabel(lv, static_cast<UINT>(in_.Bit() ? LVM_EDITLABELA : LVM_EDITLABELW), AsW(index), 0, LVM_GETEDITCONTROL);
                break;
            case 12: {
                if (list_.columns >= kMaxColumns) break;
                InText t = TextIn();
                LVCOLUMNA column;
                column.mask = in_.Byte();
                column.fmt = static_cast<int>(in_.Number());
                column.cx = static_cast<int>(in_.Number() % 2000);
                column.pszText = Narrow(t);
                column.iSubItem = static_cast<int>(in_.Number());
                column.iImage = static_cast<int>(in_.Number());
                column.iOrder = static_cast<int>(in_.Number());
                ++list_.columns;
                if (SendMessage(lv, LVM_INSERTCOLUMNA, AsW(index), Ptr(&column)) < 0) --list_.columns;
                break;
            }
            case 13: {
                InText t = TextIn();
                LVCOLUMNW column;
                column.mask = in_.Byte();
                column.fmt = static_cast<int>(in_.Number());
                column.cx = static_cast<int>(in_.Number() % 2000);
                column.pszText = Wide(t);
                column.iSubItem = static_cast<int>(in_.Number());
                SendMessage(lv, LVM_SETCOLUMNW, AsW(index), Ptr(&column));
                break;
            }
            case 14:
                if (SendMessage(lv, LVM_DELETECOLUMN, AsW(index), 0) == 1 && IsWindow(lv)) --list_.columns;
                break;
            case 15: SendMessage(lv, LVM_SETCOLUMNWIDTH, AsW(index), AsL(in_.Number() % 4 == 0 ? -1 - in_.Byte() % 2 : in_.Number())); break;
            case 16: {
                InText t = TextIn();
                LVITEMA item;
                item.iSubItem = static_cast<int>(in_.Number());
                item.pszText = Narrow(t);
                SendMessage(lv, LVM_SETITEMTEXTA, AsW(index), Ptr(&item));
                break;
            }
            case 17: {
                const LRESULT result = SendMessage(lv, LVM_SETITEMCOUNT, AsW(index), AsL(in_.Number()));
                if (result && listOwnerData_ && IsWindow(lv)) list_.count = index;
                break;
            }
            case 18: {
                const LPARAM descending = in_.Bit();
                auto compare = [](LPARAM a, LPARAM b, LPARAM down) { return down ? (a < b) - (a > b) : (a > b) - (a < b); };
                SendMessage(lv, in_.Bit() ? LVM_SORTITEMS : LVM_SORTITEMSEX, AsW(descending), Ptr(+compare));
                break;
            }
            case 19: SendMessage(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, AsW(in_.Number()), AsL(in_.Word32())); break;
            case 20: {
                std::vector<int> order(in_.Byte() % 16);
                for (int& o : order) o = static_cast<int>(in_.Number());
                SendMessage(lv, LVM_SETCOLUMNORDERARRAY, order.size(), Ptr(order.data()));
                break;
            }
            case 21: {
                const int which = static_cast<int>(in_.Number());
                HIMAGELIST images = in_.Bit() ? smallImages_ : in_.Bit() ? largeImages_ : nullptr;
                SendMessage(lv, LVM_SETIMAGELIST, AsW(which), Ptr(images));
                break;
            }
            case 22: {
                const DWORD view = static_cast<DWORD>(in_.Number());
                SendMessage(lv, LVM_SETVIEW, AsW(view), 0);
                break;
            }
            default: {
                static constexpr UINT kQuestions[] = {LVM_GETTOPINDEX, LVM_GETCOUNTPERPAGE, LVM_GETCOLUMNWIDTH, LVM_GETITEMSTATE,
                                                      LVM_ARRANGE, LVM_SETBKCOLOR, LVM_SETTEXTBKCOLOR, LVM_GETVIEW};
                SendMessage(lv, kQuestions[in_.Byte() % std::size(kQuestions)], AsW(index), AsL(in_.Number()));
                break;
            }
        }
    }

    // Starts label editing, types into the editor and ends it one way or another.
    void EditLabel(HWND control, UINT begin, WPARAM wp, LPARAM lp, UINT getEdit) {
        SendMessage(control, begin, wp, lp);
        HWND edit = IsWindow(control) ? reinterpret_cast<HWND>(SendMessage(control, getEdit, 0, 0)) : nullptr;
        if (!edit || !IsWindow(edit)) return;
        const std::string typed = in_.Text();
        SendMessage(edit, WM_SETTEXT, 0, Ptr(typed.c_str()));
        switch (in_.Byte() % 4) {
            case 0: SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0); break;
            case 1: SendMessage(edit, WM_KEYDOWN, VK_ESCAPE, 0); break;
            case 2: SetFocus(parent_); break;
            default: break;  // left open
        }
        display_.PumpMessages();
    }

    void HeaderStep() {
        HWND header = Header();
        if (!header) {
            SendMessage(list_.hwnd, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
            return;
        }
        const int index = static_cast<int>(in_.Number());
        switch (in_.Byte() % 12) {
            case 0: {
                InText t = TextIn();
                if (in_.Bit()) {
                    HDITEMW item;
                    item.mask = in_.Byte();
                    item.cxy = static_cast<int>(in_.Number() % 3000);
                    item.pszText = Wide(t);
                    item.fmt = static_cast<int>(in_.Number());
                    item.iImage = static_cast<int>(in_.Number());
                    item.iOrder = static_cast<int>(in_.Number());
                    SendMessage(header, HDM_INSERTITEMW, AsW(index), Ptr(&item));
                } else {
                    HDITEMA item;
                    item.mask = in_.Byte();
                    item.cxy = static_cast<int>(in_.Number() % 3000);
                    item.pszText = Narrow(t);
                    item.fmt = static_cast<int>(in_.Number());
                    item.iImage = static_cast<int>(in_.Number());
                    item.iOrder = static_cast<int>(in_.Number());
                    SendMessage(header, HDM_INSERTITEMA, AsW(index), Ptr(&item));
                }
                break;
            }
            case 1: SendMessage(header, HDM_DELETEITEM, AsW(index), 0); break;
            case 2: {
                InText t = TextIn();
                HDITEMA item;
                item.mask = in_.Byte();
                item.cxy = static_cast<int>(in_.Number() % 3000);
                item.pszText = Narrow(t);
                item.fmt = static_cast<int>(in_.Number());
                item.iImage = static_cast<int>(in_.Number());
                item.iOrder = static_cast<int>(in_.Number());
                SendMessage(header, HDM_SETITEMA, AsW(index), Ptr(&item));
                break;
            }
            case 3: {
                RECT area{static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number()),
                          static_cast<LONG>(in_.Number())};
                WINDOWPOS pos;
                HDLAYOUT layout;
                layout.prc = in_.Bit() ? &area : nullptr;
                layout.pwpos = &pos;
                SendMessage(header, HDM_LAYOUT, 0, Ptr(&layout));
                break;
            }
            case 4: {
                HDHITTESTINFO hit;
                hit.pt = {static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number())};
                SendMessage(header, HDM_HITTEST, 0, Ptr(&hit));
                break;
            }
            case 5: {
                RECT r;
                SendMessage(header, HDM_GETITEMRECT, AsW(index), Ptr(&r));
                break;
            }
            case 6: SendMessage(header, HDM_ORDERTOINDEX, AsW(index), 0); break;
            case 7: {
                std::vector<int> order(in_.Byte() % 16);
                for (int& o : order) o = static_cast<int>(in_.Byte() % 18) - 1;
                SendMessage(header, HDM_SETORDERARRAY, order.size(), Ptr(order.data()));
                break;
            }
            case 8: SendMessage(header, HDM_SETIMAGELIST, 0, Ptr(in_.Bit() ? smallImages_ : nullptr)); break;
            case 9: SetWindowLongPtr(header, GWL_STYLE, static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE | (in_.Byte() & 0xFF))); break;
            default: DragOn(header, in_.Byte() % 4 != 0); break;
        }
    }

    // A press, a few moves and (mostly) a release, straight to the window, near its dividers.
    void DragOn(HWND h, bool release) {
        RECT client{};
        GetClientRect(h, &client);
        auto point = [&] {
            const int x = static_cast<int>(in_.Number() % (client.right + 80)) - 20;
            const int y = static_cast<int>(in_.Byte() % (client.bottom + 10));
            return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
        };
        SendMessage(h, in_.Bit() ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, point());
        for (int moves = in_.Byte() % 5; moves > 0 && IsWindow(h); --moves) SendMessage(h, WM_MOUSEMOVE, MK_LBUTTON, point());
        if (release && IsWindow(h)) SendMessage(h, WM_LBUTTONUP, 0, point());
        else if (IsWindow(h) && in_.Bit()) ReleaseCapture();
    }

    HTREEITEM AnyTreeItem() {
        switch (in_.Byte() % 8) {
            case 0: return TVI_ROOT;
            case 1: return nullptr;
            case 2: return reinterpret_cast<HTREEITEM>(static_cast<std::intptr_t>(in_.Number()));
            case 3: return TVI_LAST;
            default:
                if (tree_.handles.empty()) return nullptr;
                return tree_.handles[in_.Byte() % tree_.handles.size()];
        }
    }

    void TreeStep() {
        HWND tv = tree_.hwnd;
        switch (in_.Byte() % 16) {
            case 0: {
                if (SendMessage(tv, TVM_GETCOUNT, 0, 0) >= kMaxTreeItems) break;
                InText t = TextIn();
                HTREEITEM parentItem = AnyTreeItem();
                static const HTREEITEM kAfter[] = {TVI_FIRST, TVI_LAST, TVI_SORT, nullptr};
                HTREEITEM after = in_.Byte() % 5 == 0 ? AnyTreeItem() : kAfter[in_.Byte() % std::size(kAfter)];
                LRESULT got;
                if (in_.Bit()) {
                    TVINSERTSTRUCTW insert;
                    insert.hParent = parentItem;
                    insert.hInsertAfter = after;
                    insert.item.mask = in_.Byte();
                    insert.item.pszText = Wide(t);
                    insert.item.state = in_.Word32();
                    insert.item.stateMask = in_.Word32();
                    insert.item.iImage = static_cast<int>(in_.Number());
                    insert.item.cChildren = static_cast<int>(in_.Number());
                    got = SendMessage(tv, TVM_INSERTITEMW, 0, Ptr(&insert));
                } else {
                    TVINSERTSTRUCTA insert;
                    insert.hParent = parentItem;
                    insert.hInsertAfter = after;
                    insert.item.mask = in_.Byte();
                    insert.item.pszText = Narrow(t);
                    insert.item.state = in_.Word32();
                    insert.item.stateMask = in_.Word32();
                    insert.item.iImage = static_cast<int>(in_.Number());
                    insert.item.cChildren = static_cast<int>(in_.Number());
                    got = SendMessage(tv, TVM_INSERTITEMA, 0, Ptr(&insert));
                }
                if (got) tree_.handles.push_back(reinterpret_cast<HTREEITEM>(got));
                break;
            }
            case 1: SendMessage(tv, TVM_DELETEITEM, 0, Ptr(AnyTreeItem())); break;
            case 2: {
                static constexpr UINT kCodes[] = {TVE_EXPAND, TVE_COLLAPSE, TVE_TOGGLE, TVE_COLLAPSE | TVE_COLLAPSERESET, 0, 0x1234};
                SendMessage(tv, TVM_EXPAND, kCodes[in_.Byte() % std::size(kCodes)], Ptr(AnyTreeItem()));
                break;
            }
            case 3: SendMessage(tv, TVM_SELECTITEM, in_.Byte() % 12, Ptr(AnyTreeItem())); break;
            case 4: SendMessage(tv, TVM_GETNEXTITEM, in_.Byte() % 12, Ptr(AnyTreeItem())); break;
            case 5: {
                union {
                    RECT rect;
                    HTREEITEM item;
                } probe{};
                probe.item = AnyTreeItem();
                SendMessage(tv, TVM_GETITEMRECT, in_.Bit(), Ptr(&probe));
                break;
            }
            case 6: {
                TVHITTESTINFO hit;
                hit.pt = {static_cast<LONG>(in_.Number() % 1000), static_cast<LONG>(in_.Number() % 1000)};
                SendMessage(tv, TVM_HITTEST, 0, Ptr(&hit));
                break;
            }
            case 7:
                if (in_.Bit()) {
                    SendMessage(tv, TVM_SORTCHILDREN, in_.Bit(), Ptr(AnyTreeItem()));
                } else {
                    TVSORTCB sort;
                    sort.hParent = AnyTreeItem();
                    sort.lpfnCompare = [](LPARAM a, LPARAM b, LPARAM) { return (a > b) - (a < b); };
                    SendMessage(tv, TVM_SORTCHILDRENCB, in_.Bit(), Ptr(&sort));
                }
                break;
            case 8: SendMessage(tv, TVM_ENSUREVISIBLE, 0, Ptr(AnyTreeItem())); break;
            case 9: SendMessage(tv, TVM_SETIMAGELIST, in_.Byte() % 3, Ptr(in_.Bit() ? smallImages_ : largeImages_)); break;
            case 10: SendMessage(tv, in_.Bit() ? TVM_SETINDENT : TVM_SETITEMHEIGHT, AsW(in_.Number()), 0); break;
            case 11: SendMessage(tv, TVM_SETBKCOLOR, 0, AsL(in_.Number())); break;
            case 12: {
                InText t = TextIn();
                TVITEMA item;
                item.mask = in_.Byte();
                item.hItem = AnyTreeItem();
                item.pszText = Narrow(t);
                item.state = in_.Word32();
                item.stateMask = in_.Word32();
                item.iImage = static_cast<int>(in_.Number());
                item.cChildren = static_cast<int>(in_.Number());
                item.lParam = AsL(in_.Number());
                if (in_.Bit()) {
                    TVITEMW wide;
                    std::memcpy(&wide, &item, sizeof wide);
                    wide.pszText = Wide(t);
                    SendMessage(tv, TVM_SETITEMW, 0, Ptr(&wide));
                } else {
                    SendMessage(tv, TVM_SETITEMA, 0, Ptr(&item));
                }
                break;
            }
            case 13: EditLabel(tv, in_.Bit() ? TVM_EDITLABELA : TVM_EDITLABELW, 0, Ptr(AnyTreeItem()), TVM_GETEDITCONTROL); break;
            case 14: SendMessage(tv, TVM_ENDEDITLABELNOW, in_.Bit(), 0); break;
            default: SendMessage(tv, WM_VSCROLL, MAKEWPARAM(in_.Byte() % 9, static_cast<WORD>(in_.Number())), 0); break;
        }
    }

    void TabStep() {
        HWND tc = tabs_.hwnd;
        const int index = static_cast<int>(in_.Number());
        switch (in_.Byte() % 14) {
            case 0: {
                if (tabs_.count >= kMaxTabs) break;
                InText t = TextIn();
                ++tabs_.count;
                LRESULT got;
                if (in_.Bit()) {
                    TCITEMW item;
                    item.mask = in_.Byte();
                    item.pszText = Wide(t);
                    item.iImage = static_cast<int>(in_.Number());
                    item.dwState = in_.Word32();
                    item.dwStateMask = in_.Word32();
                    got = SendMessage(tc, TCM_INSERTITEMW, AsW(index), Ptr(&item));
                } else {
                    TCITEMA item;
                    item.mask = in_.Byte();
                    item.pszText = Narrow(t);
                    item.iImage = static_cast<int>(in_.Number());
                    item.dwState = in_.Word32();
                    item.dwStateMask = in_.Word32();
                    got = SendMessage(tc, TCM_INSERTITEMA, AsW(index), Ptr(&item));
                }
                if (got < 0) --tabs_.count;
                break;
            }
            case 1: {
                InText t = TextIn();
                TCITEMA item;
                item.mask = in_.Byte();
                item.pszText = Narrow(t);
                item.iImage = static_cast<int>(in_.Number());
                SendMessage(tc, TCM_SETITEMA, AsW(index), Ptr(&item));
                break;
            }
            case 2:
                if (SendMessage(tc, TCM_DELETEITEM, AsW(index), 0) == 1 && IsWindow(tc)) --tabs_.count;
                break;
            case 3:
                if (in_.Byte() % 4 == 0) {
                    SendMessage(tc, TCM_DELETEALLITEMS, 0, 0);
                    tabs_.count = 0;
                }
                break;
            case 4: SendMessage(tc, TCM_SETCURSEL, AsW(index), 0); break;
            case 5: SendMessage(tc, TCM_SETCURFOCUS, AsW(index), 0); break;
            case 6: {
                RECT r{static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number()), static_cast<LONG>(in_.Number()),
                       static_cast<LONG>(in_.Number())};
                SendMessage(tc, TCM_ADJUSTRECT, in_.Bit(), Ptr(&r));
                break;
            }
            case 7: SendMessage(tc, TCM_SETPADDING, 0, AsL(in_.Number())); break;
            case 8: SendMessage(tc, TCM_SETITEMSIZE, 0, AsL(in_.Number())); break;
            case 9: SendMessage(tc, TCM_SETMINTABWIDTH, 0, AsL(in_.Number())); break;
            case 10: {
                TCHITTESTINFO hit;
                hit.pt = {static_cast<LONG>(in_.Number() % 1000), static_cast<LONG>(in_.Number() % 1000)};
                SendMessage(tc, TCM_HITTEST, 0, Ptr(&hit));
                break;
            }
            case 11: SendMessage(tc, TCM_SETIMAGELIST, 0, Ptr(in_.Bit() ? smallImages_ : nullptr)); break;
            case 12: SendMessage(tc, TCM_HIGHLIGHTITEM, AsW(index), AsL(in_.Number())); break;
            default: SendMessage(tc, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(in_.Number())), 0); break;
        }
    }

    void MouseAndKeys() {
        HWND h = AnyControl();
        if (!h) return;
        static constexpr UINT kKeys[] = {VK_UP,  VK_DOWN, VK_LEFT,  VK_RIGHT,    VK_HOME,     VK_END, VK_PRIOR, VK_NEXT,
                                         VK_SPACE, VK_RETURN, 0x71 /* F2 */, VK_ADD, VK_SUBTRACT, VK_MULTIPLY, VK_BACK, VK_TAB};
        switch (in_.Byte() % 7) {
            case 0: DragOn(h, in_.Byte() % 6 != 0); break;
            case 1: {
                RECT client{};
                GetClientRect(h, &client);
                const LPARAM at = MAKELPARAM(static_cast<WORD>(in_.Number() % (client.right + 1)), static_cast<WORD>(in_.Number() % (client.bottom + 1)));
                SendMessage(h, WM_RBUTTONDOWN, MK_RBUTTON, at);
                if (IsWindow(h)) SendMessage(h, WM_RBUTTONUP, 0, at);
                break;
            }
            case 2: SendMessage(h, WM_KEYDOWN, kKeys[in_.Byte() % std::size(kKeys)], 0); break;
            case 3: SendMessage(h, WM_CHAR, AsW(in_.Word32() % 0x110010), 0); break;
            case 4: SendMessage(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(in_.Number())), 0); break;
            case 5: {
                const WORD code = static_cast<WORD>(in_.Byte() % 9);
                SendMessage(h, in_.Bit() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(in_.Number())), 0);
                break;
            }
            default: SetFocus(h); break;
        }
        display_.AdvanceTime(in_.Byte() * 8);
        display_.PumpMessages();
    }

    void WindowStep() {
        HWND h = AnyControl();
        switch (in_.Byte() % 6) {
            case 0: {
                const int w = static_cast<int>(in_.Number() % 1200), ht = static_cast<int>(in_.Number() % 900);
                SetWindowPos(h, nullptr, 0, 0, w, ht, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
                break;
            }
            case 1: {
                HDC dc = CreateCompatibleDC(nullptr);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, 600, 400);
                HGDIOBJ old = SelectObject(dc, bitmap);
                SendMessage(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
                SelectObject(dc, old);
                DeleteObject(bitmap);
                DeleteDC(dc);
                break;
            }
            case 2: {
                static constexpr int kFonts[] = {DEFAULT_GUI_FONT, SYSTEM_FONT, ANSI_FIXED_FONT};
                HGDIOBJ font = in_.Bit() ? nullptr : GetStockObject(kFonts[in_.Byte() % std::size(kFonts)]);
                SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
                break;
            }
            case 3: SendMessage(h, WM_SETREDRAW, in_.Bit(), 0); break;
            case 4: {
                // Style bits: list views keep their shared image lists (the harness owns them).
                LONG_PTR style = GetWindowLongPtr(h, GWL_STYLE) ^ static_cast<LONG_PTR>(in_.Word32() & 0xFFFF);
                if (h == list_.hwnd) {
                    // A list made single-selection keeps what was selected: the bit stays as made.
                    style = (style & ~static_cast<LONG_PTR>(LVS_SINGLESEL)) | (GetWindowLongPtr(h, GWL_STYLE) & LVS_SINGLESEL);
                    style |= LVS_SHAREIMAGELISTS;
                }
                SetWindowLongPtr(h, GWL_STYLE, style);
                break;
            }
            default: InvalidateRect(parent_, nullptr, 1); break;
        }
        display_.PumpMessages();
    }

    // ---- invariants ----

    void CheckAll() {
        checking_ = true;
        ++turn_;
        CheckList();
        CheckHeader();
        CheckTree();
        CheckTabs();
        checking_ = false;
    }

    template <typename Item>
    void CheckListText(int index, int subItem, UINT message, bool viaGetItem) {
        using Char = std::remove_pointer_t<decltype(Item::pszText)>;
        OutText<Char> out(CheckSize(turn_ + static_cast<std::size_t>(index)));
        Item item;
        item.mask = LVIF_TEXT | LVIF_STATE | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT;
        item.iItem = index;
        item.iSubItem = subItem;
        item.stateMask = ~0u;
        item.pszText = out.Data();
        item.cchTextMax = out.claimed;
        const LRESULT got = SendMessage(list_.hwnd, message, viaGetItem ? 0 : AsW(index), Ptr(&item));
        if (viaGetItem && got != 1) Fail("LVM_GETITEM refused an item inside the count", std::to_string(index));
        out.Check("list item text");
    }

    void CheckList() {
        HWND lv = list_.hwnd;
        const LRESULT count = SendMessage(lv, LVM_GETITEMCOUNT, 0, 0);
        if (count != list_.count) Fail("list count", std::to_string(count) + " expected " + std::to_string(list_.count));
        LVITEMA probe;
        probe.mask = LVIF_STATE;
        probe.iItem = list_.count;
        if (SendMessage(lv, LVM_GETITEMA, 0, Ptr(&probe))) Fail("LVM_GETITEM answered past the count");
        const int n = list_.count;
        for (int k = 0; k < std::min(n, kTextChecksPerControl); ++k) {
            const int index = k % 2 ? n - 1 - k / 2 : k / 2;
            const int subItem = static_cast<int>((turn_ + static_cast<std::size_t>(k)) % 4);
            if (k % 3 == 0) CheckListText<LVITEMW>(index, subItem, LVM_GETITEMW, true);
            else if (k % 3 == 1) CheckListText<LVITEMA>(index, subItem, LVM_GETITEMA, true);
            else CheckListText<LVITEMW>(index, subItem, LVM_GETITEMTEXTW, false);
        }
        // Selection and focus inside the items, the selected count what the states say.
        const LRESULT selected = SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0);
        if (selected < 0 || selected > n) Fail("selected count out of range", std::to_string(selected));
        if ((GetWindowLongPtr(lv, GWL_STYLE) & LVS_SINGLESEL) && selected > 1) Fail("single selection holds several");
        if (n <= kMaxOwnerDataChecked) {
            int counted = 0;
            for (int i = 0; i < n; ++i) counted += SendMessage(lv, LVM_GETITEMSTATE, AsW(i), LVIS_SELECTED) ? 1 : 0;
            if (counted != selected) Fail("selected count", std::to_string(selected) + " but states say " + std::to_string(counted));
        }
        const LRESULT focused = SendMessage(lv, LVM_GETNEXTITEM, AsW(-1), LVNI_FOCUSED);
        if (focused != -1 && (focused < 0 || focused >= n || !SendMessage(lv, LVM_GETITEMSTATE, AsW(focused), LVIS_FOCUSED)))
            Fail("focused item", std::to_string(focused));
        const LRESULT next = SendMessage(lv, LVM_GETNEXTITEM, AsW(-1), LVNI_SELECTED);
        if (next != -1 && (next < 0 || next >= n)) Fail("next selected item out of range", std::to_string(next));
        const LRESULT top = SendMessage(lv, LVM_GETTOPINDEX, 0, 0);
        if (top < 0 || top > std::max(0, n - 1)) Fail("top index out of range", std::to_string(top));
        // Item rectangles: ordered for items; none for an item that is not there (nothing to
        // scroll by on an empty list).
        for (int code = LVIR_BOUNDS; code <= LVIR_SELECTBOUNDS; ++code) {
            for (int index : {0, n - 1, n}) {
                RECT r{code, 0, 0, 0};
                const LRESULT got = SendMessage(lv, LVM_GETITEMRECT, AsW(index), Ptr(&r));
                if (index >= 0 && index < n) {
                    if (got != 1) Fail("LVM_GETITEMRECT refused an item");
                    CheckOrdered(r, "list item rectangle");
                } else if (got != 0) {
                    Fail("LVM_GETITEMRECT answered for no item", std::to_string(index));
                }
            }
        }
        if (n == 0) CheckEmptyListScrollsNowhere(lv);
        CheckColumns(lv);
    }

    void CheckEmptyListScrollsNowhere(HWND lv) {
        SendMessage(lv, LVM_SCROLL, 0, 500);
        SendMessage(lv, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 7), 0);
        SendMessage(lv, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 7), 0);
        SendMessage(lv, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
        if (SendMessage(lv, LVM_GETTOPINDEX, 0, 0) != 0) Fail("an empty list scrolled");
    }

    void CheckColumns(HWND lv) {
        for (int c = 0; c <= list_.columns; ++c) {
            OutText<char> out(CheckSize(turn_ + static_cast<std::size_t>(c) * 3));
            LVCOLUMNA column;
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_ORDER | LVCF_SUBITEM;
            column.pszText = out.Data();
            column.cchTextMax = out.claimed;
            const LRESULT got = SendMessage(lv, LVM_GETCOLUMNA, AsW(c), Ptr(&column));
            if ((got == 1) != (c < list_.columns)) Fail("column count", std::to_string(c) + " of " + std::to_string(list_.columns));
            out.Check("column text", got == 1);
            if (got && (column.cx < 0 || column.iOrder < 0 || column.iOrder >= list_.columns)) Fail("column width or order");
        }
        std::vector<int> order(static_cast<std::size_t>(list_.columns));
        if (!SendMessage(lv, LVM_GETCOLUMNORDERARRAY, order.size(), Ptr(order.data())) && list_.columns > 0)
            Fail("column order refused");
        CheckPermutation(order, "column order");
    }

    void CheckHeader() {
        // A header the parent destroyed stays named by the list, as handles are never reused.
        HWND header = Header();
        if (!header || !IsWindow(header)) return;
        const LRESULT count = SendMessage(header, HDM_GETITEMCOUNT, 0, 0);
        if (count < 0) Fail("negative header count");
        for (int i = 0; i <= count && i < kTextChecksPerControl + 1; ++i) {
            const int index = i == kTextChecksPerControl || i == count ? static_cast<int>(count) : i;
            const bool wide = (turn_ + static_cast<std::size_t>(i)) % 2 == 0;
            OutText<char> narrow(CheckSize(turn_ + static_cast<std::size_t>(i)));
            OutText<char16_t> wideOut(CheckSize(turn_ + static_cast<std::size_t>(i)));
            LRESULT got;
            if (wide) {
                HDITEMW item;
                item.mask = HDI_TEXT | HDI_WIDTH | HDI_ORDER | HDI_FORMAT;
                item.pszText = wideOut.Data();
                item.cchTextMax = wideOut.claimed;
                got = SendMessage(header, HDM_GETITEMW, AsW(index), Ptr(&item));
                if (got && (item.cxy < 0 || item.iOrder < 0 || item.iOrder >= count)) Fail("header width or order");
            } else {
                HDITEMA item;
                item.mask = HDI_TEXT | HDI_WIDTH | HDI_ORDER;
                item.pszText = narrow.Data();
                item.cchTextMax = narrow.claimed;
                got = SendMessage(header, HDM_GETITEMA, AsW(index), Ptr(&item));
                if (got && (item.cxy < 0 || item.iOrder < 0 || item.iOrder >= count)) Fail("header width or order");
            }
            if ((got == 1) != (index < count)) Fail("header item count", std::to_string(index) + " of " + std::to_string(count));
            narrow.Check("header text", got == 1 && !wide);
            wideOut.Check("header text (UTF-16)", got == 1 && wide);
            RECT r{};
            if (SendMessage(header, HDM_GETITEMRECT, AsW(index), Ptr(&r)) != (index < count ? 1 : 0)) Fail("header item rectangle");
            CheckOrdered(r, "header item rectangle");
            const LRESULT at = SendMessage(header, HDM_ORDERTOINDEX, AsW(index), 0);
            if (index < count && (at < 0 || at >= count)) Fail("HDM_ORDERTOINDEX out of range");
        }
        std::vector<int> order(static_cast<std::size_t>(count));
        if (!SendMessage(header, HDM_GETORDERARRAY, order.size(), Ptr(order.data())) && count > 0) Fail("header order refused");
        CheckPermutation(order, "header order");
    }

    void CheckTree() {
        HWND tv = tree_.hwnd;
        const LRESULT count = SendMessage(tv, TVM_GETCOUNT, 0, 0);
        // Every item reached by walking the tree, each once; the caret among them.
        std::vector<HTREEITEM> pending;
        if (auto root = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_ROOT, 0))) pending.push_back(root);
        const auto caret = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CARET, 0));
        bool caretSeen = caret == nullptr;
        LRESULT walked = 0;
        while (!pending.empty()) {
            HTREEITEM item = pending.back();
            pending.pop_back();
            if (++walked > count) Fail("tree walk finds more items than TVM_GETCOUNT", std::to_string(count));
            if (item == caret) caretSeen = true;
            CheckTreeItem(tv, item, static_cast<std::size_t>(walked));
            if (auto next = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_NEXT, Ptr(item)))) pending.push_back(next);
            if (auto child = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CHILD, Ptr(item)))) pending.push_back(child);
        }
        if (walked != count) Fail("tree count", std::to_string(count) + " but the walk found " + std::to_string(walked));
        if (!caretSeen) Fail("tree caret is no item of the tree");
        if (caret && !(SendMessage(tv, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(caret), TVIS_SELECTED) & TVIS_SELECTED))
            Fail("tree caret not selected");
        LRESULT visible = 0;
        for (auto row = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)); row;
             row = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, Ptr(row))))
            if (++visible > count) Fail("visible rows loop");
        if (count == 0) {
            SendMessage(tv, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 9), 0);
            SendMessage(tv, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
            if (SendMessage(tv, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0) != 0) Fail("an empty tree shows a row");
        }
    }

    void CheckTreeItem(HWND tv, HTREEITEM item, std::size_t k) {
        union {
            RECT rect;
            HTREEITEM item;
        } probe{};
        probe.item = item;
        if (SendMessage(tv, TVM_GETITEMRECT, k % 2, Ptr(&probe))) CheckOrdered(probe.rect, "tree item rectangle");
        if (k > static_cast<std::size_t>(kTextChecksPerControl)) return;
        if (k % 2) {
            OutText<char> out(CheckSize(turn_ + k));
            TVITEMA got;
            got.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
            got.hItem = item;
            got.stateMask = ~0u;
            got.pszText = out.Data();
            got.cchTextMax = out.claimed;
            if (SendMessage(tv, TVM_GETITEMA, 0, Ptr(&got)) != 1) Fail("TVM_GETITEM refused an item of the tree");
            out.Check("tree item text");
        } else {
            OutText<char16_t> out(CheckSize(turn_ + k));
            TVITEMW got;
            got.mask = TVIF_TEXT | TVIF_HANDLE;
            got.hItem = item;
            got.pszText = out.Data();
            got.cchTextMax = out.claimed;
            if (SendMessage(tv, TVM_GETITEMW, 0, Ptr(&got)) != 1) Fail("TVM_GETITEM refused an item of the tree");
            out.Check("tree item text (UTF-16)");
        }
    }

    void CheckTabs() {
        HWND tc = tabs_.hwnd;
        const LRESULT count = SendMessage(tc, TCM_GETITEMCOUNT, 0, 0);
        if (count != tabs_.count) Fail("tab count", std::to_string(count) + " expected " + std::to_string(tabs_.count));
        const LRESULT current = SendMessage(tc, TCM_GETCURSEL, 0, 0);
        if (current < -1 || current >= count) Fail("current tab out of range", std::to_string(current));
        const LRESULT focus = SendMessage(tc, TCM_GETCURFOCUS, 0, 0);
        if (focus < -1 || focus >= count) Fail("focused tab out of range", std::to_string(focus));
        if (SendMessage(tc, TCM_GETROWCOUNT, 0, 0) < 1) Fail("no tab row");
        for (int i = 0; i <= count; ++i) {
            RECT r{};
            const LRESULT got = SendMessage(tc, TCM_GETITEMRECT, AsW(i), Ptr(&r));
            if ((got == 1) != (i < count)) Fail("TCM_GETITEMRECT and the count disagree");
            if (got && (r.right <= r.left || r.bottom <= r.top)) Fail("empty tab rectangle", std::to_string(i));
            if (i >= kTextChecksPerControl && i < count) continue;
            OutText<char> out(CheckSize(turn_ + static_cast<std::size_t>(i)));
            TCITEMA item;
            item.mask = TCIF_TEXT | TCIF_STATE | TCIF_IMAGE;
            item.dwStateMask = ~0u;
            item.pszText = out.Data();
            item.cchTextMax = out.claimed;
            const LRESULT answered = SendMessage(tc, TCM_GETITEMA, AsW(i), Ptr(&item));
            if ((answered == 1) != (i < count)) Fail("TCM_GETITEM and the count disagree");
            out.Check("tab text", answered == 1);
        }
    }

    HeadlessDisplay& display_ = Display();
    static HeadlessDisplay& Display() {
        static HeadlessDisplay display;
        return display;
    }

    Input& in_;
    HWND parent_ = nullptr;
    HIMAGELIST smallImages_ = nullptr;
    HIMAGELIST largeImages_ = nullptr;
    bool listOwnerData_ = false;
    DWORD listView_ = 0;
    ListModel list_;
    TreeModel tree_;
    TabModel tabs_;
    ParentScript script_;
    bool checking_ = false;  // the parent plays no tricks while the invariants are read
    std::size_t turn_ = 0;
};

}  // namespace
}  // namespace parch::fuzzcommon

// The first session loads the fonts and the display once, before any input is judged for leaks;
// the fonts are those the tests pin, so runs do not depend on the machine's font setup.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    static const std::uint8_t kWarmUp[] = {1, 1, 0, 0, 0, 0, 1, 0, 3, 'a', 'b', 'c', 4, 0, 0, 0, 0, 0, 1, 0, 0};
    parch::fuzzcommon::Input in(kWarmUp, sizeof kWarmUp);
    parch::fuzzcommon::Session session(in);
    session.Run();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) return -1;
    parch::fuzzcommon::Input in(data, size);
    parch::fuzzcommon::Session session(in);
    session.Run();
    return 0;
}
