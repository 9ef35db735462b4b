#pragma once
// The component model: the root object, persistent objects that copy themselves onto each
// other, and components that own components, carry names, hear of each other's removal and
// know whether they are being read from a description or destroyed.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

class TObject {
public:
    virtual ~TObject() = default;
    // The class name without namespaces ("TComponent"); some callers tell classes apart by it.
    std::string ClassName() const;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// Holds an update (BeginUpdate ... EndUpdate) of anything that has one for as long as it lives,
// so the update ends on every path, also when an exception passes.
template <class T>
class TUpdateGuard {
public:
    explicit TUpdateGuard(T& updated) : updated_(updated) { updated_.BeginUpdate(); }
    ~TUpdateGuard() { updated_.EndUpdate(); }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

private:
    T& updated_;
};

// The application object installs how an exception that escaped an event handler is dealt
// with (reported to the user). HandleEventException is called inside a catch block; without a
// handler installed it raises the exception again.
using TApplicationExceptionHandler = std::function<void(TObject* sender)>;
void SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
void HandleEventException(TObject* sender);

class TPersistent : public TObject {
public:
    // Copies source onto this object: source->AssignTo(this) decides; a null source or a pair
    // that does not know each other raises EConvertError.
    virtual void Assign(const TPersistent* source);

protected:
    // Copies this object onto dest; the default knows no destination.
    virtual void AssignTo(TPersistent* dest) const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

// An invalid or duplicate component name, or a component owned twice.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

using TComponentState = unsigned;
constexpr TComponentState csLoading = 0x0001;
constexpr TComponentState csReading = 0x0002;
constexpr TComponentState csWriting = 0x0004;
constexpr TComponentState csDestroying = 0x0008;
constexpr TComponentState csDesigning = 0x0010;  // never set at run time

enum class TOperation { opInsert, opRemove };

// A component owns the components created with it as owner and destroys them with itself, the
// last one first. Owned components are destroyed in ~TComponent, after the derived parts of the
// owner are gone: a class whose owned components call back into it while they are destroyed
// calls DestroyComponents() in its own destructor.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    // Owned components by name, ignoring ASCII case; nullptr when none has it.
    TComponent* FindComponent(std::string_view name) const;
    // Takes over a component from its present owner (nullptr for none).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    const std::string& Name() const { return name_; }
    // Empty, or an identifier unique among the owner's components (ignoring ASCII case);
    // EComponentError otherwise.
    virtual void SetName(const std::string& name);

    TComponentState ComponentState() const { return state_; }
    std::intptr_t Tag = 0;

    // component is told through Notification(this, opRemove) when this component goes away
    // (and this one when component goes away).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Sets csDestroying on this component and every component it owns.
    void Destroying();

    // Reading from a description: csLoading and csReading while the properties are set (see
    // TComponentLoader), then Loaded, which clears csLoading.
    void BeginLoading() { state_ |= csLoading | csReading; }
    void EndReading() { state_ &= ~csReading; }
    virtual void Loaded();

protected:
    // Another component was inserted into or removed from this one's owner tree, or a
    // component this one asked to hear of is going away. The default passes it on to the owned
    // components.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void NotifyTree(TComponent* component, TOperation operation);
    void AddFreeNotifier(TComponent* component);
    void DropFreeNotifier(TComponent* component);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;  // owned
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    TComponentState state_ = 0;
};

// Reads components from a description as a form resource would be read: each component read
// gets csLoading and csReading; Finish clears csReading on all of them and then calls Loaded on
// each, in reading order, once every property of every one is set. A loader given up without
// Finish (an error while reading) clears the flags and calls no Loaded.
class TComponentLoader {
public:
    TComponentLoader();
    ~TComponentLoader();
    TComponentLoader(const TComponentLoader&) = delete;
    TComponentLoader& operator=(const TComponentLoader&) = delete;

    void Read(TComponent* component);
    void Finish();

private:
    class Watch;  // drops components destroyed before Finish
    std::unique_ptr<Watch> watch_;
};

}  // namespace parch
