#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Classes.h"

namespace parch {
namespace {

using Log = std::vector<std::string>;

// A component that writes down its destruction, the notifications it hears and its Loaded
// call, with the states it saw then.
class TRecorded : public TComponent {
public:
    TRecorded(TComponent* owner, const std::string& name, Log* log) : TComponent(owner), log_(log) {
        SetName(name);
    }
    ~TRecorded() override { log_->push_back("~" + Name()); }

    void Loaded() override {
        TComponent::Loaded();
        log_->push_back("Loaded " + Name());
    }
    std::vector<std::pair<TComponent*, TOperation>> heard;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        heard.emplace_back(component, operation);
    }

private:
    Log* log_;
};

TEST(Components, OwnerDestroysItsComponentsLastFirstAfterItsOwnBody) {
    Log log;
    auto* owner = new TRecorded(nullptr, "Owner", &log);
    new TRecorded(owner, "A", &log);
    auto* b = new TRecorded(owner, "B", &log);
    new TRecorded(b, "B1", &log);
    new TRecorded(b, "B2", &log);
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_THROW(owner->Components(2), Exception);
    delete owner;
    EXPECT_EQ(log, (Log{"~Owner", "~B", "~B2", "~B1", "~A"}));
}

TEST(Components, EveryOwnedComponentIsMarkedDestroyingBeforeAnyGoes) {
    struct TProbe : TComponent {
        TProbe(TComponent* owner, std::vector<bool>* seen) : TComponent(owner), seen(seen) {}
        ~TProbe() override { seen->push_back((ComponentState() & csDestroying) != 0); }
        std::vector<bool>* seen;
    };
    std::vector<bool> seen;
    auto* owner = new TComponent(nullptr);
    auto* child = new TProbe(owner, &seen);
    new TProbe(child, &seen);
    new TProbe(owner, &seen);
    delete owner;
    EXPECT_EQ(seen, (std::vector<bool>{true, true, true}));
}

TEST(Components, DeletingAComponentTakesItOutOfItsOwnerAndTellsTheTree) {
    Log log;
    TRecorded owner(nullptr, "Owner", &log);
    auto* a = new TRecorded(&owner, "A", &log);
    auto* b = new TRecorded(&owner, "B", &log);
    // Insertion is told to the owner and to what it already owned.
    ASSERT_EQ(owner.heard.size(), 2u);
    EXPECT_EQ(owner.heard[1], std::make_pair(static_cast<TComponent*>(b), TOperation::opInsert));
    EXPECT_EQ(a->heard.back(), std::make_pair(static_cast<TComponent*>(b), TOperation::opInsert));
    const auto removedB = std::make_pair(static_cast<TComponent*>(b), TOperation::opRemove);
    delete b;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.heard.back(), removedB);
    EXPECT_EQ(a->heard.back(), removedB);
}

TEST(Components, FreeNotificationLinksComponentsOfDifferentOwnersBothWays) {
    Log log;
    TComponent formA(nullptr), formB(nullptr);
    auto* watcher = new TRecorded(&formA, "Watcher", &log);
    auto* images = new TRecorded(&formB, "Images", &log);
    watcher->FreeNotification(images);
    const auto removedImages = std::make_pair(static_cast<TComponent*>(images), TOperation::opRemove);
    delete images;
    ASSERT_FALSE(watcher->heard.empty());
    EXPECT_EQ(watcher->heard.back(), removedImages);

    // The watcher goes first: the other side forgets it (no call into a freed object).
    auto* other = new TRecorded(&formB, "Other", &log);
    other->FreeNotification(watcher);
    delete watcher;
    delete other;
    // Removing the link by hand: nothing more is heard.
    auto* x = new TRecorded(&formA, "X", &log);
    auto* y = new TRecorded(&formB, "Y", &log);
    x->FreeNotification(y);
    x->RemoveFreeNotification(y);
    std::size_t before = x->heard.size();
    delete y;
    EXPECT_EQ(x->heard.size(), before);
}

