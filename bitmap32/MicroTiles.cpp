#include "bitmap32/MicroTiles.h"

#include <algorithm>
#include <utility>

#include "bitmap32/Bitmap32Simd.h"
#include "bitmap32/LowLevel.h"

namespace parch {

namespace {

constexpr RECT kNoOccupiedTiles(const TTileGrid& grid) { return RECT{grid.Columns, grid.GridRows, 0, 0}; }

void WidenOccupied(TTileGrid& grid, int x1, int y1, int x2, int y2) {
    RECT& used = grid.OccupiedTiles;
    used.left = std::min<LONG>(used.left, x1);
    used.top = std::min<LONG>(used.top, y1);
    used.right = std::max<LONG>(used.right, x2);
    used.bottom = std::max<LONG>(used.bottom, y2);
}

// Whether the tile lies in the grid's store (the spare column and row included).
bool InStore(const TTileGrid& grid, int x, int y) {
    return x >= 0 && y >= 0 && x <= grid.Columns && y <= grid.GridRows &&
           static_cast<std::int64_t>(x) + static_cast<std::int64_t>(y) * grid.Columns < grid.SlotsInStore();
}

void UniteAt(TTileGrid& grid, int x, int y, int left, int top, int right, int bottom) {
    MicroTilesBindings().UniteTile(grid.Tile(x, y), PackTile(left, top, right, bottom));
}

// Exact tiles of a rectangle already clamped to the grid; see the table of shapes: the first
// and last tiles of a row or column take the offsets, inner tiles span the whole side.
void AddExactRect(TTileGrid& grid, const RECT& r) {
    const int x1 = r.left >> MicroTileShift;
    const int y1 = r.top >> MicroTileShift;
    const int x2 = r.right >> MicroTileShift;
    const int y2 = r.bottom >> MicroTileShift;
    const int l = r.left & (MicroTileSize - 1);
    const int t = r.top & (MicroTileSize - 1);
    const int rr = r.right & (MicroTileSize - 1);
    const int b = r.bottom & (MicroTileSize - 1);
    const int full = MicroTileSize;
    if (x1 == x2 && y1 == y2) {
        UniteAt(grid, x1, y1, l, t, rr, b);
    } else if (x1 == x2) {
        UniteAt(grid, x1, y1, l, t, rr, full);
        for (int y = y1 + 1; y < y2; ++y) UniteAt(grid, x1, y, l, 0, rr, full);
        UniteAt(grid, x1, y2, l, 0, rr, b);
    } else if (y1 == y2) {
        UniteAt(grid, x1, y1, l, t, full, b);
        for (int x = x1 + 1; x < x2; ++x) UniteAt(grid, x, y1, 0, t, full, b);
        UniteAt(grid, x2, y1, 0, t, rr, b);
    } else {
        UniteAt(grid, x1, y1, l, t, full, full);
        for (int x = x1 + 1; x < x2; ++x) UniteAt(grid, x, y1, 0, t, full, full);
        UniteAt(grid, x2, y1, 0, t, rr, full);
        for (int y = y1 + 1; y < y2; ++y) {
            UniteAt(grid, x1, y, l, 0, full, full);
            for (int x = x1 + 1; x < x2; ++x) grid.Tile(x, y) = TileFull;
            UniteAt(grid, x2, y, 0, 0, rr, full);
        }
        UniteAt(grid, x1, y2, l, 0, full, b);
        for (int x = x1 + 1; x < x2; ++x) UniteAt(grid, x, y2, 0, 0, full, b);
        UniteAt(grid, x2, y2, 0, 0, rr, b);
    }
}

}  // namespace

void InitTileGrid(TTileGrid& grid) { grid = TTileGrid{}; }

void FreeTileStore(TTileGrid& grid) {
    grid.GridTiles.clear();
    grid.GridTiles.shrink_to_fit();
}

void SizeTileGrid(TTileGrid& grid, const RECT& bounds) {
    grid.Bounds = bounds;
    const int width = std::max<LONG>(bounds.right - bounds.left, 0);
    const int height = std::max<LONG>(bounds.bottom - bounds.top, 0);
    grid.Columns = (width >> MicroTileShift) + 1;
    grid.GridRows = (height >> MicroTileShift) + 1;
    grid.TileCount = (grid.Columns + 1) * (grid.GridRows + 1);
    grid.GridTiles.assign(static_cast<std::size_t>(grid.TileCount), TileEmpty);
    FillTileGrid(grid, TileEmpty);
}

void FillTileGrid(TTileGrid& grid, TMicroTile value) {
    grid.OccupiedTiles = kNoOccupiedTiles(grid);
    std::fill(grid.GridTiles.begin(), grid.GridTiles.end(), value);
}

void ClearUsedTiles(TTileGrid& grid, TMicroTile value) {
    const RECT used = grid.OccupiedTiles;
    for (int y = used.top; y <= used.bottom; ++y)
        for (int x = used.left; x <= used.right; ++x)
            if (InStore(grid, x, y)) grid.Tile(x, y) = value;
    grid.OccupiedTiles = kNoOccupiedTiles(grid);
}

void CopyTileGrid(TTileGrid& dst, const TTileGrid& src) {
    if (!dst.GridTiles.empty() && dst.TileCount > 0) ClearUsedTiles(dst, TileEmpty);
    dst.Bounds = src.Bounds;
    dst.Columns = src.Columns;
    dst.GridRows = src.GridRows;
    dst.OccupiedTiles = src.OccupiedTiles;
    dst.GridTiles.resize(static_cast<std::size_t>(src.TileCount), TileEmpty);
    dst.TileCount = src.TileCount;
    const RECT used = src.OccupiedTiles;
    for (int y = used.top; y <= used.bottom; ++y)
        for (int x = used.left; x <= used.right; ++x)
            if (InStore(src, x, y)) dst.Tile(x, y) = src.Tile(x, y);
}

void AddRectToGrid(TTileGrid& grid, RECT rect, bool wholeTiles) {
    if (grid.TileCount == 0) return;
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, grid.Columns * MicroTileSize);
    rect.bottom = std::min<LONG>(rect.bottom, grid.GridRows * MicroTileSize);
    if (rect.right < rect.left || rect.bottom < rect.top) return;

