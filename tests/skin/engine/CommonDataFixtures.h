#pragma once
// Skinned controls as the skinned-control library makes them: each keeps its skin data, hands
// every message to the shared handler first and publishes the data as "SkinData". A manager
// whose tables the tests fill section by section.

#include <memory>
#include <string>
#include <vector>

#include "bitmap32/PropertyTable.h"
#include "framework/ExtCtrls.h"
#include "framework/GraphicControls.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"

namespace parch::test {

// Routes the control's messages through the shared handler and records the skin commands that
// reach its own handling.
template <class Base>
class SkinnedControl : public Base, public IPublishedProperties {
public:
    SkinnedControl(TComponent* owner, int kind) : Base(owner), SkinData(this, true) {
        SkinData.ControlKind = kind;
        TWndMethod inherited = this->WindowProc;
        this->WindowProc = [this, inherited](TMessage& message) {
            if (SharedControlMessageHandler(message, &SkinData)) return;
            if (message.Msg == SkinCommandMessage) Commands.push_back(SkinCommandOf(message.WParam));
            inherited(message);
        };
    }
    ~SkinnedControl() override { this->Destroying(); }

    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table = {
            {"SkinData", TTypeKind::tkClass, {}, {}, [](const TObject& object) -> TPersistent* {
                 return &const_cast<SkinnedControl&>(static_cast<const SkinnedControl&>(object)).SkinData;
             }}};
        return table;
    }

    TsCtrlSkinData SkinData;
    std::vector<int> Commands;
};

// Named as the library's panel, so that its class name gives the default section "TSPANEL".
class TsPanel : public SkinnedControl<TPanel> {
public:
    using SkinnedControl::SkinnedControl;
};
class TsGraphic : public SkinnedControl<TGraphicControl> {
public:
    using SkinnedControl::SkinnedControl;
};

// A section with the values the skin data reads.
inline TsGeneralData MakeSection(const std::string& name, std::uint32_t color, int transparency, int gradientPercent = 0,
                                 int imagePercent = 0) {
    TsGeneralData section;
    section.SectionName = name;
    section.StateCount = 2;
    section.Color = color;
    section.Transparency = transparency;
    section.GradientPercent = gradientPercent;
    section.ImagePercent = imagePercent;
    section.HotColor = color;
    section.HotTransparency = transparency;
    section.StateProps[0].Color = color;
    section.StateProps[0].Transparency = transparency;
    return section;
}

// Marks the manager's skin active with the sections given.
inline void LoadSections(TsSkinManager& manager, std::vector<TsGeneralData> sections) {
    manager.Tables().Sections = std::move(sections);
    manager.SkinData().SkinActive = true;
}

// A borders mask of its own picture (opaque grey), frame widths as given.
inline TsMaskData MakeMask(TsSkinManager& manager, const std::string& section, const std::string& key, int width,
                           int height, int border) {
    TsMaskData mask;
    mask.Picture = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) reinterpret_cast<std::uint32_t*>(mask.Picture->ScanLine(y))[x] = 0xFF606060u;
    mask.SectionName = section;
    mask.KeyName = key;
    mask.SourceRect = RECT{0, 0, width, height};
    mask.FrameCount = 1;
    mask.ImageKind = ikBordersMask;
    mask.OwnerManager = &manager;
    mask.LeftWidth = mask.TopWidth = mask.RightWidth = mask.BottomWidth = static_cast<std::int16_t>(border);
    return mask;
}

}  // namespace parch::test
