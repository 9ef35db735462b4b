#pragma once
// The tables of one loaded skin and the look-ups that every skinned window draws through.
// A load fills a fresh TsSkinTables and the manager takes it over only when the load succeeds.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "skin/engine/sMaskData.h"

namespace parch {

struct TsSkinTables {
    std::vector<TsMaskData> Masks;
    std::vector<TsPatternData> Patterns;
    std::vector<TsGeneralData> Sections;
    // 32-bit, transparent colour 0xFF00FF; empty when the skin names none.
    std::unique_ptr<TBitmap> MasterBitmap;
    TsSkinData SkinData;
    TsSkinConstIndexes ConstData;
};

// A PARENTCLASS chain longer than this counts as broken: the key is missing.
constexpr int kMaxParentDepth = 64;

int GetSectionIndex(const TsSkinTables& tables, std::string_view name);
// The first mask entry of the section and key, else of its PARENTCLASS chain; -1 when none.
// A chain that returns to a section already visited stops there.
int GetMaskIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                 std::string_view propName);
int FindOwnMaskIndex(const TsSkinTables& tables, std::string_view sectionName, std::string_view propName);
// As GetMaskIndex, counting only textures.
int GetTextureIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                    std::string_view propName);
// As GetMaskIndex over the pattern table.
int GetPatternIndex(const TsSkinTables& tables, int sectionIndex, std::string_view sectionName,
                    std::string_view propName);

bool IsValidMaskIndex(const TsSkinTables& tables, int index);
bool IsValidSectionIndex(const TsSkinTables& tables, int index);

int MaskFrameWidth(const TsMaskData& mask);
int MaskStateHeight(const TsMaskData& mask);
// Own width when above 0, else the common width when above 0, else the frame width or band
// height. The index must be valid.
int LeftBorderWidth(TsSkinTables& tables, int index);
int TopBorderWidth(const TsSkinTables& tables, int index);
int RightBorderWidth(const TsSkinTables& tables, int index);
int BottomBorderWidth(const TsSkinTables& tables, int index);

// 2 for the region-shaped BUTTON_HUGE mask, 1 when a corner block of frame 0, band 0 holds a
// 0xFF00FF pixel, else 0.
std::int16_t ScanMaskCorners(const TsMaskData& mask, TBitmap* masterBitmap);

}  // namespace parch