    const int x1 = rect.left >> MicroTileShift;
    const int y1 = rect.top >> MicroTileShift;
    const int x2 = rect.right >> MicroTileShift;
    const int y2 = rect.bottom >> MicroTileShift;
    if (wholeTiles) {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) grid.Tile(x, y) = TileFull;
    } else {
        AddExactRect(grid, rect);
    }
    WidenOccupied(grid, x1, y1, x2, y2);
}

// The line is covered by 32-pixel steps along its major axis, each step's rectangle grown by
// twice the line width. Coordinates are widened to 64 bits so that long lines cannot overflow.
void AddLineToGrid(TTileGrid& grid, int x1, int y1, int x2, int y2, int lineWidth, bool wholeTiles) {
    const int grow = 2 * lineWidth;
    const std::int64_t dx = std::int64_t{x2} - x1;
    const std::int64_t dy = std::int64_t{y2} - y1;
    if (dx == 0 || dy == 0) {
        RECT r{x1, y1, x2, y2};
        GrowRectOutward(r, grow, grow);
        AddRectToGrid(grid, r, wholeTiles);
        return;
    }
    const std::int64_t signX = dx < 0 ? -1 : 1;
    const std::int64_t signY = dy < 0 ? -1 : 1;
    const std::int64_t absX = (dx < 0 ? -dx : dx) << 16;
    const std::int64_t absY = (dy < 0 ? -dy : dy) << 16;
    const bool majorX = absX >= absY;
    const std::int64_t steps = (majorX ? absX : absY) / MicroTileSize;  // 16.16
    const std::int64_t minorStep = ((majorX ? absY : absX) << 16) / steps;
    const std::int64_t stepX = signX * (majorX ? (std::int64_t{MicroTileSize} << 16) : minorStep);
    const std::int64_t stepY = signY * (majorX ? minorStep : (std::int64_t{MicroTileSize} << 16));
    const std::int64_t segments = (steps + 0xFFFF) >> 16;

    auto round = [](std::int64_t fixed) { return static_cast<LONG>((fixed + 0x7FFF) >> 16); };
    std::int64_t x = std::int64_t{x1} << 16;
    std::int64_t y = std::int64_t{y1} << 16;
    for (std::int64_t i = 0; i < segments; ++i) {
        const std::int64_t nextX = x + stepX;
        const std::int64_t nextY = y + stepY;
        RECT r{round(x), round(y), round(nextX), round(nextY)};
        GrowRectOutward(r, grow, grow);
        AddRectToGrid(grid, r, wholeTiles);
        x = nextX;
        y = nextY;
    }
}

