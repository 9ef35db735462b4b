#include "framework/Actions.h"

#include <algorithm>

#include "framework/Controls.h"

namespace parch {

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    // Each control drops its link, which takes itself off links_.
    while (!links_.empty()) links_.back()->client_->SetAction(nullptr);
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::Changed() {
    for (TControlActionLink* link : std::vector(links_)) link->client_->ActionChange(this, false);
}

template <class T>
void TCustomAction::Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
}

void TCustomAction::SetCaption(const std::string& value) { Store(caption_, value); }
void TCustomAction::SetEnabled(bool value) { Store(enabled_, value); }
void TCustomAction::SetChecked(bool value) { Store(checked_, value); }
void TCustomAction::SetVisible(bool value) { Store(visible_, value); }
void TCustomAction::SetHint(const std::string& value) { Store(hint_, value); }

bool TCustomAction::Execute() {
    Update();
    return enabled_ && TBasicAction::Execute();
}

TControlActionLink::TControlActionLink(TControl* client, TBasicAction* action) : client_(client), action_(action) {
    action_->links_.push_back(this);
}

TControlActionLink::~TControlActionLink() {
    auto& links = action_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

}  // namespace parch
