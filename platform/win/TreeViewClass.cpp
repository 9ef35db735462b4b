#include "platform/win/TreeViewClass.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/TextLayout.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/Clock.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/ItemText.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/ListBoxItems.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/TreeViewItems.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace treeview {

constexpr int kDefaultIndent = 19;
constexpr int kMinIndent = 5;
constexpr int kLabelPadding = 2;  // each side of the label's text
constexpr int kButtonSize = 9;
constexpr int kMaxItemHeight = 0x7FFF;
constexpr UINT_PTR kEditTimer = 1;
constexpr UINT kTypeAheadMs = 1000;
constexpr int kDispTextMax = 1024;

struct TreeView {
    HWND hwnd = nullptr;
    DWORD style = 0;
    TreeViewItems items;
    TreeNode* caret = nullptr;
    TreeNode* dropHilite = nullptr;
    TreeNode* hot = nullptr;
    TreeNode* pressed = nullptr;  // the item a left press landed on, selected at release
    TreeNode* editing = nullptr;
    TreeNode* editPending = nullptr;
    HWND edit = nullptr;
    int top = 0;      // the first row shown
    int xOffset = 0;  // pixels scrolled to the left
    int indent = kDefaultIndent;
    int itemHeight = 0;
    bool customHeight = false;
    COLORREF bkColor = CLR_NONE;
    COLORREF textColor = CLR_NONE;
    HIMAGELIST images = nullptr;
    HIMAGELIST stateImages = nullptr;
    HFONT font = nullptr;
    bool focused = false;
    bool redraw = true;
    bool layoutDirty = false;  // rows changed since the top and the bars were last fitted
    int contentWidth = 0;      // the widest row, as of the last fitting
    std::string typed;
    std::uint64_t typedAt = 0;
    int busy = 0;  // messages being handled; the parent may destroy the control meanwhile
    bool destroyed = false;
    int asking = 0;  // TVN_GETDISPINFO notifications out: the items hold still until they return
};

TreeView* Find(HWND hwnd) { return reinterpret_cast<TreeView*>(GetWindowLongPtr(hwnd, 0)); }

HTREEITEM Handle(const TreeNode* node) { return node ? reinterpret_cast<HTREEITEM>(node->id) : nullptr; }
TreeNode* NodeOf(TreeView& tv, HTREEITEM item) { return tv.items.Find(reinterpret_cast<std::uintptr_t>(item)); }
bool IsRootHandle(HTREEITEM item) { return item == nullptr || item == TVI_ROOT; }

RECT Client(const TreeView& tv) {
    RECT r;
    GetClientRect(tv.hwnd, &r);
    return r;
}

SIZE ImageSize(HIMAGELIST list) {
    int cx = 0, cy = 0;
    if (list) ImageList_GetIconSize(list, &cx, &cy);
    return SIZE{cx, cy};
}

int DefaultItemHeight(const TreeView& tv) {
    int height = std::max({FontLineHeight(tv.font) + 2, static_cast<int>(ImageSize(tv.images).cy),
                           static_cast<int>(ImageSize(tv.stateImages).cy)});
    if (!(tv.style & TVS_NONEVENHEIGHT)) height += height & 1;
    return height;
}

int VisibleRows(const TreeView& tv) { return std::max(0, static_cast<int>(Client(tv).bottom) / std::max(1, tv.itemHeight)); }

// --- Notifications -----------------------------------------------------------------------------

void FillItem(const TreeNode* node, TVITEMA& item) {
    item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    item.hItem = Handle(node);
    if (!node) return;
    item.state = node->state;
    item.stateMask = 0xFFFF;
    item.lParam = node->lParam;
}

LRESULT NotifyTree(TreeView& tv, UINT code, UINT action, const TreeNode* oldNode, const TreeNode* newNode,
                   POINT drag = POINT{0, 0}) {
    NMTREEVIEW nm;
    nm.action = action;
    FillItem(oldNode, nm.itemOld);
    FillItem(newNode, nm.itemNew);
    nm.ptDrag = drag;
    return SendNotify(tv.hwnd, code, &nm.hdr);
}

LRESULT NotifySimple(TreeView& tv, UINT code) {
    NMHDR nm;
    return SendNotify(tv.hwnd, code, &nm);
}

// Asks the parent for what an item left to it (text, images, children); an answer with
// TVIF_DI_SETITEM is kept.
struct Asked {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    int children = 0;
};

Asked AskDispInfo(TreeView& tv, TreeNode& node, UINT mask) {
    char buffer[kDispTextMax] = {};
    NMTVDISPINFO nm;
    nm.item.mask = mask;
    nm.item.hItem = Handle(&node);
    nm.item.state = node.state;
    nm.item.lParam = node.lParam;
    nm.item.pszText = buffer;
    nm.item.cchTextMax = kDispTextMax;
    nm.item.iImage = node.image;
    nm.item.iSelectedImage = node.selectedImage;
    nm.item.cChildren = node.children;
    std::uintptr_t id = node.id;
    ++tv.asking;
    SendNotify(tv.hwnd, TVN_GETDISPINFO, &nm.hdr);
    --tv.asking;
    Asked asked;
    if (nm.item.pszText) {
        // The answer may point elsewhere; it is read to its terminator or the buffer's size.
        const char* text = nm.item.pszText;
        std::size_t n = 0;
        while (n < kDispTextMax && text[n]) ++n;
        asked.text = ValidUtf8(std::string_view(text, n));  // held to the rule for stored texts
    }
    asked.image = nm.item.iImage;
    asked.selectedImage = nm.item.iSelectedImage;
    asked.children = nm.item.cChildren;
    TreeNode* still = tv.items.Find(id);
    if (still && (nm.item.mask & TVIF_DI_SETITEM)) {
        if (mask & TVIF_TEXT) {
            still->text = asked.text;
            still->textCallback = false;
            still->textWidth = -1;
        }
        if (mask & TVIF_IMAGE) still->image = asked.image;
        if (mask & TVIF_SELECTEDIMAGE) still->selectedImage = asked.selectedImage;
        if (mask & TVIF_CHILDREN) still->children = asked.children;
    }
    return asked;
}

std::string TextOf(TreeView& tv, TreeNode& node) {
    return node.textCallback ? AskDispInfo(tv, node, TVIF_TEXT).text : node.text;
}

bool HasChildren(TreeView& tv, TreeNode& node) {
    if (node.first) return true;
    if (!node.childrenGiven) return false;
    if (node.children == I_CHILDRENCALLBACK) return AskDispInfo(tv, node, TVIF_CHILDREN).children != 0;
    return node.children != 0;
}

// --- Geometry ----------------------------------------------------------------------------------

bool RootColumn(const TreeView& tv) { return (tv.style & TVS_LINESATROOT) && (tv.style & (TVS_HASLINES | TVS_HASBUTTONS)); }

// Where the item's own pictures start: after the columns of its ancestors and its button.
int LevelX(const TreeView& tv, const TreeNode& node) {
    return (node.level + (RootColumn(tv) ? 1 : 0)) * tv.indent - tv.xOffset;
}

int StateImageIndex(const TreeNode& node) { return static_cast<int>((node.state & TVIS_STATEIMAGEMASK) >> 12); }

