#include "platform/win/ComboBoxExClass.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"
#include "platform/win/Painting.h"

namespace parch::win {

namespace comboex {

constexpr int kIndentStep = 10;
constexpr int kImageGap = 3;

struct Item {
    std::string text;
    bool textCallback = false;
    int image = 0;
    int selectedImage = 0;
    int overlay = 0;
    int indent = 0;
    LPARAM data = 0;
};

struct ExData {
    std::vector<Item> items;
    HWND combo = nullptr;
    HWND edit = nullptr;
    HIMAGELIST images = nullptr;
    DWORD extendedStyle = 0;
    HFONT font = nullptr;
    bool editChanged = false;
    bool editing = false;  // CBEN_BEGINEDIT told, CBEN_ENDEDIT not yet
    bool settingEdit = false;
};

ExData* Data(HWND hwnd) { return reinterpret_cast<ExData*>(GetWindowLongPtr(hwnd, 0)); }
DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

int Id(HWND hwnd) { return GetDlgCtrlID(hwnd); }

HGDIOBJ FontOf(const ExData& data) {
    return data.font ? static_cast<HGDIOBJ>(data.font) : GetStockObject(DEFAULT_GUI_FONT);
}

SIZE ImageSize(const ExData& data) {
    int cx = 0;
    int cy = 0;
    if (!data.images || !ImageList_GetIconSize(data.images, &cx, &cy)) return SIZE{0, 0};
    return SIZE{cx, cy};
}

// ---- items in and out ----

COMBOBOXEXITEMA Record(const Item& item, INT_PTR index, UINT mask) {
    COMBOBOXEXITEMA record;
    record.mask = mask;
    record.iItem = index;
    record.iImage = item.image;
    record.iSelectedImage = item.selectedImage;
    record.iOverlay = item.overlay;
    record.iIndent = item.indent;
    record.lParam = item.data;
    return record;
}

void NotifyItem(HWND hwnd, UINT code, const Item& item, INT_PTR index) {
    NMCOMBOBOXEX note;
    note.ceItem = Record(item, index, CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY | CBEIF_INDENT | CBEIF_LPARAM);
    std::string text = item.text;
    if (!item.textCallback) {
        note.ceItem.mask |= CBEIF_TEXT;
        note.ceItem.pszText = text.data();
        note.ceItem.cchTextMax = static_cast<int>(text.size() + 1);
    }
    SendNotify(hwnd, code, &note.hdr);
}

template <typename Char>
void ApplyRecord(Item& item, const COMBOBOXEXITEMT<Char>& record) {
    if (record.mask & CBEIF_TEXT) {
        item.textCallback = reinterpret_cast<INT_PTR>(record.pszText) == -1;
        if (item.textCallback || !record.pszText) item.text.clear();
        else if constexpr (sizeof(Char) == 1) item.text = record.pszText;
        else item.text = Utf8FromUtf16(record.pszText);
    }
    if (record.mask & CBEIF_IMAGE) item.image = record.iImage;
    if (record.mask & CBEIF_SELECTEDIMAGE) item.selectedImage = record.iSelectedImage;
    if (record.mask & CBEIF_OVERLAY) item.overlay = record.iOverlay;
    if (record.mask & CBEIF_INDENT) item.indent = record.iIndent;
    if (record.mask & CBEIF_LPARAM) item.data = record.lParam;
}

// Asks the parent for the fields left to it; with CBEIF_DI_SETITEM the answer is kept.
Item Resolved(HWND hwnd, Item& item, INT_PTR index) {
    UINT mask = 0;
    if (item.textCallback) mask |= CBEIF_TEXT;
    if (item.image == I_IMAGECALLBACK) mask |= CBEIF_IMAGE;
    if (item.selectedImage == I_IMAGECALLBACK) mask |= CBEIF_SELECTEDIMAGE;
    if (item.overlay == I_IMAGECALLBACK) mask |= CBEIF_OVERLAY;
    if (item.indent == I_IMAGECALLBACK) mask |= CBEIF_INDENT;
    if (!mask) return item;
    NMCOMBOBOXEX note;
    note.ceItem = Record(item, index, mask);
    char buffer[CBEMAXSTRLEN] = {};
    note.ceItem.pszText = buffer;
    note.ceItem.cchTextMax = CBEMAXSTRLEN;
    SendNotify(hwnd, CBEN_GETDISPINFOA, &note.hdr);
    buffer[CBEMAXSTRLEN - 1] = 0;
    Item shown = item;
    COMBOBOXEXITEMA answer = note.ceItem;
    answer.mask = mask;
    if (answer.pszText == nullptr) answer.pszText = buffer;
    shown.textCallback = false;
    ApplyRecord(shown, answer);
    if (note.ceItem.mask & CBEIF_DI_SETITEM) item = shown;
    return shown;
}

template <typename Char>
LRESULT InsertItem(HWND hwnd, LPARAM lParam) {
    ExData* data = Data(hwnd);
    const auto* record = reinterpret_cast<const COMBOBOXEXITEMT<Char>*>(lParam);
    if (!data || !record) return -1;
    INT_PTR at = record->iItem;
    if (at < 0 || at > static_cast<INT_PTR>(data->items.size())) at = static_cast<INT_PTR>(data->items.size());
    Item item;
    ApplyRecord(item, *record);
    data->items.insert(data->items.begin() + at, item);
    SendMessage(data->combo, CB_INSERTSTRING, static_cast<WPARAM>(at), 0);
    NotifyItem(hwnd, CBEN_INSERTITEM, item, at);
    return at;
}

LRESULT DeleteItem(HWND hwnd, WPARAM index) {
    ExData* data = Data(hwnd);
    if (!data || index >= data->items.size()) return CB_ERR;
    const Item item = data->items[index];
    data->items.erase(data->items.begin() + static_cast<std::ptrdiff_t>(index));
    SendMessage(data->combo, CB_DELETESTRING, index, 0);
    NotifyItem(hwnd, CBEN_DELETEITEM, item, static_cast<INT_PTR>(index));
    return static_cast<LRESULT>(data->items.size());
}

void DeleteAll(HWND hwnd) {
    ExData* data = Data(hwnd);
    while (data && !data->items.empty()) DeleteItem(hwnd, data->items.size() - 1);
}

std::string EditText(const ExData& data) { return data.edit ? WindowText(data.edit) : std::string{}; }

template <typename Char>
void CopyText(const std::string& text, Char* out, int size) {
    if (!out || size <= 0) return;
    std::basic_string<Char> converted;
    if constexpr (sizeof(Char) == 1) converted = text;
    else converted = Utf16FromUtf8(text);
    const std::size_t n = std::min<std::size_t>(converted.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(converted.begin(), n, out);
    out[n] = 0;
}

// Item -1 is the field: the edit's text, or the selected item's.
template <typename Char>
LRESULT GetItem(HWND hwnd, LPARAM lParam) {
    ExData* data = Data(hwnd);
    auto* record = reinterpret_cast<COMBOBOXEXITEMT<Char>*>(lParam);
    if (!data || !record) return 0;
    INT_PTR index = record->iItem;
    if (index == -1 && data->edit) {
        if (record->mask & CBEIF_TEXT) CopyText(EditText(*data), record->pszText, record->cchTextMax);
        index = SendMessage(data->combo, CB_GETCURSEL, 0, 0);
        if (index < 0) return 1;
        record->mask &= ~CBEIF_TEXT;
    }
    if (index == -1) index = SendMessage(data->combo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<INT_PTR>(data->items.size())) return 0;
    const Item& item = data->items[static_cast<std::size_t>(index)];
    if (record->mask & CBEIF_TEXT) {
        if (item.textCallback) record->pszText = reinterpret_cast<Char*>(static_cast<INT_PTR>(-1));
        else CopyText(item.text, record->pszText, record->cchTextMax);
    }
    if (record->mask & CBEIF_IMAGE) record->iImage = item.image;
    if (record->mask & CBEIF_SELECTEDIMAGE) record->iSelectedImage = item.selectedImage;
    if (record->mask & CBEIF_OVERLAY) record->iOverlay = item.overlay;
    if (record->mask & CBEIF_INDENT) record->iIndent = item.indent;
    if (record->mask & CBEIF_LPARAM) record->lParam = item.data;
    return 1;
}

void SetEditText(ExData& data, const std::string& text) {
    if (!data.edit) return;
    data.settingEdit = true;
    SetWindowText(data.edit, text.c_str());
    data.settingEdit = false;
    data.editChanged = false;
}

template <typename Char>
LRESULT SetItem(HWND hwnd, LPARAM lParam) {
    ExData* data = Data(hwnd);
    const auto* record = reinterpret_cast<const COMBOBOXEXITEMT<Char>*>(lParam);
    if (!data || !record) return 0;
    if (record->iItem == -1) {
        if (!(record->mask & CBEIF_TEXT) || !data->edit) return 0;
        Item field;
        ApplyRecord(field, *record);
        SetEditText(*data, field.text);
        return 1;
    }
    if (record->iItem < 0 || record->iItem >= static_cast<INT_PTR>(data->items.size())) return 0;
    ApplyRecord(data->items[static_cast<std::size_t>(record->iItem)], *record);
    if (SendMessage(data->combo, CB_GETCURSEL, 0, 0) == record->iItem)
        SetEditText(*data, data->items[static_cast<std::size_t>(record->iItem)].text);
    InvalidateRect(data->combo, nullptr, 1);
    return 1;
}

// ---- drawing ----

int ItemHeight(HWND hwnd, const ExData& data) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, FontOf(data));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return std::max<int>(tm.tmHeight, ImageSize(data).cy) + 2;
}

void DrawItem(HWND hwnd, const DRAWITEMSTRUCT& draw) {
    ExData* data = Data(hwnd);
    if (!data) return;
    HDC dc = draw.hDC;
    const int saved = SaveDC(dc);
    const bool field = (draw.itemState & ODS_COMBOBOXEDIT) != 0;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    // With an edit the field shows only the picture; the edit shows its own selection.
    const bool highlighted = selected && !(field && data->edit);
    FillWithSysColor(dc, draw.rcItem, highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const int index = static_cast<int>(draw.itemID);
    if (index < 0 || index >= static_cast<int>(data->items.size())) {
        RestoreDC(dc, saved);
        return;
    }
    const Item item = Resolved(hwnd, data->items[static_cast<std::size_t>(index)], index);
    // The field shows no indent; CBES_EX_NOEDITIMAGE leaves its picture out too, and
    // CBES_EX_NOEDITIMAGEINDENT every picture.
    const bool noImage =
        (data->extendedStyle & CBES_EX_NOEDITIMAGEINDENT) || (field && (data->extendedStyle & CBES_EX_NOEDITIMAGE));
    int x = draw.rcItem.left + 2 + (field ? 0 : item.indent * kIndentStep);
    const SIZE image = ImageSize(*data);
    if (data->images && !noImage) {
        const int which = highlighted ? item.selectedImage : item.image;
        const UINT overlay = item.overlay > 0 ? INDEXTOOVERLAYMASK(static_cast<UINT>(item.overlay)) : 0;
        const int y = (draw.rcItem.top + draw.rcItem.bottom - image.cy) / 2;
        if (which >= 0) ImageList_Draw(data->images, which, dc, x, y, ILD_TRANSPARENT | overlay);
    }
    if (data->images && !noImage) x += image.cx + kImageGap;
    if (field && data->edit) {
        RestoreDC(dc, saved);
        return;  // the edit shows the text
    }
    SelectObject(dc, FontOf(*data));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text{x, draw.rcItem.top, draw.rcItem.right, draw.rcItem.bottom};
    UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    if (data->extendedStyle & CBES_EX_TEXTENDELLIPSIS) format |= DT_END_ELLIPSIS;
    DrawText(dc, item.text.c_str(), -1, &text, format);
    if ((draw.itemState & ODS_FOCUS) && !field) DrawFocusRect(dc, &draw.rcItem);
    RestoreDC(dc, saved);
}

// ---- the edit ----

// Where the edit sits: the combo's field less the picture and indent.
void PlaceEdit(HWND hwnd) {
    ExData* data = Data(hwnd);
    if (!data || !data->edit) return;
    COMBOBOXINFO info;
    if (!GetComboBoxInfo(data->combo, &info)) return;
    RECT field = info.rcItem;
    MapWindowPoints(data->combo, hwnd, reinterpret_cast<POINT*>(&field), 2);
    int left = field.left + 2;
    if (data->images && !(data->extendedStyle & (CBES_EX_NOEDITIMAGE | CBES_EX_NOEDITIMAGEINDENT)))
        left += ImageSize(*data).cx + kImageGap;
    SetWindowPos(data->edit, HWND_TOP, left, field.top + 1, std::max(0, static_cast<int>(field.right) - left),
                 std::max(0, static_cast<int>(field.bottom - field.top) - 2), SWP_NOACTIVATE);
}

void EndEdit(HWND hwnd, int why) {
    ExData* data = Data(hwnd);
    if (!data || !data->editing) return;
    data->editing = false;
    NMCBEENDEDITA note;
    note.fChanged = data->editChanged;
    note.iNewSelection = static_cast<int>(SendMessage(data->combo, CB_GETCURSEL, 0, 0));
    CopyText(EditText(*data), note.szText, CBEMAXSTRLEN);
    note.iWhy = why;
    SendNotify(hwnd, CBEN_ENDEDITA, &note.hdr);
}

LRESULT EditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) {
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        HWND hwnd = reinterpret_cast<HWND>(owner);
        EndEdit(hwnd, wParam == VK_RETURN ? CBENF_RETURN : CBENF_ESCAPE);
        if (ExData* data = Data(hwnd); data && wParam == VK_ESCAPE) {
            const LRESULT selected = SendMessage(data->combo, CB_GETCURSEL, 0, 0);
            if (selected >= 0) SetEditText(*data, data->items[static_cast<std::size_t>(selected)].text);
        }
        return 0;
    }
    if (message == WM_GETDLGCODE) return DefSubclassProc(edit, message, wParam, lParam) | DLGC_WANTALLKEYS;
    return DefSubclassProc(edit, message, wParam, lParam);
}

