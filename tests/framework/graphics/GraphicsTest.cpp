#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

#include "platform/gdi/Fonts.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {
namespace {

TEST(GraphicsTest, ColorToRGBResolvesSystemColoursAndKeepsOthers) {
    EXPECT_EQ(static_cast<std::uint32_t>(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(static_cast<std::uint32_t>(clWindow), 0x80000005u);
    struct Case { TColor color; COLORREF rgb; };
    const Case cases[] = {
        {clBtnFace, RGB(240, 240, 240)}, {clWindow, RGB(255, 255, 255)}, {clWindowText, RGB(0, 0, 0)},
        {clBtnShadow, RGB(160, 160, 160)}, {clBtnHighlight, RGB(255, 255, 255)},
        {clHighlight, RGB(0, 120, 215)}, {clInfoBk, RGB(255, 255, 225)}, {clGrayText, RGB(109, 109, 109)},
        {clRed, RGB(255, 0, 0)}, {clBlue, RGB(0, 0, 255)}, {clOlive, RGB(128, 128, 0)},
        {0x123456, 0x123456}, {clNone, 0x1FFFFFFF},
        {SystemColor(200), 0},  // unknown index
    };
    for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
}

TEST(GraphicsTest, FontSizeAndHeightConvertAtThePixelDensity) {
    TFont font;
    EXPECT_EQ(font.Name(), "Tahoma");
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Height(), -11);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);  // 10 * 96 / 72 = 13.3
    font.SetHeight(-16);
    EXPECT_EQ(font.Size(), 12);
    font.SetHeight(20);  // a cell height reads as a negative size
    EXPECT_EQ(font.Size(), -15);
}

TEST(GraphicsTest, FontChangesFireOnceAndRebuildTheHandleOnlyWhenNeeded) {
    TFont font;
    int changes = 0;
    font.OnChange = [&] { ++changes; };
    HFONT first = font.Handle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(font.Handle(), first);

    font.SetName("Tahoma");  // unchanged: no event
    EXPECT_EQ(changes, 0);
    font.SetColor(clRed);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(font.Handle(), first) << "the colour is not part of the handle";

    font.SetStyle(fsBold | fsItalic);
    EXPECT_EQ(changes, 2);
    LOGFONT logical{};
    ASSERT_EQ(GetObject(font.Handle(), sizeof logical, &logical), static_cast<int>(sizeof logical));
    EXPECT_EQ(logical.lfWeight, FW_BOLD);
    EXPECT_EQ(logical.lfItalic, 1);
    EXPECT_EQ(logical.lfHeight, -11);
    EXPECT_STREQ(logical.lfFaceName, "Tahoma");

    TFont copy;
    int copyChanges = 0;
    copy.OnChange = [&] { ++copyChanges; };
    copy.Assign(font);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Style(), fsBold | fsItalic);
    EXPECT_EQ(copy.Color(), clRed);

    // Taking over a handle takes over what it describes.
    TFont adopted;
    adopted.SetHandle(CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 1, 0, 0, 0, 0, 0, 0, "Courier New"));
    EXPECT_EQ(adopted.Name(), "Courier New");
    EXPECT_EQ(adopted.Height(), -20);
    EXPECT_EQ(adopted.Style(), fsUnderline);
}

TEST(GraphicsTest, PenAndBrushReportChangesAndBuildMatchingHandles) {
    TPen pen;
    int penChanges = 0;
    pen.OnChange = [&] { ++penChanges; };
    pen.SetColor(clBtnShadow);
    pen.SetWidth(3);
    pen.SetWidth(3);
    pen.SetMode(pmXor);
    EXPECT_EQ(penChanges, 3);
    LOGPEN logicalPen{};
    ASSERT_GT(GetObject(pen.Handle(), sizeof logicalPen, &logicalPen), 0);
    EXPECT_EQ(logicalPen.lopnColor, RGB(160, 160, 160));
    EXPECT_EQ(logicalPen.lopnWidth.x, 3);

    TBrush brush;
    int brushChanges = 0;
    brush.OnChange = [&] { ++brushChanges; };
    brush.SetStyle(bsClear);
    EXPECT_EQ(brush.Handle(), GetStockObject(NULL_BRUSH));
    brush.SetColor(clYellow);  // a colour makes a clear brush solid
    EXPECT_EQ(brush.Style(), bsSolid);
    EXPECT_EQ(brushChanges, 2);
    LOGBRUSH logicalBrush{};
    ASSERT_GT(GetObject(brush.Handle(), sizeof logicalBrush, &logicalBrush), 0);
    EXPECT_EQ(logicalBrush.lbStyle, BS_SOLID);
    EXPECT_EQ(logicalBrush.lbColor, RGB(255, 255, 0));
    brush.SetStyle(bsCross);
    ASSERT_GT(GetObject(brush.Handle(), sizeof logicalBrush, &logicalBrush), 0);
    EXPECT_EQ(logicalBrush.lbStyle, BS_HATCHED);
    EXPECT_EQ(logicalBrush.lbHatch, static_cast<UINT_PTR>(HS_CROSS));
}

}  // namespace
}  // namespace parch