// A memory context with the control's font, held for a pass of measuring (the screen's context
// would compose the whole screen first).
class Measurer {
public:
    explicit Measurer(const TreeView& tv)
        : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, tv.font ? tv.font : GetStockObject(SYSTEM_FONT))) {}
    ~Measurer() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    Measurer(const Measurer&) = delete;
    Measurer& operator=(const Measurer&) = delete;
    int Width(const std::string& text) const {
        SIZE size{0, 0};
        GetTextExtentPoint32(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

int TextWidth(TreeView& tv, TreeNode& node, const Measurer* measurer = nullptr) {
    if (node.textWidth >= 0 && !node.textCallback) return node.textWidth;
    std::string text = TextOf(tv, node);
    node.textWidth = measurer ? measurer->Width(text) : Measurer(tv).Width(text);
    return node.textWidth;
}

struct RowParts {
    RECT line;   // the whole row
    RECT state;  // state image (empty without one)
    RECT icon;   // image (empty without a list)
    RECT label;  // the text and its padding
};

RowParts PartsOf(TreeView& tv, TreeNode& node, int row) {
    RowParts p;
    RECT client = Client(tv);
    int y = (row - tv.top) * tv.itemHeight;
    p.line = RECT{0, y, client.right, y + tv.itemHeight};
    int x = LevelX(tv, node);
    SIZE stateSize = ImageSize(tv.stateImages);
    p.state = RECT{x, y, x, y + tv.itemHeight};
    if (tv.stateImages && StateImageIndex(node) > 0) x += stateSize.cx;
    p.state.right = x;
    SIZE iconSize = ImageSize(tv.images);
    p.icon = RECT{x, y, x + (tv.images ? iconSize.cx : 0), y + tv.itemHeight};
    x = p.icon.right + (tv.images ? 1 : 0);
    p.label = RECT{x, y, x + TextWidth(tv, node) + 2 * kLabelPadding, y + tv.itemHeight};
    return p;
}

// The pixel width of the widest row, for the horizontal bar.
int ContentWidth(TreeView& tv) {
    Measurer measurer(tv);
    int pictures = static_cast<int>(ImageSize(tv.stateImages).cx) + static_cast<int>(ImageSize(tv.images).cx) + 1;
    int widest = 0;
    for (TreeNode* n : tv.items.Rows())
        widest = std::max(widest, LevelX(tv, *n) + tv.xOffset + pictures + TextWidth(tv, *n, &measurer) + 2 * kLabelPadding);
    return widest;
}

// --- Scrolling ---------------------------------------------------------------------------------

int MaxTop(TreeView& tv) {
    return std::max(0, static_cast<int>(tv.items.Rows().size()) - std::max(1, VisibleRows(tv)));
}

void UpdateScrollBars(TreeView& tv) {
    if (!tv.redraw || (tv.style & TVS_NOSCROLL)) return;
    int rows = static_cast<int>(tv.items.Rows().size());
    SCROLLINFO v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    v.nMin = 0;
    v.nMax = std::max(0, rows - 1);
    v.nPage = static_cast<UINT>(rows > VisibleRows(tv) ? VisibleRows(tv) : rows + 1);
    v.nPos = tv.top;
    SetScrollInfo(tv.hwnd, SB_VERT, &v, 1);
    if (tv.style & TVS_NOHSCROLL) return;
    int width = tv.contentWidth, client = Client(tv).right;
    SCROLLINFO h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    h.nMin = 0;
    h.nMax = std::max(0, width - 1);
    h.nPage = static_cast<UINT>(width > client ? client : width + 1);
    h.nPos = tv.xOffset;
    SetScrollInfo(tv.hwnd, SB_HORZ, &h, 1);
}

void Redraw(TreeView& tv) {
    if (tv.redraw) InvalidateRect(tv.hwnd, nullptr, 1);
}

// After any change of rows. The fitting waits for the next message that is not one of a
// burst of item changes, so that filling a tree item by item stays linear.
void Relayout(TreeView& tv) {
    tv.layoutDirty = true;
    Redraw(tv);
}

// The top stays in range, the bars follow the rows.
void EnsureLayout(TreeView& tv) {
    if (!tv.layoutDirty || !tv.redraw) return;
    tv.layoutDirty = false;
    tv.top = std::clamp(tv.top, 0, MaxTop(tv));
    tv.contentWidth = ContentWidth(tv);
    tv.xOffset = std::clamp(tv.xOffset, 0, std::max(0, tv.contentWidth - static_cast<int>(Client(tv).right)));
    UpdateScrollBars(tv);
}

void SetTop(TreeView& tv, int top) {
    top = std::clamp(top, 0, MaxTop(tv));
    if (top == tv.top) return;
    tv.top = top;
    UpdateScrollBars(tv);
    Redraw(tv);
}

void SetXOffset(TreeView& tv, int x) {
    EnsureLayout(tv);
    x = std::clamp(x, 0, std::max(0, tv.contentWidth - static_cast<int>(Client(tv).right)));
    if (x == tv.xOffset) return;
    tv.xOffset = x;
    UpdateScrollBars(tv);
    Redraw(tv);
}

// Rows are the unit of vertical scrolling: with none to measure by, nothing moves.
void VScroll(TreeView& tv, WORD code) {
    if (tv.items.Rows().empty() || tv.itemHeight <= 0) return;
    int page = std::max(1, VisibleRows(tv));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(tv.hwnd, SB_VERT, &si);
    switch (code) {
        case SB_LINEUP: SetTop(tv, tv.top - 1); break;
        case SB_LINEDOWN: SetTop(tv, tv.top + 1); break;
        case SB_PAGEUP: SetTop(tv, tv.top - page); break;
        case SB_PAGEDOWN: SetTop(tv, tv.top + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(tv, si.nTrackPos); break;
        case SB_TOP: SetTop(tv, 0); break;
        case SB_BOTTOM: SetTop(tv, MaxTop(tv)); break;
        default: break;
    }
}

void HScroll(TreeView& tv, WORD code) {
    if (tv.items.Rows().empty()) return;
    int line = std::max(1, tv.indent), page = std::max(1, static_cast<int>(Client(tv).right));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(tv.hwnd, SB_HORZ, &si);
    switch (code) {
        case SB_LINELEFT: SetXOffset(tv, tv.xOffset - line); break;
        case SB_LINERIGHT: SetXOffset(tv, tv.xOffset + line); break;
        case SB_PAGELEFT: SetXOffset(tv, tv.xOffset - page); break;
        case SB_PAGERIGHT: SetXOffset(tv, tv.xOffset + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetXOffset(tv, si.nTrackPos); break;
        case SB_LEFT: SetXOffset(tv, 0); break;
        case SB_RIGHT: SetXOffset(tv, tv.contentWidth); break;
        default: break;
    }
}

// --- Expanding ---------------------------------------------------------------------------------

// Expands or collapses; `asked` sends TVN_ITEMEXPANDING (which may veto) and TVN_ITEMEXPANDED.
bool Expand(TreeView& tv, TreeNode& node, UINT code, bool asked) {
    UINT action = code & TVE_TOGGLE;
    bool expanded = (node.state & TVIS_EXPANDED) != 0;
    if (action == TVE_TOGGLE) action = expanded ? TVE_COLLAPSE : TVE_EXPAND;
    if (action == 0) return false;
    if (action == TVE_EXPAND && !HasChildren(tv, node)) return false;
    if ((action == TVE_EXPAND) == expanded && !(code & TVE_COLLAPSERESET)) return true;
    std::uintptr_t id = node.id;
    if (asked && NotifyTree(tv, TVN_ITEMEXPANDING, action, nullptr, &node)) return false;
    TreeNode* still = tv.items.Find(id);
    if (!still || tv.destroyed) return false;
    if (action == TVE_EXPAND) still->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    else still->state &= ~TVIS_EXPANDED;
    if ((code & TVE_COLLAPSERESET) && action == TVE_COLLAPSE) {
        while (still->first) tv.items.Erase(still->first, [&](TreeNode& n) { NotifyTree(tv, TVN_DELETEITEM, 0, &n, nullptr); });
        still->state &= ~TVIS_EXPANDEDONCE;
    }
    // A caret hidden by the collapse moves up to the item collapsed.
    if (action == TVE_COLLAPSE && tv.caret && tv.items.IsAncestor(still, tv.caret)) {
        tv.caret->state &= ~TVIS_SELECTED;
        tv.caret = still;
        still->state |= TVIS_SELECTED;
    }
    tv.items.Invalidate();
    Relayout(tv);
    if (asked) NotifyTree(tv, TVN_ITEMEXPANDED, action, nullptr, still);
    return true;
}

// TVM_EXPAND tells the parent only until the item was expanded once.
bool ExpandByMessage(TreeView& tv, TreeNode& node, UINT code) {
    return Expand(tv, node, code, !(node.state & TVIS_EXPANDEDONCE));
}

// Opens every ancestor; true when one had to be opened.
bool ExpandAncestors(TreeView& tv, TreeNode& node) {
    std::vector<TreeNode*> closed;
    for (TreeNode* p = node.parent; p; p = p->parent)
        if (!(p->state & TVIS_EXPANDED)) closed.push_back(p);
    for (auto it = closed.rbegin(); it != closed.rend(); ++it) Expand(tv, **it, TVE_EXPAND, true);
    return !closed.empty();
}

bool EnsureVisible(TreeView& tv, TreeNode& node) {
    bool expanded = ExpandAncestors(tv, node);
    int row = tv.items.RowOf(&node);
    if (row < 0) return false;
    int page = std::max(1, VisibleRows(tv));
    int before = tv.top;
    if (row < tv.top) SetTop(tv, row);
    else if (row >= tv.top + page) SetTop(tv, row - page + 1);
    return !expanded && before != tv.top;
}

// --- Selection ---------------------------------------------------------------------------------

// Moves the caret; the parent may refuse (TVN_SELCHANGING) and is told after (TVN_SELCHANGED).
bool SelectCaret(TreeView& tv, TreeNode* node, UINT action) {
    if (node == tv.caret) return true;
    std::uintptr_t newId = node ? node->id : 0;
    if (NotifyTree(tv, TVN_SELCHANGING, action, tv.caret, node)) return false;
    if (tv.destroyed) return false;
    node = newId ? tv.items.Find(newId) : nullptr;
    if (newId && !node) return false;
    TreeNode* old = tv.caret;
    if (old) old->state &= ~TVIS_SELECTED;
    tv.caret = node;
    if (node) {
        node->state |= TVIS_SELECTED;
        EnsureVisible(tv, *node);
    }
    Redraw(tv);
    NotifyTree(tv, TVN_SELCHANGED, action, old, node);
    return true;
}

void SetDropHilite(TreeView& tv, TreeNode* node) {
    if (tv.dropHilite) tv.dropHilite->state &= ~TVIS_DROPHILITED;
    tv.dropHilite = node;
    if (node) node->state |= TVIS_DROPHILITED;
    Redraw(tv);
}

LRESULT SelectItem(TreeView& tv, UINT how, HTREEITEM item) {
    TreeNode* node = NodeOf(tv, item);
    if (item && !node) return 0;
    switch (how & 0xFF) {
        case TVGN_CARET: return SelectCaret(tv, node, TVC_UNKNOWN) ? 1 : 0;
        case TVGN_DROPHILITE: SetDropHilite(tv, node); return 1;
        case TVGN_FIRSTVISIBLE:
            if (!node) return 0;
            ExpandAncestors(tv, *node);
            SetTop(tv, tv.items.RowOf(node));
            return 1;
        default: return 0;
    }
}

TreeNode* RowNode(TreeView& tv, int row) {
    const auto& rows = tv.items.Rows();
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)] : nullptr;
}

LRESULT GetNextItem(TreeView& tv, UINT how, HTREEITEM item) {
    TreeNode* node = IsRootHandle(item) ? nullptr : NodeOf(tv, item);
    TreeNode* found = nullptr;
    switch (how & 0xFF) {
        case TVGN_ROOT: found = tv.items.Roots(); break;
        case TVGN_NEXT: found = node ? node->next : nullptr; break;
        case TVGN_PREVIOUS: found = node ? node->previous : nullptr; break;
        case TVGN_PARENT: found = node ? node->parent : nullptr; break;
        case TVGN_CHILD:
            if (IsRootHandle(item)) found = tv.items.Roots();
            else found = node ? node->first : nullptr;
            break;
        case TVGN_FIRSTVISIBLE: found = RowNode(tv, tv.top); break;
        case TVGN_NEXTVISIBLE: {
            int row = tv.items.RowOf(node);
            found = row >= 0 ? RowNode(tv, row + 1) : nullptr;
            break;
        }
        case TVGN_PREVIOUSVISIBLE: {
            int row = tv.items.RowOf(node);
            found = row > 0 ? RowNode(tv, row - 1) : nullptr;
            break;
        }
        case TVGN_CARET: found = tv.caret; break;
        case TVGN_DROPHILITE: found = tv.dropHilite; break;
        case TVGN_LASTVISIBLE: found = RowNode(tv, static_cast<int>(tv.items.Rows().size()) - 1); break;
        default: break;
    }
    return reinterpret_cast<LRESULT>(Handle(found));
}

// --- Items -------------------------------------------------------------------------------------

template <typename Item>
void ApplyItem(TreeView& tv, TreeNode& node, const Item& item) {
    if (item.mask & TVIF_TEXT) {
        if constexpr (std::is_same_v<Item, TVITEMW> || std::is_same_v<Item, TVITEMEXW>) {
            node.textCallback = item.pszText == LPSTR_TEXTCALLBACKW;
            node.text = node.textCallback ? std::string() : ItemTextFromWide(item.pszText);
        } else {
            node.textCallback = item.pszText == LPSTR_TEXTCALLBACKA;
            node.text = node.textCallback || !item.pszText ? std::string() : ValidUtf8(item.pszText);
        }
        node.textWidth = -1;
    }
    if (item.mask & TVIF_IMAGE) node.image = item.iImage;
    if (item.mask & TVIF_SELECTEDIMAGE) node.selectedImage = item.iSelectedImage;
    if (item.mask & TVIF_CHILDREN) {
        node.children = item.cChildren;
        node.childrenGiven = true;
    }
    if (item.mask & TVIF_PARAM) node.lParam = item.lParam;
    if (item.mask & TVIF_STATE) {
        // Selection, drop target and expansion belong to the control's own bookkeeping.
        UINT mask = item.stateMask & ~(TVIS_SELECTED | TVIS_DROPHILITED);
        UINT before = node.state;
        node.state = (node.state & ~mask) | (item.state & mask);
        if ((before ^ node.state) & TVIS_EXPANDED) tv.items.Invalidate();
        if (item.stateMask & TVIS_SELECTED) {
            if (item.state & TVIS_SELECTED) node.state |= TVIS_SELECTED;
            else node.state &= ~TVIS_SELECTED;
        }
    }
}

TreeNode* InsertPosition(TreeView& tv, TreeNode* parent, HTREEITEM after, const std::string& text, bool& ok) {
    ok = true;
    TreeNode* first = tv.items.FirstChild(parent);
    if (after == TVI_FIRST) return nullptr;
    TreeNode* last = tv.items.LastChild(parent);
    if (after == TVI_LAST || after == nullptr) return last;
    if (after == TVI_SORT) {
        TreeNode* place = nullptr;
        for (TreeNode* c = first; c; c = c->next) {
            if (CompareItemText(TextOf(tv, *c), text) > 0) break;
            place = c;
        }
        return place;
    }
    TreeNode* sibling = NodeOf(tv, after);
    if (sibling && sibling->parent == parent) return sibling;
    return last;  // an item of another parent: at the end
}

template <typename Insert>
LRESULT InsertItem(TreeView& tv, LPARAM lp) {
    const auto* insert = reinterpret_cast<const Insert*>(lp);
    if (!insert) return 0;
    TreeNode* parent = nullptr;
    if (!IsRootHandle(insert->hParent)) {
        parent = NodeOf(tv, insert->hParent);
        if (!parent) return 0;
    }
    const auto& item = insert->item;
    std::string sortText;
    if (insert->hInsertAfter == TVI_SORT && (item.mask & TVIF_TEXT)) {
        if constexpr (std::is_same_v<Insert, TVINSERTSTRUCTW>) {
            if (item.pszText != LPSTR_TEXTCALLBACKW) sortText = ItemTextFromWide(item.pszText);
        } else if (item.pszText && item.pszText != LPSTR_TEXTCALLBACKA) {
            sortText = item.pszText;
        }
    }
    bool ok = true;
    TreeNode* after = InsertPosition(tv, parent, insert->hInsertAfter, sortText, ok);
    TreeNode* node = tv.items.Insert(parent, after);
    ApplyItem(tv, *node, item);
    node->state &= ~(TVIS_SELECTED | TVIS_DROPHILITED);
    if (!parent || tv.items.IsShown(node)) Relayout(tv);
    else if (parent && tv.items.RowOf(parent) >= 0) Redraw(tv);  // its button appears
    return reinterpret_cast<LRESULT>(Handle(node));
}

// A deleted caret hands the selection to a neighbour or the parent.
TreeNode* CaretHeir(TreeView& tv, TreeNode& doomed) {
    if (!tv.caret || (tv.caret != &doomed && !tv.items.IsAncestor(&doomed, tv.caret))) return tv.caret;
    if (doomed.next) return doomed.next;
    if (doomed.previous) return doomed.previous;
    return doomed.parent;
}

void EndEdit(TreeView& tv, bool cancel);

void DeleteNode(TreeView& tv, TreeNode& target) {
    std::uintptr_t id = target.id;
    if (tv.editing && (tv.editing == &target || tv.items.IsAncestor(&target, tv.editing))) EndEdit(tv, true);
    // Ending the edit told the parent, which may have deleted the item already.
    TreeNode* still = tv.items.Find(id);
    if (tv.destroyed || !still) return;
    TreeNode& node = *still;
    TreeNode* heir = CaretHeir(tv, node);
    bool caretGoes = heir != tv.caret;
    auto gone = [&](TreeNode& n) {
        if (&n == tv.caret) tv.caret = nullptr;
        if (&n == tv.dropHilite) tv.dropHilite = nullptr;
        if (&n == tv.hot) tv.hot = nullptr;
        if (&n == tv.pressed) tv.pressed = nullptr;
        if (&n == tv.editPending) tv.editPending = nullptr;
        NotifyTree(tv, TVN_DELETEITEM, 0, &n, nullptr);
    };
    std::uintptr_t heirId = heir ? heir->id : 0;
    tv.items.Erase(&node, gone);
    if (caretGoes) {
        TreeNode* next = heirId ? tv.items.Find(heirId) : nullptr;
        tv.caret = nullptr;
        if (next) {
            // The parent hears of the move but cannot refuse it: the old caret is gone.
            NotifyTree(tv, TVN_SELCHANGING, TVC_UNKNOWN, nullptr, next);
            if (tv.destroyed) return;
            next = tv.items.Find(heirId);
            if (next) {
                tv.caret = next;
                next->state |= TVIS_SELECTED;
                NotifyTree(tv, TVN_SELCHANGED, TVC_UNKNOWN, nullptr, next);
            }
        }
    }
    Relayout(tv);
}

void DeleteAll(TreeView& tv) {
    if (tv.editing) EndEdit(tv, true);
    while (TreeNode* root = tv.items.Roots()) {
        tv.caret = nullptr;  // everything goes: no heir
        DeleteNode(tv, *root);
        if (tv.destroyed) return;
    }
    tv.top = tv.xOffset = 0;
    Relayout(tv);
}

LRESULT DeleteItem(TreeView& tv, HTREEITEM item) {
    if (IsRootHandle(item)) {
        DeleteAll(tv);
        return 1;
    }
    TreeNode* node = NodeOf(tv, item);
    if (!node) return 0;
    DeleteNode(tv, *node);
    return 1;
}

template <typename Item>
LRESULT GetItem(TreeView& tv, LPARAM lp) {
    auto* item = reinterpret_cast<Item*>(lp);
    if (!item) return 0;
    TreeNode* node = NodeOf(tv, item->hItem);
    if (!node) return 0;
    if (item->mask & TVIF_TEXT) CopyItemText(TextOf(tv, *node), item->pszText, item->cchTextMax);
    if (item->mask & TVIF_IMAGE) item->iImage = node->image;
    if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = node->selectedImage;
    if (item->mask & TVIF_CHILDREN) {
        if (node->childrenGiven && node->children == I_CHILDRENCALLBACK) item->cChildren = I_CHILDRENCALLBACK;
        else item->cChildren = node->childrenGiven ? node->children : (node->first ? 1 : 0);
    }
    if (item->mask & TVIF_PARAM) item->lParam = node->lParam;
    if (item->mask & TVIF_STATE) item->state = node->state & item->stateMask;
    return 1;
}

template <typename Item>
LRESULT SetItem(TreeView& tv, LPARAM lp) {
    const auto* item = reinterpret_cast<const Item*>(lp);
    if (!item) return 0;
    TreeNode* node = NodeOf(tv, item->hItem);
    if (!node) return 0;
    ApplyItem(tv, *node, *item);
    Relayout(tv);
    return 1;
}

LRESULT GetItemRect(TreeView& tv, bool textOnly, LPARAM lp) {
    if (!lp) return 0;
    TreeNode* node = NodeOf(tv, *reinterpret_cast<HTREEITEM*>(lp));
    if (!node) return 0;
    int row = tv.items.RowOf(node);
    if (row < 0) return 0;
    RowParts parts = PartsOf(tv, *node, row);
    *reinterpret_cast<RECT*>(lp) = textOnly ? parts.label : parts.line;
    return 1;
}

// --- Sorting -----------------------------------------------------------------------------------

LRESULT SortChildren(TreeView& tv, HTREEITEM parentItem, bool recurse, PFNTVCOMPARE compare, LPARAM data) {
    TreeNode* parent = nullptr;
    if (!IsRootHandle(parentItem)) {
        parent = NodeOf(tv, parentItem);
        if (!parent) return 0;
    }
    if (compare) {
        tv.items.SortChildren(parent, recurse,
                              [&](const TreeNode& a, const TreeNode& b) { return compare(a.lParam, b.lParam, data) < 0; });
    } else {
        std::vector<std::pair<TreeNode*, std::string>> texts;
        tv.items.SortChildren(parent, recurse, [&](const TreeNode& a, const TreeNode& b) {
            return CompareItemText(TextOf(tv, const_cast<TreeNode&>(a)), TextOf(tv, const_cast<TreeNode&>(b))) < 0;
        });
    }
    Relayout(tv);
    return 1;
}

// --- Hit testing -------------------------------------------------------------------------------

bool ShowsButton(TreeView& tv, TreeNode& node) {
    if (!(tv.style & TVS_HASBUTTONS)) return false;
    if (node.level == 0 && !(tv.style & TVS_LINESATROOT)) return false;
    return HasChildren(tv, node);
}

TreeNode* HitTest(TreeView& tv, POINT p, UINT& flags) {
    RECT client = Client(tv);
    flags = 0;
    if (p.y < 0) flags |= TVHT_ABOVE;
    if (p.y >= client.bottom) flags |= TVHT_BELOW;
    if (p.x < 0) flags |= TVHT_TOLEFT;
    if (p.x >= client.right) flags |= TVHT_TORIGHT;
    if (flags) return nullptr;
    int row = tv.top + p.y / std::max(1, tv.itemHeight);
    TreeNode* node = RowNode(tv, row);
    if (!node) {
        flags = TVHT_NOWHERE;
        return nullptr;
    }
    RowParts parts = PartsOf(tv, *node, row);
    int levelX = LevelX(tv, *node);
    if (p.x < levelX) {
        bool onButton = p.x >= levelX - tv.indent && ShowsButton(tv, *node);
        flags = onButton ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
    } else if (p.x < parts.state.right) {
        flags = TVHT_ONITEMSTATEICON;
    } else if (p.x < parts.icon.right) {
        flags = TVHT_ONITEMICON;
    } else if (p.x < parts.label.right) {
        flags = TVHT_ONITEMLABEL;
    } else {
        flags = TVHT_ONITEMRIGHT;
    }
    return node;
}

// --- Label editing -----------------------------------------------------------------------------

LRESULT EditSubclass(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    HWND treeHwnd = reinterpret_cast<HWND>(ref);
    if (m == WM_GETDLGCODE) return DefSubclassProc(hwnd, m, wp, lp) | DLGC_WANTALLKEYS;
    if (m == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE)) {
        if (TreeView* tv = Find(treeHwnd)) EndEdit(*tv, wp == VK_ESCAPE);
        return 0;
    }
    if (m == WM_CHAR && (wp == '\r' || wp == 27)) return 0;
    if (m == WM_KILLFOCUS) {
        LRESULT r = DefSubclassProc(hwnd, m, wp, lp);
        if (TreeView* tv = Find(treeHwnd))
            if (tv->edit == hwnd) EndEdit(*tv, false);
        return r;
    }
    return DefSubclassProc(hwnd, m, wp, lp);
}

HWND BeginEdit(TreeView& tv, TreeNode* node) {
    if (!node) return nullptr;
    if (tv.editing) EndEdit(tv, false);
    KillTimer(tv.hwnd, kEditTimer);
    tv.editPending = nullptr;
    std::uintptr_t id = node->id;
    std::string text = TextOf(tv, *node);
    NMTVDISPINFO nm;
    FillItem(node, nm.item);
    nm.item.mask |= TVIF_TEXT;
    nm.item.pszText = text.data();
    nm.item.cchTextMax = static_cast<int>(text.size() + 1);
    if (SendNotify(tv.hwnd, TVN_BEGINLABELEDIT, &nm.hdr)) return nullptr;
    if (tv.destroyed || !(node = tv.items.Find(id))) return nullptr;
    EnsureVisible(tv, *node);
    int row = tv.items.RowOf(node);
    if (row < 0) return nullptr;
    RECT r = PartsOf(tv, *node, row).label;
    int width = std::max(static_cast<int>(r.right - r.left) + 40, 60);
    tv.edit = CreateWindowEx(0, "Edit", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left - 2,
                             r.top, width, r.bottom - r.top, tv.hwnd, nullptr, nullptr, nullptr);
    if (!tv.edit) return nullptr;
    tv.editing = node;
    SendMessage(tv.edit, WM_SETFONT, reinterpret_cast<WPARAM>(tv.font), 0);
    SetWindowSubclass(tv.edit, &EditSubclass, 1, reinterpret_cast<DWORD_PTR>(tv.hwnd));
    SendMessage(tv.edit, EM_SETSEL, 0, -1);
    SetFocus(tv.edit);
    return tv.edit;
}

void EndEdit(TreeView& tv, bool cancel) {
    if (!tv.edit) return;
    HWND edit = std::exchange(tv.edit, nullptr);
    TreeNode* node = std::exchange(tv.editing, nullptr);
    std::string text = WindowText(edit);
    std::uintptr_t id = node ? node->id : 0;
    if (node) {
        NMTVDISPINFO nm;
        FillItem(node, nm.item);
        nm.item.mask |= TVIF_TEXT;
        nm.item.pszText = cancel ? nullptr : text.data();
        nm.item.cchTextMax = static_cast<int>(text.size() + 1);
        LRESULT accepted = SendNotify(tv.hwnd, TVN_ENDLABELEDIT, &nm.hdr);
        if (tv.destroyed) return;
        node = tv.items.Find(id);
        if (node && !cancel && accepted && !node->textCallback) {
            node->text = text;
            node->textWidth = -1;
        }
    }
    RemoveWindowSubclass(edit, &EditSubclass, 1);
    bool hadFocus = GetFocus() == edit;
    DestroyWindow(edit);
    if (hadFocus) SetFocus(tv.hwnd);
    Relayout(tv);
}

// --- Painting ----------------------------------------------------------------------------------

COLORREF BackColor(const TreeView& tv) { return tv.bkColor == CLR_NONE ? GetSysColor(COLOR_WINDOW) : tv.bkColor; }
COLORREF TextColor(const TreeView& tv) { return tv.textColor == CLR_NONE ? GetSysColor(COLOR_WINDOWTEXT) : tv.textColor; }

void DottedLine(HDC dc, int x0, int y0, int x1, int y1, COLORREF color) {
    if (x0 == x1)
        for (int y = y0 + ((y0 + x0) & 1); y < y1; y += 2) SetPixel(dc, x0, y, color);
    else
        for (int x = x0 + ((x0 + y0) & 1); x < x1; x += 2) SetPixel(dc, x, y0, color);
}

void DrawLines(TreeView& tv, HDC dc, TreeNode& node, const RECT& line) {
    COLORREF color = GetSysColor(COLOR_GRAYTEXT);
    int rootShift = RootColumn(tv) ? 1 : 0;
    int mid = (line.top + line.bottom) / 2;
    int levelX = LevelX(tv, node);
    // The columns of the ancestors that have siblings below.
    for (TreeNode* a = node.parent; a; a = a->parent) {
        if (!a->next || (a->level == 0 && !rootShift)) continue;
        int x = (a->level + rootShift) * tv.indent - tv.xOffset - tv.indent / 2;
        DottedLine(dc, x, line.top, x, line.bottom, color);
    }
    if (node.level == 0 && !rootShift) return;
    int x = levelX - tv.indent / 2;
    bool above = node.previous || node.parent;
    DottedLine(dc, x, above ? line.top : mid, x, node.next ? line.bottom : mid + 1, color);
    DottedLine(dc, x, mid, levelX, mid, color);
}

void DrawButton(TreeView& tv, HDC dc, TreeNode& node, const RECT& line) {
    int cx = LevelX(tv, node) - tv.indent / 2, cy = (line.top + line.bottom) / 2;
    RECT box{cx - kButtonSize / 2, cy - kButtonSize / 2, cx + kButtonSize / 2 + 1, cy + kButtonSize / 2 + 1};
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    HBRUSH frame = GetSysColorBrush(COLOR_BTNSHADOW);
    FrameRect(dc, &box, frame);
    COLORREF sign = GetSysColor(COLOR_WINDOWTEXT);
    for (int x = box.left + 2; x < box.right - 2; ++x) SetPixel(dc, x, cy, sign);
    if (!(node.state & TVIS_EXPANDED))
        for (int y = box.top + 2; y < box.bottom - 2; ++y) SetPixel(dc, cx, y, sign);
}

struct ItemLook {
    COLORREF text;
    COLORREF back;
    bool highlighted;
};

ItemLook LookOf(const TreeView& tv, const TreeNode& node) {
    ItemLook look{TextColor(tv), BackColor(tv), false};
    bool selected = (node.state & TVIS_SELECTED) && (tv.focused || (tv.style & TVS_SHOWSELALWAYS));
    if ((node.state & TVIS_DROPHILITED) || (selected && tv.focused) || (selected && !tv.dropHilite && tv.focused)) {
        look = ItemLook{GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT), true};
    } else if (selected) {
        look = ItemLook{GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_BTNFACE), true};
    } else if (&node == tv.hot && (tv.style & TVS_TRACKSELECT)) {
        look.text = GetSysColor(COLOR_HOTLIGHT);
    }
    return look;
}

