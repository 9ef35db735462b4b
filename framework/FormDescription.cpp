#include "framework/FormDescription.h"

#include <map>
#include <mutex>

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Mask.h"
#include "framework/PropertyText.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"

namespace parch {

namespace {

struct ClassRegistry {
    std::mutex lock;
    std::map<std::string, TComponentClass> classes;  // by upper-cased name
};

void RegisterBuiltInClasses(ClassRegistry& registry);

ClassRegistry& Registry() {
    static ClassRegistry* registry = [] {
        auto* r = new ClassRegistry;  // lives as long as the program
        RegisterBuiltInClasses(*r);
        return r;
    }();
    return *registry;
}

template <class T>
void Register(ClassRegistry& registry, const char* upperName) {
    registry.classes[upperName] = {[](TComponent* owner) -> TComponent* { return new T(owner); }, {}, {}};
}

void RegisterBuiltInClasses(ClassRegistry& registry) {
    Register<TButton>(registry, "TBUTTON");
    Register<TLabel>(registry, "TLABEL");
    Register<TEdit>(registry, "TEDIT");
    Register<TMemo>(registry, "TMEMO");
    Register<TCheckBox>(registry, "TCHECKBOX");
    Register<TRadioButton>(registry, "TRADIOBUTTON");
    Register<TGroupBox>(registry, "TGROUPBOX");
    Register<TListBox>(registry, "TLISTBOX");
    Register<TComboBox>(registry, "TCOMBOBOX");
    Register<TBitBtn>(registry, "TBITBTN");
    Register<TMaskEdit>(registry, "TMASKEDIT");
    Register<TPanel>(registry, "TPANEL");
    Register<TBevel>(registry, "TBEVEL");
    Register<TImage>(registry, "TIMAGE");
    Register<TSplitter>(registry, "TSPLITTER");
    Register<TSpeedButton>(registry, "TSPEEDBUTTON");
    Register<TScrollBox>(registry, "TSCROLLBOX");
    Register<TFrame>(registry, "TFRAME");
    registry.classes["TTIMER"] = {
        [](TComponent* owner) -> TComponent* { return new TTimer(owner); },
        [](TComponent* component, const std::string& name, const std::string& value) {
            auto* timer = static_cast<TTimer*>(component);
            if (SameText(name, "Interval")) {
                int interval = PropertyInt(name, value);
                if (interval < 0) PropertyValueError(name, value);
                return timer->SetInterval(static_cast<unsigned>(interval));
            }
            if (SameText(name, "Enabled")) return timer->SetEnabled(PropertyBool(name, value));
            if (SameText(name, "Tag")) return void(timer->Tag = PropertyInt(name, value));
            throw EPropertyError("Property " + name + " does not exist in TTimer");
        },
        [](TComponent* component, const std::string& name, const std::any& handler) {
            if (!SameText(name, "OnTimer")) throw EPropertyError("Event " + name + " does not exist in TTimer");
            TNotifyEvent event;
            AssignEvent(event, name, handler);
            static_cast<TTimer*>(component)->SetOnTimer(event);
        }};
}

}  // namespace

void RegisterComponentClass(const std::string& className, TComponentClass componentClass) {
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.classes[UpperCase(className)] = std::move(componentClass);
}

TComponentClass FindComponentClass(const std::string& className) {
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto it = registry.classes.find(UpperCase(className));
    if (it == registry.classes.end()) throw EClassNotFound("Class " + className + " not found");
    return it->second;
}

}  // namespace parch
