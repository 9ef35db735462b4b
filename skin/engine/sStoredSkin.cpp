#include "skin/engine/sStoredSkin.h"

namespace parch {

int TsStoredSkins::IndexOf(const std::string& name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace parch
