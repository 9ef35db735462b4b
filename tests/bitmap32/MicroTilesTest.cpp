#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/Bitmap32Layers.h"
#include "bitmap32/MicroTiles.h"

namespace parch {
namespace {

std::vector<RECT> TileRects(const TTileGrid& grid, bool wholeTiles) {
    TRectList list;
    const int count = GridToRects(grid, &list, false, wholeTiles);
    std::vector<RECT> rects;
    for (int i = 0; i < list.Count(); ++i) rects.push_back(*list.Item(i));
    EXPECT_EQ(count, static_cast<int>(rects.size()));
    return rects;
}

bool Covered(const std::vector<RECT>& rects, int x, int y) {
    return std::any_of(rects.begin(), rects.end(),
                       [&](const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; });
}

TEST(MicroTiles, GridGeometryAndSingleRectangles) {
    TTileGrid grid;
    SizeTileGrid(grid, RECT{0, 0, 100, 50});
    EXPECT_EQ(grid.Columns, 4);
    EXPECT_EQ(grid.GridRows, 2);
    EXPECT_EQ(grid.TileCount, 15);

    AddRectToGrid(grid, RECT{10, 5, 20, 15}, false);
    EXPECT_EQ(grid.Tile(0, 0), PackTile(10, 5, 20, 15));
    EXPECT_EQ(grid.OccupiedTiles, (RECT{0, 0, 0, 0}));
    EXPECT_EQ(TileRects(grid, false), (std::vector<RECT>{{10, 5, 20, 15}}));

    FillTileGrid(grid, TileEmpty);
    AddRectToGrid(grid, RECT{40, 8, 70, 20}, false);
    EXPECT_EQ(grid.Tile(1, 0), PackTile(8, 8, 32, 20));
    EXPECT_EQ(grid.Tile(2, 0), PackTile(0, 8, 6, 20));
    EXPECT_EQ(TileRects(grid, false), (std::vector<RECT>{{40, 8, 70, 20}}));
    EXPECT_EQ(TileRects(grid, true), (std::vector<RECT>{{32, 0, 96, 32}}));

    FillTileGrid(grid, TileEmpty);
    AddRectToGrid(grid, RECT{0, 0, 32, 32}, false);
    EXPECT_EQ(grid.Tile(0, 0), TileFull);
    EXPECT_EQ(grid.Tile(1, 0), TileEmpty);
    EXPECT_EQ(grid.OccupiedTiles, (RECT{0, 0, 1, 1}));
    EXPECT_EQ(TileRects(grid, false), (std::vector<RECT>{{0, 0, 32, 32}}));

    FillTileGrid(grid, TileFull);
    EXPECT_TRUE(TileRects(grid, false).empty());
    grid.OccupiedTiles = RECT{0, 0, 4, 2};
    EXPECT_EQ(TileRects(grid, false), (std::vector<RECT>{{0, 0, 100, 50}}));
}

TEST(MicroTiles, RectanglesOutsideTheGridAddNothing) {
    TTileGrid grid;
    SizeTileGrid(grid, RECT{0, 0, 100, 50});
    for (const RECT r : {RECT{-30, 5, -10, 15}, RECT{5, -30, 15, -10}, RECT{200, 5, 220, 15}, RECT{5, 100, 15, 120}}) {
        AddRectToGrid(grid, r, false);
        EXPECT_EQ(grid.OccupiedTiles, (RECT{4, 2, 0, 0}));
    }
    AddRectToGrid(grid, RECT{-20, 5, 0, 15}, false);
    EXPECT_EQ(grid.Tile(0, 0), TileEmpty);
    EXPECT_EQ(grid.OccupiedTiles, (RECT{0, 0, 0, 0}));
}

TEST(MicroTiles, UniteTileRules) {
    TMicroTile tile = PackTile(10, 2, 20, 6);
    UniteTile(tile, PackTile(4, 4, 8, 8));
    EXPECT_EQ(tile, PackTile(4, 2, 20, 8));
    UniteTile(tile, PackTile(5, 5, 5, 9));
    EXPECT_EQ(tile, PackTile(4, 2, 20, 8));
    TMicroTile full = TileFull;
    UniteTile(full, PackTile(4, 4, 8, 8));
    EXPECT_EQ(full, TileFull);
}

TEST(MicroTiles, LinesAreCoveredInStepsGrownByTwiceTheirWidth) {
    TTileGrid grid;
    SizeTileGrid(grid, RECT{0, 0, 200, 100});
    AddLineToGrid(grid, 0, 0, 100, 10, 1, false);
    const std::vector<RECT> rects = TileRects(grid, false);
    for (int x = 0; x <= 100; ++x) EXPECT_TRUE(Covered(rects, x, x / 10)) << x;

    TTileGrid flat;
    SizeTileGrid(flat, RECT{0, 0, 200, 100});
    AddLineToGrid(flat, 0, 40, 100, 40, 0, false);  // no width, no height: nothing
    EXPECT_TRUE(TileRects(flat, false).empty());
}

// Every pixel of every rectangle and line added, inside the grid's bounds, lies in one of the
// rectangles the grid yields; in exact and whole-tile mode alike.
TEST(MicroTiles, RandomAreasAreAlwaysCovered) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + static_cast<int>(random() % 300);
        const int height = 1 + static_cast<int>(random() % 200);
        const bool wholeTiles = round % 2 == 1;
        TTileGrid grid;
        SizeTileGrid(grid, RECT{0, 0, width, height});
        std::vector<std::uint8_t> added(static_cast<std::size_t>(width) * height, 0);
        auto mark = [&](RECT r) {
            if (r.left > r.right) std::swap(r.left, r.right);
            if (r.top > r.bottom) std::swap(r.top, r.bottom);
            for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, height); ++y)
                for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, width); ++x)
                    added[static_cast<std::size_t>(y) * width + x] = 1;
        };
        auto coordinate = [&](int limit) { return static_cast<int>(random() % (limit + 80)) - 40; };
        for (int i = 0; i < 8; ++i) {
            const RECT r{coordinate(width), coordinate(height), coordinate(width), coordinate(height)};
            if (random() % 3 == 0) {
                // A line: its pixels are those of the segment, thickened by its width.
                const int lineWidth = static_cast<int>(random() % 4);
                AddLineToGrid(grid, r.left, r.top, r.right, r.bottom, lineWidth, wholeTiles);
                const int steps = std::max(std::abs(r.right - r.left), std::abs(r.bottom - r.top));
                for (int s = 0; s <= steps; ++s) {
                    const int x = r.left + (r.right - r.left) * s / std::max(steps, 1);
                    const int y = r.top + (r.bottom - r.top) * s / std::max(steps, 1);
                    if (lineWidth > 0) mark(RECT{x - lineWidth, y - lineWidth, x + lineWidth, y + lineWidth});
                }
            } else {
                AddRectToGrid(grid, r, wholeTiles);
                mark(r);
            }
        }
        const std::vector<RECT> rects = TileRects(grid, wholeTiles);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (added[static_cast<std::size_t>(y) * width + x]) {
                    ASSERT_TRUE(Covered(rects, x, y)) << "round " << round << " pixel " << x << "," << y;
                }
        for (const RECT& r : rects) {
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.right, width);
            EXPECT_LE(r.bottom, height);
        }
    }
}

