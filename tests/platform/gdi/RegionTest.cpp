#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "GdiTestSupport.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"

namespace parch {
namespace {

using test::Rows;
using test::Surface;

constexpr int kGrid = 24;

// Membership of every grid point, the oracle the region operations are checked against.
std::vector<bool> Pixels(HRGN region) {
    std::vector<bool> inside(kGrid * kGrid);
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) inside[y * kGrid + x] = PtInRegion(region, x - 2, y - 2);
    return inside;
}

bool Expected(int mode, bool a, bool b) {
    switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
    }
}

TEST(Region, EveryCombineModeMatchesThePixelSets) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, 20);
    auto randomRegion = [&] {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        for (int i = 0; i < 4; ++i) {
            HRGN piece = i % 2 ? CreateEllipticRgn(coordinate(random), coordinate(random), coordinate(random), coordinate(random))
                               : CreateRectRgn(coordinate(random), coordinate(random), coordinate(random), coordinate(random));
            CombineRgn(region, region, piece, i == 3 ? RGN_XOR : RGN_OR);
            DeleteObject(piece);
        }
        return region;
    };
    for (int round = 0; round < 40; ++round) {
        HRGN a = randomRegion(), b = randomRegion(), result = CreateRectRgn(0, 0, 0, 0);
        const auto pa = Pixels(a), pb = Pixels(b);
        for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY}) {
            const int type = CombineRgn(result, a, b, mode);
            const auto pr = Pixels(result);
            int count = 0;
            for (size_t i = 0; i < pr.size(); ++i) {
                ASSERT_EQ(pr[i], Expected(mode, pa[i], pb[i])) << "mode " << mode << " round " << round;
                count += pr[i];
            }
            RECT box;
            EXPECT_EQ(GetRgnBox(result, &box), type);
            EXPECT_EQ(type == NULLREGION, count == 0);
            if (type == SIMPLEREGION) {
                EXPECT_EQ(count, (box.right - box.left) * (box.bottom - box.top));
            }
        }
        DeleteObject(a);
        DeleteObject(b);
        DeleteObject(result);
    }
}

TEST(Region, TypesBoxesAndQueries) {
    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6), r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box, (RECT{2, 2, 4, 4}));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
    GetRgnBox(r, &box);
    EXPECT_EQ(box, (RECT{0, 0, 6, 6}));
    EXPECT_TRUE(PtInRegion(r, 5, 5));
    EXPECT_FALSE(PtInRegion(r, 5, 0));
    const RECT corner{4, 0, 6, 2}, overlapping{3, 0, 6, 2};
    EXPECT_FALSE(RectInRegion(r, &corner));
    EXPECT_TRUE(RectInRegion(r, &overlapping));
    EXPECT_EQ(OffsetRgn(r, 10, 20), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(r, 15, 25));
    EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_AND), ERROR);
    // Equal areas built differently compare equal.
    HRGN left = CreateRectRgn(0, 0, 2, 4), right = CreateRectRgn(2, 0, 4, 4), joined = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(joined, left, right, RGN_OR);
    EXPECT_TRUE(EqualRgn(joined, a));
    EXPECT_FALSE(EqualRgn(joined, b));
    for (HRGN region : {a, b, r, left, right, joined}) DeleteObject(region);
}

