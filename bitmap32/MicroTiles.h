#pragma once
// Micro tiles: changed areas of a back buffer recorded in a grid of 32 x 32 pixel tiles, each
// holding the bounding box of its changed pixels in one word; and the repaint optimiser that
// gathers the areas of changed layers between two paints and turns them into a short list of
// rectangles, coarsening to whole tiles and to full repaints when partial repaints are slower.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/Bitmap32Layers.h"
#include "bitmap32/Bitmap32Registry.h"

namespace parch {

// Tile value: left in bits 24-31, top 16-23, right 8-15, bottom 0-7 (offsets 0..32; right and
// bottom exclusive).
using TMicroTile = std::uint32_t;
constexpr int MicroTileShift = 5;
constexpr int MicroTileSize = 1 << MicroTileShift;
constexpr TMicroTile TileEmpty = 0;
constexpr TMicroTile TileFull = 0x00002020u;

// The info of an area report that is a line of (info & 0xFFFFFF) pixels width.
constexpr std::uint32_t AreaKindLine = 0x40000000u;

constexpr TMicroTile PackTile(int left, int top, int right, int bottom) {
    return (static_cast<TMicroTile>(left) << 24) | (static_cast<TMicroTile>(top) << 16) |
           (static_cast<TMicroTile>(right) << 8) | static_cast<TMicroTile>(bottom);
}
constexpr int TileLeft(TMicroTile t) { return static_cast<int>(t >> 24); }
constexpr int TileTop(TMicroTile t) { return static_cast<int>((t >> 16) & 0xFF); }
constexpr int TileRight(TMicroTile t) { return static_cast<int>((t >> 8) & 0xFF); }
constexpr int TileBottom(TMicroTile t) { return static_cast<int>(t & 0xFF); }
constexpr bool TileDegenerate(TMicroTile t) { return TileLeft(t) == TileRight(t) || TileTop(t) == TileBottom(t); }

// Tile (X, Y) is slot X + Y * Columns; the store has (Columns + 1) * (GridRows + 1) slots, so
// rectangles reaching the right or bottom edge stay inside it.
struct TTileGrid {
    RECT Bounds{};
    int Columns = 0;
    int GridRows = 0;
    RECT OccupiedTiles{};  // tile indices, inclusive; (Columns, GridRows, 0, 0) when unused
    int TileCount = 0;
    std::vector<TMicroTile> GridTiles;

    // Slots that may be addressed: TileCount, unless the store was released.
    std::int64_t SlotsInStore() const {
        return std::min<std::int64_t>(TileCount, static_cast<std::int64_t>(GridTiles.size()));
    }
    TMicroTile& Tile(int x, int y) { return GridTiles[static_cast<std::size_t>(x + y * Columns)]; }
    TMicroTile Tile(int x, int y) const { return GridTiles[static_cast<std::size_t>(x + y * Columns)]; }
};

void InitTileGrid(TTileGrid& grid);
void FreeTileStore(TTileGrid& grid);
void SizeTileGrid(TTileGrid& grid, const RECT& bounds);
void FillTileGrid(TTileGrid& grid, TMicroTile value);
void ClearUsedTiles(TTileGrid& grid, TMicroTile value);
void CopyTileGrid(TTileGrid& dst, const TTileGrid& src);
void AddRectToGrid(TTileGrid& grid, RECT rect, bool wholeTiles);
void AddLineToGrid(TTileGrid& grid, int x1, int y1, int x2, int y2, int lineWidth, bool wholeTiles);
// Reached through the bindings below; every variant gives the same tiles.
void UniteTile(TMicroTile& tile, TMicroTile value);
void UniteGrids(TTileGrid& dst, const TTileGrid& src);
void MergeGrid(TTileGrid& dst, const TTileGrid& src, bool wholeTiles);
// The merged rectangles of the grid, clipped; appended to dstRects unless countOnly. Gives
// their number.
int GridToRects(const TTileGrid& grid, TRectList* dstRects, const RECT& clip, bool countOnly, bool wholeTiles);
int GridToRects(const TTileGrid& grid, TRectList* dstRects, bool countOnly, bool wholeTiles);
void GrowRectOutward(RECT& rect, int dx, int dy);

using TUniteTileProc = void(TMicroTile& tile, TMicroTile value);
using TUniteGridsProc = void(TTileGrid& dst, const TTileGrid& src);

// Function identifiers of the registry "B32_MicroTiles bindings".
enum TMicroTilesFunction { idUniteTile, idUniteGrids };

struct TMicroTilesBindings {
    TUniteTileProc* UniteTile = nullptr;
    TUniteGridsProc* UniteGrids = nullptr;
    TFunctionRegistry* Registry = nullptr;
};

// Bound once, on first use, from any thread.
const TMicroTilesBindings& MicroTilesBindings();

// The portable variants, which define the results every other variant must give.
namespace portable {
void UniteTile(TMicroTile& tile, TMicroTile value);
void UniteGrids(TTileGrid& dst, const TTileGrid& src);
}  // namespace portable

// Layers to their grids; the map owns the grids.
class TMicroTilesMap : public TPointerMap {
public:
    ~TMicroTilesMap() override;
    // The layer's grid, created empty for a new layer.
    TTileGrid* AddLayerGrid(const TCustomLayer* layer);
    // EListError when the layer has no grid.
    TTileGrid* GridOf(const TCustomLayer* layer) const { return static_cast<TTileGrid*>(DataOf(layer)); }

protected:
    void* DeleteEntry(int bucketIndex, int itemIndex) override;
};

class TCustomRepaintOptimizer {
public:
    // buffer and invalidAreas belong to the paint box.
    TCustomRepaintOptimizer(TBitmap32* buffer, TRectList* invalidAreas);
    virtual ~TCustomRepaintOptimizer();
    TCustomRepaintOptimizer(const TCustomRepaintOptimizer&) = delete;
    TCustomRepaintOptimizer& operator=(const TCustomRepaintOptimizer&) = delete;

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled) { enabled_ = enabled; }