void DrawItem(TreeView& tv, HDC dc, TreeNode& node, int row, const ItemLook& look) {
    RowParts parts = PartsOf(tv, node, row);
    if ((tv.style & TVS_HASLINES)) DrawLines(tv, dc, node, parts.line);
    if (ShowsButton(tv, node)) DrawButton(tv, dc, node, parts.line);
    if (tv.stateImages && StateImageIndex(node) > 0)
        ImageList_Draw(tv.stateImages, StateImageIndex(node), dc, parts.state.left,
                       parts.state.top + (tv.itemHeight - ImageSize(tv.stateImages).cy) / 2, ILD_TRANSPARENT);
    if (tv.images) {
        bool selected = (node.state & TVIS_SELECTED) != 0;
        int image = selected ? node.selectedImage : node.image;
        if (image == I_IMAGECALLBACK) {
            Asked asked = AskDispInfo(tv, node, selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE);
            image = selected ? asked.selectedImage : asked.image;
        }
        UINT overlay = node.state & TVIS_OVERLAYMASK;
        if (image >= 0)
            ImageList_Draw(tv.images, image, dc, parts.icon.left,
                           parts.icon.top + (tv.itemHeight - ImageSize(tv.images).cy) / 2,
                           ILD_TRANSPARENT | overlay | ((node.state & TVIS_CUT) ? ILD_BLEND50 : 0));
    }
    RECT label = parts.label;
    if ((tv.style & TVS_FULLROWSELECT) && !(tv.style & TVS_HASLINES)) label.right = std::max(label.right, parts.line.right);
    if (look.back != BackColor(tv) || look.highlighted) {
        HBRUSH brush = CreateSolidBrush(look.back);
        FillRect(dc, &label, brush);
        DeleteObject(brush);
    }
    std::string text = TextOf(tv, node);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.text);
    RECT textRect = parts.label;
    InflateRect(&textRect, -kLabelPadding, 0);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    if (&node == tv.caret && tv.focused) DrawFocusRect(dc, &label);
}

