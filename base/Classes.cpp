#include "base/Classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/Exceptions.h"
#include "base/Lists.h"

namespace parch {

namespace {

bool IsIdentifierStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsValidIdent(std::string_view name) {
    if (name.empty() || !IsIdentifierStart(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); });
}

template <class T>
void EraseOne(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

TApplicationExceptionHandler& ExceptionHandler() {
    static TApplicationExceptionHandler handler;
    return handler;
}

}  // namespace

void SetApplicationExceptionHandler(TApplicationExceptionHandler handler) {
    ExceptionHandler() = std::move(handler);
}

void HandleEventException(TObject* sender) {
    if (!ExceptionHandler()) throw;
    ExceptionHandler()(sender);
}

std::string TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                      std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void TPersistent::Assign(const TPersistent* source) {
    if (!source) AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    std::string from = source ? source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Everyone who asked to hear of this component's end hears of it now.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->DropFreeNotifier(this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        ListIndexError(index);
    return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this) return;
    if (!component->name_.empty() && FindComponent(component->name_))
        throw EComponentError("A component named " + component->name_ + " already exists");
    if (component->owner_) component->owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->owner_ != this) return;
    Notification(component, TOperation::opRemove);
    Remove(component);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        Remove(last);
        delete last;
    }
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("\"" + name + "\" is not a valid component name");
    if (owner_ && !SameText(name, name_) && owner_->FindComponent(name))
        throw EComponentError("A component named " + name + " already exists");
    name_ = name;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    // Components of one owner hear of each other through their owner already.
    if (owner_ && component->owner_ == owner_) return;
    AddFreeNotifier(component);
    component->AddFreeNotifier(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    DropFreeNotifier(component);
    component->DropFreeNotifier(this);
}

void TComponent::Destroying() {
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* c : components_) c->Destroying();
}

void TComponent::Loaded() {
    state_ &= ~csLoading;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
    NotifyTree(component, operation);
}

void TComponent::NotifyTree(TComponent* component, TOperation operation) {
    // A handler may free components of this list: walk it by index from the end, re-checking
    // the count after every call.
    for (std::size_t i = components_.size(); i > 0;) {
        --i;
        components_[i]->Notification(component, operation);
        i = std::min(i, components_.size());
    }
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    EraseOne(components_, component);
    component->owner_ = nullptr;
}

void TComponent::AddFreeNotifier(TComponent* component) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
}

void TComponent::DropFreeNotifier(TComponent* component) {
    EraseOne(freeNotifies_, component);
}

class TComponentLoader::Watch : public TComponent {
public:
    Watch() : TComponent(nullptr) {}
    std::vector<TComponent*> loaded;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove) EraseOne(loaded, component);
    }
};

TComponentLoader::TComponentLoader() = default;

TComponentLoader::~TComponentLoader() {
    if (!watch_) return;
    // Given up midway: the flags go, but no component is told it is loaded.
    for (TComponent* c : watch_->loaded) {
        c->EndReading();
        c->TComponent::Loaded();
    }
}

void TComponentLoader::Read(TComponent* component) {
    if (!watch_) watch_ = std::make_unique<Watch>();
    component->BeginLoading();
    watch_->loaded.push_back(component);
    watch_->FreeNotification(component);
}

void TComponentLoader::Finish() {
    if (!watch_) return;
    std::unique_ptr<Watch> watch = std::move(watch_);
    for (TComponent* c : watch->loaded) c->EndReading();
    // Loaded may free components that come later in the list.
    while (!watch->loaded.empty()) {
        TComponent* c = watch->loaded.front();
        watch->loaded.erase(watch->loaded.begin());
        watch->RemoveFreeNotification(c);
        c->Loaded();
    }
}

}  // namespace parch
