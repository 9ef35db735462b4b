#include "platform/win/FileDialogWindow.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/os/Files.h"
#include "platform/os/UserDirs.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/ComboBoxExClass.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DialogNavigation.h"
#include "platform/win/DialogTemplates.h"
#include "platform/win/Dialogs.h"
#include "platform/win/EditClass.h"
#include "platform/win/FileDialogs.h"
#include "platform/win/Focus.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/ShellFileInfo.h"
#include "platform/win/StaticClass.h"
#include "platform/win/SystemImageLists.h"
#include "platform/win/SystemValues.h"
#include "platform/win/ToolBarClass.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/Input.h"

namespace parch::win {

namespace file_dialog_window {

// Pixel measures at 96 dots per inch.
constexpr int kInitialWidth = 600;
constexpr int kInitialHeight = 380;
constexpr int kMinimumWidth = 440;
constexpr int kMinimumHeight = 280;
constexpr int kMargin = 10;
constexpr int kGap = 6;
constexpr int kRowHeight = 23;
constexpr int kButtonWidth = 88;
constexpr int kLabelPadding = 8;
constexpr int kDropHeight = 300;

// Work the dialog does once the control that asked for it has finished its own message.
constexpr UINT kLookInChosen = WM_USER + 100;
constexpr UINT kItemActivated = WM_USER + 101;
constexpr UINT kGoUp = WM_USER + 102;
constexpr UINT kRenamed = WM_USER + 103;

constexpr const char* kNewFolderName = "New folder";
constexpr int kNewFolderAttempts = 1000;

enum Column { kNameColumn, kSizeColumn, kTypeColumn, kDateColumn };

struct Place {
    const char* text;
    std::string path;
    const char* icon;
};

LOGFONT DialogFont() {
    NONCLIENTMETRICS metrics;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMessageFont;
}

RECT PixelsToDialogUnits(int width, int height, SIZE base) {
    return {0, 0, (width * 4 + base.cx - 1) / base.cx, (height * 8 + base.cy - 1) / base.cy};
}

std::vector<BYTE> BuildTemplate(const FileDialogRequest& request) {
    const LOGFONT logical = DialogFont();
    HFONT font = CreateFontIndirect(&logical);
    const SIZE base = FontBaseUnits(font);
    DeleteObject(font);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN | DS_3DLOOK | DS_CENTER;
    DialogTemplateBuilder b(style, 0, PixelsToDialogUnits(kInitialWidth, kInitialHeight, base), request.title);
    b.Font(static_cast<WORD>(std::max(1, static_cast<int>(-logical.lfHeight * 72 / 96))), logical.lfFaceName);
    const bool save = request.rules.save;
    const RECT none{0, 0, 0, 0};
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    // The order is the tab order; the laying out places everything.
    b.AddItem(kDialogClassStatic, kChild | SS_LEFT, none, stc4, save ? "Save &in:" : "Look &in:");
    b.AddItem(WC_COMBOBOXEX, kChild | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST, none, cmb2, "");
    b.AddItem(TOOLBARCLASSNAME, kChild | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, none, ctl1, "");
    DWORD listStyle = kChild | WS_TABSTOP | WS_GROUP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS |
                      LVS_SHAREIMAGELISTS;
    if (!request.rules.multiple) listStyle |= LVS_SINGLESEL;
    b.AddItem("SysListView32", listStyle, none, lst1, "", WS_EX_CLIENTEDGE);
    b.AddItem(kDialogClassStatic, kChild | SS_LEFT, none, stc3, "File &name:");
    b.AddItem(kDialogClassEdit, kChild | WS_TABSTOP | WS_GROUP | WS_BORDER | ES_AUTOHSCROLL, none, edt1, "",
              WS_EX_CLIENTEDGE);
    b.AddItem(kDialogClassStatic, kChild | SS_LEFT, none, stc2, save ? "Save as &type:" : "Files of &type:");
    b.AddItem(kDialogClassComboBox, kChild | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST, none, cmb1, "");
    b.AddItem(kDialogClassButton, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, none, IDOK, save ? "&Save" : "&Open");
    b.AddItem(kDialogClassButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, none, IDCANCEL, "Cancel");
    // Last, so it lies under the buttons it may touch and, clipped by them, never paints over them.
    b.AddItem(kDialogClassScrollBar, kChild | WS_CLIPSIBLINGS | SBS_SIZEGRIP, none, scr1, "");
    return b.Build();
}

class FileDialog {
public:
    FileDialog(const FileDialogRequest& request, FileDialogChoice& choice) : request_(request), choice_(choice) {}

