#pragma once
// Forms as form skinning makes them, for the tests of applying and removing skins: a fake of
// form skinning's services and forms that record the skin commands they receive.

#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/Forms.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sFormServices.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch::test {

// Form skinning's side, recording what the engine asks of it.
struct FakeFormSkinning : TsFormSkinningServices {
    explicit FakeFormSkinning(std::vector<std::string>& log) : events(log) { previous = SetFormSkinningServices(this); }
    ~FakeFormSkinning() override { SetFormSkinningServices(previous); }

    bool ProviderUsesManager(TCustomForm& form, const TsSkinManager& manager) override {
        return providers.count(&form) != 0 && (usedManager == nullptr || usedManager == &manager);
    }
    void PrepareSkinChange(TCustomForm&) override {
        if (logSteps) events.push_back("snapshot");
    }
    void MarkFrozen(TCustomForm& form) override { frozen.insert(&form); }
    bool IsFrozen(TCustomForm& form) override { return frozen.count(&form) != 0; }
    void FinishSkinChange(TCustomForm& form, bool animate, const TsSkinChangeAnimation& animation) override {
        if (logSteps) events.push_back(animate && animation.Active ? "fade " + std::to_string(animation.Time) : "shown");
        frozen.erase(&form);
    }
    void InstallCreationHook() override {
        if (logSteps) events.push_back("hook on");
    }
    void RemoveCreationHook() override {
        if (logSteps) events.push_back("hook off");
    }
    std::vector<HWND> AdapterWindows() override {
        if (failAdapterList) throw std::runtime_error("adapter list failed");
        return {};
    }
    void ResetMenuBorderWidth() override {}
    bool DrawsNonClientArea(TCustomForm& form) override { return providers.count(&form) != 0; }
    void StartMinimizeAnimation(TCustomForm&) override { events.push_back("minimize animation"); }
    bool StartRestoreAnimation(TCustomForm&) override {
        events.push_back("restore animation");
        return restoreAnimationStarts;
    }
    void ReleaseBorderHelper(TCustomForm&) override { events.push_back("border helper released"); }
    bool TakePreparedPicture(TCustomForm&) override { return std::exchange(picturePrepared, false); }
    void ShowWithoutRestoreAnimation(TCustomForm&) override { events.push_back("shown restored"); }
    void ApplyMenuSkinState(TsSkinManager&) override { events.push_back("menus follow the skin"); }
    void PaintPopupMenuBorder(TsSkinManager&, HWND window) override { paintedMenus.push_back(window); }

    std::vector<std::string>& events;
    std::set<TCustomForm*> providers;
    std::set<TCustomForm*> frozen;
    std::vector<HWND> paintedMenus;
    bool restoreAnimationStarts = true;
    bool picturePrepared = false;
    const TsSkinManager* usedManager = nullptr;
    // Snapshots, fades and the creation hook are logged too.
    bool logSteps = true;
    // The adapter list fails (the window system raises out of the middle of a broadcast).
    bool failAdapterList = false;
    TsFormSkinningServices* previous = nullptr;
};

// Records the skin commands a form gets as "<name>: applied|removed <skin name>" (commands 1
// and 2, "frozen" added while its drawing is off) or "<name>: <command>", and its redraw switches
// ("<name>: " left out for an unnamed form). A form with a provider is in SkinnedForms and
// answers command 7 with 1.
struct RecordingForm {
    RecordingForm(TComponent* owner, std::string formName, std::vector<std::string>& log, bool withProvider)
        : RecordingForm(new TForm(owner), std::move(formName), log, withProvider) {}
    // Records for a form made elsewhere (the application's main form); takes it over.
    RecordingForm(TForm* madeForm, std::string formName, std::vector<std::string>& log, bool withProvider)
        : form(madeForm), name(std::move(formName)), events(log) {
        TWndMethod inherited = form->WindowProc;
        form->WindowProc = [this, inherited, withProvider](TMessage& message) {
            if (message.Msg == SkinCommandMessage) {
                int command = static_cast<int>(message.WParam >> 16);
                if (command == 7) {
                    message.Result = withProvider ? 1 : 0;
                    return;
                }
                Record(command, reinterpret_cast<TsSkinManager*>(message.LParam));
                return;
            }
            if (message.Msg == WM_SETREDRAW) {
                drawing = message.WParam != 0;
                if (logRedraw) events.push_back(Prefix() + "redraw " + std::to_string(message.WParam));
            }
            inherited(message);
        };
        form->SetBounds(10, 10, 200, 120);
        form->Show();
        if (withProvider) AddSkinnedForm(form);
    }
    ~RecordingForm() {
        RemoveSkinnedForm(form);
        delete form;
    }
    RecordingForm(const RecordingForm&) = delete;
    RecordingForm& operator=(const RecordingForm&) = delete;

    std::string Prefix() const { return name.empty() ? std::string() : name + ": "; }

    void Record(int command, const TsSkinManager* manager) {
        if (command == 1 || command == 2) {
            std::string what = command == 1 ? "applied " : "removed ";
            events.push_back(Prefix() + what + (manager ? manager->SkinName() : "") + (drawing ? "" : " frozen"));
        } else if (logAllCommands) {
            events.push_back(Prefix() + std::to_string(command));
        }
    }

    TForm* form;
    std::string name;
    std::vector<std::string>& events;
    bool drawing = true;
    bool logRedraw = false;
    bool logAllCommands = false;
};

}  // namespace parch::test
