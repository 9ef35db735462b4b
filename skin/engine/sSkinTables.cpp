#include "skin/engine/sSkinTables.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>

namespace parch {

namespace {

// Walks the section and its PARENTCLASS chain until the search answers; each section once.
int SearchSectionChain(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                       const std::function<int(std::string_view)>& searchOne) {
    std::vector<std::string> visited;
    std::string name(sectionName);
    int index = sectionIndex;
    for (int depth = 0; depth < kMaxParentDepth; ++depth) {
        if (index < 0 || index >= static_cast<int>(tables.Sections.size()) || name.empty()) return -1;
        int found = searchOne(name);
        if (found >= 0) return found;
        visited.push_back(name);
        const std::string& parent = tables.Sections[static_cast<size_t>(index)].ParentSection;
        if (parent.empty() || std::find(visited.begin(), visited.end(), parent) != visited.end()) return -1;
        name = parent;
        index = GetSectionIndex(tables, name);
    }
    return -1;
}

int FindMaskEntry(const TsSkinTables& tables, std::string_view sectionName, std::string_view propName,
                  bool texturesOnly) {
    for (size_t i = 0; i < tables.Masks.size(); ++i) {
        const TsMaskData& mask = tables.Masks[i];
        if (texturesOnly && mask.ImageKind != ikTexture) continue;
        if (mask.SectionName == sectionName && mask.KeyName == propName) return static_cast<int>(i);
    }
    return -1;
}

bool IsKeyColour(const BYTE* pixel) { return pixel[0] == 0xFF && pixel[1] == 0 && pixel[2] == 0xFF; }

bool BlockHasKeyColour(TBitmap& bitmap, int left, int width, int top, int height) {
    int right = std::min(left + width, bitmap.Width() - 1);
    int bottom = std::min(top + height, bitmap.Height() - 1);
    for (int y = std::max(top, 0); y < bottom; ++y) {
        const BYTE* row = bitmap.ScanLine(y);
        for (int x = std::max(left, 0); x < right; ++x)
            if (IsKeyColour(row + x * 4)) return true;
    }
    return false;
}

}  // namespace

int GetSectionIndex(const TsSkinTables& tables, std::string_view name) {
    for (size_t i = 0; i < tables.Sections.size(); ++i)
        if (tables.Sections[i].SectionName == name) return static_cast<int>(i);
    return -1;
}

int GetMaskIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                 std::string_view propName) {
    return SearchSectionChain(tables, sectionIndex, sectionName, [&](std::string_view name) {
        return FindMaskEntry(tables, name, propName, false);
    });
}

int FindOwnMaskIndex(const TsSkinTables& tables, std::string_view sectionName, std::string_view propName) {
    if (sectionName.empty()) return -1;
    return FindMaskEntry(tables, sectionName, propName, false);
}

int GetTextureIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                    std::string_view propName) {
    if (tables.Masks.empty()) return -1;
    return SearchSectionChain(tables, sectionIndex, sectionName, [&](std::string_view name) {
        return FindMaskEntry(tables, name, propName, true);
    });
}

int GetPatternIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                    std::string_view propName) {
    if (tables.Patterns.empty()) return -1;
    return SearchSectionChain(tables, sectionIndex, sectionName, [&](std::string_view name) {
        for (size_t i = 0; i < tables.Patterns.size(); ++i)
            if (tables.Patterns[i].SectionName == name && tables.Patterns[i].KeyName == propName)
                return static_cast<int>(i);
        return -1;
    });
}

bool IsValidMaskIndex(const TsSkinTables& tables, int index) {
    return index >= 0 && index < static_cast<int>(tables.Masks.size());
}

bool IsValidSectionIndex(const TsSkinTables& tables, int index) {
    return index >= 0 && index < static_cast<int>(tables.Sections.size());
}

namespace {

// A span of the source rectangle divided in parts, in 64 bits so a hostile rectangle cannot
// overflow, saturated to int.
int SpanPart(std::int64_t from, std::int64_t to, std::int64_t parts) {
    const std::int64_t part = (to - from) / parts;
    return static_cast<int>(std::clamp<std::int64_t>(part, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

}  // namespace

int MaskFrameWidth(const TsMaskData& mask) {
    if (mask.FrameCount <= 0) return 0;
    return SpanPart(mask.SourceRect.left, mask.SourceRect.right, mask.FrameCount);
}

int MaskStateHeight(const TsMaskData& mask) {
    if (mask.ExtraBands < 0) return 0;
    return SpanPart(mask.SourceRect.top, mask.SourceRect.bottom, std::int64_t{mask.ExtraBands} + 1);
}

namespace {

int BorderWidthOf(const TsMaskData& mask, std::int16_t own, int whole) {
    if (own > 0) return own;
    if (mask.CommonBorderWidth > 0) return mask.CommonBorderWidth;
    return whole;
}

}  // namespace

int LeftBorderWidth(TsSkinTables& tables, int index) {
    TsMaskData& mask = tables.Masks[static_cast<size_t>(index)];
    if (mask.FrameCount == 0) mask.FrameCount = 1;
    return BorderWidthOf(mask, mask.LeftWidth, MaskFrameWidth(mask));
}

int TopBorderWidth(const TsSkinTables& tables, int index) {
    const TsMaskData& mask = tables.Masks[static_cast<size_t>(index)];
    return BorderWidthOf(mask, mask.TopWidth, MaskStateHeight(mask));
}

int RightBorderWidth(const TsSkinTables& tables, int index) {
    const TsMaskData& mask = tables.Masks[static_cast<size_t>(index)];
    return BorderWidthOf(mask, mask.RightWidth, MaskFrameWidth(mask));
}

int BottomBorderWidth(const TsSkinTables& tables, int index) {
    const TsMaskData& mask = tables.Masks[static_cast<size_t>(index)];
    return BorderWidthOf(mask, mask.BottomWidth, MaskStateHeight(mask));
}

std::int16_t ScanMaskCorners(const TsMaskData& mask, TBitmap* masterBitmap) {
    if (mask.SectionName == "BUTTON_HUGE" && mask.KeyName == "BORDERSMASK") return 2;
    TBitmap* bitmap = mask.Picture ? mask.Picture.get() : masterBitmap;
    if (bitmap == nullptr || bitmap->Empty() || bitmap->PixelFormat() != pf32bit) return 0;
    const RECT& r = mask.SourceRect;
    int rightStart = r.left + MaskFrameWidth(mask) - mask.RightWidth;
    int bottomStart = r.top + MaskStateHeight(mask) - mask.BottomWidth;
    bool found = BlockHasKeyColour(*bitmap, r.left, mask.LeftWidth, r.top, mask.TopWidth) ||
                 BlockHasKeyColour(*bitmap, rightStart, mask.RightWidth, r.top, mask.TopWidth) ||
                 BlockHasKeyColour(*bitmap, r.left, mask.LeftWidth, bottomStart, mask.BottomWidth) ||
                 BlockHasKeyColour(*bitmap, rightStart, mask.RightWidth, bottomStart, mask.BottomWidth);
    return found ? 1 : 0;
}

}  // namespace parch