TEST(MicroTiles, MergeAndCopyKeepWhatEachGridHeld) {
    TTileGrid a;
    TTileGrid b;
    SizeTileGrid(a, RECT{0, 0, 100, 100});
    SizeTileGrid(b, RECT{0, 0, 100, 100});
    AddRectToGrid(a, RECT{5, 5, 10, 10}, false);
    AddRectToGrid(b, RECT{70, 70, 80, 90}, false);
    MergeGrid(a, b, false);
    EXPECT_EQ(TileRects(a, false), (std::vector<RECT>{{5, 5, 10, 10}, {70, 70, 80, 90}}));

    TTileGrid copy;
    InitTileGrid(copy);
    CopyTileGrid(copy, a);
    EXPECT_EQ(TileRects(copy, false), TileRects(a, false));

    // A grid without a store never receives tiles from a merge.
    TTileGrid unsized;
    InitTileGrid(unsized);
    MergeGrid(unsized, a, false);
    EXPECT_TRUE(unsized.GridTiles.empty());
}

TEST(MicroTiles, MapFreesGridsOfRemovedLayers) {
    TMicroTilesMap map;
    TLayerCollection collection;
    auto* layer = collection.Add<TCustomLayer>();
    TTileGrid* grid = map.AddLayerGrid(layer);
    EXPECT_EQ(map.AddLayerGrid(layer), grid);
    EXPECT_EQ(map.GridOf(layer), grid);
    map.RemoveKey(layer);
    EXPECT_THROW(map.GridOf(layer), Exception);
}

