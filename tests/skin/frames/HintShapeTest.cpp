// The shapes of the four styles against Pillow's rounded rectangle, ellipse and polygon on the
// same boxes (tools/make_hint_shape_fixtures.py), and a contact sheet of every style, corner
// and look for the eye.

#include <string>

#include "framework/Forms.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/Blits.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/frames/HintFixture.h"

namespace parch::test {
namespace {

constexpr RECT kHintShapeBox{0, 0, 160, 100};
constexpr TsMousePosition kCornerMousePos[] = {mpLeftTop, mpLeftBottom, mpRightTop, mpRightBottom};
constexpr POINT kHintShapeMouse{400, 300};

std::unique_ptr<TsCustomHintWindow> MakeStyledWindow(TsHintStyle style) {
    switch (style) {
    case hsComics: return std::make_unique<TsComicsHintWindow>(nullptr);
    case hsEllipse: return std::make_unique<TsEllipseHintWindow>(nullptr);
    case hsBalloon: return std::make_unique<TsBalloonHintWindow>(nullptr);
    default: return std::make_unique<TsSimplyHintWindow>(nullptr);
    }
}

// The hint's layered picture as a 32-bit bitmap.
std::unique_ptr<TBitmap> HintPicture(HWND window) {
    HBITMAP captured = CaptureWindow(window);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, captured);
    BITMAP info;
    GetObject(captured, sizeof(info), &info);
    auto picture = std::make_unique<TBitmap>(info.bmWidth, info.bmHeight, pf32bit);
    BitBlt(picture->Canvas().Handle(), 0, 0, info.bmWidth, info.bmHeight, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(captured);
    return picture;
}

// Beyond the picture lies the outside of the hint.
bool InsideHint(TBitmap& bitmap, int x, int y) {
    if (x < 0 || y < 0 || x >= bitmap.Width() || y >= bitmap.Height()) return false;
    return (PixelAt(bitmap, x, y) & 0xFFFFFF) != 0;
}

bool HintHasNeighbourOf(TBitmap& bitmap, int x, int y, bool inside) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (InsideHint(bitmap, x + dx, y + dy) == inside) return true;
    return false;
}

// Pixels where the two shapes differ although neither edge lies within one pixel of it (no
// neighbour in the reference takes our side, none in ours takes the reference's); the first
// few are listed.
int MisplacedHintPixels(TBitmap& ours, TBitmap& reference, std::string& where) {
    int misplaced = 0;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x) {
            bool inside = InsideHint(ours, x, y);
            if (inside == InsideHint(reference, x, y)) continue;
            if (HintHasNeighbourOf(reference, x, y, inside) || HintHasNeighbourOf(ours, x, y, !inside)) continue;
            if (++misplaced <= 8)
                where += "(" + std::to_string(x) + "," + std::to_string(y) + (inside ? " in" : " out") + ") ";
        }
    return misplaced;
}

struct HintShapeCase {
    TsHintStyle Style;
    const char* Name;
    int Corner;
};

std::vector<HintShapeCase> HintShapeCases() {
    std::vector<HintShapeCase> cases;
    const std::pair<TsHintStyle, const char*> styles[] = {
        {hsSimply, "simply"}, {hsComics, "comics"}, {hsEllipse, "ellipse"}, {hsBalloon, "balloon"}};
    for (auto [style, name] : styles)
        for (int corner = 0; corner < 4; ++corner) cases.push_back({style, name, corner});
    return cases;
}

class HintShapeTest : public HintFixture, public ::testing::WithParamInterface<HintShapeCase> {};

TEST_P(HintShapeTest, MatchesPillowAlongTheEdges) {
    const HintShapeCase& c = GetParam();
    UsePlainLook(c.Style, clYellow);
    manager->DefaultMousePos = kCornerMousePos[c.Corner];
    display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
    auto window = MakeStyledWindow(c.Style);
    window->ActivateHint(kHintShapeBox, "");
    ASSERT_EQ(window->Corner(), c.Corner);
    auto ours = HintPicture(window->Handle());
    auto reference = ReadPngFile("tests/skin/frames/shapes/" + std::string(c.Name) + "-" + std::to_string(c.Corner) + ".png");
    ASSERT_TRUE(reference);
    ASSERT_EQ(ours->Width(), reference->Width());
    ASSERT_EQ(ours->Height(), reference->Height());
    std::string where;
    EXPECT_EQ(MisplacedHintPixels(*ours, *reference, where), 0) << where;
}

