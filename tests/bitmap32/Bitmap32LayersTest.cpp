#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap32/Bitmap32Layers.h"

namespace parch {
namespace {

class TRecordingHost : public ILayerHost {
public:
    void SetScreenCursor(TLayerCursor cursor) override { cursors.push_back(cursor); }
    TLayerCursor ControlCursor() const override { return 7; }
    std::vector<TLayerCursor> cursors;
};

struct CollectionLog {
    std::vector<std::string> entries;

    void Watch(TLayerCollection& collection) {
        collection.OnChanging = [this](TObject*) { entries.push_back("changing"); };
        collection.OnChange = [this](TObject*) { entries.push_back("change"); };
        collection.OnListNotify = [this](TObject*, int action, TCustomLayer*, int index) {
            entries.push_back("list " + std::to_string(action) + " " + std::to_string(index));
        };
        collection.OnLayerUpdated = [this](TObject*, TCustomLayer*) { entries.push_back("updated"); };
    }
};

// A layer that is hit only inside its box.
class TBoxHitLayer : public TCustomLayer {
public:
    using TCustomLayer::TCustomLayer;
    RECT box{0, 0, 10, 10};
    TCustomLayer* NewLayerOfSameClass(TLayerCollection* collection) const override { return new TBoxHitLayer(collection); }

protected:
    bool TestHit(int x, int y) override { return x >= box.left && x < box.right && y >= box.top && y < box.bottom; }
};

TEST(Layers, AddReportsTheNewLayerTwice) {
    CollectionLog log;  // outlives the collection, which reports while it is freed
    TLayerCollection collection;
    log.Watch(collection);
    collection.Add<TCustomLayer>();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"changing", "list 0 0", "change", "list 0 0"}));
}

TEST(Layers, ChangesReachTheCollectionUnlessSuppressed) {
    CollectionLog log;
    TLayerCollection collection;
    auto* layer = collection.Add<TCustomLayer>();
    log.Watch(collection);
    layer->Changed();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"updated", "change", "change"}));

    layer->SetLayerFlags(layer->LayerFlags() | LOB_NO_UPDATE);
    log.entries.clear();
    layer->Changed();
    layer->SetVisible(false);
    EXPECT_TRUE(log.entries.empty());
}

TEST(Layers, IndexMovesAreClamped) {
    TLayerCollection collection;
    auto* a = collection.Add<TCustomLayer>();
    auto* b = collection.Add<TCustomLayer>();
    auto* c = collection.Add<TCustomLayer>();
    a->SetIndex(99);
    EXPECT_EQ(collection.Items(2), a);
    EXPECT_EQ(b->Index(), 0);
    c->SetIndex(-4);
    EXPECT_EQ(collection.Items(0), c);
    a->SetLayerCollection(nullptr);
    EXPECT_EQ(a->Index(), -1);
    EXPECT_EQ(collection.Count(), 2);
    delete a;
}

TEST(Layers, FreeingTheCollectionReportsRemovalsButNoChanges) {
    std::vector<std::string> entries;
    {
        TLayerCollection collection;
        collection.Add<TCustomLayer>();
        collection.Add<TCustomLayer>();
        collection.OnLayerUpdated = [&](TObject*, TCustomLayer*) { entries.push_back("updated"); };
        collection.OnListNotify = [&](TObject*, int action, TCustomLayer*, int index) {
            entries.push_back("list " + std::to_string(action) + " " + std::to_string(index));
        };
        collection.OnChanging = [&](TObject*) { entries.push_back("changing"); };
        collection.OnChange = [&](TObject*) { entries.push_back("change"); };
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"list 2 1", "list 2 0", "list 3 0"}));
}

TEST(Layers, MouseRoutingCapturesAndReleases) {
    TRecordingHost host;
    TLayerCollection collection(&host);
    EXPECT_EQ(collection.MouseDown(TLayerMouseButton::mbLeft, 0, 1, 1), nullptr);
    EXPECT_EQ(collection.MouseMove(0, 1, 1), nullptr);
    EXPECT_EQ(collection.MouseUp(TLayerMouseButton::mbLeft, 0, 1, 1), nullptr);
    EXPECT_EQ(host.cursors, (std::vector<TLayerCursor>{7}));

    auto* bottom = collection.Add<TBoxHitLayer>();
    auto* top = collection.Add<TBoxHitLayer>();
    bottom->SetLayerFlags(bottom->LayerFlags() | LOB_MOUSE_EVENTS);
    top->SetLayerFlags(top->LayerFlags() | LOB_MOUSE_EVENTS);
    top->box = RECT{5, 5, 10, 10};
    top->SetCursor(3);
    int downs = 0;
    int ups = 0;
    top->OnMouseDown = [&](TObject*, TLayerMouseButton, TLayerShiftState, int, int) { ++downs; };
    top->OnMouseUp = [&](TObject*, TLayerMouseButton, TLayerShiftState, int, int) { ++ups; };

    EXPECT_EQ(collection.LayerAtPoint(1, 1), bottom);
    EXPECT_EQ(collection.MouseDown(TLayerMouseButton::mbLeft, 0, 6, 6), top);
    EXPECT_EQ(collection.MouseTarget(), top);
    EXPECT_EQ(collection.MouseMove(0, 1, 1), top);  // captured: outside its box still goes to it
    EXPECT_EQ(host.cursors.back(), 3);
    EXPECT_EQ(collection.MouseUp(TLayerMouseButton::mbLeft, 0, 1, 1), top);
    EXPECT_EQ(collection.MouseTarget(), nullptr);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);

    top->SetLayerFlags(top->LayerFlags() | LOB_NO_CAPTURE);
    collection.MouseDown(TLayerMouseButton::mbLeft, 0, 6, 6);
    EXPECT_EQ(collection.MouseTarget(), nullptr);

    // A captured layer that goes away leaves no target behind.
    bottom->SetLayerFlags(bottom->LayerFlags() & ~LOB_NO_CAPTURE);
    collection.MouseDown(TLayerMouseButton::mbRight, 0, 1, 1);
    ASSERT_EQ(collection.MouseTarget(), bottom);
    delete bottom;
    EXPECT_EQ(collection.MouseTarget(), nullptr);
}

TEST(Layers, AssignCopiesLayersOfTheSameClass) {
    TLayerCollection source;
    source.Add<TBoxHitLayer>();
    source.Add<TCustomLayer>();
    TLayerCollection copy;
    copy.Add<TCustomLayer>();
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_NE(dynamic_cast<TBoxHitLayer*>(copy.Items(0)), nullptr);
    EXPECT_EQ(dynamic_cast<TBoxHitLayer*>(copy.Items(1)), nullptr);
}

TEST(Layers, FreeListenersHearOfTheLayerGoing) {
    class TListener : public TCustomLayer {
    public:
        using TCustomLayer::TCustomLayer;
        TCustomLayer* heard = nullptr;

    protected:
        void Notification(TCustomLayer* layer) override { heard = layer; }
    };
    TLayerCollection collection;
    auto* listener = collection.Add<TListener>();
    auto* watched = collection.Add<TCustomLayer>();
    watched->AddNotification(listener);
    delete watched;
    EXPECT_EQ(listener->heard, watched);
}

}  // namespace
}  // namespace parch
