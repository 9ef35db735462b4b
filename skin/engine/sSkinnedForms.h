#pragma once
// The forms that carry a skin provider, and how a skin command reaches every skinned window.

#include <vector>

#include "framework/Messages.h"

namespace parch {

class TCustomForm;

// Forms with a skin provider (form skinning adds and removes them); the order means nothing.
extern std::vector<TCustomForm*> SkinnedForms;
// True while forms are frozen for an animated skin change.
extern bool AnimationInProgress;

void AddSkinnedForm(TCustomForm* form);
// Every slot holding the form takes the last entry; a form not in the list changes nothing.
void RemoveSkinnedForm(TCustomForm* form);

// A skin command message: the command in the high word of WParam, LParam the manager.
TMessage MakeSkinCommand(int command, const void* manager);

// Sends the message to every form the application owns (last to first) that has no skin provider,
// with its controls and its MDI client, then to the skinned forms (BroadcastToSkinnedForms).
void BroadcastToAllForms(TMessage& message);
// Sends the message to every skinned form, its controls and MDI client, then to the visible
// windows of the creation hook's adapters.
void BroadcastToSkinnedForms(TMessage& message);

}  // namespace parch
