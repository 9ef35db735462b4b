#pragma once
// Property values as a description gives them in text: numbers, True/False, colour names or
// "$BBGGRR", and sets such as "[akLeft,akTop]". Each raises EPropertyError naming the property
// when the text does not fit.

#include <any>
#include <initializer_list>
#include <string>
#include <utility>

#include "framework/graphics/Graphics.h"
#include "base/SysUtils.h"

namespace parch {

int PropertyInt(const std::string& property, const std::string& text);
bool PropertyBool(const std::string& property, const std::string& text);
TColor PropertyColor(const std::string& property, const std::string& text);

// One of the named values (compared ignoring ASCII case).
template <class T>
T PropertyEnum(const std::string& property, const std::string& text,
               std::initializer_list<std::pair<const char*, T>> values);
// A set "[a,b]" of the named bits.
unsigned PropertySet(const std::string& property, const std::string& text,
                     std::initializer_list<std::pair<const char*, unsigned>> bits);

[[noreturn]] void PropertyValueError(const std::string& property, const std::string& text);
[[noreturn]] void EventHandlerTypeError(const std::string& event);

// Sets event from a handler of the event's own type.
template <class Event>
void AssignEvent(Event& event, const std::string& name, const std::any& handler) {
    const Event* typed = std::any_cast<Event>(&handler);
    if (!typed) EventHandlerTypeError(name);
    event = *typed;
}

template <class T>
T PropertyEnum(const std::string& property, const std::string& text,
               std::initializer_list<std::pair<const char*, T>> values) {
    for (const auto& [name, value] : values)
        if (SameText(name, text)) return value;
    PropertyValueError(property, text);
}

}  // namespace parch