UINT CustomDrawState(const TreeView& tv, const TreeNode& node) {
    UINT state = 0;
    if (node.state & TVIS_SELECTED) state |= CDIS_SELECTED;
    if (&node == tv.caret && tv.focused) state |= CDIS_FOCUS;
    if (&node == tv.hot) state |= CDIS_HOT;
    return state;
}

void PaintInto(TreeView& tv, HDC dc) {
    RECT client = Client(tv);
    HBRUSH back = CreateSolidBrush(BackColor(tv));
    FillRect(dc, &client, back);
    DeleteObject(back);
    HGDIOBJ oldFont = SelectObject(dc, tv.font ? tv.font : GetStockObject(SYSTEM_FONT));
    NMTVCUSTOMDRAW cd;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = client;
    HWND hwnd = tv.hwnd;
    LRESULT answer = SendCustomDraw(hwnd, cd.nmcd, CDDS_PREPAINT);
    if (tv.destroyed) return;
    if (!(answer & CDRF_SKIPDEFAULT)) {
        int rows = static_cast<int>(tv.items.Rows().size());
        int last = std::min(rows, tv.top + VisibleRows(tv) + 1);
        for (int row = tv.top; row < last; ++row) {
            TreeNode* node = RowNode(tv, row);
            if (!node) break;
            ItemLook look = LookOf(tv, *node);
            LRESULT itemAnswer = CDRF_DODEFAULT;
            std::uintptr_t id = node->id;
            if (answer & CDRF_NOTIFYITEMDRAW) {
                NMTVCUSTOMDRAW item;
                item.nmcd.hdc = dc;
                item.nmcd.rc = PartsOf(tv, *node, row).line;
                item.nmcd.dwItemSpec = static_cast<UINT_PTR>(node->id);
                item.nmcd.uItemState = CustomDrawState(tv, *node);
                item.nmcd.lItemlParam = node->lParam;
                item.clrText = look.text;
                item.clrTextBk = look.back;
                item.iLevel = node->level;
                itemAnswer = SendCustomDraw(hwnd, item.nmcd, CDDS_ITEMPREPAINT);
                if (tv.destroyed || !(node = tv.items.Find(id)) || tv.items.RowOf(node) != row) return;
                if (item.clrText != look.text || item.clrTextBk != look.back) {
                    look.text = item.clrText;
                    look.back = item.clrTextBk;
                    look.highlighted = true;
                }
                if (!(itemAnswer & CDRF_NEWFONT)) SelectObject(dc, tv.font ? tv.font : GetStockObject(SYSTEM_FONT));
                if (!(itemAnswer & CDRF_SKIPDEFAULT)) DrawItem(tv, dc, *node, row, look);
                if (itemAnswer & CDRF_NOTIFYPOSTPAINT) {
                    SendCustomDraw(hwnd, item.nmcd, CDDS_ITEMPOSTPAINT);
                    if (tv.destroyed) return;
                }
                continue;
            }
            DrawItem(tv, dc, *node, row, look);
        }
    }
    if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(hwnd, cd.nmcd, CDDS_POSTPAINT);
    if (!tv.destroyed) SelectObject(dc, oldFont);
}