// ---------------------------------------------------------------------------------------------

// The SSE2 variants of the bound routines against the portable ones.
class MicroTilesVariants : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HasFeature(CpuFeatures(), cfSSE2)) GTEST_SKIP() << "the processor has no SSE2: nothing to compare";
        const TFunctionRegistry& registry = *MicroTilesBindings().Registry;
        auto sse2Only = [](const TFunctionInfo& v) { return v.Features == FeatureSet(cfSSE2) ? 0 : NoPriority; };
        uniteTile = registry.Find<TUniteTileProc>(idUniteTile, sse2Only);
        uniteGrids = registry.Find<TUniteGridsProc>(idUniteGrids, sse2Only);
        ASSERT_TRUE(uniteTile && uniteGrids);
    }

    // Empty, full and degenerate tiles as often as ordinary ones; arbitrary words now and then.
    TMicroTile RandomTile() {
        auto side = [&] { return static_cast<int>(random() % 33); };
        switch (random() % 6) {
        case 0: return TileEmpty;
        case 1: return TileFull;
        case 2: {
            const int l = side(), t = side();
            return random() % 2 ? PackTile(l, t, l, side()) : PackTile(l, t, side(), t);
        }
        case 3: return static_cast<TMicroTile>(random());
        default: return PackTile(side(), side(), side(), side());
        }
    }

    TTileGrid RandomGrid(int width, int height) {
        TTileGrid grid;
        SizeTileGrid(grid, RECT{0, 0, width, height});
        for (TMicroTile& tile : grid.GridTiles) tile = RandomTile();
        const int x1 = static_cast<int>(random() % (grid.Columns + 2));
        const int y1 = static_cast<int>(random() % (grid.GridRows + 2));
        grid.OccupiedTiles = RECT{x1, y1, x1 + static_cast<int>(random() % (grid.Columns + 2)) - 1,
                                  y1 + static_cast<int>(random() % (grid.GridRows + 2)) - 1};
        if (random() % 8 == 0) grid.OccupiedTiles = RECT{grid.Columns, grid.GridRows, 0, 0};
        return grid;
    }

    std::mt19937 random{24};
    TUniteTileProc* uniteTile = nullptr;
    TUniteGridsProc* uniteGrids = nullptr;
};

TEST_F(MicroTilesVariants, BoundAfterThePortableOnes) {
    EXPECT_EQ(MicroTilesBindings().Registry->Name(), "B32_MicroTiles bindings");
    EXPECT_EQ(MicroTilesBindings().UniteTile, uniteTile);
    EXPECT_EQ(MicroTilesBindings().UniteGrids, uniteGrids);
}

TEST_F(MicroTilesVariants, UniteTileMatchesPortable) {
    for (int i = 0; i < 200000; ++i) {
        const TMicroTile start = RandomTile(), value = RandomTile();
        TMicroTile a = start, b = start;
        uniteTile(a, value);
        portable::UniteTile(b, value);
        ASSERT_EQ(a, b) << std::hex << start << " with " << value;
    }
}

// Grids of other sizes than their partner, used areas reaching past the store or empty, and
// row lengths that leave tails after the four-tile steps.
TEST_F(MicroTilesVariants, UniteGridsMatchesPortable) {
    for (int i = 0; i < 3000; ++i) {
        const TTileGrid src = RandomGrid(static_cast<int>(random() % 400), static_cast<int>(random() % 200));
        const TTileGrid dst = RandomGrid(static_cast<int>(random() % 400), static_cast<int>(random() % 200));
        TTileGrid a = dst, b = dst;
        uniteGrids(a, src);
        portable::UniteGrids(b, src);
        ASSERT_EQ(a.GridTiles, b.GridTiles) << "case " << i;
    }
}

