#pragma once
// Actions: one command shared by several controls. A control linked to an action shows the
// action's Caption, Enabled, Checked, Visible and Hint, and a click on it executes the
// action. The application asks each action to update itself (OnUpdate) when idle.

#include <string>
#include <vector>

#include "base/Classes.h"

namespace parch {

class TControl;
class TControlActionLink;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner);
    // The linked controls lose the action.
    ~TBasicAction() override;

    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    // Runs OnUpdate; false when there is none.
    virtual bool Update();

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

protected:
    // Tells every linked control that the action changed.
    void Changed();

private:
    friend class TControlActionLink;
    std::vector<TControlActionLink*> links_;
};

class TCustomAction : public TBasicAction {
public:
    using TBasicAction::TBasicAction;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);

    // A disabled action does not execute.
    bool Execute() override;

private:
    template <class T>
    void Store(T& field, const T& value);

    std::string caption_;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
    std::string hint_;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
};

// The tie between one control and its action; the control owns it.
class TControlActionLink {
public:
    TControlActionLink(TControl* client, TBasicAction* action);
    ~TControlActionLink();
    TControlActionLink(const TControlActionLink&) = delete;
    TControlActionLink& operator=(const TControlActionLink&) = delete;

    TBasicAction* Action() const { return action_; }
    TControl* Client() const { return client_; }
    bool Execute() { return action_ && action_->Execute(); }
    bool Update() { return action_ && action_->Update(); }

private:
    friend class TBasicAction;
    TControl* client_;
    TBasicAction* action_;
};

}  // namespace parch