TEST(Components, Names) {
    struct Case {
        const char* name;
        bool valid;
    } cases[] = {{"Button1", true}, {"_hidden", true}, {"a", true}, {"", true},
                 {"1st", false},    {"two words", false}, {"dash-ed", false}, {"Ünï", false}};
    for (const Case& c : cases) {
        TComponent owner(nullptr);
        auto* component = new TComponent(&owner);
        if (c.valid)
            EXPECT_NO_THROW(component->SetName(c.name)) << c.name;
        else
            EXPECT_THROW(component->SetName(c.name), EComponentError) << c.name;
    }

    TComponent owner(nullptr), other(nullptr);
    auto* first = new TComponent(&owner);
    first->SetName("Button1");
    auto* second = new TComponent(&owner);
    EXPECT_THROW(second->SetName("BUTTON1"), EComponentError);
    EXPECT_TRUE(second->Name().empty());
    EXPECT_NO_THROW(first->SetName("button1"));  // its own name in other letters
    EXPECT_EQ(owner.FindComponent("BUTTON1"), first);
    EXPECT_EQ(owner.FindComponent("Nothing"), nullptr);
    EXPECT_EQ(owner.FindComponent(""), nullptr);

    // Taking over a component whose name the new owner has already fails and changes nothing.
    auto* stranger = new TComponent(&other);
    stranger->SetName("Button1");
    EXPECT_THROW(owner.InsertComponent(stranger), EComponentError);
    EXPECT_EQ(stranger->Owner(), &other);
    stranger->SetName("Button2");
    owner.InsertComponent(stranger);
    EXPECT_EQ(stranger->Owner(), &owner);
    EXPECT_EQ(other.ComponentCount(), 0);
}

TEST(Components, LoadedComesAfterEveryComponentIsRead) {
    Log log;
    TComponent form(nullptr);
    auto* a = new TRecorded(&form, "A", &log);
    auto* b = new TRecorded(&form, "B", &log);
    auto* dropped = new TRecorded(&form, "Dropped", &log);
    {
        TComponentLoader loader;
        loader.Read(a);
        loader.Read(dropped);
        loader.Read(b);
        EXPECT_EQ(a->ComponentState() & (csLoading | csReading), csLoading | csReading);
        delete dropped;  // gone while reading: never told it is loaded
        loader.Finish();
    }
    EXPECT_EQ(log, (Log{"~Dropped", "Loaded A", "Loaded B"}));
    EXPECT_EQ(a->ComponentState() & (csLoading | csReading), 0u);
    EXPECT_EQ(b->ComponentState() & (csLoading | csReading), 0u);

    // Reading that fails midway leaves no flag set and calls no Loaded.
    log.clear();
    {
        TComponentLoader loader;
        loader.Read(a);
    }
    EXPECT_EQ(a->ComponentState() & (csLoading | csReading), 0u);
    EXPECT_TRUE(log.empty());
}

TEST(Components, LoadedSeesReadingOverForAllButLoadingForLaterOnes) {
    struct TPeer : TComponent {
        using TComponent::TComponent;
        TComponent* peer = nullptr;
        TComponentState peerState = 0;
        void Loaded() override {
            TComponent::Loaded();
            peerState = peer->ComponentState();
        }
    };
    TComponent form(nullptr);
    auto* first = new TPeer(&form);
    auto* second = new TComponent(&form);
    first->peer = second;
    TComponentLoader loader;
    loader.Read(first);
    loader.Read(second);
    loader.Finish();
    EXPECT_EQ(first->peerState & (csLoading | csReading), csLoading);
}

class TPair : public TPersistent {
public:
    int a = 0, b = 0;

protected:
    void AssignTo(TPersistent* dest) const override {
        if (auto* pair = dynamic_cast<TPair*>(dest)) {
            pair->a = a;
            pair->b = b;
            return;
        }
        TPersistent::AssignTo(dest);
    }
};

class TLonely : public TPersistent {};

TEST(Persistent, AssignGoesThroughTheSourceAndNamesBothClassesWhenRefused) {
    TPair source, dest;
    source.a = 3;
    source.b = 4;
    dest.Assign(&source);
    EXPECT_EQ(dest.a, 3);
    EXPECT_EQ(dest.b, 4);
    TLonely lonely;
    try {
        lonely.Assign(&source);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TPair to a TLonely");
    }
    try {
        dest.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TPair");
    }
    EXPECT_EQ(TComponent(nullptr).ClassName(), "TComponent");
}

}  // namespace
}  // namespace parch