    virtual void AttachLayerCollection(TLayerCollection* collection);
    virtual void DetachLayerCollection(TLayerCollection* collection);

    virtual void BeginScreenPaint() {}
    virtual void EndScreenPaint() {}
    virtual void BeginBufferPaint() {}
    virtual void EndBufferPaint() {}

    virtual void ResetState() = 0;
    virtual bool HasPendingUpdates() = 0;
    virtual void ComputeInvalidRects() = 0;
    virtual void NoteAreaUpdate(TObject* sender, const RECT& area, std::uint32_t info) = 0;
    virtual void NoteLayerUpdate(TObject* sender, TCustomLayer* layer) = 0;
    virtual void NoteLayerListChange(TObject* sender, int action, TCustomLayer* layer, int index) = 0;
    virtual void NoteBufferResize(int newWidth, int newHeight) = 0;

protected:
    std::vector<TLayerCollection*>& LayerCollections() { return layerCollections_; }
    TBitmap32* Buffer() const { return buffer_; }
    TRectList* InvalidAreas() const { return invalidAreas_; }

private:
    bool enabled_ = false;
    std::vector<TLayerCollection*> layerCollections_;  // not owned
    TRectList* invalidAreas_;
    TBitmap32* buffer_;
};

class TMicroTilesRepaintOptimizer : public TCustomRepaintOptimizer {
public:
    // Paints are timed and probes scheduled on the library's time source (TickMilliseconds).
    TMicroTilesRepaintOptimizer(TBitmap32* buffer, TRectList* invalidAreas);
    ~TMicroTilesRepaintOptimizer() override;

    void SetEnabled(bool enabled) override;
    void AttachLayerCollection(TLayerCollection* collection) override;
    void DetachLayerCollection(TLayerCollection* collection) override;
    void BeginBufferPaint() override;
    void EndBufferPaint() override;
    void ResetState() override;
    bool HasPendingUpdates() override;
    void ComputeInvalidRects() override;
    void NoteAreaUpdate(TObject* sender, const RECT& area, std::uint32_t info) override;
    void NoteLayerUpdate(TObject* sender, TCustomLayer* layer) override;
    void NoteLayerListChange(TObject* sender, int action, TCustomLayer* layer, int index) override;
    void NoteBufferResize(int newWidth, int newHeight) override;

    // Adaptation state, readable for the paint box's diagnostics and tests.
    int Level() const { return level_; }
    int ProbeInterval() const { return probeInterval_; }
    std::int64_t NextProbeTick() const { return nextProbeTick_; }
    bool Adaptive() const { return adaptive_; }

private:
    void InstallCollectionHandlers(TLayerCollection* collection);
    static void RemoveCollectionHandlers(TLayerCollection* collection);
    void EnsureGridsSized();
    void EnsureLayerGrids();
    void MeasureLayer(TTileGrid& grid, TCustomLayer* layer);
    void AddAreaToGrid(TTileGrid& grid, const RECT& area, std::uint32_t info);
    void ResetAdaptation();
    void LowerLevelCheck();
    void AdaptAfterPaint();
    void ReleaseWorkingGrids();

    RECT bufferBounds_{};
    TTileGrid* workGrid_ = nullptr;
    TTileGrid scratchGrid_;
    TTileGrid invalidGrid_;
    TTileGrid forcedGrid_;
    std::vector<TCustomLayer*> changedLayers_;
    TMicroTilesMap layerGrids_;
    bool gridsSized_ = false;
    bool layerGridsValid_ = false;
    bool hasChanges_ = false;
    bool adaptive_ = true;
    TPerfTimer paintTimer_;
    int level_ = 0;
    std::int64_t lastPaintTime_ = 0;
    std::int64_t fullPaintTime_ = 0;
    bool levelRaised_ = false;
    bool probePending_ = false;
    int probeInterval_ = 0;
    std::int64_t nextProbeTick_ = 0;
    std::int64_t penaltyTime_ = 0;
    int rectCountAtRaise_ = 0;
};

}  // namespace parch