namespace portable {

void UniteTile(TMicroTile& tile, TMicroTile value) {
    if (tile == TileFull || value == TileEmpty || TileDegenerate(value)) return;
    if (tile == TileEmpty || value == TileFull) {
        tile = value;
        return;
    }
    tile = PackTile(std::min(TileLeft(tile), TileLeft(value)), std::min(TileTop(tile), TileTop(value)),
                    std::max(TileRight(tile), TileRight(value)), std::max(TileBottom(tile), TileBottom(value)));
}

void UniteGrids(TTileGrid& dst, const TTileGrid& src) {
    const RECT used = src.OccupiedTiles;
    for (int y = used.top; y <= used.bottom; ++y)
        for (int x = used.left; x <= used.right; ++x)
            if (InStore(src, x, y) && InStore(dst, x, y)) portable::UniteTile(dst.Tile(x, y), src.Tile(x, y));
}

}  // namespace portable

namespace {

void RegisterMicroTilesVariants(TFunctionRegistry& r) {
    r.AddVariant(idUniteTile, &portable::UniteTile);
    r.AddVariant(idUniteGrids, &portable::UniteGrids);
#if defined(__x86_64__)
    const TCpuFeatures sse2 = FeatureSet(cfSSE2);
    r.AddVariant(idUniteTile, &simd::sse2::UniteTile, sse2);
    r.AddVariant(idUniteGrids, &simd::sse2::UniteGrids, sse2);
#endif
}

}  // namespace

const TMicroTilesBindings& MicroTilesBindings() {
    static const TMicroTilesBindings bindings = [] {
        TMicroTilesBindings b;
        TFunctionRegistry& registry = NewRegistry("B32_MicroTiles bindings");
        registry.AddBinding(idUniteTile, &b.UniteTile);
        registry.AddBinding(idUniteGrids, &b.UniteGrids);
        RegisterMicroTilesVariants(registry);
        registry.BindAll();
        b.Registry = &registry;
        return b;
    }();
    return bindings;
}

void UniteTile(TMicroTile& tile, TMicroTile value) { MicroTilesBindings().UniteTile(tile, value); }

void UniteGrids(TTileGrid& dst, const TTileGrid& src) { MicroTilesBindings().UniteGrids(dst, src); }

void MergeGrid(TTileGrid& dst, const TTileGrid& src, bool wholeTiles) {
    if (src.TileCount == 0) return;
    if (wholeTiles) {
        const RECT used = src.OccupiedTiles;
        for (int y = used.top; y <= used.bottom; ++y)
            for (int x = used.left; x <= used.right; ++x) {
                if (!InStore(src, x, y) || !InStore(dst, x, y)) continue;
                const TMicroTile tile = src.Tile(x, y);
                if (tile != TileEmpty && !TileDegenerate(tile)) dst.Tile(x, y) = TileFull;
            }
    } else {
        UniteGrids(dst, src);
    }
    WidenOccupied(dst, src.OccupiedTiles.left, src.OccupiedTiles.top, src.OccupiedTiles.right,
                  src.OccupiedTiles.bottom);
}

int GridToRects(const TTileGrid& grid, TRectList* dstRects, bool countOnly, bool wholeTiles) {
    return GridToRects(grid, dstRects, grid.Bounds, countOnly, wholeTiles);
}