void FromEdit(HWND hwnd, WORD code) {
    ExData* data = Data(hwnd);
    if (!data) return;
    if (code == EN_SETFOCUS && !data->editing) {
        data->editing = true;
        NMHDR note;
        SendNotify(hwnd, CBEN_BEGINEDIT, &note);
    } else if (code == EN_KILLFOCUS) {
        EndEdit(hwnd, CBENF_KILLFOCUS);
    } else if (code == EN_CHANGE && !data->settingEdit) {
        data->editChanged = true;
        NotifyParent(hwnd, CBN_EDITCHANGE);
    }
}

// The inner combo's notifications go to the parent as ours; a new selection fills the edit.
void FromCombo(HWND hwnd, WORD code) {
    ExData* data = Data(hwnd);
    if (!data) return;
    if (code == CBN_SELCHANGE || code == CBN_SELENDOK) {
        const LRESULT selected = SendMessage(data->combo, CB_GETCURSEL, 0, 0);
        if (selected >= 0 && static_cast<std::size_t>(selected) < data->items.size())
            SetEditText(*data, Resolved(hwnd, data->items[static_cast<std::size_t>(selected)], selected).text);
    }
    if (code == CBN_DROPDOWN) EndEdit(hwnd, CBENF_DROPDOWN);
    NotifyParent(hwnd, code);
}

