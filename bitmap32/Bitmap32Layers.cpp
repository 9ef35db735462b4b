#include "bitmap32/Bitmap32Layers.h"

#include <algorithm>

namespace parch {

TLayerCollection::TLayerCollection(ILayerHost* host) : host_(host) {}

TLayerCollection::~TLayerCollection() {
    // No changing or change event from here on; list notifications still go out.
    updateCount_ = 1;
    Clear();
}

void TLayerCollection::Notify(int action, TCustomLayer* layer, int index) {
    if (OnListNotify) OnListNotify(this, action, layer, index);
}

void TLayerCollection::InsertLayer(TCustomLayer* layer) {
    TUpdateGuard<TLayerCollection> update(*this);
    items_.push_back(layer);
    layer->collection_ = this;
    Notify(kLayerAdded, layer, Count() - 1);
}

void TLayerCollection::RemoveLayer(TCustomLayer* layer) {
    TUpdateGuard<TLayerCollection> update(*this);
    const int index = IndexOf(layer);
    if (index < 0) return;
    items_.erase(items_.begin() + index);
    layer->collection_ = nullptr;
    Notify(kLayerRemoved, layer, index);
}

void TLayerCollection::MoveLayer(TCustomLayer* layer, int newIndex) {
    const int index = IndexOf(layer);
    if (index < 0 || index == newIndex) return;
    items_.erase(items_.begin() + index);
    items_.insert(items_.begin() + newIndex, layer);
}

void TLayerCollection::AnnounceAdded(TCustomLayer* layer) {
    layer->SetIndex(Count() - 1);
    Notify(kLayerAdded, layer, layer->Index());
}

int TLayerCollection::IndexOf(const TCustomLayer* layer) const {
    const auto found = std::find(items_.begin(), items_.end(), layer);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TLayerCollection::Clear() {
    TUpdateGuard<TLayerCollection> update(*this);
    while (!items_.empty()) delete items_.back();  // each layer removes itself
    Notify(kLayersCleared, nullptr, 0);
}

void TLayerCollection::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TLayerCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    TUpdateGuard<TLayerCollection> update(*this);
    while (!items_.empty()) delete items_.back();
    for (TCustomLayer* sourceLayer : other->items_) {
        TCustomLayer* layer = sourceLayer->NewLayerOfSameClass(this);
        AnnounceAdded(layer);
        layer->Assign(sourceLayer);
    }
}

void TLayerCollection::BeginUpdate() {
    if (updateCount_ == 0 && OnChanging) OnChanging(this);
    ++updateCount_;
}

void TLayerCollection::EndUpdate() {
    --updateCount_;
    if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TLayerCollection::OverlayUpdate() {
    if (updateCount_ == 0 && OnGDIUpdate) OnGDIUpdate(this);
}

void TLayerCollection::RefreshLayer(TCustomLayer* layer) {
    if (OnLayerUpdated) OnLayerUpdated(this, layer);
    if (OnChange) OnChange(this);
}

void TLayerCollection::GetViewportScale(float& scaleX, float& scaleY) {
    scaleX = 1;
    scaleY = 1;
    if (OnGetViewportScale) OnGetViewportScale(this, scaleX, scaleY);
}

void TLayerCollection::GetViewportShift(float& shiftX, float& shiftY) {
    shiftX = 0;
    shiftY = 0;
    if (OnGetViewportShift) OnGetViewportShift(this, shiftX, shiftY);
}

TCustomLayer* TLayerCollection::LayerAtPoint(int x, int y, std::uint32_t optionsMask) {
    for (int i = Count() - 1; i >= 0; --i) {
        TCustomLayer* layer = items_[static_cast<std::size_t>(i)];
        if ((layer->LayerFlags() & optionsMask) != 0 && layer->PointHits(x, y)) return layer;
    }
    return nullptr;
}

void TLayerCollection::SetMouseTarget(TCustomLayer* layer) {
    if (layer == mouseTarget_) return;
    if (mouseTarget_) mouseTarget_->pressedButtons_ = 0;
    mouseTarget_ = layer;
}

TCustomLayer* TLayerCollection::MouseDown(TLayerMouseButton button, TLayerShiftState shift, int x, int y) {
    TCustomLayer* layer = mouseTarget_ ? mouseTarget_ : LayerAtPoint(x, y, LOB_MOUSE_EVENTS);
    if (layer != mouseTarget_ && (!layer || (layer->LayerFlags() & LOB_NO_CAPTURE) == 0)) SetMouseTarget(layer);
    if (layer) {
        layer->pressedButtons_ |= TCustomLayer::ButtonBit(button);
        layer->MouseDown(button, shift, x, y);
    }
    return layer;
}

TCustomLayer* TLayerCollection::MouseMove(TLayerShiftState shift, int x, int y) {
    TCustomLayer* layer = mouseTarget_ ? mouseTarget_ : LayerAtPoint(x, y, LOB_MOUSE_EVENTS);
    if (layer) layer->MouseMove(shift, x, y);
    else if (host_) host_->SetScreenCursor(host_->ControlCursor());
    return layer;
}

TCustomLayer* TLayerCollection::MouseUp(TLayerMouseButton button, TLayerShiftState shift, int x, int y) {
    TCustomLayer* layer = mouseTarget_ ? mouseTarget_ : LayerAtPoint(x, y, LOB_MOUSE_EVENTS);
    if (layer) {
        layer->pressedButtons_ &= ~TCustomLayer::ButtonBit(button);
        layer->MouseUp(button, shift, x, y);
    }
    if (mouseTarget_ && mouseTarget_->pressedButtons_ == 0) SetMouseTarget(nullptr);
    return layer;
}

// ---------------------------------------------------------------------------------------------

TCustomLayer::TCustomLayer(TLayerCollection* collection) { SetLayerCollection(collection); }

TCustomLayer::~TCustomLayer() {
    if (OnDestroy) OnDestroy(this);
    if (freeListeners_) {
        for (std::size_t i = freeListeners_->size(); i > 0 && freeListeners_; --i) {
            if (i > freeListeners_->size()) continue;
            (*freeListeners_)[i - 1]->Notification(this);
        }
        freeListeners_.reset();
    }
    SetLayerCollection(nullptr);
}

void TCustomLayer::AddNotification(TCustomLayer* listener) {
    if (!freeListeners_) freeListeners_ = std::make_unique<std::vector<TCustomLayer*>>();
    if (std::find(freeListeners_->begin(), freeListeners_->end(), listener) == freeListeners_->end())
        freeListeners_->push_back(listener);
}

void TCustomLayer::RemoveNotification(TCustomLayer* listener) {
    if (!freeListeners_) return;
    std::erase(*freeListeners_, listener);
    if (freeListeners_->empty()) freeListeners_.reset();
}

void TCustomLayer::Changing() {
    if (UpdateCount() <= 0 && Visible() && collection_ && (layerFlags_ & LOB_NO_UPDATE) == 0 &&
        collection_->OnChanging)
        collection_->OnChanging(collection_);
}

void TCustomLayer::Update() {
    if (collection_ && (Visible() || (layerFlags_ & LOB_FORCE_UPDATE) != 0)) collection_->RefreshLayer(this);
}

void TCustomLayer::Changed() {
    if (UpdateCount() > 0 || !collection_ || (layerFlags_ & LOB_NO_UPDATE) != 0) return;
    Update();
    if (Visible()) {
        if (collection_->OnChange) collection_->OnChange(collection_);
    } else if ((layerFlags_ & LOB_GDI_OVERLAY) != 0) {
        collection_->OverlayUpdate();
    }
    TNotifiablePersistent::Changed();
}

void TCustomLayer::SetLayerFlags(std::uint32_t flags) {
    Changing();
    layerFlags_ = flags;
    Changed();
}

void TCustomLayer::SetVisible(bool visible) {
    SetLayerFlags(visible ? layerFlags_ | LOB_VISIBLE : layerFlags_ & ~LOB_VISIBLE);
}

void TCustomLayer::SetInvalid(bool invalid) {
    layerFlags_ = invalid ? layerFlags_ | LOB_INVALID : layerFlags_ & ~LOB_INVALID;
}

int TCustomLayer::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TCustomLayer::SetIndex(int index) {
    if (!collection_ || index == Index()) return;
    index = std::clamp(index, 0, collection_->Count() - 1);
    if (index == Index()) return;
    if (Visible()) {
        TUpdateGuard<TLayerCollection> update(*collection_);
        collection_->MoveLayer(this, index);
    } else {
        collection_->MoveLayer(this, index);
    }
}

void TCustomLayer::SetLayerCollection(TLayerCollection* collection) {
    if (collection == collection_) return;
    if (collection_) {
        if (collection_->mouseTarget_ == this) collection_->SetMouseTarget(nullptr);
        collection_->RemoveLayer(this);
    }
    if (collection) collection->InsertLayer(this);
}

void TCustomLayer::SetCursor(TLayerCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    if (collection_ && collection_->mouseTarget_ == this && collection_->Host())
        collection_->Host()->SetScreenCursor(cursor);
}

void TCustomLayer::AssignTo(TPersistent* dest) const {
    auto* layer = dynamic_cast<TCustomLayer*>(dest);
    if (!layer) {
        TNotifiablePersistent::AssignTo(dest);
        return;
    }
    layer->SetCursor(cursor_);
    // The repaint optimiser's mark belongs to each layer itself.
    layer->SetLayerFlags((layerFlags_ & ~LOB_INVALID) | (layer->layerFlags_ & LOB_INVALID));
}

bool TCustomLayer::PointHits(int x, int y) {
    bool passed = TestHit(x, y);
    if (OnHitTest) OnHitTest(this, x, y, passed);
    return passed;
}

void TCustomLayer::PaintSurface(TBitmap32* buffer) {
    Paint(buffer);
    if (OnPaint) OnPaint(this, buffer);
}

void TCustomLayer::MouseDown(TLayerMouseButton button, TLayerShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomLayer::MouseMove(TLayerShiftState shift, int x, int y) {
    if (collection_ && collection_->Host()) collection_->Host()->SetScreenCursor(cursor_);
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TCustomLayer::MouseUp(TLayerMouseButton button, TLayerShiftState shift, int x, int y) {
    if (collection_ && collection_->Host()) collection_->Host()->SetScreenCursor(kDefaultLayerCursor);
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

}  // namespace parch
