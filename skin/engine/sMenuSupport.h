#pragma once
// The manager's options for skinned popup menus.

#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/Graphics.h"

namespace parch {

class TacMenuSupport {
public:
    TacMenuSupport() : extraLineFont_(std::make_unique<TFont>()) {}

    // Opacity of popup-menu windows (255 opaque).
    std::uint8_t AlphaBlend = 255;
    // The skin section painted as the icon column of popup menus; the manager sets "ICOLINE"
    // when it is empty after loading.
    std::string IcoLineSkin;
    // A vertical line with a caption at the left of popup menus.
    bool UseExtraLine = false;
    int ExtraLineWidth = 32;

    TFont& ExtraLineFont() { return *extraLineFont_; }
    void SetExtraLineFont(const TFont& font) { extraLineFont_->Assign(font); }

private:
    std::unique_ptr<TFont> extraLineFont_;
};

}  // namespace parch
