#include "skin/engine/sSkinnedForms.h"

#include <algorithm>
#include <utility>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sFormServices.h"

namespace parch {

std::vector<TCustomForm*> SkinnedForms;
bool AnimationInProgress = false;

namespace {

TsFormSkinningServices* registeredServices = nullptr;

// Skin command 7: a form with a skin provider answers 1 (it is reached as a skinned form).
constexpr int kCommandHasProvider = 7;

bool FormIsGoing(const TCustomForm& form) {
    return (form.ComponentState() & (csDestroying | csLoading)) != 0;
}

LRESULT SendTo(HWND window, const TMessage& message) {
    return SendMessage(window, message.Msg, message.WParam, message.LParam);
}

void DeliverToForm(TCustomForm& form, TMessage& message) {
    SendTo(form.Handle(), message);
    BroadcastToControls(form, message);
    if (form.FormStyle() == fsMDIForm && form.ClientHandle() != nullptr) SendTo(form.ClientHandle(), message);
}

bool AnswersAsSkinned(TCustomForm& form) {
    TMessage ask = MakeSkinCommand(kCommandHasProvider, nullptr);
    return SendTo(form.Handle(), ask) == 1;
}

}  // namespace

TsFormSkinningServices* FormSkinningServices() { return registeredServices; }

TsFormSkinningServices* SetFormSkinningServices(TsFormSkinningServices* services) {
    return std::exchange(registeredServices, services);
}

void AddSkinnedForm(TCustomForm* form) { SkinnedForms.push_back(form); }

void RemoveSkinnedForm(TCustomForm* form) {
    // The order of the list means nothing, so every entry of the form simply goes.
    std::erase(SkinnedForms, form);
}

TMessage MakeSkinCommand(int command, const void* manager) {
    TMessage message;
    message.Msg = SkinCommandMessage;
    message.WParam = static_cast<WPARAM>(command) << 16;
    message.LParam = reinterpret_cast<LPARAM>(manager);
    return message;
}

void BroadcastToAllForms(TMessage& message) {
    if (Application != nullptr) {
        for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
            // Components that went away meanwhile end the whole broadcast.
            if (i >= Application->ComponentCount()) return;
            auto* form = dynamic_cast<TCustomForm*>(Application->Components(i));
            if (form == nullptr || form->FormStyle() == fsMDIChild || FormIsGoing(*form)) continue;
            if (AnswersAsSkinned(*form)) continue;
            DeliverToForm(*form, message);
        }
    }
    BroadcastToSkinnedForms(message);
}

void BroadcastToSkinnedForms(TMessage& message) {
    // A form may leave the list while it handles the message: walk a copy, skipping the gone.
    std::vector<TCustomForm*> forms = SkinnedForms;
    for (TCustomForm* form : forms) {
        if (form == nullptr || std::find(SkinnedForms.begin(), SkinnedForms.end(), form) == SkinnedForms.end()) continue;
        if ((form->ComponentState() & csDestroying) != 0) continue;
        DeliverToForm(*form, message);
    }
    if (TsFormSkinningServices* services = FormSkinningServices())
        for (HWND window : services->AdapterWindows())
            if (IsWindowVisible(window)) SendTo(window, message);
}

}  // namespace parch
