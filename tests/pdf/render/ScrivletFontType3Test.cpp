#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/render/ScrivletFontCollection.h"
#include "tests/pdf/render/ScrivletFontTestCanvas.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"

namespace parch {
namespace {

using Type3Calls = std::vector<std::string>;

class ScrivletFontType3Test : public ::testing::Test {
protected:
    // A Type 3 font whose glyph "g" has the procedure given.
    TPDFType3Rasterizer& LoadGlyph(const std::string& procedure) {
        objects.DefineStream(7, "<< >>", procedure);
        type3.Load(objects.Dictionary("<< /Subtype /Type3 /CharProcs << /g 7 0 R >> >>"));
        return type3;
    }

    testfont::FontObjects objects;
    TPDFType3Rasterizer type3;
};

TEST_F(ScrivletFontType3Test, FontMatrixTakesSixItemsAndOnlyTheirNumbers) {
    struct Case {
        const char* dictionary;
        TPDFMatrix expected;
    };
    const Case cases[] = {
        {"<< /FontMatrix [0.001 0 0 0.001 0 0] >>", {0.001, 0, 0, 0.001, 0, 0}},
        {"<< /FontMatrix [2 0 0 2 0] >>", {}},
        {"<< >>", {}},
        {"<< /FontMatrix [2 /x 0 3 (s) 6] >>", {2, 0, 0, 3, 0, 6}},
        {"<< /FontMatrix 8 0 R >>", {1, 2, 3, 4, 5, 6}},
    };
    objects.Define(8, "[1 2 3 4 5 6]");
    for (const Case& c : cases) {
        type3.Load(objects.Dictionary(c.dictionary));
        EXPECT_EQ(type3.FontMatrix, c.expected) << c.dictionary;
    }
}

TEST_F(ScrivletFontType3Test, GlyphProceduresAreDecodedAndFoundByExactName) {
    objects.DefineStream(7, "<< >>", "0 0 m");
    objects.Define(8, "<< >>");
    TPDFStream* compressed = objects.DefineStream(9, "<< >>", "");
    compressed->SetData("1 1 l", true);
    std::vector<int> reads;
    type3.OnBeforeStreamRead = [&](TPDFStream*, TPDFIndRef* reference) { reads.push_back(reference->RefObjectNumber); };
    type3.Load(objects.Dictionary("<< /CharProcs << /a 7 0 R /A 9 0 R /b 8 0 R /c 5 >> >>"));

    ASSERT_EQ(type3.GlyphNames.GetCount(), 4);
    EXPECT_EQ(type3.GlyphNames.Get(1), "A");
    EXPECT_EQ(type3.GetGlyphProcedure("a"), "0 0 m");
    EXPECT_EQ(type3.GetGlyphProcedure("A"), "1 1 l");
    EXPECT_EQ(type3.GetGlyphProcedure("b"), "");  // not a stream
    EXPECT_EQ(type3.GetGlyphProcedure("c"), "");  // not a reference
    EXPECT_EQ(type3.GetGlyphProcedure("B"), "");
    EXPECT_EQ(reads, (std::vector<int>{7, 9}));
}

TEST_F(ScrivletFontType3Test, ReducedInterpreterDrawsPathOperatorsThroughTheMatrix) {
    LoadGlyph("0 0 d0 10 20 m 30 20 l 1 2 3 4 5 6 c h f");
    testfont::RecordingCanvas canvas;
    const TPDFMatrix scale{2, 0, 0, 2, 100, 0};
    EXPECT_TRUE(type3.RenderGlyph(canvas, scale, 5, 1, "g"));
    // d0 and its operands only wait on the stack.
    EXPECT_EQ(canvas.Calls, (Type3Calls{"newpath", "m 130 42", "l 170 42", "c 112 6 116 10 120 14", "h", "fill"}));
}

TEST_F(ScrivletFontType3Test, ConcatenatedMatricesApplyBeforeThePlacement) {
    LoadGlyph("2 0 0 3 10 0 cm 1 1 m 0 1 -1 0 0 0 cm 1 0 l");
    testfont::RecordingCanvas canvas;
    type3.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "g");
    // The second cm rotates by a quarter turn inside the first.
    EXPECT_EQ(canvas.Calls, (Type3Calls{"newpath", "m 12 3", "l 10 3"}));
}

TEST_F(ScrivletFontType3Test, MissingOperandsAndUnknownGlyphs) {
    LoadGlyph("m 5 l (a string) [1 2] BT 7 8 l");
    testfont::RecordingCanvas canvas;
    EXPECT_TRUE(type3.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "g"));
    // The operands of l are read as numbers; text that is none reads as 0.
    EXPECT_EQ(canvas.Calls, (Type3Calls{"newpath", "m 0 0", "l 0 5", "l 7 8"}));
    canvas.Calls.clear();
    EXPECT_FALSE(type3.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "G"));
    EXPECT_TRUE(canvas.Calls.empty());
}

TEST_F(ScrivletFontType3Test, InlineImageDataIsSkippedUpToItsEnd) {
    struct Case {
        std::string procedure;
        Type3Calls expected;
    };
    const Case cases[] = {
        {"BI /W 2 /H 1 /BPC 8 /CS /G ID 1 m\nEIx 9 9 l\nEI 4 5 m", {"newpath", "m 4 5"}},
        {"BI /W 1 /H 1 ID \x01\x02 EI", {"newpath"}},
        {"3 3 m BI /W 1 /H 1 ID 7 7 l", {"newpath", "m 3 3"}},  // never ends: nothing after it
        {"3 3 m BI /W 1", {"newpath", "m 3 3"}},
    };
    for (const Case& c : cases) {
        LoadGlyph(c.procedure);
        testfont::RecordingCanvas canvas;
        type3.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "g");
        EXPECT_EQ(canvas.Calls, c.expected) << c.procedure;
    }
}

TEST_F(ScrivletFontType3Test, CollectionGivesType3FontsTheirRasterizerWithCallbacks) {
    objects.DefineStream(7, "<< >>", "0 0 m");
    objects.Define(5, "<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /CharProcs << /x 7 0 R >> "
                      "/Encoding << /Differences [65 /x] >> /FirstChar 65 /LastChar 65 /Widths [50] >>");
    TPDFFontCollection fonts;
    fonts.RasterizeGlyphs = true;
    int lookups = 0;
    fonts.OnFindObject = [&lookups](TPDFIndRef* reference) {
        ++lookups;
        return reference->Resolve();
    };
    fonts.SelectFont(objects.Ref(5));
    TPDFType3Rasterizer* rasterizer = fonts.CurrentFont->Type3();
    ASSERT_NE(rasterizer, nullptr);
    EXPECT_EQ(rasterizer->FontMatrix.a, 0.01);
    EXPECT_EQ(rasterizer->GetGlyphProcedure(fonts.CurrentFont->GlyphNames['A']), "0 0 m");
    EXPECT_EQ(fonts.CurrentFont->Widths['A'], 50);
    EXPECT_EQ(rasterizer->GetScale(), 1.0);
    EXPECT_GT(lookups, 1);  // the font and its glyph procedure

    TPDFFontCollection metricsOnly;
    metricsOnly.SelectFont(objects.Ref(5));
    EXPECT_EQ(metricsOnly.CurrentFont->Rasterizer, nullptr);
}

}  // namespace
}  // namespace parch