void Paint(TreeView& tv) {
    PaintControl(tv.hwnd, nullptr, [&tv](HDC dc) { PaintInto(tv, dc); });
}

// --- Keyboard and mouse ------------------------------------------------------------------------

void ExpandAll(TreeView& tv, TreeNode& node) {
    std::vector<std::uintptr_t> pending{node.id};
    while (!pending.empty()) {
        TreeNode* n = tv.items.Find(pending.back());
        pending.pop_back();
        if (!n || !Expand(tv, *n, TVE_EXPAND, true)) continue;
        if (tv.destroyed) return;
        if ((n = tv.items.Find(n->id)))
            for (TreeNode* c = n->first; c; c = c->next) pending.push_back(c->id);
    }
}

void SelectRow(TreeView& tv, int row) {
    TreeNode* node = RowNode(tv, std::clamp(row, 0, static_cast<int>(tv.items.Rows().size()) - 1));
    if (node) SelectCaret(tv, node, TVC_BYKEYBOARD);
}

void KeyDown(TreeView& tv, WPARAM key) {
    NMTVKEYDOWN kd;
    kd.wVKey = static_cast<WORD>(key);
    SendNotify(tv.hwnd, TVN_KEYDOWN, &kd.hdr);
    if (tv.destroyed || tv.items.Rows().empty()) return;
    int row = tv.items.RowOf(tv.caret);
    int page = std::max(1, VisibleRows(tv));
    TreeNode* caret = tv.caret;
    switch (key) {
        case VK_UP: SelectRow(tv, row < 0 ? 0 : row - 1); break;
        case VK_DOWN: SelectRow(tv, row + 1); break;
        case VK_PRIOR: SelectRow(tv, row - page + 1); break;
        case VK_NEXT: SelectRow(tv, row + page - 1); break;
        case VK_HOME: SelectRow(tv, 0); break;
        case VK_END: SelectRow(tv, static_cast<int>(tv.items.Rows().size()) - 1); break;
        case VK_LEFT:
            if (!caret) break;
            if ((caret->state & TVIS_EXPANDED) && caret->first) Expand(tv, *caret, TVE_COLLAPSE, true);
            else if (caret->parent) SelectCaret(tv, caret->parent, TVC_BYKEYBOARD);
            break;
        case VK_BACK:
            if (caret && caret->parent) SelectCaret(tv, caret->parent, TVC_BYKEYBOARD);
            break;
        case VK_RIGHT:
            if (!caret) break;
            if (!(caret->state & TVIS_EXPANDED)) Expand(tv, *caret, TVE_EXPAND, true);
            else if (caret->first) SelectCaret(tv, caret->first, TVC_BYKEYBOARD);
            break;
        case VK_ADD:
            if (caret) Expand(tv, *caret, TVE_EXPAND, true);
            break;
        case VK_SUBTRACT:
            if (caret) Expand(tv, *caret, TVE_COLLAPSE, true);
            break;
        case VK_MULTIPLY:
            if (caret) ExpandAll(tv, *caret);
            break;
        case VK_RETURN: NotifySimple(tv, NM_RETURN); break;
        default: break;
    }
}