INSTANTIATE_TEST_SUITE_P(StylesAndCorners, HintShapeTest, ::testing::ValuesIn(HintShapeCases()),
                         [](const auto& info) { return std::string(info.param.Name) + std::to_string(info.param.Corner); });

using HintLookTest = HintFixture;

// The outline is one pixel wide whatever the bevel width: the second ring is body colour.
TEST_F(HintLookTest, TailStylesDrawAOnePixelOutlineAndNoneForBevelWidthZero) {
    for (int bevel : {0, 6}) {
        UsePlainLook(hsEllipse, clYellow);
        manager->HintKind().BevelWidth = bevel;
        manager->HintKind().ColorBorderTop = clBlue;
        manager->HintKind().ColorBorderBottom = clBlue;
        display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
        auto window = MakeStyledWindow(hsEllipse);
        window->ActivateHint(kHintShapeBox, "");
        auto picture = HintPicture(window->Handle());
        // The ellipse's leftmost column on its middle row (tail zone 20 above).
        int row = 60;
        int x = 0;
        while (x < picture->Width() && !InsideHint(*picture, x, row)) ++x;
        std::uint32_t edge = PixelAt(*picture, x, row) & 0xFFFFFF;
        std::uint32_t next = PixelAt(*picture, x + 1, row) & 0xFFFFFF;
        std::uint32_t blue = 0x0000FF, yellow = 0xFFFF00;  // B, G, R bytes: blue is 0x0000FF
        EXPECT_EQ(edge, bevel > 0 ? blue : yellow) << "bevel " << bevel;
        EXPECT_EQ(next, yellow) << "bevel " << bevel;
    }
}

TEST_F(HintLookTest, WithTheSkinEveryStyleLooksAlike) {
    TsSkinManager skin;
    LoadInternalSkin(skin);
    manager->SetUseSkinData(true);
    manager->HintKind().SetStyle(hsSimply);
    ASSERT_TRUE(manager->SkinUsed());
    display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
    std::unique_ptr<TBitmap> first;
    for (TsHintStyle style : {hsSimply, hsComics, hsEllipse, hsBalloon}) {
        manager->HintKind().SetStyle(style);
        auto window = MakeStyledWindow(style);
        RECT r = window->CalcHintRect(0, "Skinned hint");
        window->ActivateHint(r, "Skinned hint");
        auto picture = HintPicture(window->Handle());
        if (!first) {
            first = std::move(picture);
            continue;
        }
        ASSERT_EQ(picture->Width(), first->Width());
        ASSERT_EQ(picture->Height(), first->Height());
        int different = 0;
        for (int y = 0; y < first->Height(); ++y)
            for (int x = 0; x < first->Width(); ++x) different += PixelAt(*picture, x, y) != PixelAt(*first, x, y);
        EXPECT_EQ(different, 0) << "style " << style;
    }
}

// The skinned hint against the "HINT" section of the internal skin composed by Pillow
// (tools/make_hint_skin_fixture.py): colour, nine-part borders mask and its transparency.
TEST_F(HintLookTest, SkinnedHintMatchesTheSectionComposedByPillow) {
    TsSkinManager skin;
    LoadInternalSkin(skin);
    manager->SetUseSkinData(true);
    manager->HintKind().SetStyle(hsSimply);
    ASSERT_TRUE(manager->SkinUsed());
    display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
    auto window = MakeStyledWindow(hsSimply);
    window->ActivateHint({0, 0, 120, 40}, "");
    auto ours = HintPicture(window->Handle());
    auto reference = ReadPngFile("tests/skin/frames/skinned_hint.png");
    ASSERT_TRUE(reference);
    ASSERT_EQ(ours->Width(), reference->Width());
    ASSERT_EQ(ours->Height(), reference->Height());
    int worst = 0;
    std::string where;
    for (int y = 0; y < ours->Height(); ++y)
        for (int x = 0; x < ours->Width(); ++x)
            for (int channel = 0; channel < 3; ++channel) {
                int difference = std::abs(ChannelOf(PixelAt(*ours, x, y), channel) - ChannelOf(PixelAt(*reference, x, y), channel));
                if (difference > worst) {
                    worst = difference;
                    where = std::to_string(x) + "," + std::to_string(y);
                }
            }
    EXPECT_LE(worst, 2) << "at " << where;
}

