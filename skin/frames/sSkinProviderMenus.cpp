// The skin provider's menus: its skinned system menu, the form's menu line drawn into the frame
// picture, and the menu messages that concern them.

#include <memory>

#include "framework/Menus.h"
#include "platform/win/Input.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Messages.h"
#include "platform/win/PopupMenus.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemMenu.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/sSkinMenus.h"
#include "skin/frames/sSkinProvider.h"
#include "skin/frames/sSystemMenu.h"

namespace parch {

namespace {

constexpr UINT kPopupSystemMenuMessage = 0x0313;

POINT MenuPointOf(LPARAM lParam) {
    return POINT{static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)};
}

}  // namespace

TsSystemMenu& TsSkinProvider::SystemMenu() {
    if (systemMenu_ == nullptr) systemMenu_ = new TsSystemMenu(this);
    return *systemMenu_;
}

void TsSkinProvider::PopupSystemMenu(int x, int y) {
    if (!form_->HandleAllocated()) return;
    TsSkinManager* manager = skinData_->GetSkinManager();
    TsSystemMenu& menu = SystemMenu();
    if (manager != nullptr && manager->SkinnedPopups()) {
        menu.UpdateItems(menu.ExtItemCount() > 0);
        if (MakeSkinMenu) {
            if (menu.Items()->Count() > 0 && menu.Items()->Items(0)->Name() == "SkinSelectItem") {
                menu.Items()->Delete(0);
                if (menu.Items()->Count() > 0 && menu.Items()->Items(0)->IsLine()) menu.Items()->Delete(0);
            }
            menu.AddSkinItems();
        }
        SkinableMenusOf(*manager).HookPopupMenu(&menu, true);
        menu.SetPopupComponent(form_);
        menu.Popup(x, y);
        return;
    }
    PopupWindowsSystemMenu(x, y);
}

// Without skinned popups the window's own system menu shows, with the items the form allows.
void TsSkinProvider::PopupWindowsSystemMenu(int x, int y) {
    HWND window = form_->Handle();
    HMENU menu = GetSystemMenu(window, 0);
    if (menu == nullptr) return;
    TsSystemMenu& queries = SystemMenu();
    auto enable = [menu](UINT command, bool on) { EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    TWindowState state = form_->WindowState();
    enable(SC_RESTORE, queries.VisibleRestore() && queries.EnabledRestore());
    enable(SC_MOVE, state != wsMinimized && queries.EnabledMove());
    enable(SC_SIZE, queries.VisibleSize() && state == wsNormal && queries.EnabledSize());
    enable(SC_MINIMIZE, queries.VisibleMin() && queries.EnabledMin());
    enable(SC_MAXIMIZE, queries.VisibleMax() && queries.EnabledMax());
    enable(SC_CLOSE, queries.VisibleClose());
    UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, window, nullptr));
    if (command != 0) PostMessage(window, WM_SYSCOMMAND, command, 0);
}

bool TsSkinProvider::HandleMenuMessage(TMessage& message, const TWndMethod& inherited) {
    switch (message.Msg) {
        case WM_NCRBUTTONDOWN:
            return message.WParam == static_cast<WPARAM>(HTCAPTION) || message.WParam == static_cast<WPARAM>(HTSYSMENU);
        case WM_NCRBUTTONUP: {
            if (!HasBorder()) return false;
            POINT at = MenuPointOf(message.LParam);
            int code = HitTest(at);
            if (code == HTCAPTION || code == HTSYSMENU) {
                SetHotButton(0);
                PopupSystemMenu(at.x, at.y);
            }
            message.Result = 0;
            return true;
        }
        case kPopupSystemMenuMessage: {
            POINT at{};
            GetCursorPos(&at);
            PopupSystemMenu(at.x, at.y);
            return true;
        }
        case WM_MENUSELECT:
        case WM_EXITMENULOOP:
            // The window system drew the bar's highlight plainly: the skinned line takes over.
            inherited(message);
            if (form_->Menu() != nullptr && form_->HandleAllocated() && IsSkinnedNow()) {
                skinData_->BackgroundDirty = true;
                PaintFrameToWindow();
            }
            if (message.Msg == WM_EXITMENULOOP) ClearMenuBgCache();
            return true;
        default:
            return false;
    }
}

void TsSkinProvider::PaintMenuLine(TBitmap& image) {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (manager == nullptr || form_->Menu() == nullptr || !form_->HandleAllocated()) return;
    if (!menuLineImage_) menuLineImage_ = std::make_unique<TBitmap>(0, 0, pf32bit);
    PaintSkinnedMenuLine(*manager, form_->Handle(), image, *menuLineImage_);
}

void TsSkinProvider::HookFormMenus(bool on) {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (manager == nullptr || passive_) return;
    TsSkinableMenus& menus = SkinableMenusOf(*manager);
    if (form_->Menu() != nullptr) {
        menus.HookMainMenu(form_->Menu(), on);
        for (int i = 0; i < form_->Menu()->Items()->Count(); ++i)
            menus.HookItemTree(form_->Menu()->Items()->Items(i), on && manager->SkinnedPopups());
    }
    for (int i = 0; i < form_->ComponentCount(); ++i)
        if (auto* popup = dynamic_cast<TPopupMenu*>(form_->Components(i)); popup != nullptr && popup != systemMenu_)
            menus.HookPopupMenu(popup, on);
}

}  // namespace parch