// Typing selects the next visible item whose text starts with what was typed lately.
void TypeAhead(TreeView& tv, WPARAM ch) {
    if (ch < 0x20 || ch == 0x7F || tv.items.Rows().empty()) return;
    std::uint64_t now = GetTickCount64();
    if (now - tv.typedAt > kTypeAheadMs) tv.typed.clear();
    tv.typedAt = now;
    std::u16string unit(1, static_cast<char16_t>(ch));
    tv.typed += ItemTextFromWide(unit.c_str());
    int count = static_cast<int>(tv.items.Rows().size());
    int start = std::max(0, tv.items.RowOf(tv.caret));
    int first = tv.typed.size() > 1 ? start : start + 1;  // a single letter moves on
    for (int i = 0; i < count; ++i) {
        TreeNode* node = RowNode(tv, (first + i) % count);
        std::string text = TextOf(tv, *node);
        if (text.size() >= tv.typed.size() && CompareItemText(text.substr(0, tv.typed.size()), tv.typed) == 0) {
            SelectCaret(tv, node, TVC_BYKEYBOARD);
            return;
        }
    }
}

void PressLeft(TreeView& tv, POINT p) {
    if (tv.editing) EndEdit(tv, false);
    if (tv.destroyed) return;
    SetFocus(tv.hwnd);
    UINT flags = 0;
    TreeNode* node = HitTest(tv, p, flags);
    tv.pressed = nullptr;
    if (!node) return;
    if (flags & TVHT_ONITEMBUTTON) {
        Expand(tv, *node, TVE_TOGGLE, true);
        return;
    }
    bool onRow = (tv.style & TVS_FULLROWSELECT) || (flags & TVHT_ONITEM);
    if (!onRow) return;
    tv.pressed = node;
    SetCapture(tv.hwnd);
}

