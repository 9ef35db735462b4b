#pragma once
// A form described in one place, as a form resource would be: each component with its class,
// its name, its properties and its events in the order they are read, and the controls it
// holds. Classes are found by name in a registry that the control units fill.

#include <any>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Classes.h"

namespace parch {

struct TComponentDescription {
    std::string ClassName;
    std::string Name;
    // Set in this order; nested properties are written "Font.Color".
    std::vector<std::pair<std::string, std::string>> Properties;
    // Event name and the name of its handler in the form's handler table.
    std::vector<std::pair<std::string, std::string>> Events;
    // Controls become children of this one; other components are only owned by the form.
    std::vector<TComponentDescription> Children;
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
// Properties and events of components that are not controls (controls set their own).
using TPropertySetter = std::function<void(TComponent* component, const std::string& name, const std::string& value)>;
using TEventSetter = std::function<void(TComponent* component, const std::string& name, const std::any& handler)>;

struct TComponentClass {
    TComponentFactory Create;
    TPropertySetter SetProperty;
    TEventSetter SetEvent;
};

// Makes a class known by name (replacing an earlier one of that name).
void RegisterComponentClass(const std::string& className, TComponentClass componentClass);
// The class of a name; EClassNotFound when none is registered.
TComponentClass FindComponentClass(const std::string& className);

class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};

template <class T>
void RegisterComponentClass(const std::string& className) {
    RegisterComponentClass(className, TComponentClass{[](TComponent* owner) -> TComponent* { return new T(owner); }, {}, {}});
}

}  // namespace parch
