#pragma once
// The system menu of a skinned form. The provider takes WS_SYSMENU from its window and shows
// this popup in its place: the window's own system menu mirrored (restore, move, size,
// minimize, maximize, the application's items, close), drawn by the skinned menus. Its queries
// also decide which caption buttons the provider shows and enables.

#include <memory>
#include <string>

#include "framework/Menus.h"

namespace parch {

class TsSkinProvider;
class TForm;

// The queries a skinned frame asks of its system menu.
class TsCustomSysMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    virtual bool VisibleClose() = 0;
    virtual bool VisibleMax() = 0;
    virtual bool VisibleMin() = 0;
    virtual bool EnabledMax() = 0;
    virtual bool EnabledMin() = 0;
    virtual bool EnabledRestore() = 0;
};

class TsSystemMenu : public TsCustomSysMenu {
public:
    explicit TsSystemMenu(TsSkinProvider* provider);
    ~TsSystemMenu() override;

    bool VisibleClose() override;
    bool VisibleMax() override;
    bool VisibleMin() override;
    bool EnabledMax() override;
    bool EnabledMin() override;
    bool EnabledRestore() override;
    bool VisibleRestore();
    bool EnabledMove();
    bool VisibleSize();
    bool EnabledSize();

    // Rebuilds the items from the window's system menu.
    void MakeItems();
    // Shows, hides, enables and disables the standard items for the form's state (rebuilding
    // first when asked or when the items are missing).
    void UpdateItems(bool rebuild);
    // Puts the list of available skins in front of the items.
    void AddSkinItems();
    void UpdateEnabled() {}

    int ExtItemCount() const { return extItemCount_; }
    TsSkinProvider* OwnerProvider() const { return ownerProvider_; }
    TCustomForm* OwnerForm() const { return ownerForm_; }
    TMenuItem* ItemRestore = nullptr;
    TMenuItem* ItemMove = nullptr;
    TMenuItem* ItemSize = nullptr;
    TMenuItem* ItemMinimize = nullptr;
    TMenuItem* ItemMaximize = nullptr;
    TMenuItem* ItemClose = nullptr;

private:
    TMenuItem* MakeStandardItem(HMENU source, UINT command, const char* name, const char* fallback);
    // The click of a standard item: the command sent to the form; afterwards, when wanted and
    // only while this menu still exists, the items updated.
    void SendCommand(UINT command, bool skipAnimation, bool updateAfter);
    bool HaveSys() const;
    bool SizeableBorder() const;
    bool IsMDIChild() const;
    bool Iconic() const;

    int extItemCount_ = 0;
    TsSkinProvider* ownerProvider_;
    TCustomForm* ownerForm_;
    // Cleared when the menu goes away: a command that freed the form (and the provider and
    // this menu with it) is not followed by any work on them.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace parch
