#pragma once
// A control's hold on an image list. The list is known only through the control's change link,
// which the list clears as it goes: a list freed without a word (with its owner, which tells
// no sibling) is never reached again.

#include <functional>

#include "framework/ImgList.h"

namespace parch {

class TImageListSlot {
public:
    // changed runs whenever the held list changes its images.
    TImageListSlot(TComponent& holder, std::function<void()> changed) : holder_(holder) {
        link_.OnChange = [changed = std::move(changed)](TObject*) { changed(); };
    }
    ~TImageListSlot() {
        if (TCustomImageList* list = List()) list->RemoveFreeNotification(&holder_);
    }
    TImageListSlot(const TImageListSlot&) = delete;
    TImageListSlot& operator=(const TImageListSlot&) = delete;

    TCustomImageList* List() const { return link_.Sender(); }
    HIMAGELIST Handle() const { return List() ? List()->Handle() : nullptr; }
    // Holds another list (nullptr: none); false when it is the one already held.
    bool Set(TCustomImageList* list) {
        if (list == List()) return false;
        if (TCustomImageList* old = List()) {
            old->RemoveFreeNotification(&holder_);
            old->UnRegisterChanges(&link_);
        }
        if (list) {
            list->RegisterChanges(&link_);
            list->FreeNotification(&holder_);
        }
        return true;
    }

private:
    TComponent& holder_;
    TChangeLink link_;
};

}  // namespace parch