int GridToRects(const TTileGrid& grid, TRectList* dstRects, const RECT& clip, bool countOnly, bool wholeTiles) {
    const RECT used = grid.OccupiedTiles;
    if (grid.TileCount == 0 || used.right < used.left || used.bottom < used.top) return 0;
    const int columns = grid.Columns;
    const int rows = grid.GridRows;
    std::vector<RECT> found;
    std::vector<int> continuesBelow(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), -1);
    auto clampX = [&](std::int64_t v) { return ClampRange(static_cast<int>(v), clip.left, clip.right); };
    auto clampY = [&](std::int64_t v) { return ClampRange(static_cast<int>(v), clip.top, clip.bottom); };

    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const TMicroTile tile = grid.Tile(x, y);
            if (tile == TileEmpty || TileDegenerate(tile)) continue;
            const int start = x + y * columns;
            RECT run;
            if (wholeTiles) {
                while (x + 1 < columns && grid.Tile(x + 1, y) != TileEmpty) ++x;
                run = RECT{clampX(std::int64_t{start - y * columns} * MicroTileSize), clampY(std::int64_t{y} * MicroTileSize),
                           clampX(std::int64_t{x} * MicroTileSize + MicroTileSize),
                           clampY(std::int64_t{y} * MicroTileSize + MicroTileSize)};
            } else {
                TMicroTile last = tile;
                while (TileRight(last) == MicroTileSize && x + 1 < columns) {
                    const TMicroTile next = grid.Tile(x + 1, y);
                    if (next == TileEmpty || TileLeft(next) != 0 || TileTop(next) != TileTop(tile) ||
                        TileBottom(next) != TileBottom(tile))
                        break;
                    ++x;
                    last = next;
                }
                const int firstColumn = start - y * columns;
                run = RECT{clampX(std::int64_t{firstColumn} * MicroTileSize + TileLeft(tile)),
                           clampY(std::int64_t{y} * MicroTileSize + TileTop(tile)),
                           clampX(std::int64_t{x} * MicroTileSize + TileRight(last)),
                           clampY(std::int64_t{y} * MicroTileSize + TileBottom(tile))};
            }
            const int above = continuesBelow[static_cast<std::size_t>(start)];
            int index;
            if (above >= 0 && found[static_cast<std::size_t>(above)].left == run.left &&
                found[static_cast<std::size_t>(above)].right == run.right &&
                found[static_cast<std::size_t>(above)].bottom == run.top) {
                found[static_cast<std::size_t>(above)].bottom = run.bottom;
                index = above;
            } else {
                found.push_back(run);
                index = static_cast<int>(found.size()) - 1;
            }
            if (y + 1 < rows) continuesBelow[static_cast<std::size_t>(start + columns)] = index;
        }
    }
    if (!countOnly && dstRects)
        for (const RECT& r : found) dstRects->Add(r);
    return static_cast<int>(found.size());
}

void GrowRectOutward(RECT& rect, int dx, int dy) {
    if (rect.left > rect.right) dx = -dx;
    if (rect.top > rect.bottom) dy = -dy;
    rect.left -= dx;
    rect.top -= dy;
    rect.right += dx;
    rect.bottom += dy;
}

// ---------------------------------------------------------------------------------------------

TMicroTilesMap::~TMicroTilesMap() { Clear(); }

TTileGrid* TMicroTilesMap::AddLayerGrid(const TCustomLayer* layer) {
    bool isNew = false;
    void** slot = AddEntry(layer, isNew);
    if (isNew) *slot = new TTileGrid();
    return static_cast<TTileGrid*>(*slot);
}