TEST_F(MicroTilesVariants, ReleasedStoresAreLeftAlone) {
    TTileGrid released = RandomGrid(100, 50);
    released.OccupiedTiles = RECT{0, 0, 4, 2};
    FreeTileStore(released);
    TTileGrid full = RandomGrid(100, 50);
    full.OccupiedTiles = RECT{0, 0, 4, 2};
    const TTileGrid before = full;
    for (TUniteGridsProc* unite : {uniteGrids, &portable::UniteGrids}) {
        unite(full, released);
        EXPECT_EQ(full.GridTiles, before.GridTiles);
        unite(released, full);
        EXPECT_TRUE(released.GridTiles.empty());
    }
}

// ---------------------------------------------------------------------------------------------

// Virtual time for the library's timers, moved by the test.
class TVirtualTimeSource : public ITimeSource {
public:
    std::int64_t Milliseconds() override { return microseconds / 1000; }
    std::int64_t Microseconds() override { return microseconds; }
    std::int64_t microseconds = 0;
};

// A layer painting one rectangle of its buffer.
class TBoxLayer : public TCustomLayer {
public:
    using TCustomLayer::TCustomLayer;
    RECT box{10, 10, 20, 20};

protected:
    void Paint(TBitmap32* buffer) override { buffer->FillRectClipped(box.left, box.top, box.right, box.bottom, 0xFFFFFFFFu); }
};

class RepaintOptimizer : public ::testing::Test {
protected:
    RepaintOptimizer() : optimizer(&buffer, &invalid) {
        SetTimeSource(clock);
        buffer.SetSize(100, 50);
        optimizer.AttachLayerCollection(&layers);
    }
    ~RepaintOptimizer() override { SetTimeSource(nullptr); }

    std::vector<RECT> Compute() {
        invalid.Clear();
        optimizer.ComputeInvalidRects();
        std::vector<RECT> rects;
        for (int i = 0; i < invalid.Count(); ++i) rects.push_back(*invalid.Item(i));
        return rects;
    }

    // A full paint (no invalid rectangles) of the given length in microseconds.
    void FullPaint(std::int64_t length) {
        invalid.Clear();
        Paint(length);
    }

    // A paint of the given length in microseconds on the virtual clock.
    void Paint(std::int64_t length) {
        optimizer.BeginBufferPaint();
        clock->microseconds += length;
        optimizer.EndBufferPaint();
    }

    std::shared_ptr<TVirtualTimeSource> clock = std::make_shared<TVirtualTimeSource>();
    TBitmap32 buffer;
    TRectList invalid;
    TLayerCollection layers;
    TMicroTilesRepaintOptimizer optimizer;
};

TEST_F(RepaintOptimizer, EnablingForcesOneFullRepaint) {
    optimizer.SetEnabled(true);
    EXPECT_EQ(Compute(), (std::vector<RECT>{{0, 0, 100, 50}}));
    FullPaint(100);
    EXPECT_FALSE(optimizer.HasPendingUpdates());
    EXPECT_TRUE(Compute().empty());
}

TEST_F(RepaintOptimizer, ReportedAreasAtEachLevel) {
    optimizer.SetEnabled(true);
    Compute();
    FullPaint(1000);
    optimizer.NoteAreaUpdate(nullptr, RECT{10, 10, 20, 20}, AreaKindRect);
    EXPECT_EQ(Compute(), (std::vector<RECT>{{10, 10, 20, 20}}));
    Paint(5000);  // slower than the full paint: whole tiles from now on
    EXPECT_EQ(optimizer.Level(), 1);
    clock->microseconds = 0;  // keep the probe time ahead
    optimizer.NoteAreaUpdate(nullptr, RECT{10, 10, 20, 20}, AreaKindRect);
    const std::vector<RECT> rects = Compute();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], (RECT{0, 0, 32, 32}));
}

