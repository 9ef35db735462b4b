#include "skin/engine/sSkinEngineClasses.h"

#include <string>
#include <vector>

#include "base/SysUtils.h"
#include "framework/Controls.h"
#include "framework/FormDescription.h"
#include "framework/PropertyText.h"
#include "platform/win/Resources.h"
#include "resources/EmbeddedResources.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/sSkinManager.h"

namespace parch {

namespace {

std::vector<std::string> PropertyPath(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

[[noreturn]] void NoSuchProperty(const std::string& className, const std::string& name) {
    throw EPropertyError("Property " + name + " does not exist in " + className);
}

// The bytes of the raw-data resource the property names; an embedded resource of that name is
// registered with the program's resources first.
std::string ResourceData(const std::string& property, const std::string& resource) {
    if (resource.empty()) PropertyValueError(property, resource);
    if (ResourceBytes(nullptr, resource.c_str(), RT_RCDATA).empty()) {
        if (std::optional<std::string> embedded = ReadEmbeddedResource(std::string_view(resource)))
            RegisterResource(nullptr, RT_RCDATA, resource.c_str(), std::move(*embedded));
    }
    std::string_view bytes = ResourceBytes(nullptr, resource.c_str(), RT_RCDATA);
    if (bytes.empty()) throw EPropertyError("Resource " + resource + " of property " + property + " not found");
    return std::string(bytes);
}

// The item of a collection property by its index in the description: items come in order, so
// the index is at most one past the last item.
template <class Collection, class Add>
auto CollectionItem(Collection collection, int count, const std::string& property, const std::string& index, Add add)
    -> decltype(add()) {
    int i = PropertyInt(property, index);
    if (i < 0 || i > count) PropertyValueError(property, index);
    if (i == count) return add();
    return collection(i);
}

TacFormAnimation* FormAnimation(TacAnimEffects& effects, const std::string& name) {
    struct Entry {
        const char* name;
        TacFormAnimation TacAnimEffects::*animation;
    };
    static const Entry entries[] = {{"DialogShow", &TacAnimEffects::DialogShow}, {"FormShow", &TacAnimEffects::FormShow},
                                    {"FormHide", &TacAnimEffects::FormHide},     {"DialogHide", &TacAnimEffects::DialogHide},
                                    {"Minimizing", &TacAnimEffects::Minimizing}, {"PageChange", &TacAnimEffects::PageChange},
                                    {"SkinChanging", &TacAnimEffects::SkinChanging}};
    for (const Entry& entry : entries)
        if (SameText(entry.name, name)) return &(effects.*entry.animation);
    return nullptr;
}

void SetAnimEffect(TsSkinManager& manager, const std::string& name, const std::vector<std::string>& path,
                   const std::string& value) {
    if (path.size() != 3) NoSuchProperty("TsSkinManager", name);
    TacAnimEffects& effects = manager.AnimEffects;
    if (SameText(path[1], "Buttons") && SameText(path[2], "Events")) {
        effects.Buttons.Events = PropertySet(name, value,
                                             {{"beMouseEnter", BtnEventBit(beMouseEnter)},
                                              {"beMouseLeave", BtnEventBit(beMouseLeave)},
                                              {"beMouseDown", BtnEventBit(beMouseDown)},
                                              {"beMouseUp", BtnEventBit(beMouseUp)}});
        return;
    }
    if (SameText(path[1], "BlendOnMoving")) {
        TacBlendOnMoving& blend = effects.BlendOnMoving;
        if (SameText(path[2], "Active")) return void(blend.Active = PropertyBool(name, value));
        if (SameText(path[2], "Time")) return void(blend.Time = PropertyInt(name, value));
        if (SameText(path[2], "BlendValue")) {
            int v = PropertyInt(name, value);
            if (v < 0 || v > 255) PropertyValueError(name, value);
            return void(blend.BlendValue = static_cast<std::uint8_t>(v));
        }
        NoSuchProperty("TsSkinManager", name);
    }
    TacFormAnimation* animation = FormAnimation(effects, path[1]);
    if (animation == nullptr) NoSuchProperty("TsSkinManager", name);
    if (SameText(path[2], "Active")) return void(animation->Active = PropertyBool(name, value));
    if (SameText(path[2], "Time")) {
        int time = PropertyInt(name, value);
        if (time < 0 || time > 0xFFFF) PropertyValueError(name, value);
        return void(animation->Time = time);
    }
    if (SameText(path[2], "Mode"))
        return void(animation->Mode = PropertyEnum<TacAnimType>(name, value, {{"atFading", atFading}, {"atAero", atAero}}));
    NoSuchProperty("TsSkinManager", name);
}

void SetStoredSkin(TsSkinManager& manager, const std::string& name, const std::vector<std::string>& path,
                   const std::string& value) {
    if (path.size() != 3) NoSuchProperty("TsSkinManager", name);
    TsStoredSkins& skins = manager.InternalSkins();
    TsStoredSkin& skin = CollectionItem([&](int i) -> TsStoredSkin& { return skins.Items(i); }, skins.Count(), name,
                                        path[1], [&]() -> TsStoredSkin& { return skins.Add(); });
    const std::string& field = path[2];
    if (SameText(field, "Name")) return void(skin.Name = value);
    if (SameText(field, "Data")) return void(skin.Data = ResourceData(name, value));
    if (SameText(field, "Shadow1Color")) return void(skin.Shadow1Color = static_cast<std::int32_t>(PropertyColor(name, value)));
    if (SameText(field, "Shadow1Offset")) return void(skin.Shadow1Offset = PropertyInt(name, value));
    if (SameText(field, "Shadow1Blur")) return void(skin.Shadow1Blur = PropertyInt(name, value));
    if (SameText(field, "Shadow1Transparency")) return void(skin.Shadow1Transparency = PropertyInt(name, value));
    if (SameText(field, "BorderColor")) return void(skin.BorderColor = static_cast<std::int32_t>(PropertyColor(name, value)));
    if (SameText(field, "Author")) return void(skin.Author = value);
    if (SameText(field, "Description")) return void(skin.Description = value);
    NoSuchProperty("TsSkinManager", name);
}

void SetSkinManagerProperty(TComponent* component, const std::string& name, const std::string& value) {
    auto& manager = *static_cast<TsSkinManager*>(component);
    const std::vector<std::string> path = PropertyPath(name);
    const std::string& head = path[0];
    if (path.size() == 1) {
        if (SameText(head, "SkinDirectory")) return manager.SetSkinDirectory(value);
        if (SameText(head, "SkinName")) return manager.SetSkinName(value);
        if (SameText(head, "Active")) return manager.SetActive(PropertyBool(name, value));
        if (SameText(head, "ExtendedBorders")) return manager.SetExtendedBorders(PropertyBool(name, value));
        if (SameText(head, "SkinnedPopups")) return manager.SetSkinnedPopups(PropertyBool(name, value));
        if (SameText(head, "HueOffset")) return manager.SetHueOffset(PropertyInt(name, value));
        if (SameText(head, "Saturation")) return manager.SetSaturation(PropertyInt(name, value));
        if (SameText(head, "IsDefault")) return manager.SetIsDefault(PropertyBool(name, value));
        if (SameText(head, "SkinInfo")) return;  // what the skin says, never what a description says
        if (SameText(head, "Tag")) return void(manager.Tag = PropertyInt(name, value));
        NoSuchProperty("TsSkinManager", name);
    }
    if (SameText(head, "AnimEffects")) return SetAnimEffect(manager, name, path, value);
    if (SameText(head, "InternalSkins")) return SetStoredSkin(manager, name, path, value);
    if (path.size() == 2 && SameText(head, "MenuSupport") && SameText(path[1], "IcoLineSkin"))
        return void(manager.MenuSupport.IcoLineSkin = value);
    if (path.size() == 2 && SameText(head, "Effects")) {
        if (SameText(path[1], "AllowGlowing")) return void(manager.Effects.AllowGlowing = PropertyBool(name, value));
        if (SameText(path[1], "AllowAeroBluring")) return void(manager.Effects.AllowAeroBluring = PropertyBool(name, value));
    }
    if (path.size() == 2 && SameText(head, "ThirdParty")) {
        // In the order of the foreign control kinds.
        static const char* const listNames[ThirdPartyKindCount] = {
            "ThirdEdits",       "ThirdButtons",     "ThirdBitBtns",      "ThirdCheckBoxes",   "ThirdComboBoxes",
            "ThirdGrids",       "ThirdGroupBoxes",  "ThirdListViews",    "ThirdPanels",       "ThirdTreeViews",
            "ThirdWWEdits",     "ThirdGridEh",      "ThirdVirtualTrees", "ThirdPageControl",  "ThirdTabControl",
            "ThirdToolBar",     "ThirdStatusBar",   "ThirdSpeedButton",  "ThirdScrollControl", "ThirdUpDown"};
        for (int kind = 0; kind < ThirdPartyKindCount; ++kind)
            if (SameText(path[1], listNames[kind])) return manager.ThirdParty.WriteKindList(kind, value);
    }
    NoSuchProperty("TsSkinManager", name);
}

void SetAlphaImageListProperty(TComponent* component, const std::string& name, const std::string& value) {
    auto& list = *static_cast<TsAlphaImageList*>(component);
    const std::vector<std::string> path = PropertyPath(name);
    const std::string& head = path[0];
    if (path.size() == 1) {
        if (SameText(head, "Width")) return list.SetWidth(PropertyInt(name, value));
        if (SameText(head, "Height")) return list.SetHeight(PropertyInt(name, value));
        if (SameText(head, "BkColor")) return list.SetBkColor(PropertyColor(name, value));
        if (SameText(head, "DrawingStyle"))
            return list.SetDrawingStyle(PropertyEnum<TDrawingStyle>(
                name, value, {{"dsFocus", dsFocus}, {"dsSelected", dsSelected}, {"dsNormal", dsNormal}, {"dsTransparent", dsTransparent}}));
        if (SameText(head, "Tag")) return void(list.Tag = PropertyInt(name, value));
        NoSuchProperty("TsAlphaImageList", name);
    }
    if (path.size() == 3 && SameText(head, "Items")) {
        TsImgListItems& items = list.Items();
        TsImgListItem& item = CollectionItem([&](int i) -> TsImgListItem& { return *items.Items(i); }, items.Count(),
                                             name, path[1], [&]() -> TsImgListItem& { return *items.Add(); });
        if (SameText(path[2], "ImageFormat"))
            return void(item.ImageFormat = PropertyEnum<TsImageFormat>(name, value, {{"ifPNG", ifPNG}, {"ifICO", ifICO}}));
        if (SameText(path[2], "PixelFormat"))
            return void(item.PixelFormat = PropertyEnum<TPixelFormat>(
                            name, value, {{"pf24bit", pf24bit}, {"pf32bit", pf32bit}, {"pf8bit", pf8bit}}));
        if (SameText(path[2], "ImgData")) {
            std::string bytes = ResourceData(name, value);
            item.ImgData().Clear();
            item.ImgData().WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            item.ImgData().SetPosition(0);
            return;
        }
    }
    NoSuchProperty("TsAlphaImageList", name);
}

}  // namespace

void RegisterSkinEngineClasses() {
    RegisterComponentClass("TsSkinManager",
                           TComponentClass{[](TComponent* owner) -> TComponent* { return new TsSkinManager(owner); },
                                           SetSkinManagerProperty, {}});
    RegisterComponentClass("TsAlphaImageList",
                           TComponentClass{[](TComponent* owner) -> TComponent* { return new TsAlphaImageList(owner); },
                                           SetAlphaImageListProperty, {}});
}

}  // namespace parch
