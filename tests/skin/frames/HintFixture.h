#pragma once
// A headless screen with an application and a hint manager whose look the tests set, and the
// screen's pixels as the compositor shows them.

#include <gtest/gtest.h>

#include <memory>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Compositor.h"
#include "platform/win/WinApi.h"
#include "skin/frames/sHintManager.h"

namespace parch::test {

// The composed screen, read at screen points.
class HintScreenPixels {
public:
    HintScreenPixels() : picture_(CaptureScreen()) {
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, picture_);
    }
    ~HintScreenPixels() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(picture_);
    }
    HintScreenPixels(const HintScreenPixels&) = delete;
    HintScreenPixels& operator=(const HintScreenPixels&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    HBITMAP Picture() const { return picture_; }
    // The picture is selected into this DC.
    HDC Dc() const { return dc_; }

private:
    HBITMAP picture_;
    HDC dc_;
    HGDIOBJ old_;
};

class HintFixture : public ::testing::Test {
protected:
    static constexpr int kScreenWidth = 800;
    static constexpr int kScreenHeight = 600;

    HeadlessDisplay display{kScreenWidth, kScreenHeight, 0};
    TApplication app;
    std::unique_ptr<TsHintManager> manager = std::make_unique<TsHintManager>(nullptr);

    // A plain look: solid colour, no bevel, no shadow, no fade.
    void UsePlainLook(TsHintStyle style, TColor color) {
        TsHintKind& kind = manager->HintKind();
        kind.SetStyle(style);
        kind.Color = color;
        kind.BevelWidth = 0;
        kind.GradientPercent = 0;
        kind.Transparency = 0;
        kind.SetShadowEnabled(false);
        kind.ExOffset = 20;
        kind.Radius = 24;
        manager->Animated = false;
    }
};

}  // namespace parch::test