TEST_F(RepaintOptimizer, ChangedLayersRepaintOldAndNewPlaces) {
    auto* layer = layers.Add<TBoxLayer>();
    optimizer.SetEnabled(true);
    Compute();
    FullPaint(1000);

    layer->box = RECT{60, 30, 70, 40};
    layer->Changed();
    layer->Changed();  // listed once
    std::vector<RECT> rects = Compute();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (RECT{10, 10, 20, 20}));
    EXPECT_EQ(rects[1], (RECT{60, 30, 70, 40}));
    Paint(500);

    delete layer;  // what it painted last must be repainted
    rects = Compute();
    EXPECT_EQ(rects, (std::vector<RECT>{{60, 30, 70, 40}}));
}

TEST_F(RepaintOptimizer, ALayerListedAsChangedAndRemovedBeforeThePaintIsForgotten) {
    auto* layer = layers.Add<TBoxLayer>();
    optimizer.SetEnabled(true);
    Compute();
    FullPaint(1000);
    layer->Changed();
    delete layer;
    EXPECT_EQ(Compute(), (std::vector<RECT>{{10, 10, 20, 20}}));
}

TEST_F(RepaintOptimizer, OutlivingCollectionsKeepNoHandlers) {
    TLayerCollection outliving;
    {
        TMicroTilesRepaintOptimizer local(&buffer, &invalid);
        local.AttachLayerCollection(&outliving);
        local.SetEnabled(true);
    }
    EXPECT_FALSE(outliving.OnListNotify);
    EXPECT_FALSE(outliving.OnLayerUpdated);
    EXPECT_FALSE(outliving.OnAreaUpdated);
    outliving.Add<TBoxLayer>();
}

// The level rises after a slow partial paint and comes down again once the probe time has
// passed: never earlier, and not weeks later either, also when the tick count is near 2^31 ms.
class RepaintOptimizerAdaptation : public RepaintOptimizer, public ::testing::WithParamInterface<std::int64_t> {};

TEST_P(RepaintOptimizerAdaptation, ProbesTheLowerLevelOnTime) {
    clock->microseconds = GetParam() * 1000;
    optimizer.SetEnabled(true);
    Compute();
    FullPaint(1000);

    // Slow partial paints raise the level to 2; the first probe comes at once (no time set yet).
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    Compute();
    Paint(4000);
    ASSERT_EQ(optimizer.Level(), 1);
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    Compute();  // the probe: level 0 for one paint
    ASSERT_EQ(optimizer.Level(), 0);
    Paint(4000);  // slower again: back to 1, next probe a second later
    ASSERT_EQ(optimizer.Level(), 1);
    EXPECT_EQ(optimizer.ProbeInterval(), 1000);
    const std::int64_t probeAt = optimizer.NextProbeTick();
    EXPECT_EQ(probeAt, clock->Milliseconds() + 1000);

    // Before the probe time the level holds.
    clock->microseconds = (probeAt - 1) * 1000;
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    Compute();
    EXPECT_EQ(optimizer.Level(), 1);
    Paint(0);

    // Once it has passed, the level comes down.
    clock->microseconds = (probeAt + 1) * 1000;
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    Compute();
    EXPECT_EQ(optimizer.Level(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ticks, RepaintOptimizerAdaptation,
                         ::testing::Values(std::int64_t{5000}, (std::int64_t{1} << 31) - 600,
                                           (std::int64_t{1} << 32) - 600),
                         [](const ::testing::TestParamInfo<std::int64_t>& info) {
                             return "StartAt" + std::to_string(info.param) + "ms";
                         });

TEST_F(RepaintOptimizer, LevelTwoDropsPartialListsUntilAProbe) {
    optimizer.SetEnabled(true);
    clock->microseconds = 10'000'000;
    Compute();
    FullPaint(1000);
    for (int i = 0; i < 2; ++i) {
        optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
        Compute();
        Paint(4000);
    }
    // The first raise left no probe time, so the second computation probed and the slow paint
    // raised again; one more slow paint reaches level 2.
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    Compute();
    Paint(4000);
    ASSERT_EQ(optimizer.Level(), 2);
    optimizer.NoteAreaUpdate(nullptr, RECT{1, 1, 2, 2}, AreaKindRect);
    EXPECT_TRUE(Compute().empty());
}

}  // namespace
}  // namespace parch