TEST(Region, RegionDataRoundTripsAndDamagedDataIsRefused) {
    HRGN ellipse = CreateEllipticRgn(0, 0, 9, 7);
    const DWORD size = GetRegionData(ellipse, 0, nullptr);
    ASSERT_GT(size, sizeof(RGNDATAHEADER));
    std::vector<BYTE> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    EXPECT_EQ(GetRegionData(ellipse, size - 1, data), 0u);
    EXPECT_EQ(GetRegionData(ellipse, size, data), size);
    EXPECT_EQ(data->rdh.nCount * sizeof(RECT) + sizeof(RGNDATAHEADER), size);
    EXPECT_EQ(data->rdh.rcBound, (RECT{0, 0, 9, 7}));
    HRGN copy = ExtCreateRegion(nullptr, size, data);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(EqualRgn(copy, ellipse));
    DeleteObject(copy);

    EXPECT_EQ(ExtCreateRegion(nullptr, size - 1, data), nullptr);  // rectangles beyond the size
    data->rdh.nCount = 0xFFFFFFFF;
    EXPECT_EQ(ExtCreateRegion(nullptr, size, data), nullptr);
    data->rdh.nCount = 1;
    data->rdh.iType = 2;
    EXPECT_EQ(ExtCreateRegion(nullptr, size, data), nullptr);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.dwSize = 0xFFFF;
    EXPECT_EQ(ExtCreateRegion(nullptr, size, data), nullptr);
    DeleteObject(ellipse);

    // Overlapping, unordered rectangles are merged.
    std::vector<BYTE> raw(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT));
    RGNDATAHEADER header;
    header.nCount = 2;
    const RECT rects[2] = {{2, 2, 6, 6}, {0, 0, 4, 4}};
    std::memcpy(raw.data(), &header, sizeof header);
    std::memcpy(raw.data() + sizeof header, rects, sizeof rects);
    HRGN merged = ExtCreateRegion(nullptr, static_cast<DWORD>(raw.size()), reinterpret_cast<RGNDATA*>(raw.data()));
    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6), expected = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(expected, a, b, RGN_OR);
    EXPECT_TRUE(EqualRgn(merged, expected));
    for (HRGN region : {merged, a, b, expected}) DeleteObject(region);
}

TEST(Region, EllipticRegionHoldsThePixelsEllipseDraws) {
    Surface drawn(11, 8), filled(11, 8);
    drawn.Fill(RGB(255, 255, 255));
    filled.Fill(RGB(255, 255, 255));
    SelectObject(drawn.dc(), GetStockObject(BLACK_BRUSH));
    Ellipse(drawn.dc(), 1, 0, 11, 7);
    HRGN region = CreateEllipticRgn(1, 0, 11, 7);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRgn(filled.dc(), region, black);
    EXPECT_EQ(filled.Picture(RGB(0, 0, 0)), drawn.Picture(RGB(0, 0, 0)));
    DeleteObject(region);
    DeleteObject(black);
}

TEST(Region, PolygonRegionsFollowTheFillMode) {
    const POINT points[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
    HRGN alternate = CreatePolygonRgn(points, 10, ALTERNATE), winding = CreatePolygonRgn(points, 10, WINDING);
    EXPECT_FALSE(PtInRegion(alternate, 3, 3));
    EXPECT_TRUE(PtInRegion(winding, 3, 3));
    EXPECT_TRUE(PtInRegion(alternate, 1, 1));
    EXPECT_EQ(CreatePolygonRgn(points, 10, 7), nullptr);
    DeleteObject(alternate);
    DeleteObject(winding);
}

TEST(Region, FrameRgnPaintsTheInnerBorderInLogicalCoordinates) {
    Surface s(6, 5);
    s.Fill(RGB(255, 255, 255));
    SetViewportOrgEx(s.dc(), 1, 0, nullptr);
    HRGN region = CreateRectRgn(0, 0, 5, 5);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FrameRgn(s.dc(), region, black, 2, 1);
    EXPECT_EQ(s.Picture(RGB(0, 0, 0)), Rows({".#####", ".##.##", ".##.##", ".##.##", ".#####"}));
    DeleteObject(region);
    DeleteObject(black);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(Region, ErosionBySteppedShiftsMatchesPixelByPixelErosion) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> coordinate(0, 30);
    for (int round = 0; round < 20; ++round) {
        std::vector<RECT> rects;
        for (int i = 0; i < 5; ++i) rects.push_back(RECT{coordinate(random), coordinate(random), coordinate(random), coordinate(random)});
        const RegionRects region = RegionRects::FromRects(rects);
        for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 3}, {2, 5}, {7, 1}, {12, 12}}) {
            const RegionRects eroded = region.ErodedBy(dx, dy);
            for (int y = -1; y < 32; ++y)
                for (int x = -1; x < 32; ++x) {
                    bool inside = true;
                    for (int v = -dy; v <= dy && inside; ++v)
                        for (int u = -dx; u <= dx && inside; ++u) inside = region.Contains(x + u, y + v);
                    ASSERT_EQ(eroded.Contains(x, y), inside) << dx << "," << dy << " at " << x << "," << y;
                }
        }
    }
}

}  // namespace
}  // namespace parch
