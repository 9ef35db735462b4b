#pragma once
// Internal skins: skins carried inside the program as pack bytes (see acSkinPack.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace parch {

class TsSkinManager;

class TsStoredSkin {
public:
    std::string Name;
    // The pack bytes; the only value besides Name that loading uses.
    std::string Data;
    std::int32_t Shadow1Color = 0;
    std::int32_t Shadow1Offset = 0;
    std::int32_t Shadow1Blur = -1;
    std::int32_t Shadow1Transparency = 0;
    std::int32_t BorderColor = 0xFF00FF;
    double Version = 0;
    std::string Author;
    std::string Description;
};

class TsStoredSkins {
public:
    explicit TsStoredSkins(TsSkinManager* owner) : owner_(owner) {}

    TsStoredSkin& Add() { return *items_.emplace_back(std::make_unique<TsStoredSkin>()); }
    int Count() const { return static_cast<int>(items_.size()); }
    TsStoredSkin& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TsStoredSkin& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
    // Exact, case-sensitive; the first match; -1 when none.
    int IndexOf(const std::string& name) const;
    TsSkinManager* GetOwner() const { return owner_; }

private:
    TsSkinManager* owner_;
    std::vector<std::unique_ptr<TsStoredSkin>> items_;
};

}  // namespace parch
