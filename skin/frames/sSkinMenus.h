#pragma once
// Menus drawn in the skin. TsSkinableMenus turns the application's menus owner-drawn and puts
// its own measure and draw handlers on their items: popup items are painted into small 32-bit
// bitmaps over one prepared background per open popup (section "MAINMENU" with its border,
// the icon column and the optional extra line), kept in a cache; the top-level items of a
// form's main menu are painted onto the skinned menu line of the form's provider.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Menus.h"
#include "framework/graphics/Bitmap.h"

namespace parch {

class TsSkinManager;
class TsSkinProvider;

enum class TsMenuItemType { smCaption, smDivider, smNormal, smTopLine };
using enum TsMenuItemType;

using TsMenuManagerDrawItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, RECT ARect,
                                                      TOwnerDrawState State, TsMenuItemType ItemType)>;

// Asked before a popup's background is built: the extra line's section, caption and glyph
// (owned by the caller's unique_ptr once set), and whether the line shows at all.
using TacGetExtraLineData = std::function<void(TMenuItem* FirstItem, std::string& SkinSection, std::string& Caption,
                                               std::unique_ptr<TBitmap>& Glyph, bool& LineVisible)>;

// One prepared popup background; FirstItem (the first item of the popup's list) is the key.
struct TacMenuBgInfo {
    TMenuItem* FirstItem = nullptr;
    TBitmap* Background = nullptr;  // owned by the cache
    HWND Wnd = nullptr;
    bool HaveExtraLine = false;
};

class TsSkinableMenus {
public:
    explicit TsSkinableMenus(TsSkinManager* owner);
    ~TsSkinableMenus();
    TsSkinableMenus(const TsSkinableMenus&) = delete;
    TsSkinableMenus& operator=(const TsSkinableMenus&) = delete;

    int Margin = 2;
    TAlignment Alignment = taLeftJustify;
    int BevelWidth = 0;
    // Width of the popup window's border strips copied while items are drawn.
    int BorderWidth = 3;
    int Spacing = 8;
    // -1: measured again from "MAINMENU"'s border mask on the next ask.
    int SkinBorderWidth = -1;
    TsMenuManagerDrawItemEvent OnDrawItem;
    // The manager's extra-line request, kept here beside the menus it concerns.
    TacGetExtraLineData OnGetMenuExtraLineData;
    // Transparent corner pieces of the last background built, cut out of popup regions.
    std::vector<RECT> CornerRects;

    TFont& CaptionFont() { return *captionFont_; }
    void SetCaptionFont(const TFont& font) { captionFont_->Assign(font); }
    TsSkinManager* Manager() const { return manager_; }
    bool MenusActive() const { return menusActive_; }

    // Follows whether the owner has a skin loaded.
    void ApplySkinState();
    void SetActive(bool value);
    // Hooks (or unhooks) every menu owned, directly or further down, by the application.
    void UpdateMenus(bool value);
    // Our handlers go only where the application set none, and only ours are taken away.
    void HookPopupMenu(TPopupMenu* menu, bool value);
    void HookItemTree(TMenuItem* item, bool value);
    void HookMainMenu(TMainMenu* menu, bool value);
    void HookItem(TMenuItem* item, bool value);

    // The item handlers.
    void DrawItem(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state);
    void MeasureItem(TObject* sender, TCanvas& canvas, int& width, int& height);
    void DrawMenuLineItem(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state);
    void MeasureMenuLineItem(TObject* sender, TCanvas& canvas, int& width, int& height);

    // The background of the popup holding item (built when missing and width > 0); without an
    // item, the one shown by window. An empty record when none.
    TacMenuBgInfo GetMenuBgInfo(TMenuItem* item, int width, int height, HWND window);
    void BuildMenuBg(TMenuItem* firstItem, int width, int height, HWND window);
    // Gives the popup window its region and border from the background.
    void PaintMenuBorder(HWND window, TBitmap* background);

    int ItemHeight(TCanvas& canvas, TMenuItem* item);
    int MenuHeight(TCanvas& canvas, TMenuItem* item);
    int MenuWidth(TCanvas& canvas, TMenuItem* item);
    int ExtraLineWidth(const TacMenuBgInfo& info) const;
    int GetSkinBorderWidth();

    // Whether an item carries this object's popup or menu-line handlers.
    bool HasPopupHandlers(const TMenuItem& item) const;
    bool HasMenuLineHandlers(const TMenuItem& item) const;

private:
    struct ExtraLineRequest;
    void RequestExtraLine(TMenuItem* firstItem, ExtraLineRequest& request);
    void SetPopupHandlers(TMenuItem& item, bool value);
    void SetMenuLineHandlers(TMenuItem& item, bool value);
    void HookComponentTree(TComponent& component, bool value);
    void UseMenuFont(TCanvas& canvas, TMenuItem* item, bool bold);
    void DrawDivider(TCanvas& canvas, RECT rect, TBitmap& background, TMenuItem* item, int extraLine);
    void DrawCaption(TCanvas& canvas, RECT rect, TBitmap& background, TMenuItem* item, int extraLine);
    void CopyPopupBorders(HWND window, TBitmap& background, TMenuItem* item, RECT rect, int extraLine);
    void PaintExtraLine(TBitmap& target, int height, const ExtraLineRequest& request, TMenuItem* firstItem);
    bool Skinned() const;

    TsSkinManager* manager_;
    std::unique_ptr<TFont> captionFont_;
    bool menusActive_ = false;
    bool paintingBorder_ = false;
    bool requestingExtraLine_ = false;
};

// The menus of a manager: made on first ask, freed by ForgetSkinableMenus (or at exit).
TsSkinableMenus& SkinableMenusOf(TsSkinManager& manager);
void ForgetSkinableMenus(TsSkinManager& manager);

// Frees every cached popup background (popup closed, menus changed).
void ClearMenuBgCache();
inline void ResetMenuBgCache() { ClearMenuBgCache(); }
int MenuBgCacheCount();
// Set by the measure handler; the popup window adapter clears it when the last popup closes.
bool MenusInUse();
void SetMenusInUse(bool value);

// Caption item: begins and ends with "-" and is not a divider.
bool IsCaptionItem(const TMenuItem& item);
// A top-level item of a main menu.
bool IsMenuLineItem(const TMenuItem& item);
// The item or one before it in its parent starts a new column.
bool IsInLaterColumn(const TMenuItem& item);
SIZE GetGlyphSize(const TMenuItem& item, bool bitmapOnly);

// The form's skinned menu line: section "MENULINE" over the menu bar's band of the frame image
// (window coordinates) and every top-level item drawn through its handlers. The band's
// background is kept in lineImage for the items.
void PaintSkinnedMenuLine(TsSkinManager& manager, HWND window, TBitmap& frameImage, TBitmap& lineImage);

}  // namespace parch
