#pragma once
// Layers of the image control: a z-ordered collection (index 0 at the bottom) of objects
// painted over the bitmap, optionally painted over the finished window, able to receive mouse
// input, and reporting their changes to whoever composes the picture.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bitmap32/Bitmap32.h"

namespace parch {

class TCustomLayer;
class TLayerCollection;

// The image control's mouse buttons and cursors, in the window layer's values.
enum class TLayerMouseButton { mbLeft, mbRight, mbMiddle };
using TLayerShiftState = unsigned;
using TLayerCursor = std::int16_t;
constexpr TLayerCursor kDefaultLayerCursor = 0;

constexpr std::uint32_t LOB_VISIBLE = 0x80000000u;
constexpr std::uint32_t LOB_GDI_OVERLAY = 0x40000000u;
constexpr std::uint32_t LOB_MOUSE_EVENTS = 0x20000000u;
constexpr std::uint32_t LOB_NO_UPDATE = 0x10000000u;
constexpr std::uint32_t LOB_NO_CAPTURE = 0x08000000u;
constexpr std::uint32_t LOB_INVALID = 0x04000000u;
constexpr std::uint32_t LOB_FORCE_UPDATE = 0x02000000u;

// Actions of the list-notify event.
constexpr int kLayerAdded = 0;
constexpr int kLayerInserted = 1;
constexpr int kLayerRemoved = 2;
constexpr int kLayersCleared = 3;

using TLayerListNotifyEvent = std::function<void(TObject* sender, int action, TCustomLayer* layer, int index)>;
using TLayerUpdateEvent = std::function<void(TObject* sender, TCustomLayer* layer)>;
using TLayerMouseEvent = std::function<void(TObject* sender, TLayerMouseButton button, TLayerShiftState shift, int x, int y)>;
using TLayerMouseMoveEvent = std::function<void(TObject* sender, TLayerShiftState shift, int x, int y)>;
using TLayerHitTestEvent = std::function<void(TObject* sender, int x, int y, bool& passed)>;
using TLayerPaintEvent = std::function<void(TObject* sender, TBitmap32* buffer)>;
using TViewportQuery = std::function<void(TObject* sender, float& x, float& y)>;

// What the owning control provides: the screen cursor, and its own cursor.
class ILayerHost {
public:
    virtual ~ILayerHost() = default;
    virtual void SetScreenCursor(TLayerCursor cursor) = 0;
    virtual TLayerCursor ControlCursor() const = 0;
};

class TLayerCollection : public TPersistent {
public:
    // host may be nullptr (no cursor changes).
    explicit TLayerCollection(ILayerHost* host = nullptr);
    ~TLayerCollection() override;
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    // Constructs a layer of the class in this collection and reports it added again with its
    // index.
    template <class Layer>
    Layer* Add() {
        auto* layer = new Layer(this);
        AnnounceAdded(layer);
        return layer;
    }
    void Clear();
    void Assign(const TPersistent* source) override;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    void OverlayUpdate();
    void RefreshLayer(TCustomLayer* layer);

    int Count() const { return static_cast<int>(items_.size()); }
    TCustomLayer* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int IndexOf(const TCustomLayer* layer) const;
    ILayerHost* Host() const { return host_; }

    void GetViewportScale(float& scaleX, float& scaleY);
    void GetViewportShift(float& shiftX, float& shiftY);

    // From the top down, the first layer whose flags share a bit with optionsMask and that the
    // point hits; nullptr when none.
    TCustomLayer* LayerAtPoint(int x, int y, std::uint32_t optionsMask = ~0u);

    // Mouse routing; each returns the layer that handled the event, or nullptr.
    TCustomLayer* MouseDown(TLayerMouseButton button, TLayerShiftState shift, int x, int y);
    TCustomLayer* MouseMove(TLayerShiftState shift, int x, int y);
    TCustomLayer* MouseUp(TLayerMouseButton button, TLayerShiftState shift, int x, int y);
    TCustomLayer* MouseTarget() const { return mouseTarget_; }
    void SetMouseTarget(TCustomLayer* layer);

