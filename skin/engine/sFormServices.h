#pragma once
// What the skin engine asks of form skinning (skin/frames) while it applies or removes a skin.
// Form skinning registers its implementation at start; while none is registered, no form has a
// skin provider, no creation hook exists and the engine's calls do nothing.

#include <vector>

#include "platform/win/WinUser.h"

namespace parch {

class TCustomForm;
class TsSkinManager;

// The skin-change animation settings the engine hands to form skinning.
struct TsSkinChangeAnimation {
    bool Active = true;
    int Time = 100;
    bool Fading = true;
};

class TsFormSkinningServices {
public:
    virtual ~TsFormSkinningServices() = default;

    // True when the form carries a skin provider that draws with this manager.
    virtual bool ProviderUsesManager(TCustomForm& form, const TsSkinManager& manager) = 0;
    // Before a skin is read: a provider with a border window takes a snapshot of its form; the
    // provider is marked as changing skin.
    virtual void PrepareSkinChange(TCustomForm& form) = 0;
    // Marks the provider changing and frozen; a border window shows the prepared snapshot.
    virtual void MarkFrozen(TCustomForm& form) = 0;
    virtual bool IsFrozen(TCustomForm& form) = 0;
    // After WM_SETREDRAW(1): cross-fades the form from its snapshot (when animated), rebuilds its
    // corner rectangles, region and border window, redraws it and clears the provider's marks.
    virtual void FinishSkinChange(TCustomForm& form, bool animate, const TsSkinChangeAnimation& animation) = 0;

    // The window-creation hook that adapts dialogs, message boxes, popup menus and foreign windows.
    virtual void InstallCreationHook() = 0;
    virtual void RemoveCreationHook() = 0;
    // The windows of the adapters the creation hook made.
    virtual std::vector<HWND> AdapterWindows() = 0;
    // The menus measure their border again with the next skin.
    virtual void ResetMenuBorderWidth() = 0;
    // Popup menus follow whether the manager has a skin loaded.
    virtual void ApplyMenuSkinState(TsSkinManager& manager) = 0;
    // The main form's provider draws the form's non-client area.
    virtual bool DrawsNonClientArea(TCustomForm& form) = 0;
    // Animated minimize of the form (timer-driven).
    virtual void StartMinimizeAnimation(TCustomForm& form) = 0;
    // The reverse animation; false when it did not start.
    virtual bool StartRestoreAnimation(TCustomForm& form) = 0;
    // Minimizing without animation: the border window is marked showing and its helper freed.
    virtual void ReleaseBorderHelper(TCustomForm& form) = 0;
    // Clears the provider's "picture prepared for hide or restore" mark; true when it was set.
    virtual bool TakePreparedPicture(TCustomForm& form) = 0;
    // The restore animation did not start: the provider's cover takes the form's place, or the
    // form is shown restored.
    virtual void ShowWithoutRestoreAnimation(TCustomForm& form) = 0;
    // Gives a popup menu window ("#32768") its skinned background and border.
    virtual void PaintPopupMenuBorder(TsSkinManager& manager, HWND popupWindow) = 0;
};

// The registered services; nullptr while form skinning has registered none.
TsFormSkinningServices* FormSkinningServices();
// Registers the services (not owned; nullptr unregisters). Returns the previous ones.
TsFormSkinningServices* SetFormSkinningServices(TsFormSkinningServices* services);

}  // namespace parch
