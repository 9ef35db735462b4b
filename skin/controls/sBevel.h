#pragma once
// TsBevel: the windowless bevel drawn with the skin section that fits its shape and style.

#include <memory>
#include <string>

#include "framework/ExtCtrls.h"
#include "skin/engine/sCommonData.h"

namespace parch {

// "GROUPBOX" for a frame, else "PANEL" raised and "PANEL_LOW" lowered.
std::string BevelSectionName(TBevelShape shape, TBevelStyle style);

class TsBevel : public TBevel {
public:
    explicit TsBevel(TComponent* owner);
    ~TsBevel() override;

    void Loaded() override;
    void Invalidate() override;
    // Internal: a bevel publishes no skin data.
    TsCommonData& SkinData() const { return *skinData_; }

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;

private:
    void ChooseSection();
    void RebuildCache();

    std::unique_ptr<TsCommonData> skinData_;
    TBevelStyle lastStyle_;
    TBevelShape lastShape_;
};

}  // namespace parch
