#pragma once
// Reading a skin description ("Options.dat" in an INI object) and its pictures into fresh
// skin tables: ReadSkinImages, ReadSkinPatterns, ReadSkinSections, InitConstIndexes.
//
// Damaged values fail the load with EConvertError (numbers) and never reach painting: frame and
// state counts are at least 1, band counts and border widths at least 0, rectangles are clipped
// to their picture and an entry left empty is dropped.

#include <memory>
#include <string>
#include <string_view>

#include "base/Streams.h"
#include "framework/IniFiles.h"
#include "skin/engine/acSkinPack.h"
#include "skin/engine/sSkinTables.h"

namespace parch {

// Where a skin's picture files come from.
class TsSkinFiles {
public:
    virtual ~TsSkinFiles() = default;
    // The file's bytes, or nullptr when it is missing.
    virtual std::unique_ptr<TMemoryStream> Open(const std::string& name) const = 0;
};

// Files of a skin folder. "\" in a name separates folders; a name that leaves the folder
// (absolute, drive letter, "..") names nothing; a file missing as written is matched with the
// letter case ignored.
class TsFolderFiles : public TsSkinFiles {
public:
    explicit TsFolderFiles(std::string folder) : folder_(std::move(folder)) {}
    std::unique_ptr<TMemoryStream> Open(const std::string& name) const override;
    // The path of the file inside the folder, or empty when there is none.
    std::string Locate(const std::string& name) const;

private:
    std::string folder_;
};

// Members of an unpacked skin pack, found by their upper-cased names.
class TsPackFiles : public TsSkinFiles {
public:
    explicit TsPackFiles(const TacSkinConvertor& pack) : pack_(pack) {}
    std::unique_ptr<TMemoryStream> Open(const std::string& name) const override;

private:
    const TacSkinConvertor& pack_;
};

struct TsSkinReadContext {
    const TMemIniFile* Ini = nullptr;  // nullptr: every reader reads nothing
    const TsSkinFiles* Files = nullptr;
    TsSkinManager* Owner = nullptr;
    // Sections the application adds (the manager's CommonSections); their pictures are files of
    // the skin folder. nullptr: none.
    const TMemIniFile* Common = nullptr;
    const TsSkinFiles* CommonFiles = nullptr;
};

// Section keys with PARENTCLASS inheritance; a chain that returns to a section already visited
// or runs deeper than kMaxParentDepth counts as missing.
std::string LookUpInheritedValue(const TMemIniFile& ini, const std::string& section, const std::string& key,
                                 const std::string& fallback);
int LookUpInheritedInt(const TMemIniFile& ini, const std::string& section, const std::string& key, int fallback);

// Numbers that do not parse, or fields missing from a fixed-position value, raise EConvertError.
void ReadSkinImages(const TsSkinReadContext& context, TsSkinTables& tables);
void ReadSkinPatterns(const TsSkinReadContext& context, TsSkinTables& tables);
void ReadSkinSections(const TsSkinReadContext& context, TsSkinTables& tables);
void InitConstIndexes(TsSkinTables& tables);
// For every section but GLOBALINFO: its borders mask, corner images and PATTERN texture.
void SectionMaskIndexes(TsSkinTables& tables);

// The four readers in their order, into fresh tables.
TsSkinTables ReadSkinTables(const TsSkinReadContext& context);

// Converts a picture to 32 bits; pixels of other formats get alpha 255.
void MakeOpaque32(TBitmap& bitmap);

}  // namespace parch
