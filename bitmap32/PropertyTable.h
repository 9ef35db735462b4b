#pragma once
// Published properties by name: a class lists its properties (name, kind, reading and writing
// as text, or the object a class-typed property holds), in declaration order with inherited
// ones first. Form descriptions set nested properties by path ("Resampler.Kernel.Coeff") and
// the property copier copies one object's properties onto another's.

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/Classes.h"
#include "base/SysUtils.h"

namespace parch {

enum class TTypeKind { tkUnknown, tkInteger, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod };

class TTypeKinds {
public:
    constexpr TTypeKinds() = default;
    constexpr TTypeKinds(std::initializer_list<TTypeKind> kinds) {
        for (TTypeKind kind : kinds) bits_ |= Bit(kind);
    }
    static constexpr TTypeKinds All() {
        TTypeKinds all;
        all.bits_ = ~0u;
        return all;
    }
    constexpr bool Contains(TTypeKind kind) const { return (bits_ & Bit(kind)) != 0; }
    constexpr TTypeKinds Without(TTypeKind kind) const {
        TTypeKinds result = *this;
        result.bits_ &= ~Bit(kind);
        return result;
    }

private:
    static constexpr unsigned Bit(TTypeKind kind) { return 1u << static_cast<unsigned>(kind); }
    unsigned bits_ = 0;
};

// A property that does not exist, or a text that does not fit it.
class EPropertyAccessError : public Exception {
public:
    using Exception::Exception;
};

struct TPropertyInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkUnknown;
    // Enumerations and sets read and write as their names; floats with "." always.
    std::function<std::string(const TObject& object)> GetText;
    std::function<void(TObject& object, const std::string& text)> SetText;
    // Class-typed properties: the object held (nullptr when none).
    std::function<TPersistent*(const TObject& object)> GetObject;
};

using TPropertyTable = std::vector<TPropertyInfo>;

// Implemented by classes that publish properties.
class IPublishedProperties {
public:
    virtual ~IPublishedProperties() = default;
    virtual const TPropertyTable& PublishedProperties() const = 0;
};

// The property of that name (ASCII case ignored), or nullptr; nullptr also for an object that
// publishes nothing.
const TPropertyInfo* FindPublishedProperty(const TObject& object, std::string_view name);

// Reads or writes a property given by a dotted path through class-typed properties;
// EPropertyAccessError when a step does not exist or the text does not fit.
std::string GetPropertyText(const TObject& root, std::string_view path);
void SetPropertyText(TObject& root, std::string_view path, const std::string& text);

// Copies every published property of source whose kind is in kinds to the property of the
// same name on dest: class-typed ones through Assign into dest's object (when both exist), the
// others as text. EPropertyAccessError when dest lacks one.
void CopyPublishedProperties(const TObject& source, TObject& dest, TTypeKinds kinds);

// Text forms of the usual kinds, for building tables.
std::string FloatPropertyText(double value);
double FloatPropertyValue(const std::string& property, const std::string& text);
int IntegerPropertyValue(const std::string& property, const std::string& text);
// The index of text among names (ASCII case ignored), or EPropertyAccessError.
int EnumPropertyValue(const std::string& property, const std::string& text, std::initializer_list<const char*> names);
int EnumPropertyValue(const std::string& property, const std::string& text, const std::vector<std::string>& names);

}  // namespace parch
