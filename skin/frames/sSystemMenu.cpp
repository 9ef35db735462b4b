#include "skin/frames/sSystemMenu.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemMenu.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

constexpr int kSysMenuTextLimit = 255;
constexpr int kSkinsPerColumn = 20;
constexpr UINT kFirstStandardCommand = 0xF000;

// The text of a system-menu item, split at its tab into caption and shortcut text; false when
// the item cannot be read.
bool ReadSysMenuText(HMENU menu, UINT item, UINT flags, std::string& caption, std::string& shortcut) {
    char buffer[kSysMenuTextLimit + 1] = {};
    if (GetMenuState(menu, item, flags) == static_cast<UINT>(-1)) return false;
    int length = GetMenuString(menu, item, buffer, sizeof buffer, flags);
    if (length <= 0) return false;
    std::string text(buffer, static_cast<size_t>(std::min(length, kSysMenuTextLimit)));
    std::size_t tab = text.find('\t');
    caption = text.substr(0, tab);
    shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
    return true;
}

std::string SkinNameOfCaption(std::string caption) {
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    constexpr const char* kInternalMark = "(internal)";
    std::size_t at = caption.find(kInternalMark);
    if (at != std::string::npos) caption.erase(at + std::string(kInternalMark).size());
    return caption;
}

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider)
    : TsCustomSysMenu(provider), ownerProvider_(provider), ownerForm_(provider->ProvidedForm()) {
    SetName("acSysMenu" + std::to_string(GetTickCount()));
    MakeItems();
}

TsSystemMenu::~TsSystemMenu() { *alive_ = false; }

// ---- Items

TMenuItem* TsSystemMenu::MakeStandardItem(HMENU source, UINT command, const char* name, const char* fallback) {
    auto* item = new TMenuItem(this);
    item->SetName(name);
    std::string caption, shortcut;
    if (ReadSysMenuText(source, command, MF_BYCOMMAND, caption, shortcut)) {
        item->SetCaption(caption);
        if (!shortcut.empty()) item->SetShortCut(TextToShortCut(shortcut));
    } else {
        item->SetCaption(fallback);
    }
    item->Tag = static_cast<std::intptr_t>(command);
    Items()->Add(item);
    return item;
}

void TsSystemMenu::MakeItems() {
    Items()->Clear();
    extItemCount_ = 0;
    ItemRestore = ItemMove = ItemSize = ItemMinimize = ItemMaximize = ItemClose = nullptr;
    if (ownerForm_ == nullptr || !ownerForm_->HandleAllocated()) return;
    HMENU source = GetSystemMenu(ownerForm_->Handle(), 0);
    if (source == nullptr) return;

    ItemRestore = MakeStandardItem(source, SC_RESTORE, "acIR", "Restore");
    ItemRestore->OnClick = [this](TObject*) { SendCommand(SC_RESTORE, false, true); };
    ItemMove = MakeStandardItem(source, SC_MOVE, "acIM", "Move");
    ItemMove->OnClick = [this](TObject*) { SendCommand(SC_MOVE, false, false); };
    ItemSize = MakeStandardItem(source, SC_SIZE, "acIS", "Size");
    ItemSize->OnClick = [this](TObject*) { SendCommand(SC_SIZE, false, false); };
    ItemMinimize = MakeStandardItem(source, SC_MINIMIZE, "acIN", "Minimize");
    ItemMinimize->OnClick = [this](TObject*) { SendCommand(SC_MINIMIZE, true, true); };
    ItemMaximize = MakeStandardItem(source, SC_MAXIMIZE, "acIX", "Maximize");
    ItemMaximize->OnClick = [this](TObject*) { SendCommand(SC_MAXIMIZE, false, true); };
    auto addSeparator = [this] {
        auto* line = new TMenuItem(this);
        line->SetCaption("-");
        Items()->Add(line);
    };
    addSeparator();

    int count = GetMenuItemCount(source);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(source, i);
        std::string caption, shortcut;
        if (id == 0 || id >= kFirstStandardCommand || id == static_cast<UINT>(-1)) continue;
        if (!ReadSysMenuText(source, static_cast<UINT>(i), MF_BYPOSITION, caption, shortcut)) continue;
        auto* item = new TMenuItem(this);
        item->SetCaption(caption);
        item->Tag = static_cast<std::intptr_t>(id);
        if (!shortcut.empty()) item->SetShortCut(TextToShortCut(shortcut));
        TCustomForm* form = ownerForm_;
        // Posted: the application's command runs after the menu is gone.
        item->OnClick = [form, id](TObject*) {
            if (form->HandleAllocated()) PostMessage(form->Handle(), WM_SYSCOMMAND, id, 0);
        };
        Items()->Add(item);
        ++extItemCount_;
    }
    if (extItemCount_ > 0) addSeparator();

    ItemClose = MakeStandardItem(source, SC_CLOSE, "acIC", "Close");
    ItemClose->OnClick = [this](TObject*) { SendCommand(SC_CLOSE, false, false); };
}