void* TMicroTilesMap::DeleteEntry(int bucketIndex, int itemIndex) {
    delete static_cast<TTileGrid*>(TPointerMap::DeleteEntry(bucketIndex, itemIndex));
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

TCustomRepaintOptimizer::TCustomRepaintOptimizer(TBitmap32* buffer, TRectList* invalidAreas)
    : invalidAreas_(invalidAreas), buffer_(buffer) {}

TCustomRepaintOptimizer::~TCustomRepaintOptimizer() {
    while (!layerCollections_.empty()) TCustomRepaintOptimizer::DetachLayerCollection(layerCollections_.back());
}

void TCustomRepaintOptimizer::AttachLayerCollection(TLayerCollection* collection) {
    if (std::find(layerCollections_.begin(), layerCollections_.end(), collection) != layerCollections_.end()) return;
    layerCollections_.push_back(collection);
    collection->OnListNotify = [this](TObject* sender, int action, TCustomLayer* layer, int index) {
        NoteLayerListChange(sender, action, layer, index);
    };
}

void TCustomRepaintOptimizer::DetachLayerCollection(TLayerCollection* collection) {
    collection->OnListNotify = nullptr;
    std::erase(layerCollections_, collection);
}

// ---------------------------------------------------------------------------------------------

TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer(TBitmap32* buffer, TRectList* invalidAreas)
    : TCustomRepaintOptimizer(buffer, invalidAreas) {}

TMicroTilesRepaintOptimizer::~TMicroTilesRepaintOptimizer() {
    // Collections may outlive the optimiser: none may keep a handler pointing here.
    while (!LayerCollections().empty()) DetachLayerCollection(LayerCollections().back());
}

void TMicroTilesRepaintOptimizer::InstallCollectionHandlers(TLayerCollection* collection) {
    collection->OnLayerUpdated = [this](TObject* sender, TCustomLayer* layer) { NoteLayerUpdate(sender, layer); };
    collection->OnAreaUpdated = [this](TObject* sender, const RECT& area, std::uint32_t info) {
        NoteAreaUpdate(sender, area, info);
    };
    collection->OnListNotify = [this](TObject* sender, int action, TCustomLayer* layer, int index) {
        NoteLayerListChange(sender, action, layer, index);
    };
}

void TMicroTilesRepaintOptimizer::RemoveCollectionHandlers(TLayerCollection* collection) {
    collection->OnLayerUpdated = nullptr;
    collection->OnAreaUpdated = nullptr;
    collection->OnListNotify = nullptr;
}

void TMicroTilesRepaintOptimizer::AttachLayerCollection(TLayerCollection* collection) {
    TCustomRepaintOptimizer::AttachLayerCollection(collection);
    if (Enabled()) InstallCollectionHandlers(collection);
}

void TMicroTilesRepaintOptimizer::DetachLayerCollection(TLayerCollection* collection) {
    RemoveCollectionHandlers(collection);
    TCustomRepaintOptimizer::DetachLayerCollection(collection);
}

void TMicroTilesRepaintOptimizer::ReleaseWorkingGrids() {
    FreeTileStore(invalidGrid_);
    FreeTileStore(scratchGrid_);
    FreeTileStore(forcedGrid_);
    InitTileGrid(invalidGrid_);
    InitTileGrid(scratchGrid_);
    InitTileGrid(forcedGrid_);
}

void TMicroTilesRepaintOptimizer::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return;
    if (enabled) {
        for (TLayerCollection* collection : LayerCollections()) InstallCollectionHandlers(collection);
        TCustomRepaintOptimizer::SetEnabled(true);
        NoteBufferResize(Buffer()->Width(), Buffer()->Height());
        return;
    }
    for (TLayerCollection* collection : LayerCollections()) RemoveCollectionHandlers(collection);
    ReleaseWorkingGrids();
    gridsSized_ = false;
    hasChanges_ = false;
    layerGridsValid_ = false;
    layerGrids_.Clear();
    changedLayers_.clear();
    TCustomRepaintOptimizer::SetEnabled(false);
}

void TMicroTilesRepaintOptimizer::NoteBufferResize(int newWidth, int newHeight) {
    bufferBounds_ = RECT{0, 0, newWidth, newHeight};
    ResetState();
}