void ReleaseLeft(TreeView& tv, POINT p) {
    TreeNode* node = std::exchange(tv.pressed, nullptr);  // before the capture goes, which forgets it
    if (GetCapture() == tv.hwnd) ReleaseCapture();
    if (!node) return;
    std::uintptr_t id = node->id;
    bool wasCaret = node == tv.caret;
    NotifySimple(tv, NM_CLICK);
    if (tv.destroyed || !(node = tv.items.Find(id))) return;
    UINT flags = 0;
    if (HitTest(tv, p, flags) != node) return;
    if (wasCaret && (tv.style & TVS_EDITLABELS) && (flags & TVHT_ONITEMLABEL)) {
        tv.editPending = node;
        SetTimer(tv.hwnd, kEditTimer, GetDoubleClickTime(), nullptr);
        return;
    }
    SelectCaret(tv, node, TVC_BYMOUSE);
}

void DoubleClick(TreeView& tv, POINT p) {
    KillTimer(tv.hwnd, kEditTimer);
    tv.editPending = nullptr;
    UINT flags = 0;
    TreeNode* node = HitTest(tv, p, flags);
    if (node && (flags & TVHT_ONITEMBUTTON)) {
        Expand(tv, *node, TVE_TOGGLE, true);
        return;
    }
    std::uintptr_t id = node ? node->id : 0;
    if (NotifySimple(tv, NM_DBLCLK)) return;
    if (tv.destroyed || !id || !(node = tv.items.Find(id))) return;
    if (flags & TVHT_ONITEM) Expand(tv, *node, TVE_TOGGLE, true);
}

void RightClick(TreeView& tv, POINT p) {
    if (NotifySimple(tv, NM_RCLICK) || tv.destroyed) return;
    ClientToScreen(tv.hwnd, &p);
    SendMessage(tv.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tv.hwnd), MAKELPARAM(p.x, p.y));
}

void TrackHot(TreeView& tv, POINT p) {
    if (!(tv.style & TVS_TRACKSELECT)) return;
    UINT flags = 0;
    TreeNode* node = HitTest(tv, p, flags);
    if (!(flags & TVHT_ONITEM)) node = nullptr;
    if (node == tv.hot) return;
    tv.hot = node;
    Redraw(tv);
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = tv.hwnd;
    TrackMouseEvent(&track);
}

// --- Messages ----------------------------------------------------------------------------------