    static INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtr(dialog, DWLP_USER, lParam);
            return reinterpret_cast<FileDialog*>(lParam)->Init(dialog);
        }
        auto* self = reinterpret_cast<FileDialog*>(GetWindowLongPtr(dialog, DWLP_USER));
        return self ? self->Handle(message, wParam, lParam) : 0;
    }

private:
    // ---- set-up and layout ------------------------------------------------------------------

    INT_PTR Init(HWND dialog) {
        dialog_ = dialog;
        lookIn_ = GetDlgItem(dialog, cmb2);
        toolBar_ = GetDlgItem(dialog, ctl1);
        list_ = GetDlgItem(dialog, lst1);
        edit_ = GetDlgItem(dialog, edt1);
        types_ = GetDlgItem(dialog, cmb1);
        grip_ = GetDlgItem(dialog, scr1);
        HIMAGELIST icons = SystemImageLists::Process().Small();
        SendMessage(lookIn_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons));
        SetUpToolBar(icons);
        SetUpList(icons);
        SetUpTypes();
        EnterFirstReadableFolder();
        if (!request_.initialPattern.empty()) ApplyPattern({request_.initialPattern});
        SetWindowText(edit_, request_.fileName.c_str());
        LayOut();
        SetDialogFocus(dialog_, edit_);
        return 0;  // the focus is set
    }

    void SetUpToolBar(HIMAGELIST icons) {
        SendMessage(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessage(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons));
        SystemImageLists& lists = SystemImageLists::Process();
        TBBUTTON buttons[2];
        buttons[0].iBitmap = lists.IndexOf({"go-up"}, GenericIcon::Folder);
        buttons[0].idCommand = kFileDialogUpCommand;
        buttons[1].iBitmap = lists.IndexOf({"folder-new"}, GenericIcon::Folder);
        buttons[1].idCommand = kFileDialogNewFolderCommand;
        for (TBBUTTON& button : buttons) {
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
        SendMessage(toolBar_, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));
    }

    void SetUpList(HIMAGELIST icons) {
        SendMessage(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons));
        SendMessage(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        struct ColumnLook {
            const char* text;
            int width;
            int format;
        };
        const ColumnLook columns[] = {
            {"Name", 220, LVCFMT_LEFT}, {"Size", 70, LVCFMT_RIGHT}, {"Type", 130, LVCFMT_LEFT}, {"Date modified", 120, LVCFMT_LEFT}};
        for (int i = 0; i < 4; ++i) {
            LVCOLUMN column;
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.pszText = const_cast<char*>(columns[i].text);
            column.cx = columns[i].width;
            column.fmt = columns[i].format;
            column.iSubItem = i;
            SendMessage(list_, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        }
    }

    void SetUpTypes() {
        for (const FileTypeFilter& filter : request_.filters)
            SendMessage(types_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter.description.c_str()));
        if (request_.filters.empty()) {
            patterns_ = {"*"};
            return;
        }
        SendMessage(types_, CB_SETCURSEL, request_.filterIndex, 0);
        patterns_ = request_.filters[request_.filterIndex].patterns;
    }

    void LayOut() {
        RECT client;
        GetClientRect(dialog_, &client);
        const int width = client.right, height = client.bottom;
        const int labelWidth = LabelWidth();
        const SIZE toolButton = ToolButtonSize();
        const int toolWidth = 2 * toolButton.cx;

        int y = kMargin;
        const int fieldLeft = kMargin + labelWidth;
        MoveWindow(toolBar_, width - kMargin - toolWidth, y, toolWidth, std::max<int>(toolButton.cy, kRowHeight), 1);
        PlaceLabel(stc4, y, labelWidth);
        PlaceLookIn(fieldLeft, y, width - kMargin - toolWidth - kGap - fieldLeft);

        const int typeTop = height - kMargin - kRowHeight;
        const int nameTop = typeTop - kGap - kRowHeight;
        const int buttonLeft = width - kMargin - kButtonWidth;
        const int fieldWidth = buttonLeft - kGap - fieldLeft;
        PlaceLabel(stc3, nameTop, labelWidth);
        MoveWindow(edit_, fieldLeft, nameTop, fieldWidth, kRowHeight, 1);
        MoveWindow(GetDlgItem(dialog_, IDOK), buttonLeft, nameTop, kButtonWidth, kRowHeight, 1);
        PlaceLabel(stc2, typeTop, labelWidth);
        MoveWindow(types_, fieldLeft, typeTop, fieldWidth, kDropHeight, 1);
        MoveWindow(GetDlgItem(dialog_, IDCANCEL), buttonLeft, typeTop, kButtonWidth, kRowHeight, 1);

        const int listTop = y + kRowHeight + kGap;
        MoveWindow(list_, kMargin, listTop, width - 2 * kMargin, std::max(0, nameTop - kGap - listTop), 1);
        const int grip = GetSystemMetrics(SM_CXVSCROLL);
        MoveWindow(grip_, width - grip, height - grip, grip, grip, 1);
    }

    // The extended combo is as high as the combo inside it, which keeps its own height: any
    // more would lie over the list unpainted.
    void PlaceLookIn(int left, int top, int width) {
        MoveWindow(lookIn_, left, top, width, kRowHeight, 1);
        RECT inner{};
        GetWindowRect(reinterpret_cast<HWND>(SendMessage(lookIn_, CBEM_GETCOMBOCONTROL, 0, 0)), &inner);
        if (inner.bottom > inner.top && inner.bottom - inner.top != kRowHeight)
            MoveWindow(lookIn_, left, top, width, inner.bottom - inner.top, 1);
    }

    void PlaceLabel(int id, int rowTop, int width) {
        const int textHeight = TextSize("Ag").cy;
        MoveWindow(GetDlgItem(dialog_, id), kMargin, rowTop + (kRowHeight - textHeight) / 2, width - kLabelPadding,
                   textHeight, 1);
    }

    int LabelWidth() {
        int widest = 0;
        for (int id : {stc2, stc3, stc4}) widest = std::max<int>(widest, TextSize(WindowText(GetDlgItem(dialog_, id))).cx);
        return widest + kLabelPadding;
    }

    SIZE TextSize(const std::string& text) {
        HDC dc = GetDC(dialog_);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(dialog_, WM_GETFONT, 0, 0)));
        SIZE size{0, 0};
        GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(dialog_, dc);
        return size;
    }

    SIZE ToolButtonSize() {
        const auto packed = static_cast<DWORD>(SendMessage(toolBar_, TB_GETBUTTONSIZE, 0, 0));
        return {LOWORD(packed), HIWORD(packed)};
    }

    // ---- messages ---------------------------------------------------------------------------

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_SIZE: LayOut(); return 1;
            case WM_GETMINMAXINFO: {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize = {kMinimumWidth, kMinimumHeight};
                return 1;
            }
            case WM_COMMAND: Command(LOWORD(wParam), HIWORD(wParam)); return 1;
            case WM_NOTIFY: return Answer(Notify(*reinterpret_cast<NMHDR*>(lParam)));
            case kLookInChosen: EnterLookInSelection(); return 1;
            case kItemActivated: ActivateItem(static_cast<int>(wParam)); return 1;
            case kGoUp: GoUp(); return 1;
            case kRenamed: Refresh(pendingSelection_); return 1;
            default: return 0;
        }
    }

    // A notification's answer goes through the dialog's result slot.
    INT_PTR Answer(LRESULT result) {
        SetWindowLongPtr(dialog_, DWLP_MSGRESULT, result);
        return 1;
    }

    void Command(int id, int code) {
        switch (id) {
            case IDOK: Confirm(); break;
            case IDCANCEL: EndDialog(dialog_, IDCANCEL); break;
            case kFileDialogUpCommand: GoUp(); break;
            case kFileDialogNewFolderCommand: MakeNewFolder(); break;
            case cmb1:
                if (code == CBN_SELCHANGE) TypeChosen();
                break;
            case cmb2:
                // The choice is acted on once the combo has closed up; keys in the closed combo
                // choose at once.
                if (code == CBN_SELENDOK || (code == CBN_SELCHANGE && !SendMessage(lookIn_, CB_GETDROPPEDSTATE, 0, 0)))
                    PostMessage(dialog_, kLookInChosen, 0, 0);
                break;
            default: break;
        }
    }

    LRESULT Notify(const NMHDR& header) {
        if (header.idFrom != static_cast<UINT_PTR>(lst1)) return 0;
        switch (header.code) {
            case LVN_ITEMCHANGED: {
                const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
                if (!filling_ && (change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
                    SelectionChanged();
                return 0;
            }
            case LVN_ITEMACTIVATE:
                PostMessage(dialog_, kItemActivated, static_cast<WPARAM>(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem), 0);
                return 0;
            case LVN_KEYDOWN:
                if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_BACK) PostMessage(dialog_, kGoUp, 0, 0);
                return 0;
            case LVN_BEGINLABELEDIT: {
                const FolderEntry* entry = EntryOf(reinterpret_cast<const NMLVDISPINFO&>(header).item.iItem);
                return !(entry && entry->folder && entry->name == renameCandidate_);  // nonzero keeps it from editing
            }
            case LVN_ENDLABELEDIT: return RenameNewFolder(reinterpret_cast<const NMLVDISPINFO&>(header).item);
            default: return 0;
        }
    }

    // ---- folders ----------------------------------------------------------------------------

    void EnterFirstReadableFolder() {
        for (const std::string& folder : request_.folders) {
            FolderListing listing = ReadFolder(folder, request_.showHidden);
            if (listing.error == FolderError::None) {
                Show(folder, std::move(listing));
                return;
            }
        }
        Show("/", ReadFolder("/", request_.showHidden));
    }

    // Shows the folder's items; false (after telling the user why) when it cannot be read.
    bool Enter(const std::string& folder) {
        FolderListing listing = ReadFolder(folder, request_.showHidden);
        if (listing.error != FolderError::None) {
            Tell(listing.error == FolderError::AccessDenied ? FolderNotAccessibleText(folder) : PathNotFoundText(folder));
            FillLookIn();  // back to the folder still shown
            return false;
        }
        Show(folder, std::move(listing));
        return true;
    }

    void Show(const std::string& folder, FolderListing listing) {
        folder_ = folder;
        listing_ = std::move(listing);
        FillLookIn();
        FillList();
        SendMessage(toolBar_, TB_ENABLEBUTTON, kFileDialogUpCommand, folder_ != "/");
    }

    void Refresh(const std::string& select) {
        if (Enter(folder_)) SelectByName(select);
    }

    void GoUp() {
        if (folder_ == "/") return;
        const std::string from = LastPart(folder_);
        if (Enter(ParentFolder(folder_))) SelectByName(from);
    }

    void EnterLookInSelection() {
        const auto index = SendMessage(lookIn_, CB_GETCURSEL, 0, 0);
        COMBOBOXEXITEM item;
        item.mask = CBEIF_LPARAM;
        item.iItem = index;
        if (index < 0 || !SendMessage(lookIn_, CBEM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return;
        const auto place = static_cast<std::size_t>(item.lParam);
        if (place < lookInPaths_.size() && lookInPaths_[place] != folder_) Enter(lookInPaths_[place]);
    }

    void ActivateItem(int index) {
        const FolderEntry* entry = EntryOf(index);
        if (!entry) return;
        if (entry->folder) {
            EnterAndClear(JoinPath(folder_, entry->name));
        } else {
            Confirm();
        }
    }

    void EnterAndClear(const std::string& folder) {
        if (Enter(folder)) SetWindowText(edit_, "");
    }

    // ---- the lists --------------------------------------------------------------------------

    std::vector<Place> Places() const {
        return {{"Home", HomeFolder(), "user-home"},
                {"Desktop", UserDirPath("DESKTOP"), "user-desktop"},
                {"Documents", UserDirPath("DOCUMENTS"), "folder-documents"}};
    }

    void AddLookInItem(const std::string& text, const std::string& path, int icon, int indent) {
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_INDENT | CBEIF_LPARAM;
        item.iItem = -1;
        item.pszText = const_cast<char*>(text.c_str());
        item.iImage = item.iSelectedImage = icon;
        item.iIndent = indent;
        item.lParam = static_cast<LPARAM>(lookInPaths_.size());
        lookInPaths_.push_back(path);
        SendMessage(lookIn_, CBEM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    }

    void FillLookIn() {
        SendMessage(lookIn_, CB_RESETCONTENT, 0, 0);
        lookInPaths_.clear();
        SystemImageLists& lists = SystemImageLists::Process();
        for (const Place& place : Places()) {
            if (place.path.empty() || !DirectoryExists(place.path)) continue;
            const std::string path = NormalPath(place.path);
            if (std::find(lookInPaths_.begin(), lookInPaths_.end(), path) != lookInPaths_.end()) continue;
            AddLookInItem(place.text, path, lists.IndexOf({place.icon}, GenericIcon::Folder), 0);
        }
        const std::vector<std::string> chain = FolderChain(folder_);
        for (std::size_t depth = 0; depth < chain.size(); ++depth) {
            const bool root = depth == 0, current = depth + 1 == chain.size();
            const int icon = lists.IndexOf(root      ? std::vector<std::string>{"drive-harddisk"}
                                           : current ? std::vector<std::string>{"folder-open", "folder"}
                                                     : std::vector<std::string>{"folder"},
                                           GenericIcon::Folder);
            AddLookInItem(root ? "/" : LastPart(chain[depth]), chain[depth], icon, static_cast<int>(depth));
        }
        SendMessage(lookIn_, CB_SETCURSEL, lookInPaths_.size() - 1, 0);
    }

    void FillList() {
        filling_ = true;
        SendMessage(list_, WM_SETREDRAW, 0, 0);
        SendMessage(list_, LVM_DELETEALLITEMS, 0, 0);
        int row = 0;
        for (std::size_t i = 0; i < listing_.entries.size(); ++i) {
            const FolderEntry& entry = listing_.entries[i];
            if (!entry.folder && !MatchesAnyPattern(entry.name, patterns_)) continue;
            AddListItem(row++, entry, i);
        }
        SendMessage(list_, WM_SETREDRAW, 1, 0);
        InvalidateRect(list_, nullptr, 1);
        filling_ = false;
        selectedNames_.clear();
        selectionText_.clear();
    }

    void AddListItem(int row, const FolderEntry& entry, std::size_t index) {
        SHFILEINFO info;
        SHGetFileInfo(JoinPathLiterally(entry.name).c_str(), 0, &info, sizeof info,
                      SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
        LVITEM item;
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>(entry.name.c_str());
        item.iImage = info.iIcon;
        item.lParam = static_cast<LPARAM>(index);
        const auto at = static_cast<int>(SendMessage(list_, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
        SetCell(at, kSizeColumn, entry.folder ? std::string() : SizeText(entry.size));
        SetCell(at, kTypeColumn, info.szTypeName);
        SetCell(at, kDateColumn, DateText(entry.modified));
    }

    void SetCell(int row, int column, const std::string& text) {
        LVITEM item;
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessage(list_, LVM_SETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }

    std::string JoinPathLiterally(const std::string& name) const {
        return folder_ == "/" ? "/" + name : folder_ + "/" + name;
    }

    void TypeChosen() {
        const auto index = SendMessage(types_, CB_GETCURSEL, 0, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= request_.filters.size()) return;
        patterns_ = request_.filters[static_cast<std::size_t>(index)].patterns;
        FillList();
    }

    void ApplyPattern(std::vector<std::string> patterns) {
        patterns_ = std::move(patterns);
        FillList();
    }

    const FolderEntry* EntryOf(int row) const {
        LVITEM item;
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (row < 0 || !SendMessage(list_, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
        const auto index = static_cast<std::size_t>(item.lParam);
        return index < listing_.entries.size() ? &listing_.entries[index] : nullptr;
    }

    std::vector<const FolderEntry*> SelectedEntries() const {
        std::vector<const FolderEntry*> selected;
        for (int row = -1; (row = static_cast<int>(SendMessage(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0;)
            if (const FolderEntry* entry = EntryOf(row)) selected.push_back(entry);
        return selected;
    }

    void SelectByName(const std::string& name) {
        const auto count = static_cast<int>(SendMessage(list_, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            const FolderEntry* entry = EntryOf(row);
            if (!entry || entry->name != name) continue;
            LVITEM state;
            state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessage(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
            SendMessage(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), 0);
            return;
        }
    }

    // Chosen files show in the file-name box; folders do not.
    void SelectionChanged() {
        std::vector<std::string> names;
        for (const FolderEntry* entry : SelectedEntries())
            if (!entry->folder) names.push_back(entry->name);
        if (names.empty()) return;
        selectedNames_ = std::move(names);
        selectionText_ = JoinSelectedNames(selectedNames_);
        SetWindowText(edit_, selectionText_.c_str());
    }

    // ---- OK ---------------------------------------------------------------------------------

    void Confirm() {
        const std::vector<const FolderEntry*> selected = SelectedEntries();
        const bool oneFolderSelected = selected.size() == 1 && selected.front()->folder;
        const std::string text = WindowText(edit_);
        if (oneFolderSelected && (GetFocus() == list_ || text.empty())) {
            EnterAndClear(JoinPath(folder_, selected.front()->name));
            return;
        }
        // Names shown by the list are taken as they stand: they may hold quotes, "*" or "?".
        const bool fromList = !selectedNames_.empty() && text == ValidUtf8(selectionText_);
        const TypedNameAction action =
            fromList ? ResolveTypedNames(selectedNames_, folder_, request_.rules, true)
                     : ResolveTypedNames(SplitTypedNames(text, request_.rules.multiple), folder_, request_.rules);
        switch (action.kind) {
            case TypedNameAction::Kind::Nothing: return;
            case TypedNameAction::Kind::EnterFolder: EnterAndClear(action.folder); return;
            case TypedNameAction::Kind::ApplyPattern:
                if (action.folder != folder_ && !Enter(action.folder)) return;
                ApplyPattern({action.pattern});
                SetWindowText(edit_, action.pattern.c_str());
                SetDialogFocus(dialog_, edit_);
                return;
            case TypedNameAction::Kind::Refuse:
                Tell(action.message);
                SetDialogFocus(dialog_, edit_);
                return;
            case TypedNameAction::Kind::Accept: Accept(action); return;
        }
    }

    void Accept(const TypedNameAction& action) {
        if (request_.overwritePrompt) {
            for (const std::string& name : action.names) {
                if (!FileExists(action.folder == "/" ? "/" + name : action.folder + "/" + name)) continue;
                if (MessageBox(dialog_, OverwriteQuestion(name).c_str(), Title().c_str(),
                               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
                    SetDialogFocus(dialog_, edit_);
                    return;
                }
            }
        }
        choice_.folder = action.folder;
        choice_.names = action.names;
        const auto type = SendMessage(types_, CB_GETCURSEL, 0, 0);
        choice_.filterIndex = type >= 0 ? static_cast<std::size_t>(type) : request_.filterIndex;
        EndDialog(dialog_, IDOK);
    }

    void Tell(const std::string& text) {
        MessageBox(dialog_, text.c_str(), Title().c_str(), MB_OK | MB_ICONWARNING);
    }

    std::string Title() const { return WindowText(dialog_); }

    // ---- new folder -------------------------------------------------------------------------

    void MakeNewFolder() {
        std::string name;
        for (int attempt = 1; attempt <= kNewFolderAttempts && name.empty(); ++attempt) {
            std::string candidate = attempt == 1 ? kNewFolderName : std::string(kNewFolderName) + " (" + std::to_string(attempt) + ")";
            if (PathExists(JoinPathLiterally(candidate))) continue;
            if (!CreateDir(JoinPathLiterally(candidate))) break;
            name = std::move(candidate);
        }
        if (name.empty()) {
            Tell("Unable to create a new folder in " + folder_ + ".");
            return;
        }
        renameCandidate_ = name;
        Refresh(name);
        SetFocus(list_);
        const auto row = SendMessage(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (row >= 0) SendMessage(list_, LVM_EDITLABEL, static_cast<WPARAM>(row), 0);
    }

    // The new folder takes the name typed over it; a name that cannot be used is refused.
    LRESULT RenameNewFolder(const LVITEM& item) {
        const std::string from = renameCandidate_;
        renameCandidate_.clear();
        if (!item.pszText || from.empty()) return 0;
        const std::string to = item.pszText;
        if (to == from) return 0;
        std::string refusal;
        if (to.empty() || to == "." || to == ".." || to.find('/') != std::string::npos)
            refusal = "A folder name can't be empty, \".\" or \"..\", and can't contain \"/\".";
        else if (PathExists(JoinPathLiterally(to)))
            refusal = "A file or folder named \"" + to + "\" already exists.";
        else if (!RenameFile(JoinPathLiterally(from), JoinPathLiterally(to)))
            refusal = "Unable to rename \"" + from + "\" to \"" + to + "\".";
        if (!refusal.empty()) {
            Tell(refusal);
            return 0;
        }
        pendingSelection_ = to;
        PostMessage(dialog_, kRenamed, 0, 0);
        return 1;
    }

    const FileDialogRequest& request_;
    FileDialogChoice& choice_;
    HWND dialog_ = nullptr;
    HWND lookIn_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND list_ = nullptr;
    HWND edit_ = nullptr;
    HWND types_ = nullptr;
    HWND grip_ = nullptr;
    std::string folder_;
    FolderListing listing_;
    std::vector<std::string> patterns_;
    std::vector<std::string> lookInPaths_;  // by the Look-in items' lParam
    std::vector<std::string> selectedNames_;  // the files chosen in the list, as they stand
    std::string selectionText_;               // what that choice put into the file-name box
    std::string renameCandidate_;             // the folder just made, which may be renamed once
    std::string pendingSelection_;
    bool filling_ = false;
};

}  // namespace file_dialog_window

FileDialogEnd RunFileDialog(const FileDialogRequest& request, FileDialogChoice& choice) {
    using file_dialog_window::FileDialog;
    const std::vector<BYTE> bytes = file_dialog_window::BuildTemplate(request);
    FileDialog dialog(request, choice);
    const INT_PTR result = DialogBoxIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                                  request.owner, &FileDialog::Proc, reinterpret_cast<LPARAM>(&dialog));
    if (result == IDOK) return FileDialogEnd::Chosen;
    return result == -1 ? FileDialogEnd::Failed : FileDialogEnd::Cancelled;
}

}  // namespace parch::win
