#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "GdiTestSupport.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/Regions.h"

namespace parch {
namespace {

using test::Surface;

TEST(Handles, DeletedSelectedObjectsLiveUntilDeselected) {
    Surface s(2, 1);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ previous = SelectObject(s.dc(), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);  // still selected, still usable
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 1, 0);
    EXPECT_EQ(s.Color(0, 0), RGB(255, 0, 0));
    SelectObject(s.dc(), previous);
    EXPECT_EQ(GetObjectType(pen), 0u);  // gone now
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(s.dc(), pen), nullptr);
}

TEST(Handles, LiveCountsFollowEachKindUntilTheObjectIsReallyFreed) {
    auto live = [](GdiObjectKind kind) { return LiveGdiObjectCount(kind); };
    GetStockObject(BLACK_PEN);  // stock objects made on first use never count
    GdiObjectCounts before = LiveGdiObjectCounts();

    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HRGN region = CreateRectRgn(0, 0, 4, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(live(GdiObjectKind::Pen), before[size_t(GdiObjectKind::Pen)] + 1);
    EXPECT_EQ(live(GdiObjectKind::Brush), before[size_t(GdiObjectKind::Brush)] + 1);
    EXPECT_EQ(live(GdiObjectKind::Region), before[size_t(GdiObjectKind::Region)] + 1);
    EXPECT_EQ(live(GdiObjectKind::DeviceContext), before[size_t(GdiObjectKind::DeviceContext)] + 1);
    EXPECT_EQ(live(GdiObjectKind::Font), before[size_t(GdiObjectKind::Font)]);

    HGDIOBJ previous = SelectObject(dc, pen);
    DeleteObject(pen);  // waits for the selection: still alive, still counted
    EXPECT_EQ(live(GdiObjectKind::Pen), before[size_t(GdiObjectKind::Pen)] + 1);
    SelectObject(dc, previous);
    EXPECT_FALSE(DeleteObject(pen));  // already gone: no second decrement
    DeleteObject(GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    DeleteObject(region);
    DeleteDC(dc);
    EXPECT_EQ(LiveGdiObjectCounts(), before);
}

TEST(Handles, StockObjectsSurviveDeletionAndDescribeThemselves) {
    HGDIOBJ brush = GetStockObject(WHITE_BRUSH);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
    LOGBRUSH lb;
    EXPECT_EQ(GetObject(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    LOGPEN lp;
    HPEN pen = CreatePen(PS_DASH, 0, RGB(1, 2, 3));
    EXPECT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, PS_DASH);
    EXPECT_EQ(lp.lopnWidth.x, 1);
    EXPECT_EQ(GetObject(pen, 2, &lp), 0);
    DeleteObject(pen);
}

TEST(Handles, ABitmapLivesInOneContextAtATime) {
    Surface s(2, 2);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, s.bitmap()), nullptr);
    EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_BITMAP), s.bitmap());
    DeleteDC(other);
    EXPECT_EQ(GetObjectType(other), 0u);
    EXPECT_FALSE(DeleteDC(other));
}