void Create(HWND hwnd) {
    ExData* data = Data(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const DWORD type = Style(hwnd) & 0x3;
    const DWORD comboType = type == CBS_SIMPLE ? CBS_SIMPLE : CBS_DROPDOWNLIST;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CBS_OWNERDRAWFIXED | comboType |
                        (Style(hwnd) & (CBS_NOINTEGRALHEIGHT | CBS_DISABLENOSCROLL));
    data->combo = CreateWindowEx(0, "ComboBox", "", style, 0, 0, client.right, client.bottom, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<std::intptr_t>(Id(hwnd))), nullptr, nullptr);
    if (type == CBS_DROPDOWN || type == CBS_SIMPLE) {
        data->edit = CreateWindowEx(0, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 10, 10, hwnd,
                                    reinterpret_cast<HMENU>(static_cast<std::intptr_t>(1001)), nullptr, nullptr);
        SetWindowSubclass(data->edit, &EditKeys, 1, reinterpret_cast<DWORD_PTR>(hwnd));
        SendMessage(data->edit, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*data)), 0);
        PlaceEdit(hwnd);
    }
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ExData* data = Data(hwnd);
    switch (message) {
        case WM_NCCREATE: SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ExData)); break;
        case WM_CREATE: Create(hwnd); return 0;
        case WM_DESTROY: DeleteAll(hwnd); return 0;
        case WM_NCDESTROY:
            delete data;
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_SIZE:
            if (data && data->combo)
                SetWindowPos(data->combo, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER | SWP_NOACTIVATE);
            PlaceEdit(hwnd);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SETFOCUS:
            if (data) SetFocus(data->edit ? data->edit : data->combo);
            return 0;
        case WM_ENABLE:
            if (data && data->combo) EnableWindow(data->combo, static_cast<BOOL>(wParam));
            if (data && data->edit) EnableWindow(data->edit, static_cast<BOOL>(wParam));
            return 0;
        case WM_SETFONT:
            if (!data) return 0;
            data->font = reinterpret_cast<HFONT>(wParam);
            SendMessage(data->combo, WM_SETFONT, wParam, lParam);
            if (data->edit) SendMessage(data->edit, WM_SETFONT, wParam, lParam);
            PlaceEdit(hwnd);
            return 0;
        case WM_GETFONT: return data ? reinterpret_cast<LRESULT>(data->font) : 0;
        case WM_MEASUREITEM:
            if (auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam); measure && data) {
                measure->itemHeight = static_cast<UINT>(ItemHeight(hwnd, *data));
                return 1;
            }
            return 0;
        case WM_DRAWITEM:
            if (const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) DrawItem(hwnd, *draw);
            return 1;
        case WM_COMMAND:
            if (data && reinterpret_cast<HWND>(lParam) == data->combo) FromCombo(hwnd, HIWORD(wParam));
            else if (data && data->edit && reinterpret_cast<HWND>(lParam) == data->edit) FromEdit(hwnd, HIWORD(wParam));
            return 0;
        case WM_SETTEXT:
            if (data && data->edit) SetEditText(*data, reinterpret_cast<const char*>(lParam) ? reinterpret_cast<const char*>(lParam) : "");
            return DefWindowProc(hwnd, message, wParam, lParam);
        case CBEM_INSERTITEMA: return InsertItem<char>(hwnd, lParam);
        case CBEM_INSERTITEMW: return InsertItem<char16_t>(hwnd, lParam);
        case CBEM_DELETEITEM: return DeleteItem(hwnd, wParam);
        case CBEM_GETITEMA: return GetItem<char>(hwnd, lParam);
        case CBEM_GETITEMW: return GetItem<char16_t>(hwnd, lParam);
        case CBEM_SETITEMA: return SetItem<char>(hwnd, lParam);
        case CBEM_SETITEMW: return SetItem<char16_t>(hwnd, lParam);
        case CBEM_SETIMAGELIST: {
            if (!data) return 0;
            HIMAGELIST previous = std::exchange(data->images, reinterpret_cast<HIMAGELIST>(lParam));
            SendMessage(data->combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), ItemHeight(hwnd, *data));
            SendMessage(data->combo, CB_SETITEMHEIGHT, 0, ItemHeight(hwnd, *data));
            PlaceEdit(hwnd);
            InvalidateRect(data->combo, nullptr, 1);
            return reinterpret_cast<LRESULT>(previous);
        }
        case CBEM_GETIMAGELIST: return data ? reinterpret_cast<LRESULT>(data->images) : 0;
        case CBEM_GETCOMBOCONTROL: return data ? reinterpret_cast<LRESULT>(data->combo) : 0;
        case CBEM_GETEDITCONTROL: return data ? reinterpret_cast<LRESULT>(data->edit) : 0;
        case CBEM_SETEXSTYLE:
        case CBEM_SETEXTENDEDSTYLE: {
            if (!data) return 0;
            const DWORD previous = data->extendedStyle;
            const DWORD mask = (message == CBEM_SETEXTENDEDSTYLE && wParam) ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
            data->extendedStyle = (previous & ~mask) | (static_cast<DWORD>(lParam) & mask);
            PlaceEdit(hwnd);
            InvalidateRect(data->combo, nullptr, 1);
            return previous;
        }
        case CBEM_GETEXTENDEDSTYLE: return data ? data->extendedStyle : 0;
        case CBEM_HASEDITCHANGED: return data && data->editChanged;
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            COMBOBOXEXITEMA record;
            record.mask = CBEIF_TEXT;
            record.iItem = message == CB_ADDSTRING ? -1 : static_cast<INT_PTR>(wParam);
            record.pszText = const_cast<char*>(reinterpret_cast<const char*>(lParam));
            return InsertItem<char>(hwnd, reinterpret_cast<LPARAM>(&record));
        }
        case CB_RESETCONTENT: DeleteAll(hwnd); return CB_OKAY;
        case CB_GETLBTEXTLEN:
            if (!data || wParam >= data->items.size()) return CB_ERR;
            return static_cast<LRESULT>(data->items[wParam].text.size());
        case CB_GETLBTEXT:
            if (!data || wParam >= data->items.size()) return CB_ERR;
            if (auto* out = reinterpret_cast<char*>(lParam)) std::strcpy(out, data->items[wParam].text.c_str());
            return static_cast<LRESULT>(data->items[wParam].text.size());
        case CB_SETCURSEL: {
            if (!data) return CB_ERR;
            const LRESULT result = SendMessage(data->combo, message, wParam, lParam);
            const LRESULT selected = SendMessage(data->combo, CB_GETCURSEL, 0, 0);
            SetEditText(*data, selected >= 0 ? data->items[static_cast<std::size_t>(selected)].text : std::string{});
            return result;
        }
        default:
            if (data && data->combo && message >= CB_GETEDITSEL && message <= CB_GETMINVISIBLE &&
                (message < 0x0400 || message >= CB_SETMINVISIBLE))
                return SendMessage(data->combo, message, wParam, lParam);
            break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace comboex

void RegisterComboBoxExClass() {
    WNDCLASSEX wc;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = &comboex::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = WC_COMBOBOXEX;
    RegisterClassEx(&wc);
}

}  // namespace parch::win