void TsSystemMenu::SendCommand(UINT command, bool skipAnimation, bool updateAfter) {
    // The command may free the form, its provider and this menu: only locals are used after it.
    std::weak_ptr<bool> alive = alive_;
    TsSkinProvider* provider = ownerProvider_;
    HWND window = ownerForm_->HandleAllocated() ? ownerForm_->Handle() : nullptr;
    if (window == nullptr) return;
    if (skipAnimation) provider->SkipAnimation = true;
    SendMessage(window, WM_SYSCOMMAND, command, 0);
    if (alive.expired() || !*alive.lock()) return;
    if (skipAnimation) provider->SkipAnimation = false;
    if (updateAfter) UpdateItems(false);
}

void TsSystemMenu::UpdateItems(bool rebuild) {
    if (rebuild || ItemClose == nullptr) MakeItems();
    if (ItemClose == nullptr) return;
    ItemRestore->SetVisible(VisibleRestore());
    ItemRestore->SetEnabled(EnabledRestore());
    ItemMove->SetVisible(true);
    ItemMove->SetEnabled(EnabledMove());
    ItemSize->SetVisible(VisibleSize());
    ItemSize->SetEnabled(EnabledSize());
    ItemMinimize->SetVisible(VisibleMin());
    ItemMinimize->SetEnabled(EnabledMin());
    ItemMaximize->SetVisible(VisibleMax());
    ItemMaximize->SetEnabled(EnabledMax());
    ItemClose->SetVisible(VisibleClose());
    ItemClose->SetEnabled(true);
}

void TsSystemMenu::AddSkinItems() {
    TsSkinManager* manager = ownerProvider_->SkinData().GetSkinManager();
    if (manager == nullptr) return;
    std::string first;
    std::vector<std::string> names = manager->BuildSkinCatalogue(2, first);
    if (names.empty()) return;
    auto* list = new TMenuItem(this);
    list->SetName("SkinSelectItem");
    list->SetCaption("Available skins");
    Items()->Insert(0, list);
    auto* line = new TMenuItem(this);
    line->SetCaption("-");
    Items()->Insert(1, line);
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new TMenuItem(this);
        item->SetName("SkinSelectItem" + std::to_string(i));
        item->SetCaption(names[i]);
        item->SetRadioItem(true);
        item->SetChecked(names[i] == manager->SkinName());
        if (i > 0 && i % kSkinsPerColumn == 0) item->SetBreak(mbBreak);
        item->OnClick = [manager](TObject* sender) {
            auto* clicked = static_cast<TMenuItem*>(sender);
            manager->SetSkinName(SkinNameOfCaption(clicked->Caption()));
        };
        list->Add(item);
    }
}

// ---- Queries

bool TsSystemMenu::HaveSys() const { return (ownerForm_->BorderIcons() & biSystemMenu) != 0; }

bool TsSystemMenu::SizeableBorder() const {
    return ownerForm_->BorderStyle() == bsSingle || ownerForm_->BorderStyle() == bsSizeable;
}

bool TsSystemMenu::IsMDIChild() const { return ownerForm_->FormStyle() == fsMDIChild; }

bool TsSystemMenu::Iconic() const {
    return ownerForm_->HandleAllocated() ? IsIconic(ownerForm_->Handle()) != 0 : ownerForm_->WindowState() == wsMinimized;
}

bool TsSystemMenu::VisibleClose() {
    if (!HaveSys() || !ownerForm_->HandleAllocated()) return false;
    HMENU menu = GetSystemMenu(ownerForm_->Handle(), 0);
    return menu != nullptr && GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

bool TsSystemMenu::VisibleMax() {
    if (!HaveSys()) return false;
    if (Iconic() || IsMDIChild()) return true;
    return (ownerForm_->BorderIcons() & biMaximize) && SizeableBorder();
}

bool TsSystemMenu::VisibleMin() {
    if (!HaveSys()) return false;
    if (Iconic() || IsMDIChild()) return true;
    return (ownerForm_->BorderIcons() & biMinimize) && SizeableBorder();
}

bool TsSystemMenu::EnabledMax() {
    bool maximize = (ownerForm_->BorderIcons() & biMaximize) != 0;
    if (IsMDIChild()) return maximize;
    if (ownerForm_->WindowState() == wsMaximized || !SizeableBorder()) return false;
    return maximize;
}

bool TsSystemMenu::EnabledMin() {
    if (!(ownerForm_->BorderIcons() & biMinimize)) return false;
    bool mainForm = Application != nullptr && Application->MainForm() == ownerForm_;
    return !(Iconic() && !mainForm);
}

bool TsSystemMenu::EnabledRestore() {
    TWindowState state = ownerForm_->WindowState();
    return ((ownerForm_->BorderIcons() & biMaximize) && state != wsNormal) || state == wsMinimized;
}

bool TsSystemMenu::VisibleRestore() { return HaveSys() && (IsMDIChild() || SizeableBorder()); }

bool TsSystemMenu::EnabledMove() { return ownerForm_->WindowState() != wsMaximized; }

bool TsSystemMenu::VisibleSize() {
    return IsMDIChild() || SizeableBorder() || ownerForm_->BorderStyle() == bsSizeToolWin;
}

bool TsSystemMenu::EnabledSize() { return ownerForm_->BorderStyle() != bsSingle && !Iconic(); }

}  // namespace parch