TEST(DeviceContext, SaveAndRestoreBringBackTheWholeState) {
    Surface s(4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    SetTextColor(s.dc(), RGB(9, 9, 9));
    const int first = SaveDC(s.dc());
    EXPECT_EQ(first, 1);
    SelectObject(s.dc(), brush);
    SetViewportOrgEx(s.dc(), 2, 3, nullptr);
    IntersectClipRect(s.dc(), 0, 0, 1, 1);
    SetTextColor(s.dc(), RGB(8, 8, 8));
    SetBkMode(s.dc(), TRANSPARENT);
    SetROP2(s.dc(), R2_XORPEN);
    EXPECT_EQ(SaveDC(s.dc()), 2);
    SetTextColor(s.dc(), RGB(7, 7, 7));
    EXPECT_TRUE(RestoreDC(s.dc(), -1));
    EXPECT_EQ(GetTextColor(s.dc()), RGB(8, 8, 8));
    EXPECT_TRUE(RestoreDC(s.dc(), first));
    EXPECT_EQ(GetTextColor(s.dc()), RGB(9, 9, 9));
    EXPECT_EQ(GetBkMode(s.dc()), OPAQUE);
    EXPECT_EQ(GetROP2(s.dc()), R2_COPYPEN);
    POINT origin;
    GetViewportOrgEx(s.dc(), &origin);
    EXPECT_EQ(origin, (POINT{0, 0}));
    RECT box;
    EXPECT_EQ(GetClipBox(s.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 4, 4}));
    EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_FALSE(RestoreDC(s.dc(), 1));  // already popped
    EXPECT_FALSE(RestoreDC(s.dc(), 0));
    // The brush was retained by the saved state and is free to delete now.
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(DeviceContext, InvalidModesAreRefusedAndKeepThePreviousValue) {
    Surface s(1, 1);
    EXPECT_EQ(SetBkMode(s.dc(), 5), 0);
    EXPECT_EQ(GetBkMode(s.dc()), OPAQUE);
    EXPECT_EQ(SetROP2(s.dc(), 0), 0);
    EXPECT_EQ(SetStretchBltMode(s.dc(), HALFTONE), BLACKONWHITE);
    EXPECT_EQ(GetStretchBltMode(s.dc()), HALFTONE);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
}

TEST(DeviceContext, OriginsMapPointsBothWays) {
    Surface s(1, 1);
    SetWindowOrgEx(s.dc(), 10, 20, nullptr);
    SetViewportOrgEx(s.dc(), 1, 2, nullptr);
    OffsetViewportOrgEx(s.dc(), 1, 1, nullptr);
    POINT p[1] = {{10, 20}};
    LPtoDP(s.dc(), p, 1);
    EXPECT_EQ(p[0], (POINT{2, 3}));
    DPtoLP(s.dc(), p, 1);
    EXPECT_EQ(p[0], (POINT{10, 20}));
}

TEST(DeviceContext, ClipRegionIsReportedInDeviceAndBoxInLogicalUnits) {
    Surface s(10, 10);
    SetWindowOrgEx(s.dc(), 5, 0, nullptr);
    EXPECT_EQ(IntersectClipRect(s.dc(), 5, 0, 8, 4), SIMPLEREGION);
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(s.dc(), copy), 1);
    RECT box;
    GetRgnBox(copy, &box);
    EXPECT_EQ(box, (RECT{0, 0, 3, 4}));
    GetClipBox(s.dc(), &box);
    EXPECT_EQ(box, (RECT{5, 0, 8, 4}));
    EXPECT_TRUE(PtVisible(s.dc(), 7, 3));
    EXPECT_FALSE(PtVisible(s.dc(), 8, 3));
    EXPECT_EQ(ExcludeClipRect(s.dc(), 0, 0, 100, 100), NULLREGION);
    SelectClipRgn(s.dc(), nullptr);
    EXPECT_EQ(GetClipRgn(s.dc(), copy), 0);
    EXPECT_EQ(ExtSelectClipRgn(s.dc(), nullptr, RGN_AND), ERROR);
    DeleteObject(copy);
}

TEST(DeviceContext, SurfaceContextsDrawAtTheirOriginInsideTheSystemClip) {
    Surface screen(6, 3);
    screen.Fill(RGB(255, 255, 255));
    HDC window = CreateSurfaceDC(screen.bitmap(), POINT{2, 1});
    ResolveHandle(window)->SetSystemClip(RegionRects(RECT{0, 0, 3, 1}));
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    const RECT all{-5, -5, 20, 20};
    FillRect(window, &all, black);
    EXPECT_EQ(screen.Picture(RGB(0, 0, 0)), test::Rows({"......", "..###.", "......"}));
    // Removing the context's own clip never lifts the system clip.
    SelectClipRgn(window, nullptr);
    RECT box;
    GetClipBox(window, &box);
    EXPECT_EQ(box, (RECT{0, 0, 3, 1}));
    DeleteObject(black);
    DeleteDC(window);
}