LRESULT SetImageList(TreeView& tv, WPARAM which, HIMAGELIST list) {
    HIMAGELIST& slot = which == TVSIL_STATE ? tv.stateImages : tv.images;
    if (which != TVSIL_STATE && which != TVSIL_NORMAL) return 0;
    HIMAGELIST previous = std::exchange(slot, list);
    if (!tv.customHeight) tv.itemHeight = DefaultItemHeight(tv);
    Relayout(tv);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT SetItemHeight(TreeView& tv, int height) {
    int previous = tv.itemHeight;
    if (height == -1) {
        tv.customHeight = false;
        tv.itemHeight = DefaultItemHeight(tv);
    } else if (height >= 1) {
        tv.customHeight = true;
        if (!(tv.style & TVS_NONEVENHEIGHT)) height += height & 1;
        tv.itemHeight = std::min(height, kMaxItemHeight);
    }
    Relayout(tv);
    return previous;
}

LRESULT Messages(TreeView& tv, UINT m, WPARAM wp, LPARAM lp) {
    auto item = reinterpret_cast<HTREEITEM>(lp);
    switch (m) {
        case TVM_INSERTITEMA: return InsertItem<TVINSERTSTRUCTA>(tv, lp);
        case TVM_INSERTITEMW: return InsertItem<TVINSERTSTRUCTW>(tv, lp);
        case TVM_DELETEITEM: return DeleteItem(tv, item);
        case TVM_GETITEMA: return GetItem<TVITEMA>(tv, lp);
        case TVM_GETITEMW: return GetItem<TVITEMW>(tv, lp);
        case TVM_SETITEMA: return SetItem<TVITEMA>(tv, lp);
        case TVM_SETITEMW: return SetItem<TVITEMW>(tv, lp);
        case TVM_EXPAND: {
            TreeNode* node = NodeOf(tv, item);
            return node && ExpandByMessage(tv, *node, static_cast<UINT>(wp)) ? 1 : 0;
        }
        case TVM_SELECTITEM: return SelectItem(tv, static_cast<UINT>(wp), item);
        case TVM_GETNEXTITEM: return GetNextItem(tv, static_cast<UINT>(wp), item);
        case TVM_GETITEMRECT: return GetItemRect(tv, wp != 0, lp);
        case TVM_HITTEST: {
            auto* info = reinterpret_cast<TVHITTESTINFO*>(lp);
            if (!info) return 0;
            info->hItem = Handle(HitTest(tv, info->pt, info->flags));
            return reinterpret_cast<LRESULT>(info->hItem);
        }
        case TVM_SORTCHILDREN: return SortChildren(tv, item, wp != 0, nullptr, 0);
        case TVM_SORTCHILDRENCB: {
            const auto* sort = reinterpret_cast<const TVSORTCB*>(lp);
            if (!sort || !sort->lpfnCompare) return 0;
            return SortChildren(tv, sort->hParent, wp != 0, sort->lpfnCompare, sort->lParam);
        }
        case TVM_ENSUREVISIBLE: {
            TreeNode* node = NodeOf(tv, item);
            return node && EnsureVisible(tv, *node) ? 1 : 0;
        }
        case TVM_GETCOUNT: return tv.items.Count();
        case TVM_GETVISIBLECOUNT: return VisibleRows(tv);
        case TVM_SETIMAGELIST: return SetImageList(tv, wp, reinterpret_cast<HIMAGELIST>(lp));
        case TVM_GETIMAGELIST:
            return reinterpret_cast<LRESULT>(wp == TVSIL_STATE ? tv.stateImages : wp == TVSIL_NORMAL ? tv.images : nullptr);
        case TVM_SETBKCOLOR: {
            COLORREF previous = tv.bkColor;
            tv.bkColor = static_cast<COLORREF>(lp);
            Redraw(tv);
            return static_cast<LRESULT>(static_cast<std::int32_t>(previous));
        }
        case TVM_GETBKCOLOR: return static_cast<LRESULT>(static_cast<std::int32_t>(tv.bkColor));
        case TVM_SETTEXTCOLOR: {
            COLORREF previous = tv.textColor;
            tv.textColor = static_cast<COLORREF>(lp);
            Redraw(tv);
            return static_cast<LRESULT>(static_cast<std::int32_t>(previous));
        }
        case TVM_GETTEXTCOLOR: return static_cast<LRESULT>(static_cast<std::int32_t>(tv.textColor));
        case TVM_SETINDENT:
            tv.indent = std::clamp(static_cast<int>(wp), kMinIndent, kMaxItemHeight);
            Relayout(tv);
            return 0;
        case TVM_GETINDENT: return tv.indent;
        case TVM_SETITEMHEIGHT: return SetItemHeight(tv, static_cast<short>(LOWORD(wp)));
        case TVM_GETITEMHEIGHT: return tv.itemHeight;
        case TVM_GETITEMSTATE: {
            TreeNode* node = NodeOf(tv, reinterpret_cast<HTREEITEM>(wp));
            return node ? static_cast<LRESULT>(node->state & static_cast<UINT>(lp)) : 0;
        }
        case TVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(tv.edit);
        case TVM_EDITLABELA:
        case TVM_EDITLABELW: return reinterpret_cast<LRESULT>(BeginEdit(tv, NodeOf(tv, item)));
        case TVM_ENDEDITLABELNOW: {
            bool was = tv.edit != nullptr;
            EndEdit(tv, wp != 0);
            return was ? 1 : 0;
        }
        default: return DefWindowProc(tv.hwnd, m, wp, lp);
    }
}

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

void SetFont(TreeView& tv, HFONT font, bool redraw) {
    tv.font = font;
    for (TreeNode* n : tv.items.Rows()) n->textWidth = -1;
    if (!tv.customHeight) tv.itemHeight = DefaultItemHeight(tv);
    Relayout(tv);
    if (redraw) UpdateWindow(tv.hwnd);
}

void Focus(TreeView& tv, bool on) {
    tv.focused = on;
    Redraw(tv);
    NotifySimple(tv, on ? NM_SETFOCUS : NM_KILLFOCUS);
}

// Item changes come in bursts; they leave the fitting to whatever message follows.
bool ChangesItems(UINT m) {
    switch (m) {
        case TVM_INSERTITEMA:
        case TVM_INSERTITEMW:
        case TVM_DELETEITEM:
        case TVM_SETITEMA:
        case TVM_SETITEMW:
        case TVM_GETITEMA:
        case TVM_GETITEMW:
        case TVM_GETCOUNT:
        case WM_NCDESTROY:
        case WM_DESTROY: return true;
        default: return false;
    }
}

// What may add, remove, move, expand or select items. The tree asks its parent for texts while
// it lays out and paints, holding items and rows; the parent's answer cannot change them.
bool MovesItems(UINT m) {
    switch (m) {
        case TVM_INSERTITEMA:
        case TVM_INSERTITEMW:
        case TVM_DELETEITEM:
        case TVM_EXPAND:
        case TVM_SELECTITEM:
        case TVM_SETITEMA:
        case TVM_SETITEMW:
        case TVM_SORTCHILDREN:
        case TVM_SORTCHILDRENCB:
        case TVM_ENSUREVISIBLE:
        case TVM_EDITLABELA:
        case TVM_EDITLABELW:
        case TVM_ENDEDITLABELNOW:
        case WM_SETFONT:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONUP:
        case WM_TIMER: return true;
        default: return false;
    }
}

LRESULT Dispatch(TreeView& tv, UINT m, WPARAM wp, LPARAM lp) {
    if (tv.asking && MovesItems(m)) return 0;
    if (!ChangesItems(m)) EnsureLayout(tv);
    switch (m) {
        case WM_CREATE:
            tv.itemHeight = DefaultItemHeight(tv);
            UpdateScrollBars(tv);
            return 0;
        case WM_DESTROY:
            // Destroyed while it asks: the items, still held, go with the control untold.
            if (tv.asking) return 0;
            if (tv.editing) EndEdit(tv, true);
            DeleteAll(tv);
            return 0;
        case WM_PAINT: Paint(tv); return 0;
        case WM_PRINTCLIENT: PaintInto(tv, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: Relayout(tv); return 0;
        case WM_SETFONT: SetFont(tv, reinterpret_cast<HFONT>(wp), lp != 0); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(tv.font);
        case WM_SETREDRAW:
            tv.redraw = wp != 0;
            if (tv.redraw) {
                Relayout(tv);
                EnsureLayout(tv);
            }
            return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS: Focus(tv, true); return 0;
        case WM_KILLFOCUS: Focus(tv, false); return 0;
        case WM_ENABLE: Redraw(tv); return 0;
        case WM_LBUTTONDOWN: PressLeft(tv, PointOf(lp)); return 0;
        case WM_LBUTTONUP: ReleaseLeft(tv, PointOf(lp)); return 0;
        case WM_LBUTTONDBLCLK: DoubleClick(tv, PointOf(lp)); return 0;
        case WM_RBUTTONDOWN: SetFocus(tv.hwnd); return 0;
        case WM_RBUTTONUP: RightClick(tv, PointOf(lp)); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != tv.hwnd) tv.pressed = nullptr;
            return 0;
        case WM_MOUSEMOVE: TrackHot(tv, PointOf(lp)); return 0;
        case WM_MOUSELEAVE:
            if (tv.hot) {
                tv.hot = nullptr;
                Redraw(tv);
            }
            return 0;
        case WM_TIMER:
            if (wp == kEditTimer) {
                KillTimer(tv.hwnd, kEditTimer);
                if (TreeNode* node = std::exchange(tv.editPending, nullptr)) BeginEdit(tv, node);
            }
            return 0;
        case WM_KEYDOWN: KeyDown(tv, wp); return 0;
        case WM_CHAR: TypeAhead(tv, wp); return 0;
        case WM_VSCROLL: VScroll(tv, LOWORD(wp)); return 0;
        case WM_HSCROLL: HScroll(tv, LOWORD(wp)); return 0;
        case WM_STYLECHANGED:
            if (wp == static_cast<WPARAM>(GWL_STYLE)) tv.style = reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew;
            Relayout(tv);
            return 0;
        default: return Messages(tv, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        auto* tv = new TreeView;
        tv->hwnd = hwnd;
        tv->style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lp)->style);
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(tv));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    TreeView* tv = Find(hwnd);
    if (!tv) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        // Destroyed from inside one of its own notifications: freed when that returns.
        if (tv->busy) tv->destroyed = true;
        else delete tv;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++tv->busy;
    LRESULT result = Dispatch(*tv, m, wp, lp);
    if (--tv->busy == 0 && tv->destroyed) delete tv;
    return result;
}

}  // namespace treeview

void RegisterTreeViewClass() {
    WNDCLASSEX wc;
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = &treeview::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SysTreeView32";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