void TMicroTilesRepaintOptimizer::ResetState() {
    gridsSized_ = false;
    layerGridsValid_ = false;
    EnsureLayerGrids();
    FillTileGrid(forcedGrid_, TileFull);
    forcedGrid_.OccupiedTiles = RECT{0, 0, forcedGrid_.Columns, forcedGrid_.GridRows};
    hasChanges_ = true;
}

bool TMicroTilesRepaintOptimizer::HasPendingUpdates() {
    EnsureLayerGrids();
    return hasChanges_;
}

void TMicroTilesRepaintOptimizer::NoteAreaUpdate(TObject*, const RECT& area, std::uint32_t info) {
    EnsureGridsSized();
    AddAreaToGrid(forcedGrid_, area, info);
    hasChanges_ = true;
}

void TMicroTilesRepaintOptimizer::NoteLayerUpdate(TObject*, TCustomLayer* layer) {
    if (!layerGridsValid_ || !layer || layer->Invalid()) return;
    changedLayers_.push_back(layer);
    layer->SetInvalid(true);
    hasChanges_ = true;
}

void TMicroTilesRepaintOptimizer::NoteLayerListChange(TObject*, int action, TCustomLayer* layer, int) {
    switch (action) {
    case kLayerAdded:
    case kLayerInserted:
        if (!layer) return;
        SizeTileGrid(*layerGrids_.AddLayerGrid(layer), Buffer()->BoundsRect());
        layerGridsValid_ = true;
        break;
    case kLayerRemoved:
        if (!layer) return;
        if (layerGridsValid_ && layerGrids_.Contains(layer)) {
            EnsureGridsSized();
            MergeGrid(invalidGrid_, *layerGrids_.GridOf(layer), false);
            hasChanges_ = true;
        }
        std::erase(changedLayers_, layer);
        layerGrids_.RemoveKey(layer);
        break;
    case kLayersCleared:
        if (layerGridsValid_) {
            EnsureGridsSized();
            TPointerMapIterator iterator(layerGrids_);
            while (iterator.Next()) MergeGrid(invalidGrid_, *static_cast<TTileGrid*>(iterator.Data), false);
            hasChanges_ = true;
            ResetAdaptation();
        }
        changedLayers_.clear();
        layerGrids_.Clear();
        layerGridsValid_ = true;
        break;
    default: break;
    }
}

void TMicroTilesRepaintOptimizer::EnsureGridsSized() {
    if (gridsSized_) return;
    SizeTileGrid(scratchGrid_, bufferBounds_);
    SizeTileGrid(invalidGrid_, bufferBounds_);
    SizeTileGrid(forcedGrid_, bufferBounds_);
    gridsSized_ = true;
}

void TMicroTilesRepaintOptimizer::EnsureLayerGrids() {
    if (layerGridsValid_) return;
    EnsureGridsSized();
    for (TLayerCollection* collection : LayerCollections()) {
        for (int i = 0; i < collection->Count(); ++i) {
            TCustomLayer* layer = collection->Items(i);
            TTileGrid* grid = layerGrids_.AddLayerGrid(layer);
            SizeTileGrid(*grid, bufferBounds_);
            MeasureLayer(*grid, layer);
            layer->SetInvalid(false);
        }
    }
    changedLayers_.clear();
    layerGridsValid_ = true;
    hasChanges_ = false;
}

void TMicroTilesRepaintOptimizer::MeasureLayer(TTileGrid& grid, TCustomLayer* layer) {
    TBitmap32* buffer = Buffer();
    buffer->StartMeasuring(
        [this](TObject*, const RECT& area, std::uint32_t info) { AddAreaToGrid(*workGrid_, area, info); });
    struct StopMeasuring {
        TBitmap32* buffer;
        ~StopMeasuring() { buffer->StopMeasuring(); }
    } stopOnEveryPath{buffer};
    workGrid_ = &grid;
    layer->PaintSurface(buffer);
}