// Missing border widths are derived from the mask's frame and state sizes, which a mask without
// frames or with a layout of -1 does not have: those sides then add nothing.
TEST_F(HintLookTest, ABordersMaskWithoutFramesOrStatesAddsOnlyThePadding) {
    TsSkinManager skin;
    LoadInternalSkin(skin);
    manager->SetUseSkinData(true);
    manager->HintKind().SetStyle(hsSimply);
    ASSERT_TRUE(manager->SkinUsed());
    int maskIndex = skin.FindOwnMaskIndex("HINT", "BORDERSMASK");
    ASSERT_GE(maskIndex, 0);
    auto plain = MakeStyledWindow(hsSimply)->CalcHintRect(0, "Hint");
    TsMaskData& mask = skin.Tables().Masks[static_cast<size_t>(maskIndex)];
    mask.LeftWidth = mask.TopWidth = mask.RightWidth = mask.BottomWidth = 0;
    mask.CommonBorderWidth = 0;
    mask.FrameCount = 0;
    mask.ExtraBands = -1;
    auto bare = MakeStyledWindow(hsSimply)->CalcHintRect(0, "Hint");
    EXPECT_LT(bare.right, plain.right);
    EXPECT_LT(bare.bottom, plain.bottom);
    display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
    auto window = MakeStyledWindow(hsSimply);
    RECT r = window->CalcHintRect(0, "Hint");
    window->ActivateHint(r, "Hint");
    EXPECT_TRUE(window->IsHintShowing());
}

// Every style at every corner in the presets' looks, then the skinned look: one sheet to look at.
TEST_F(HintLookTest, ContactSheetOfEveryStyleCornerAndLook) {
    constexpr int kCell = 260;
    TBitmap sheet(kCell * 4, kCell * 5, pf32bit);
    sheet.Canvas().Brush().SetColor(static_cast<TColor>(RGB(236, 240, 244)));
    sheet.Canvas().FillRect({0, 0, sheet.Width(), sheet.Height()});
    const TsHintsPredefinitions presets[] = {shSimply, shComicsGradient, shEllipse, shBalloon};
    // A light window behind the hints so their shadows show.
    auto backdrop = std::make_unique<TForm>(nullptr);
    backdrop->SetBorderStyle(bsNone);
    backdrop->SetColor(static_cast<TColor>(RGB(236, 240, 244)));
    backdrop->SetBounds(0, 0, kScreenWidth, kScreenHeight);
    backdrop->Show();
    display.PumpMessages();
    manager->HTMLMode = true;
    const std::string text = "<b>Hint</b> with <font color=red>HTML</font><br>and a second line";
    for (int row = 0; row < 4; ++row) {
        manager->SetPredefinitions(presets[row]);
        manager->ApplyPredefinitions();
        for (int corner = 0; corner < 4; ++corner) {
            manager->DefaultMousePos = kCornerMousePos[corner];
            display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
            auto window = MakeStyledWindow(manager->HintKind().Style());
            RECT r = window->CalcHintRect(0, text);
            window->ActivateHint(r, text);
            RECT placed;
            GetWindowRect(window->Handle(), &placed);
            HintScreenPixels screen;
            BitBlt(sheet.Canvas().Handle(), corner * kCell + 10, row * kCell + 10, kCell - 20, kCell - 20, screen.Dc(),
                   placed.left - 10, placed.top - 10, SRCCOPY);
            EXPECT_NE(screen.At((placed.left + placed.right) / 2, (placed.top + placed.bottom) / 2),
                      screen.At(5, 5));
            // Beyond the shape and its shadow the window leaves the screen as it was.
            if (row > 0 && corner == 1) {
                EXPECT_EQ(screen.At(placed.right - 1, placed.top), screen.At(5, 5)) << row;
            }
            window.reset();
            display.PumpMessages();
        }
    }
    TsSkinManager skin;
    LoadInternalSkin(skin);
    manager->SetUseSkinData(true);
    manager->HintKind().SetStyle(hsSimply);
    display.MoveMouse(kHintShapeMouse.x, kHintShapeMouse.y);
    auto window = MakeStyledWindow(hsSimply);
    RECT r = window->CalcHintRect(0, text);
    window->ActivateHint(r, text);
    RECT placed;
    GetWindowRect(window->Handle(), &placed);
    HintScreenPixels screen;
    BitBlt(sheet.Canvas().Handle(), 10, 4 * kCell + 10, kCell - 20, kCell - 20, screen.Dc(), placed.left - 10,
           placed.top - 10, SRCCOPY);
    SetAlphaInRect(sheet, {0, 0, sheet.Width(), sheet.Height()}, 255, false);
    EXPECT_TRUE(SavePng(sheet.Handle(), "build/hint_contact_sheet.png"));
}

}  // namespace
}  // namespace parch::test