    bool LayerMouseEvents = true;
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;
    TNotifyEvent OnGDIUpdate;
    TLayerListNotifyEvent OnListNotify;
    TLayerUpdateEvent OnLayerUpdated;
    TAreaChangedEvent OnAreaUpdated;
    TViewportQuery OnGetViewportScale;
    TViewportQuery OnGetViewportShift;

private:
    friend class TCustomLayer;
    void InsertLayer(TCustomLayer* layer);
    void RemoveLayer(TCustomLayer* layer);
    void MoveLayer(TCustomLayer* layer, int newIndex);
    void AnnounceAdded(TCustomLayer* layer);
    void Notify(int action, TCustomLayer* layer, int index);

    ILayerHost* host_;
    std::vector<TCustomLayer*> items_;  // owned: a layer frees itself from the list
    TCustomLayer* mouseTarget_ = nullptr;
    int updateCount_ = 0;
};

// The base of every layer; paints nothing itself.
class TCustomLayer : public TNotifiablePersistent {
public:
    explicit TCustomLayer(TLayerCollection* collection);
    ~TCustomLayer() override;

    void Changed() override;
    void Changing();
    void Update();

    std::uint32_t LayerFlags() const { return layerFlags_; }
    virtual void SetLayerFlags(std::uint32_t flags);
    bool Visible() const { return (layerFlags_ & LOB_VISIBLE) != 0; }
    void SetVisible(bool visible);
    bool Invalid() const { return (layerFlags_ & LOB_INVALID) != 0; }
    // The repaint optimiser's mark; no notification.
    void SetInvalid(bool invalid);

    int Index() const;
    virtual void SetIndex(int index);
    TLayerCollection* LayerCollection() const { return collection_; }
    virtual void SetLayerCollection(TLayerCollection* collection);
    TLayerCursor Cursor() const { return cursor_; }
    virtual void SetCursor(TLayerCursor cursor);
    unsigned PressedButtons() const { return pressedButtons_; }

    // Tells listener (a layer) when this one is freed.
    void AddNotification(TCustomLayer* listener);
    void RemoveNotification(TCustomLayer* listener);

    bool PointHits(int x, int y);
    void PaintSurface(TBitmap32* buffer);
    virtual void PaintOverlay(TCanvas* canvas) {}

    virtual void MouseDown(TLayerMouseButton button, TLayerShiftState shift, int x, int y);
    virtual void MouseMove(TLayerShiftState shift, int x, int y);
    virtual void MouseUp(TLayerMouseButton button, TLayerShiftState shift, int x, int y);

    TLayerHitTestEvent OnHitTest;
    TLayerMouseEvent OnMouseDown;
    TLayerMouseMoveEvent OnMouseMove;
    TLayerMouseEvent OnMouseUp;
    TLayerPaintEvent OnPaint;
    TNotifyEvent OnDestroy;

    // A new, empty layer of this layer's class in collection (a collection copies through it).
    virtual TCustomLayer* NewLayerOfSameClass(TLayerCollection* collection) const { return new TCustomLayer(collection); }

protected:
    // Another layer takes this one's cursor and flags; derived layers add their own state.
    void AssignTo(TPersistent* dest) const override;
    virtual bool TestHit(int x, int y) { return true; }
    virtual void Notification(TCustomLayer* layer) {}
    virtual void Paint(TBitmap32* buffer) {}

private:
    friend class TLayerCollection;
    static unsigned ButtonBit(TLayerMouseButton button) { return 1u << static_cast<unsigned>(button); }

    TLayerCursor cursor_ = kDefaultLayerCursor;
    std::unique_ptr<std::vector<TCustomLayer*>> freeListeners_;
    TLayerCollection* collection_ = nullptr;
    unsigned pressedButtons_ = 0;
    std::uint32_t layerFlags_ = LOB_VISIBLE;
};

}  // namespace parch
