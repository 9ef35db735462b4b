#include "bitmap32/PropertyTable.h"

#include <charconv>
#include <cmath>

#include "base/NumberText.h"

namespace parch {

namespace {

[[noreturn]] void NoSuchProperty(const TObject& object, std::string_view name) {
    throw EPropertyAccessError("Property " + std::string(name) + " does not exist in " + object.ClassName());
}

[[noreturn]] void InvalidPropertyValue(const std::string& property, const std::string& text) {
    throw EPropertyAccessError("Invalid property value \"" + text + "\" for " + property);
}

const TPropertyInfo& RequireProperty(const TObject& object, std::string_view name) {
    const TPropertyInfo* info = FindPublishedProperty(object, name);
    if (!info) NoSuchProperty(object, name);
    return *info;
}

// Walks every step of the path but the last through class-typed properties.
const TObject& ObjectHoldingLastStep(const TObject& root, std::string_view& path) {
    const TObject* object = &root;
    for (std::size_t dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.')) {
        const std::string_view step = path.substr(0, dot);
        const TPropertyInfo& info = RequireProperty(*object, step);
        TPersistent* held = info.Kind == TTypeKind::tkClass && info.GetObject ? info.GetObject(*object) : nullptr;
        if (!held) NoSuchProperty(*object, path);
        object = held;
        path.remove_prefix(dot + 1);
    }
    return *object;
}

}  // namespace

const TPropertyInfo* FindPublishedProperty(const TObject& object, std::string_view name) {
    const auto* published = dynamic_cast<const IPublishedProperties*>(&object);
    if (!published) return nullptr;
    for (const TPropertyInfo& info : published->PublishedProperties())
        if (SameText(info.Name, name)) return &info;
    return nullptr;
}

std::string GetPropertyText(const TObject& root, std::string_view path) {
    const TObject& object = ObjectHoldingLastStep(root, path);
    const TPropertyInfo& info = RequireProperty(object, path);
    if (!info.GetText) NoSuchProperty(object, path);
    return info.GetText(object);
}

void SetPropertyText(TObject& root, std::string_view path, const std::string& text) {
    // Every object reached is held by a property of a mutable root.
    auto& object = const_cast<TObject&>(ObjectHoldingLastStep(root, path));
    const TPropertyInfo& info = RequireProperty(object, path);
    if (!info.SetText) NoSuchProperty(object, path);
    info.SetText(object, text);
}

void CopyPublishedProperties(const TObject& source, TObject& dest, TTypeKinds kinds) {
    const auto* published = dynamic_cast<const IPublishedProperties*>(&source);
    if (!published) return;
    for (const TPropertyInfo& info : published->PublishedProperties()) {
        if (!kinds.Contains(info.Kind)) continue;
        const TPropertyInfo& target = RequireProperty(dest, info.Name);
        if (info.Kind == TTypeKind::tkClass) {
            TPersistent* from = info.GetObject ? info.GetObject(source) : nullptr;
            TPersistent* to = target.GetObject ? target.GetObject(dest) : nullptr;
            if (from && to) to->Assign(from);
        } else if (info.GetText && target.SetText) {
            target.SetText(dest, info.GetText(source));
        }
    }
}

std::string FloatPropertyText(double value) { return FloatToStr(value); }

double FloatPropertyValue(const std::string& property, const std::string& text) {
    const std::string trimmed = Trim(text);
    double value = 0;
    const char* end = trimmed.data() + trimmed.size();
    auto [ptr, error] = std::from_chars(trimmed.data(), end, value);
    if (trimmed.empty() || error != std::errc() || ptr != end || !std::isfinite(value))
        InvalidPropertyValue(property, text);
    return value;
}

int IntegerPropertyValue(const std::string& property, const std::string& text) {
    const std::optional<std::int32_t> value = TryStrToInt(text);
    if (!value) InvalidPropertyValue(property, text);
    return *value;
}

int EnumPropertyValue(const std::string& property, const std::string& text, std::initializer_list<const char*> names) {
    int index = 0;
    for (const char* name : names) {
        if (SameText(name, Trim(text))) return index;
        ++index;
    }
    InvalidPropertyValue(property, text);
}

int EnumPropertyValue(const std::string& property, const std::string& text, const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], Trim(text))) return static_cast<int>(i);
    InvalidPropertyValue(property, text);
}

}  // namespace parch