TEST(DeviceContext, CompatibleBitmapsOfAFreshMemoryContextAreMonochrome) {
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
    BITMAP bm;
    GetObject(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    Surface s(1, 1);
    HBITMAP colour = CreateCompatibleBitmap(s.dc(), 4, 4);
    GetObject(colour, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, nullptr);
    DIBSECTION ds;
    EXPECT_EQ(GetObject(colour, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteDC(memory);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(DeviceContext, CoverageMasksMixTheInkThroughBothClips) {
    test::Surface s(4, 1);
    for (int x = 0; x < 4; ++x) s.SetValue(x, 0, 0xFF000000);  // opaque black
    SetViewportOrgEx(s.dc(), 5, 5, nullptr);                   // services take device coordinates
    ExcludeClipRect(s.dc(), -5 + 3, -5, -5 + 4, -4);            // device column 3 is clipped away
    const BYTE coverage[4] = {0, 128, 255, 255};
    DeviceContext* dc = ResolveHandle(s.dc());
    const RECT extra{0, 0, 4, 1};
    dc->PaintCoverage(0, 0, CoverageMask{coverage, 4, 1, 4}, RGB(200, 100, 0), &extra);
    EXPECT_EQ(s.Value(0, 0), 0xFF000000u);  // no coverage: untouched, alpha kept
    EXPECT_EQ(s.Value(1, 0), 0x00643200u);  // half way to the ink, alpha cleared
    EXPECT_EQ(s.Value(2, 0), 0x00C86400u);
    EXPECT_EQ(s.Value(3, 0), 0xFF000000u);  // clipped
    const RECT narrow{0, 0, 1, 1};
    dc->PaintCoverage(0, 0, CoverageMask{coverage + 2, 2, 1, 2}, RGB(0, 0, 255), &narrow);
    EXPECT_EQ(s.Value(0, 0), 0x000000FFu);
    EXPECT_EQ(s.Value(1, 0), 0x00643200u);
    dc->FillDeviceRect(RECT{-10, -10, 10, 10}, RGB(1, 2, 3), &extra);
    EXPECT_EQ(s.Value(2, 0), 0x00010203u);
    EXPECT_EQ(s.Value(3, 0), 0xFF000000u);

    // Palette targets take the ink where coverage reaches half.
    test::Surface p(2, 1, 8, true, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
    const BYTE half[2] = {127, 128};
    ResolveHandle(p.dc())->PaintCoverage(0, 0, CoverageMask{half, 2, 1, 2}, RGB(255, 255, 255));
    EXPECT_EQ(p.Value(0, 0), 0u);
    EXPECT_EQ(p.Value(1, 0), 1u);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// The mixing rule, written out: `from` moves towards `to` by coverage / 255, rounded half away.
int ExpectedMix(int from, int to, int coverage) { return from + ((to - from) * coverage + (to > from ? 127 : -127)) / 255; }

// Every coverage level over every channel value towards every ink value, on both direct
// layouts: row y starts from channel values (y, 255 - y, 7y mod 256), column 16 + c has
// coverage c after sixteen empty columns (then a run of full coverage), and the three inks of
// draw k are k, k + 85, k + 170, so together the channels meet each (from, to, coverage) triple.
TEST(DeviceContext, CoverageMixesEveryLevelByTheRoundedRule) {
    constexpr int kBlank = 16, kFull = 12, kMaskWidth = kBlank + 256 + kFull, kLeft = 3;
    auto coverageAt = [](int maskX) { return maskX < kBlank ? 0 : std::min(maskX - kBlank, 255); };
    std::vector<BYTE> mask(static_cast<size_t>(kMaskWidth) * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < kMaskWidth; ++x) mask[static_cast<size_t>(y) * kMaskWidth + x] = static_cast<BYTE>(coverageAt(x));
    auto start = [](int y, int channel) {
        const int values[4] = {y, 255 - y, (7 * y) & 0xFF, 0x80 | y};
        return values[channel];
    };
    for (int bits : {32, 24}) {
        const int bytes = bits / 8;
        test::Surface s(kLeft + kMaskWidth + 2, 256, bits);
        const PixelView view = PixelView::Of(s.pixels());
        DeviceContext* dc = ResolveHandle(s.dc());
        for (int k = 0; k <= 85; ++k) {
            for (int y = 0; y < 256; ++y) {
                BYTE* row = view.Row(y);
                for (int x = 0; x < s.width(); ++x)
                    for (int c = 0; c < bytes; ++c) row[x * bytes + c] = static_cast<BYTE>(start(y, c));
            }
            const int ink[3] = {k, k + 85, k + 170};  // blue, green, red as stored
            dc->PaintCoverage(kLeft, 0, CoverageMask{mask.data(), kMaskWidth, 256, kMaskWidth}, RGB(ink[2], ink[1], ink[0]));
            for (int y = 0; y < 256; ++y) {
                const BYTE* row = view.Row(y);
                for (int x = 0; x < s.width(); ++x) {
                    const int coverage = x >= kLeft && x < kLeft + kMaskWidth ? coverageAt(x - kLeft) : 0;
                    for (int c = 0; c < bytes; ++c) {
                        const int expected = coverage == 0 ? start(y, c) : c == 3 ? 0 : ExpectedMix(start(y, c), ink[c], coverage);
                        // Checked without a macro per channel: there are millions.
                        if (row[x * bytes + c] != expected)
                            FAIL() << bits << " bits, ink " << (c < 3 ? ink[c] : 0) << ", from " << start(y, c) << ", coverage "
                                   << coverage << ", channel " << c << ": " << int{row[x * bytes + c]} << " not " << expected;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace parch
