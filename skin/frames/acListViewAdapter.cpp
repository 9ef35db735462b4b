#include "skin/frames/acListViewAdapter.h"

#include <algorithm>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/Focus.h"
#include "platform/win/HeaderClass.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sVclUtils.h"

namespace parch {
namespace {

constexpr UINT_PTR kListHeaderSubclassId = 0x4C56;
constexpr UINT kListArrange = 0x1016;
constexpr UINT kListHeaderTextFlags = 0x8064;  // vcenter, single line, expand tabs, end ellipsis
constexpr int kListViewKind = 10;

}  // namespace

TacListViewWnd::TacListViewWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                               TWinControl* ownerControl)
    : TacEditWnd(handle, manager, section, false, ownerControl) {
    skinData_.ControlKind = kListViewKind;
    SaveOwnColors();
    if (HWND header = FindWindowEx(handle, nullptr, "SysHeader32", nullptr)) AttachHeader(header);
    if (repaint && IsWindowVisible(handle)) {
        SetSkinColors();
        RefreshWindowFrame(handle, true);
        RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

TacListViewWnd::~TacListViewWnd() {
    LeaveWindow();
    DetachHeader();
}

int TacListViewWnd::GetViewStyle() const {
    switch (SendMessage(Handle(), LVM_GETVIEW, 0, 0)) {
        case LV_VIEW_ICON: return 0;
        case LV_VIEW_DETAILS: return 3;
        case LV_VIEW_SMALLICON: return 1;
        default: return 2;
    }
}

void TacListViewWnd::AttachHeader(HWND header) {
    if (header_ || headerLocked_) return;
    if (SetWindowSubclass(header, &TacListViewWnd::HeaderSubclass, kListHeaderSubclassId,
                          reinterpret_cast<DWORD_PTR>(this)))
        header_ = header;
}

void TacListViewWnd::DetachHeader() {
    // Leaves the header's chain wherever it stands, so later subclassers keep working.
    if (header_) RemoveWindowSubclass(header_, &TacListViewWnd::HeaderSubclass, kListHeaderSubclassId);
    header_ = nullptr;
    pressedColumn_ = hoverColumn_ = -1;
}

void TacListViewWnd::SaveOwnColors() {
    TacEditWnd::SaveOwnColors();
    if (!Handle()) return;
    savedBk_ = static_cast<COLORREF>(SendMessage(Handle(), LVM_GETBKCOLOR, 0, 0));
    savedText_ = static_cast<COLORREF>(SendMessage(Handle(), LVM_GETTEXTCOLOR, 0, 0));
}

void TacListViewWnd::RestoreOwnColors() {
    if (IsWindow(Handle())) {
        SendMessage(Handle(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(savedText_));
        SendMessage(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(savedBk_));
        SendMessage(Handle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(savedBk_));
    }
    if (header_) {
        DetachHeader();
        headerLocked_ = true;
    }
    TacEditWnd::RestoreOwnColors();
}

void TacListViewWnd::SetSkinColors() {
    TacEditWnd::SetSkinColors();
    COLORREF background = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    if (!DialogMode) {
        const TsGeneralData* section = skinData_.Section();
        if (!section) return;
        background = section->Color;
        text = section->FontColor;
    }
    SendMessage(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
    SendMessage(Handle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(background));
    SendMessage(Handle(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

int TacListViewWnd::ItemSize(bool width) const {
    if (SendMessage(Handle(), LVM_GETITEMCOUNT, 0, 0) <= 0) return 0;
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (!SendMessage(Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 0;
    return width ? r.right - r.left : r.bottom - r.top;
}

LRESULT TacListViewWnd::OnThumbTrack(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int bar = msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    const int target = lParam ? static_cast<int>(lParam) : HIWORD(static_cast<DWORD>(wParam));
    const int last = GetScrollPos(Handle(), bar);
    if (target == last) return 0;
    long long delta = static_cast<long long>(target) - last;
    const int view = GetViewStyle();
    // A list without items has no item size to scroll by: it does not scroll at all.
    if (bar == SB_HORZ && view == 2) {
        const int width = ItemSize(true);
        if (width <= 0) return 0;
        delta *= width;
    } else if (bar == SB_VERT && view == 3) {
        const int height = ItemSize(false);
        if (height <= 0) return 0;
        delta *= height;
    }
    delta = std::clamp<long long>(delta, INT32_MIN, INT32_MAX);
    if (bar == SB_HORZ)
        SendMessage(Handle(), LVM_SCROLL, static_cast<WPARAM>(static_cast<int>(delta)), 0);
    else
        SendMessage(Handle(), LVM_SCROLL, 0, static_cast<LPARAM>(static_cast<int>(delta)));
    return 0;
}

LRESULT TacListViewWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return EditWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case SkinCommandMessage: {
            const int command = HIWORD(static_cast<DWORD>(wParam));
            if (command == kCmdBeforeScroll) return 1;
            if (command == scGetSection) {
                if (lParam) reinterpret_cast<TacSectionInfo*>(lParam)->Index = skinData_.SectionIndex;
                return 0;
            }
            const LRESULT result = EditWndProc(msg, wParam, lParam);
            if (command == kCmdRefresh && reinterpret_cast<TsSkinManager*>(lParam) == SkinManager() && header_)
                InvalidateRect(header_, nullptr, 0);
            return result;
        }
        case WM_PAINT: SetSkinColors(); return EditWndProc(msg, wParam, lParam);
        case WM_NCHITTEST:
            if (hoverColumn_ >= 0 || pressedColumn_ >= 0) {
                hoverColumn_ = pressedColumn_ = -1;
                if (header_) InvalidateRect(header_, nullptr, 0);
            }
            return EditWndProc(msg, wParam, lParam);
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (LOWORD(static_cast<DWORD>(wParam)) == SB_THUMBTRACK) return OnThumbTrack(msg, wParam, lParam);
            return EditWndProc(msg, wParam, msg == WM_VSCROLL ? 0 : lParam);
        default: break;
    }
    const LRESULT result = EditWndProc(msg, wParam, lParam);
    if (Destroyed()) return result;
    switch (msg) {
        case WM_STYLECHANGED:
        case kListArrange:
        case LVM_INSERTITEMA:
            if (!skinData_.PaintSuspended) UpdateScrollInfo(true);
            break;
        case WM_LBUTTONUP:
            if (GetCapture() == h) ReleaseCapture();
            break;
        case WM_PARENTNOTIFY:
            if (LOWORD(static_cast<DWORD>(wParam)) == WM_CREATE) {
                char name[97] = {};
                HWND child = reinterpret_cast<HWND>(lParam);
                GetClassName(child, name, sizeof(name));
                if (std::string(name) == "SysHeader32") {
                    if (header_)
                        DetachHeader();
                    else
                        AttachHeader(child);
                }
            }
            break;
        case WM_PRINT:
            if (GetViewStyle() == 3 && header_ && wParam) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                const int saved = SaveDC(dc);
                const int edge = FrameWidth();
                POINT old{};
                OffsetWindowOrgEx(dc, -edge, -edge, &old);
                RECT client{};
                GetClientRect(h, &client);
                IntersectClipRect(dc, 0, 0, client.right, client.bottom);
                PaintHeader(dc);
                RestoreDC(dc, saved);
            }
            break;
        default: break;
    }
    return result;
}

LRESULT TacListViewWnd::HeaderSubclass(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
    return reinterpret_cast<TacListViewWnd*>(refData)->HeaderProc(msg, wParam, lParam);
}

LRESULT TacListViewWnd::HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND header = header_;
    if (msg == WM_NCDESTROY) {
        const LRESULT result = DefSubclassProc(header, msg, wParam, lParam);
        DetachHeader();
        return result;
    }
    if (GetViewStyle() != 3 || Destroyed() || !SkinActive() || !skinData_.IsSkinned(true))
        return DefSubclassProc(header, msg, wParam, lParam);
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(header, &paint);
            PaintHeader(wParam ? reinterpret_cast<HDC>(wParam) : dc);
            EndPaint(header, &paint);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        case WM_WINDOWPOSCHANGING:
            if (IsWindowVisible(Handle())) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            return DefSubclassProc(header, msg, wParam, lParam);
        case WM_NCHITTEST: {
            const LRESULT result = DefSubclassProc(header, msg, wParam, lParam);
            const POINT p{static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
                          static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
            const int position = ColumnAt(p);
            const int item = position >= 0 ? static_cast<int>(SendMessage(header, HDM_ORDERTOINDEX, position, 0)) : -1;
            if (item != hoverColumn_) {
                hoverColumn_ = item;
                InvalidateRect(header, nullptr, 0);
            }
            return result;
        }
        case WM_LBUTTONUP:
            pressedColumn_ = -1;
            headerButtonDown_ = false;
            InvalidateRect(header, nullptr, 0);
            return DefSubclassProc(header, msg, wParam, lParam);
        case WM_LBUTTONDOWN: {
            const LRESULT result = DefSubclassProc(header, msg, wParam, lParam);
            if (!IsWindow(header)) return result;
            headerButtonDown_ = true;
            HDHITTESTINFO hit;
            hit.pt = POINT{static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
                           static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
            SendMessage(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            pressedColumn_ = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? -1 : hit.iItem;
            RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE);
            return result;
        }
        default: return DefSubclassProc(header, msg, wParam, lParam);
    }
}

RECT TacListViewWnd::PositionRect(int position) const {
    // Columns can stand in another order than their indexes, dragged or set by the program:
    // the order array says which item stands at the position.
    const int count = static_cast<int>(SendMessage(header_, HDM_GETITEMCOUNT, 0, 0));
    int item = position;
    if (count > 0 && position < count) {
        std::vector<int> order(static_cast<size_t>(count));
        if (SendMessage(header_, HDM_GETORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(order.data())))
            item = order[static_cast<size_t>(position)];
    }
    RECT r{};
    SendMessage(header_, HDM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
    return r;
}

int TacListViewWnd::ColumnAt(POINT screen) const {
    if (!header_) return -2;
    RECT window{};
    GetWindowRect(header_, &window);
    const POINT p{screen.x - window.left, screen.y - window.top};
    const int count = static_cast<int>(SendMessage(header_, HDM_GETITEMCOUNT, 0, 0));
    for (int position = 0; position < count; ++position) {
        const RECT r = PositionRect(position);
        if (PtInRect(&r, p)) return position;
    }
    return -2;
}

void TacListViewWnd::PaintHeader(HDC dc) {
    if (!header_ || !dc) return;
    const int count = static_cast<int>(SendMessage(header_, HDM_GETITEMCOUNT, 0, 0));
    int right = 0;
    for (int position = 0; position < count; ++position) {
        const RECT r = PositionRect(position);
        if (r.right <= r.left || r.bottom <= r.top) continue;
        lineHeight_ = r.bottom - r.top;
        DrawHeaderItem(dc, static_cast<int>(SendMessage(header_, HDM_ORDERTOINDEX, position, 0)), r);
        right = std::max<int>(right, r.right);
    }
    if (count == 0) {
        RECT first{};
        SendMessage(header_, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        lineHeight_ = first.bottom - first.top;
    }
    RECT client{};
    GetClientRect(header_, &client);
    if (lineHeight_ <= 0) lineHeight_ = client.bottom;
    const RECT rest{right, 0, client.right, lineHeight_};
    if (rest.right > rest.left && rest.bottom > rest.top) DrawHeaderItem(dc, -2, rest);
}

void TacListViewWnd::DrawHeaderItem(HDC dc, int index, RECT r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    TsSkinManager* manager = skinData_.GetSkinManager();
    const int state =
        pressedColumn_ >= 0 ? (index == pressedColumn_ ? 2 : 0) : (index == hoverColumn_ && index >= 0 ? 1 : 0);
    TBitmap picture(width, height, pf32bit);
    const TColor behind = OwnerControl() ? OwnerControl()->Color() : clWindow;
    const int section =
        PaintNamedSection(picture, "COLHEADER", "BUTTON", state, manager, RECT{0, 0, width, height}, behind, nullptr);
    if (index >= 0) {
        char text[129] = {};
        HDITEMA item;
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE | HDI_ORDER;
        item.pszText = text;
        item.cchTextMax = sizeof(text) - 1;
        SendMessage(header_, HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        if (HFONT font = reinterpret_cast<HFONT>(SendMessage(Handle(), WM_GETFONT, 0, 0))) {
            LOGFONT description{};
            if (GetObject(font, sizeof(description), &description))
                picture.Canvas().Font().SetHandle(CreateFontIndirect(&description));
        }
        RECT textRect{4, 1, width - 4, height - 1};
        const TsMaskData* arrow = nullptr;
        const char* arrowSection = (item.fmt & HDF_SORTDOWN) ? "SCROLLBTNBOTTOM"
                                   : (item.fmt & HDF_SORTUP) ? "SCROLLBTNTOP"
                                                             : nullptr;
        if (arrowSection) {
            const int arrowIndex = GetSectionIndex(manager->Tables(), arrowSection);
            const int mask = manager->GetMaskIndex(arrowIndex, arrowSection, "GLYPHMASK");
            if (mask >= 0) arrow = &manager->Tables().Masks[static_cast<size_t>(mask)];
        }
        const int arrowSpace = arrow ? MaskFrameWidth(*arrow) + 6 : 0;
        const int textWidth = picture.Canvas().TextWidth(text) + 5;
        switch (item.fmt & 0xFF & HDF_JUSTIFYMASK) {
            case HDF_RIGHT:
                textRect.left = std::max<int>(textRect.left, textRect.right - arrowSpace - textWidth);
                break;
            case HDF_CENTER:
                textRect.left = (textRect.right - textRect.left - textWidth - arrowSpace) / 2 + textRect.left;
                break;
            default: break;
        }
        textRect.right = std::min<int>(textRect.right, textRect.left + textWidth);
        if (arrow) {
            const POINT at{textRect.right + 6 - 5, (height - MaskStateHeight(*arrow)) / 2};
            DrawMaskGlyph(picture, at, state, 1, *arrow, InitBackgroundSource(&picture, 0, 0));
        }
        if (state == 2) OffsetRect(&textRect, 1, 1);
        WriteSectionTextOnBitmap(picture, text, false, textRect, kListHeaderTextFlags, section, state != 0, manager);
    }
    BitBlt(dc, r.left, r.top, width, height, picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

}  // namespace parch