void TMicroTilesRepaintOptimizer::AddAreaToGrid(TTileGrid& grid, const RECT& area, std::uint32_t info) {
    const bool wholeTiles = level_ > 0;
    if ((info & AreaKindLine) != 0) {
        const int width = static_cast<int>(info & 0x00FFFFFFu);
        RECT r = area;
        GrowRectOutward(r, width, width);
        AddLineToGrid(grid, r.left, r.top, r.right, r.bottom, width, wholeTiles);
    } else {
        AddRectToGrid(grid, area, wholeTiles);
    }
}

void TMicroTilesRepaintOptimizer::ResetAdaptation() {
    probeInterval_ = 1000;
    levelRaised_ = false;
    level_ = 0;
}

void TMicroTilesRepaintOptimizer::ComputeInvalidRects() {
    if (hasChanges_) {
        EnsureGridsSized();
        const bool wholeTiles = level_ > 0;
        for (TCustomLayer* layer : changedLayers_) {
            ClearUsedTiles(scratchGrid_, TileEmpty);
            MeasureLayer(scratchGrid_, layer);
            MergeGrid(invalidGrid_, scratchGrid_, wholeTiles);
            TTileGrid* old = layerGrids_.GridOf(layer);
            MergeGrid(invalidGrid_, *old, wholeTiles);
            CopyTileGrid(*old, scratchGrid_);
            layer->SetInvalid(false);
        }
        changedLayers_.clear();
        GridToRects(invalidGrid_, InvalidAreas(), false, wholeTiles);
        GridToRects(forcedGrid_, InvalidAreas(), false, wholeTiles);
    }
    LowerLevelCheck();
    ClearUsedTiles(invalidGrid_, TileEmpty);
    ClearUsedTiles(forcedGrid_, TileEmpty);
}

void TMicroTilesRepaintOptimizer::LowerLevelCheck() {
    if (!adaptive_ || level_ <= 0) return;
    if (TickMilliseconds() > nextProbeTick_) {
        level_ = std::clamp(level_ - 1, 0, 2);
        probePending_ = true;
    } else if (!levelRaised_ && InvalidAreas()->Count() < rectCountAtRaise_ - 10) {
        level_ = std::clamp(level_ - 1, 0, 2);
    } else if (level_ == 2) {
        InvalidAreas()->Clear();
    }
}

void TMicroTilesRepaintOptimizer::BeginBufferPaint() {
    if (adaptive_) paintTimer_.StartTiming();
}

void TMicroTilesRepaintOptimizer::EndBufferPaint() {
    hasChanges_ = false;
    AdaptAfterPaint();
}

void TMicroTilesRepaintOptimizer::AdaptAfterPaint() {
    const std::int64_t elapsed = paintTimer_.ElapsedMicroseconds();
    if (InvalidAreas()->Count() == 0) {
        fullPaintTime_ = elapsed;
    } else if (adaptive_) {
        if (elapsed > fullPaintTime_) {
            const int raised = std::min(level_ + 1, 2);
            if (raised != level_) {
                rectCountAtRaise_ = InvalidAreas()->Count();
                level_ = raised;
                if (probePending_) {
                    probeInterval_ = std::clamp(probeInterval_ + 250, 1000, 5000);
                    nextProbeTick_ = TickMilliseconds() + probeInterval_;
                    penaltyTime_ = elapsed;
                    probePending_ = false;
                }
                levelRaised_ = true;
            }
        } else if (elapsed < fullPaintTime_) {
            if (probePending_) {
                probeInterval_ = 1000;
                nextProbeTick_ = TickMilliseconds() + 1000;
                probePending_ = false;
            } else if (probeInterval_ > 1000) {
                probeInterval_ = std::clamp(probeInterval_ - 1000, 1000, 5000);
                nextProbeTick_ = TickMilliseconds() + probeInterval_;
            }
            levelRaised_ = false;
        } else if (elapsed < penaltyTime_ && probePending_) {
            probeInterval_ = std::clamp(probeInterval_ - 250, 1000, 5000);
            nextProbeTick_ = TickMilliseconds() + probeInterval_;
            probePending_ = false;
        }
    }
    lastPaintTime_ = elapsed;
}

}  // namespace parch
