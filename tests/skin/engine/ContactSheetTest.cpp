#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "platform/display/PngFile.h"
#include "platform/gdi/TextLayout.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sVclUtils.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

// Every section of the internal skin in every state, at a wide and a tall size, each painted
// into its own cache over the striped sheet behind it.
std::unique_ptr<TBitmap> DrawContactSheet(TsSkinManager& manager) {
    constexpr int kGap = 6, kWide = 120, kWideH = 32, kTall = 48, kTallH = 64;
    const TsSkinTables& tables = manager.Tables();
    int states = 1;
    for (const TsGeneralData& section : tables.Sections) states = std::max(states, section.StateCount);
    int cellWidth = kWide + kGap + kTall + kGap;
    int width = kGap + states * cellWidth;
    int rowHeight = kTallH + kGap;
    int height = kGap + static_cast<int>(tables.Sections.size()) * rowHeight;
    auto sheet = test::StripedBackdrop(width, height);
    int glyphIndex = tables.ConstData.CheckGlyph[0];
    const TsMaskData* glyph = IsValidMaskIndex(tables, glyphIndex) ? &tables.Masks[static_cast<size_t>(glyphIndex)] : nullptr;
    for (size_t index = 0; index < tables.Sections.size(); ++index) {
        const TsGeneralData& section = tables.Sections[index];
        int top = kGap + static_cast<int>(index) * rowHeight;
        for (int state = 0; state < std::max(1, section.StateCount); ++state) {
            int left = kGap + state * cellWidth;
            for (auto [x, w, h] : {std::tuple{left, kWide, kWideH}, std::tuple{left + kWide + kGap, kTall, kTallH}}) {
                auto cache = NewPf32Bitmap(w, h);
                PaintSkinSection(static_cast<int>(index), section.SectionName, InitBackgroundSource(sheet.get(), x, top),
                                 state, RECT{0, 0, w, h}, POINT{0, 0}, *cache, &manager);
                if (w == kWide) {
                    cache->Canvas().Font().SetName("DejaVu Sans");
                    cache->Canvas().Font().SetHeight(-11);
                    WriteSectionTextOnBitmap(*cache, section.SectionName, false, RECT{0, 0, w, h},
                                             DT_CENTER | DT_VCENTER | DT_SINGLELINE, static_cast<int>(index), state > 0,
                                             &manager);
                } else if (glyph) {
                    DrawMaskGlyph(*cache, POINT{(w - MaskFrameWidth(*glyph)) / 2, (h - MaskStateHeight(*glyph)) / 2},
                                  state, 1, *glyph, InitBackgroundSource(cache.get(), 0, 0));
                }
                for (int y = 0; y < h; ++y)
                    for (int cx = 0; cx < w; ++cx) PixelAt(*sheet, x + cx, top + y) = PixelAt(*cache, cx, y) | 0xFF000000u;
            }
        }
    }
    return sheet;
}

// The sheet drawn in this run is kept in build/ for looking at; it must equal the committed one.
TEST(ContactSheet, InternalSkinMatchesTheCommittedReference) {
    TsSkinManager manager;
    test::LoadInternalSkin(manager);
    ASSERT_FALSE(manager.Tables().Sections.empty());
    auto sheet = DrawContactSheet(manager);
    ASSERT_TRUE(SavePng(sheet->Handle(), "build/skin_contact_sheet.png"));
    auto reference = test::ReadPngFile("tests/skin/engine/skin_contact_sheet.png");
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->Width(), sheet->Width());
    ASSERT_EQ(reference->Height(), sheet->Height());
    for (int y = 0; y < sheet->Height(); ++y)
        for (int x = 0; x < sheet->Width(); ++x) ASSERT_EQ(PixelAt(*sheet, x, y), PixelAt(*reference, x, y)) << x << "," << y;
}

}  // namespace
}  // namespace parch
