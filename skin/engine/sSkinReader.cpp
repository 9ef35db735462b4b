#include "skin/engine/sSkinReader.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "base/SysUtils.h"
#include "framework/graphics/Graphics.h"
#include "platform/os/Files.h"
#include "platform/win/SystemValues.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sGradient.h"

namespace parch {

// ---------------------------------------------------------------------------------------------
// Picture files

namespace {

// The name's folder parts with "\" and "/" as separators; empty when it would leave the folder.
std::vector<std::string> SafeRelativeParts(const std::string& name) {
    std::vector<std::string> parts;
    if (name.empty() || name.front() == '\\' || name.front() == '/' || name.find(':') != std::string::npos)
        return {};
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part == "..") return {};
        if (!part.empty() && part != ".") parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::string FindEntryIgnoringCase(const std::string& folder, const std::string& part, bool wantFolder) {
    std::string exact = folder + part;
    if (wantFolder ? DirectoryExists(exact) : FileExists(exact)) return exact;
    const std::vector<std::string> names = wantFolder ? ListFolders(folder, "*") : ListFiles(folder, "*");
    for (const std::string& candidate : names)
        if (SameText(candidate, part)) return folder + candidate;
    return {};
}

std::unique_ptr<TMemoryStream> ReadWholeFile(const std::string& path) {
    auto stream = std::make_unique<TMemoryStream>();
    stream->LoadFromFile(path);
    stream->SetPosition(0);
    return stream;
}

}  // namespace

std::string TsFolderFiles::Locate(const std::string& name) const {
    std::vector<std::string> parts = SafeRelativeParts(name);
    if (parts.empty()) return {};
    std::string path = folder_;
    if (!path.empty() && path.back() != '/') path += '/';
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        path = FindEntryIgnoringCase(path, parts[i], !last);
        if (path.empty()) return {};
        if (!last) path += '/';
    }
    return path;
}

std::unique_ptr<TMemoryStream> TsFolderFiles::Open(const std::string& name) const {
    std::string path = Locate(name);
    return path.empty() ? nullptr : ReadWholeFile(path);
}

std::unique_ptr<TMemoryStream> TsPackFiles::Open(const std::string& name) const {
    TMemoryStream* member = pack_.FindMember(name);
    if (member == nullptr) return nullptr;
    auto copy = std::make_unique<TMemoryStream>();
    copy->WriteString(member->Bytes());
    copy->SetPosition(0);
    return copy;
}

void MakeOpaque32(TBitmap& bitmap) {
    if (bitmap.PixelFormat() == pf32bit || bitmap.Empty()) return;
    bitmap.SetPixelFormat(pf32bit);
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) row[x * 4 + 3] = 255;
    }
}

// ---------------------------------------------------------------------------------------------
// Inheritance

namespace {

const char* const kGlobalInfo = "GLOBALINFO";

// Follows PARENTCLASS from the section until lookUp answers; each section once.
template <typename LookUp>
bool SearchParentChain(const TMemIniFile& ini, const std::string& section, LookUp lookUp) {
    std::vector<std::string> visited{section};
    std::string current = section;
    for (int depth = 0; depth < kMaxParentDepth; ++depth) {
        std::string parent = ini.ReadString(current, "PARENTCLASS", "?");
        if (parent.empty() || parent == "?" ||
            std::find(visited.begin(), visited.end(), parent) != visited.end())
            return false;
        if (lookUp(parent)) return true;
        visited.push_back(parent);
        current = parent;
    }
    return false;
}

}  // namespace

std::string LookUpInheritedValue(const TMemIniFile& ini, const std::string& section, const std::string& key,
                                 const std::string& fallback) {
    std::string value = ini.ReadString(section, key, "?");
    if (value != "?") return value;
    SearchParentChain(ini, section, [&](const std::string& parent) {
        value = ini.ReadString(parent, key, "?");
        return value != "?";
    });
    return value == "?" ? fallback : value;
}

int LookUpInheritedInt(const TMemIniFile& ini, const std::string& section, const std::string& key, int fallback) {
    int value = ini.ReadInteger(section, key, -1);
    if (value != -1) return value;
    bool found = SearchParentChain(ini, section, [&](const std::string& parent) {
        value = ini.ReadInteger(parent, key, -1);
        return value != -1;
    });
    return found ? static_cast<int>(ColorToRGB(value)) : fallback;
}

// ---------------------------------------------------------------------------------------------
// Image values

namespace {

constexpr double kDrawModeRepairVersion = 7.4;
constexpr double kPremultiplyVersion = 7.45;

// The digits at 1-based position `position`; a value too short fails the load.
int FixedField(const std::string& value, size_t position, size_t length) {
    if (value.size() < position - 1 + length)
        throw EConvertError("'" + value + "' is too short for a skin image value");
    return StrToInt(std::string_view(value).substr(position - 1, length));
}

RECT FixedRect(const std::string& value) {
    return RECT{FixedField(value, 2, 4), FixedField(value, 7, 4), FixedField(value, 12, 4), FixedField(value, 17, 4)};
}

std::vector<std::string> SplitAt(std::string_view text, std::string_view separators) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Every field, empty ones included.
std::vector<std::string> SplitFields(std::string_view text, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        fields.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

std::int16_t AtLeast(int value, int low) { return static_cast<std::int16_t>(std::clamp(value, low, 32767)); }

// Equal widths from the rectangle when a borders mask gives none.
void DefaultBorderWidths(TsMaskData& mask) {
    if (mask.LeftWidth + mask.TopWidth + mask.RightWidth + mask.BottomWidth != 0) return;
    if (mask.CommonBorderWidth != 0) {
        mask.LeftWidth = mask.TopWidth = mask.RightWidth = mask.BottomWidth = mask.CommonBorderWidth;
        return;
    }
    int width = mask.SourceRect.right - mask.SourceRect.left;
    int height = mask.SourceRect.bottom - mask.SourceRect.top;
    mask.LeftWidth = mask.RightWidth = static_cast<std::int16_t>(width / (std::max<int>(mask.FrameCount, 1) * 3));
    mask.TopWidth = mask.BottomWidth = static_cast<std::int16_t>(height / ((mask.ExtraBands + 1) * 3));
}

// Counts and widths that painting can trust, and the rectangle inside its picture.
bool NormaliseMask(TsMaskData& mask, const TBitmap* master) {
    mask.FrameCount = AtLeast(mask.FrameCount, 1);
    mask.ExtraBands = AtLeast(mask.ExtraBands, 0);
    mask.CommonBorderWidth = AtLeast(mask.CommonBorderWidth, 0);
    mask.LeftWidth = AtLeast(mask.LeftWidth, 0);
    mask.TopWidth = AtLeast(mask.TopWidth, 0);
    mask.RightWidth = AtLeast(mask.RightWidth, 0);
    mask.BottomWidth = AtLeast(mask.BottomWidth, 0);
    const TBitmap* picture = mask.Picture ? mask.Picture.get() : master;
    int width = picture ? picture->Width() : 0;
    int height = picture ? picture->Height() : 0;
    RECT& r = mask.SourceRect;
    r.left = std::clamp<LONG>(r.left, 0, width);
    r.top = std::clamp<LONG>(r.top, 0, height);
    r.right = std::clamp<LONG>(r.right, 0, width);
    r.bottom = std::clamp<LONG>(r.bottom, 0, height);
    return r.right > r.left && r.bottom > r.top;
}

class ImageValueReader {
public:
    ImageValueReader(const TsSkinReadContext& context, TsSkinTables& tables) : context_(context), tables_(tables) {}

    void Read(const std::string& section, const std::string& key, const std::string& value) {
        TsMaskData mask;
        mask.SectionName = section;
        mask.KeyName = key;
        mask.OwnerManager = context_.Owner;
        bool made = false;
        switch (value.front()) {
            case '~': made = ReadTexture(value, mask); break;
            case '@': made = ReadPicture(value, mask); break;
            case '^': made = ReadBordersMask(value, mask); break;
            case '!': made = ReadOwnFile(value, mask); break;
            default:
                if (value.find('#') == std::string::npos) made = ReadPlainBitmap(value, mask);
                else if (value != "#") made = ReadFreeForm(value, mask);
        }
        if (!made || !NormaliseMask(mask, tables_.MasterBitmap.get())) return;
        if (mask.ImageKind == ikBordersMask) mask.CornerKind = ScanMaskCorners(mask, tables_.MasterBitmap.get());
        tables_.Masks.push_back(std::move(mask));
    }

    // A value of the application's sections: a picture file of its own (also any value while
    // the skin has no master bitmap), or a rectangle of the master bitmap ("#" form).
    void ReadCommon(const std::string& section, const std::string& key, const std::string& value) {
        TsMaskData mask;
        mask.SectionName = UpperCase(section);
        mask.KeyName = UpperCase(key);
        mask.OwnerManager = context_.Owner;
        if (value.find('#') == std::string::npos || !tables_.MasterBitmap) {
            if (UpperCase(value).find(".BMP") == std::string::npos) return;
            mask.Picture = LoadPicture(value, false, context_.CommonFiles);
            if (!mask.Picture) return;
            // The whole picture is the entry's image.
            mask.FrameCount = 1;
            mask.SourceRect = RECT{0, 0, mask.Picture->Width(), mask.Picture->Height()};
            tables_.Masks.push_back(std::move(mask));
            return;
        }
        if (value == "#" || !ReadFreeForm(value, mask) || !NormaliseMask(mask, tables_.MasterBitmap.get())) return;
        mask.CornerKind = ScanMaskCorners(mask, tables_.MasterBitmap.get());
        tables_.Masks.push_back(std::move(mask));
    }

private:
    double Version() const { return tables_.SkinData.Version; }

    bool ReadTexture(const std::string& value, TsMaskData& mask) {
        mask.ImageKind = ikTexture;
        mask.FrameCount = 1;
        mask.SourceRect = FixedRect(value);
        mask.DrawFlags = static_cast<std::int16_t>(FixedField(value, 22, 2));
        mask.ExtraBands = static_cast<std::int16_t>(value.size() >= 25 ? FixedField(value, 25, 1) : 0);
        return true;
    }

    bool ReadPicture(const std::string& value, TsMaskData& mask) {
        mask.ImageKind = ikPicture;
        mask.SourceRect = FixedRect(value);
        mask.FrameCount = static_cast<std::int16_t>(FixedField(value, 22, 1));
        mask.ExtraBands = static_cast<std::int16_t>(FixedField(value, 24, 1));
        return true;
    }

    bool ReadBordersMask(const std::string& value, TsMaskData& mask) {
        mask.ImageKind = ikBordersMask;
        mask.SourceRect = FixedRect(value);
        mask.LeftWidth = static_cast<std::int16_t>(FixedField(value, 22, 4));
        mask.TopWidth = static_cast<std::int16_t>(FixedField(value, 27, 4));
        mask.RightWidth = static_cast<std::int16_t>(FixedField(value, 32, 4));
        mask.BottomWidth = static_cast<std::int16_t>(FixedField(value, 37, 4));
        mask.FrameCount = static_cast<std::int16_t>(FixedField(value, 42, 1));
        mask.ExtraBands = static_cast<std::int16_t>(FixedField(value, 44, 1));
        mask.DrawFlags = static_cast<std::int16_t>(FixedField(value, 46, 1));
        if (mask.ExtraBands > 0 && Version() < kDrawModeRepairVersion) RepairDrawMode(mask);
        mask.CommonBorderWidth = static_cast<std::int16_t>(FixedField(value, 48, 1));
        DefaultBorderWidths(mask);
        return true;
    }

    // Older skins stretch only masks whose centre is one pixel wide and high.
    static void RepairDrawMode(TsMaskData& mask) {
        int frameWidth = mask.FrameCount > 0 ? (mask.SourceRect.right - mask.SourceRect.left) / mask.FrameCount : 0;
        int bandHeight = (mask.SourceRect.bottom - mask.SourceRect.top) / (mask.ExtraBands + 1);
        bool onePixelCentre = frameWidth - mask.LeftWidth - mask.RightWidth == 1 &&
                              bandHeight - mask.TopWidth - mask.BottomWidth == 1;
        mask.DrawFlags = static_cast<std::int16_t>(onePixelCentre ? (mask.DrawFlags | 1) : (mask.DrawFlags & ~1));
    }

    std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, bool isPng) const {
        return LoadPicture(fileName, isPng, context_.Files);
    }

    std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, bool isPng, const TsSkinFiles* files) const {
        if (files == nullptr) return nullptr;
        std::unique_ptr<TMemoryStream> stream = files->Open(fileName);
        if (!stream) return nullptr;
        std::unique_ptr<TBitmap> picture;
        if (isPng) {
            TPNGGraphic png;
            png.LoadFromStream(*stream);
            picture = std::make_unique<TBitmap>();
            picture->Assign(&png);
            // Layered drawing wants premultiplied alpha; older skins only clear transparent white.
            if (Version() <= kPremultiplyVersion) BlackenTransparentWhite(*picture);
            else PremultiplyAlpha32(*picture);
        } else {
            picture = std::make_unique<TBitmap>();
            picture->LoadFromStream(*stream);
        }
        if (!picture || picture->Width() <= 0) return nullptr;
        MakeOpaque32(*picture);
        return picture;
    }

    bool ReadOwnFile(const std::string& value, TsMaskData& mask) {
        std::vector<std::string> fields = SplitFields(std::string_view(value).substr(1), '!');
        const std::string& file = fields[0];
        bool isPng = file.find(".PNG") != std::string::npos;
        if (!isPng && file.find(".BMP") == std::string::npos) return false;
        auto number = [&](size_t index) { return index < fields.size() ? StrToIntDef(fields[index], 0) : 0; };
        mask.Picture = LoadPicture(file, isPng);
        if (!mask.Picture) return false;
        mask.ImageKind = static_cast<std::uint8_t>(std::clamp(number(3), 0, 4));
        mask.FrameCount = static_cast<std::int16_t>(number(1));
        mask.ExtraBands = static_cast<std::int16_t>(number(2));
        mask.SourceRect = RECT{0, 0, mask.Picture->Width(), mask.Picture->Height()};
        if (fields.size() > 4) {
            mask.LeftWidth = static_cast<std::int16_t>(number(4));
            mask.TopWidth = static_cast<std::int16_t>(number(5));
            mask.RightWidth = static_cast<std::int16_t>(number(6));
            mask.BottomWidth = static_cast<std::int16_t>(number(7));
        } else {
            mask.FrameCount = AtLeast(mask.FrameCount, 1);
            mask.ExtraBands = AtLeast(mask.ExtraBands, 0);
            DefaultBorderWidths(mask);
        }
        mask.DrawFlags = static_cast<std::int16_t>(fields.size() > 8 ? number(8) : 1);
        return true;
    }

    bool ReadPlainBitmap(const std::string& value, TsMaskData& mask) {
        if (UpperCase(value).find(".BMP") == std::string::npos) return false;
        mask.Picture = LoadPicture(value, false);
        if (!mask.Picture) return false;
        mask.SectionName = UpperCase(mask.SectionName);
        mask.KeyName = UpperCase(mask.KeyName);
        mask.ImageKind = ikBordersMask;
        mask.FrameCount = 3;
        mask.ExtraBands = 1;
        mask.SourceRect = RECT{0, 0, mask.Picture->Width(), mask.Picture->Height()};
        DefaultBorderWidths(mask);
        return true;
    }

    bool ReadFreeForm(const std::string& value, TsMaskData& mask) {
        std::vector<std::string> groups;
        for (const std::string& group : SplitAt(value, "()"))
            if (!Trim(group).empty()) groups.push_back(group);
        std::vector<std::string> rect = groups.size() > 1 ? SplitAt(groups[1], " ,") : std::vector<std::string>{};
        std::vector<std::string> counts = groups.size() > 2 ? SplitAt(groups[2], " ,") : std::vector<std::string>{};
        if (rect.size() < 4) throw EConvertError("'" + value + "' is too short for a skin image value");
        auto count = [&](size_t index, int missing) {
            return index < counts.size() ? StrToInt(counts[index]) : missing;
        };
        mask.SectionName = UpperCase(mask.SectionName);
        mask.KeyName = UpperCase(mask.KeyName);
        mask.ImageKind = ikBordersMask;
        mask.SourceRect = RECT{StrToInt(rect[0]), StrToInt(rect[1]), StrToInt(rect[2]), StrToInt(rect[3])};
        mask.FrameCount = AtLeast(count(0, 1), 1);
        mask.ExtraBands = AtLeast(count(1, 0), 0);
        mask.CommonBorderWidth = AtLeast(count(2, 0), 0);
        mask.DrawFlags = static_cast<std::int16_t>(count(3, 1));
        DefaultBorderWidths(mask);
        return true;
    }

    const TsSkinReadContext& context_;
    TsSkinTables& tables_;
};

double ReadVersion(const TMemIniFile& ini) {
    std::string text = Trim(ini.ReadString(kGlobalInfo, "VERSION", ""));
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::unique_ptr<TBitmap> LoadMasterBitmap(const TsSkinReadContext& context) {
    auto master = std::make_unique<TBitmap>();
    std::string name = context.Ini->ReadString(kGlobalInfo, "MASTERBITMAP", "");
    if (!name.empty() && context.Files != nullptr)
        if (std::unique_ptr<TMemoryStream> stream = context.Files->Open(name)) master->LoadFromStream(*stream);
    MakeOpaque32(*master);
    master->SetTransparentColor(static_cast<TColor>(TransparentKey));
    master->SetTransparent(true);
    master->SetHandleType(bmDIB);
    return master;
}

}  // namespace

void ReadSkinImages(const TsSkinReadContext& context, TsSkinTables& tables) {
    tables.Masks.clear();
    tables.MasterBitmap.reset();
    if (context.Ini == nullptr) return;
    const TMemIniFile& ini = *context.Ini;
    tables.SkinData.Version = ReadVersion(ini);
    tables.MasterBitmap = LoadMasterBitmap(context);
    ImageValueReader reader(context, tables);
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            if (section == kGlobalInfo && key == "MASTERBITMAP") continue;
            std::string value = ini.ReadString(section, key, "");
            if (!value.empty()) reader.Read(section, key, value);
        }
    }
    if (context.Common == nullptr) return;
    for (const std::string& section : context.Common->ReadSections()) {
        if (UpperCase(section) == kGlobalInfo) continue;
        for (const std::string& key : context.Common->ReadSection(section))
            reader.ReadCommon(section, key, context.Common->ReadString(section, key, "-"));
    }
}

// ---------------------------------------------------------------------------------------------
// Large textures

namespace {

constexpr long long kPatternPixels = 900000;

bool IsJpegName(const std::string& value) {
    std::string upper = UpperCase(value);
    return upper.find(".JPG") != std::string::npos || upper.find(".JPEG") != std::string::npos;
}

// The application's sections: every JPEG of the skin folder is kept as a texture.
void ReadCommonPatterns(const TsSkinReadContext& context, TsSkinTables& tables) {
    if (context.Common == nullptr || context.CommonFiles == nullptr) return;
    const TMemIniFile& ini = *context.Common;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            std::string value = ini.ReadString(section, key, "-");
            if (!IsJpegName(value)) continue;
            std::unique_ptr<TMemoryStream> stream = context.CommonFiles->Open(value);
            if (!stream) continue;
            auto jpeg = std::make_unique<TJPEGImage>();
            jpeg->LoadFromStream(*stream);
            if (jpeg->Width() > 0) tables.Patterns.push_back({std::move(jpeg), UpperCase(section), UpperCase(key)});
        }
    }
}

}  // namespace

void ReadSkinPatterns(const TsSkinReadContext& context, TsSkinTables& tables) {
    tables.Patterns.clear();
    if (context.Ini == nullptr) return;
    const TMemIniFile& ini = *context.Ini;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            std::string value = ini.ReadString(section, key, "-");
            if (!IsJpegName(value) || context.Files == nullptr) continue;
            std::unique_ptr<TMemoryStream> stream = context.Files->Open(value);
            if (!stream) continue;
            auto jpeg = std::make_unique<TJPEGImage>();
            jpeg->LoadFromStream(*stream);
            if (jpeg->Width() <= 0 || jpeg->Height() <= 0) continue;
            if (static_cast<long long>(jpeg->Width()) * jpeg->Height() >= kPatternPixels) {
                tables.Patterns.push_back({std::move(jpeg), UpperCase(section), UpperCase(key)});
                continue;
            }
            // Small textures are decoded once here so that painting never decodes JPEG.
            TsMaskData mask;
            mask.Picture = std::make_unique<TBitmap>();
            mask.Picture->Assign(&jpeg->Bitmap());
            MakeOpaque32(*mask.Picture);
            mask.SectionName = UpperCase(section);
            mask.KeyName = UpperCase(key);
            mask.ImageKind = ikTexture;
            mask.FrameCount = 1;
            mask.OwnerManager = context.Owner;
            mask.SourceRect = RECT{0, 0, mask.Picture->Width(), mask.Picture->Height()};
            tables.Masks.push_back(std::move(mask));
        }
    }
    ReadCommonPatterns(context, tables);
}

// ---------------------------------------------------------------------------------------------
// Sections

namespace {

std::int16_t ReadShortText(const TMemIniFile& ini, const char* key, const char* fallback) {
    return static_cast<std::int16_t>(StrToInt(ini.ReadString(kGlobalInfo, key, fallback)));
}

std::int16_t ReadShort(const TMemIniFile& ini, const char* key, int fallback) {
    return static_cast<std::int16_t>(ini.ReadInteger(kGlobalInfo, key, fallback));
}

void ReadGlobalInfo(const TMemIniFile& ini, TsSkinData& data) {
    data.Version = ReadVersion(ini);
    data.Author = ini.ReadString(kGlobalInfo, "AUTHOR", "");
    data.Description = ini.ReadString(kGlobalInfo, "DESCRIPTION", "");
    data.BorderWidth = ReadShort(ini, "BORDERWIDTH", 4);
    data.TitleHeight = ReadShort(ini, "TITLEHEIGHT", 30);
    data.MaxHeight = ReadShort(ini, "MAXHEIGHT", 0);
    if (data.MaxHeight == 0) data.MaxHeight = data.TitleHeight;
    data.FormOffset = ReadShort(ini, "FORMOFFSET", GetSystemMetrics(SM_CXFRAME));
    data.AlignOffset = ReadShort(ini, "ALIGNOFFSET", 0);
    data.CenterOffset = ReadShort(ini, "CENTEROFFSET", 0);
    data.BorderMode = ReadShort(ini, "BORDERMODE", 0);
    data.Shadow1Color = static_cast<std::uint32_t>(ini.ReadInteger(kGlobalInfo, "SHADOW1COLOR", 0));
    data.Shadow1Offset = ReadShortText(ini, "SHADOW1OFFSET", "0");
    data.Shadow1Blur = ReadShortText(ini, "SHADOW1BLUR", "-1");
    data.Shadow1Transparency = ReadShortText(ini, "SHADOW1TRANSPARENCY", "0");
    data.BISpace = ReadShort(ini, "BISPACE", 0);
    data.BIVerticalAlign = ReadShort(ini, "BIVALIGN", 0);
    data.BIRight = ReadShort(ini, "BIRIGHT", 0);
    data.BILeft = ReadShort(ini, "BILEFT", 0);
    data.BITop = ReadShort(ini, "BITOP", 0);
    data.BorderColor = static_cast<std::uint32_t>(ini.ReadInteger(kGlobalInfo, "BORDERCOLOR", 0));
    data.BIKeepHueMode = ReadShort(ini, "BIKEEPHUE", 0);
    data.BIconCloseGlow = ReadShortText(ini, "BICONCLOSEGLOW", "0");
    data.BIconCloseGlowMargin = ReadShortText(ini, "BICONCLOSEGLOWMARGIN", "0");
    data.BIconMaxGlow = ReadShortText(ini, "BICONMAXGLOW", "0");
    data.BIconMaxGlowMargin = ReadShortText(ini, "BICONMAXGLOWMARGIN", "0");
    data.BIconMinGlow = ReadShortText(ini, "BICONMINGLOW", "0");
    data.BIconMinGlowMargin = ReadShortText(ini, "BICONMINGLOWMARGIN", "0");
    data.AeroBlur = ini.ReadInteger(kGlobalInfo, "AEROBLUR", 0) != 0;
    data.ExtShadow = ini.ReadInteger(kGlobalInfo, "EXTSHADOW", 0);
}

bool IsTrueText(const std::string& value) { return value == "1" || UpperCase(value) == "TRUE"; }

// Reads the state values of one state ("" for normal, the hot key names otherwise).
struct StateKeys {
    const char* color;
    const char* fontColor;
    const char* tc[4];
    const char* transparency;
    const char* gradientPercent;
    const char* gradientData;
    const char* gradientFallback;
    const char* imagePercent;
    const char* glowColor;
    const char* glowSize;
};

constexpr StateKeys kNormalKeys{"COLOR", "FONTCOLOR", {"TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"}, "TRANSPARENCY",
                                "GRADIENTPERCENT", "GRADIENTDATA", " ", "IMAGEPERCENT", "GCOL", "GSIZE"};
constexpr StateKeys kHotKeys{"HOTCOLOR", "HOTFONTCOLOR", {"HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM"},
                             "HOTTRANSPARENCY", "HOTGRADIENTPERCENT", "HOTGRADIENTDATA", "", "HOTIMAGEPERCENT",
                             "HGCOL", "HGSIZE"};

TsGenState ReadState(const TMemIniFile& ini, const std::string& section, const StateKeys& keys) {
    auto integer = [&](const char* key, int fallback) { return LookUpInheritedInt(ini, section, key, fallback); };
    TsGenState state;
    state.Color = ColorToRGB(integer(keys.color, 0xFFFFFF));
    state.FontColor = static_cast<std::uint32_t>(integer(keys.fontColor, 0));
    // A contour colour no section in the chain gives is none (all bits set), not black: a skin
    // without contour keys would otherwise smear every caption with black copies.
    state.TCLeft = static_cast<std::uint32_t>(integer(keys.tc[0], -1));
    state.TCTop = static_cast<std::uint32_t>(integer(keys.tc[1], -1));
    state.TCRight = static_cast<std::uint32_t>(integer(keys.tc[2], -1));
    state.TCBottom = static_cast<std::uint32_t>(integer(keys.tc[3], -1));
    state.Transparency = integer(keys.transparency, 0);
    state.GradientPercent = integer(keys.gradientPercent, 0);
    state.GradientData = LookUpInheritedValue(ini, section, keys.gradientData, keys.gradientFallback);
    if (state.GradientData.size() >= 2) ParseGradientData(state.GradientData, state.GradientArray);
    else state.GradientPercent = 0;
    state.ImagePercent = integer(keys.imagePercent, 0);
    state.GlowColor = ColorToRGB(integer(keys.glowColor, 0xFFFFFF));
    state.GlowSize = static_cast<std::uint8_t>(integer(keys.glowSize, 0));
    return state;
}

void CopyNormalFlatFields(const TsGenState& s, TsGeneralData& d) {
    d.Color = s.Color;
    d.Transparency = s.Transparency;
    d.GradientPercent = s.GradientPercent;
    d.GradientData = s.GradientData;
    d.GradientArray = s.GradientArray;
    d.ImagePercent = s.ImagePercent;
    d.FontColor = s.FontColor;
    d.TCLeft = s.TCLeft, d.TCTop = s.TCTop, d.TCRight = s.TCRight, d.TCBottom = s.TCBottom;
    d.GlowColor = s.GlowColor;
    d.GlowSize = s.GlowSize;
}

void CopyHotFlatFields(const TsGenState& s, TsGeneralData& d) {
    d.HotColor = s.Color;
    d.HotTransparency = s.Transparency;
    d.HotGradientPercent = s.GradientPercent;
    d.HotGradientData = s.GradientData;
    d.HotGradientArray = s.GradientArray;
    d.HotImagePercent = s.ImagePercent;
    d.HotFontColor = s.FontColor;
    d.HotTCLeft = s.TCLeft, d.HotTCTop = s.TCTop, d.HotTCRight = s.TCRight, d.HotTCBottom = s.TCBottom;
    d.HotGlowColor = s.GlowColor;
    d.HotGlowSize = s.GlowSize;
}

TsGeneralData ReadSection(const TMemIniFile& ini, const std::string& section) {
    TsGeneralData data;
    data.SectionName = section;
    data.ParentSection = ini.ReadString(section, "PARENTCLASS", "");
    data.StateCount = std::max(1, LookUpInheritedInt(ini, section, "STATES", 4));
    data.GiveOwnFont = IsTrueText(LookUpInheritedValue(ini, section, "GIVEOWNFONT", "0"));
    data.ReservedBoolean = IsTrueText(LookUpInheritedValue(ini, section, "RESERVEDBOOLEAN", "0"));
    data.ShowFocus = IsTrueText(LookUpInheritedValue(ini, section, "SHOWFOCUS", "0"));
    data.FadingEnabled = IsTrueText(LookUpInheritedValue(ini, section, "FADINGENABLED", "0"));
    data.FadingIterations = LookUpInheritedInt(ini, section, "FADINGITERATIONS", 5);
    data.Glow = LookUpInheritedInt(ini, section, "GLOW", 0);
    data.GlowMargin = LookUpInheritedInt(ini, section, "GLOWMARGIN", 0);
    data.StateProps[0] = ReadState(ini, section, kNormalKeys);
    CopyNormalFlatFields(data.StateProps[0], data);
    if (data.StateCount < 2) {
        data.StateProps[1] = data.StateProps[0];
    } else {
        data.StateProps[1] = ReadState(ini, section, kHotKeys);
        CopyHotFlatFields(data.StateProps[1], data);
    }
    return data;
}

// The keys of a section as INI text lines.
void AppendSectionText(const TMemIniFile& ini, const std::string& section, const std::string& name, std::string& text) {
    text += "[" + name + "]\n";
    for (const std::string& key : ini.ReadSection(section)) text += key + "=" + ini.ReadString(section, key, "") + "\n";
}

// A section the application adds: its own keys (-1 and "?" count as missing), else those of the
// skin section its PARENTCLASS names, else the defaults.
TsGeneralData ReadCommonSection(const TMemIniFile& skin, const TMemIniFile& common, const std::string& section) {
    std::string parent = UpperCase(common.ReadString(section, "PARENTCLASS", ""));
    std::string text;
    for (const std::string& name : skin.ReadSections())
        if (!parent.empty() && UpperCase(name) == parent) AppendSectionText(skin, name, parent, text);
    text += "[" + section + "]\n";
    for (const std::string& key : common.ReadSection(section)) {
        std::string value = common.ReadString(section, key, "");
        if (key == "PARENTCLASS" || key == "STATES" || Trim(value) == "-1" || Trim(value) == "?") continue;
        text += key + "=" + value + "\n";
    }
    text += "STATES=4\n";
    if (!parent.empty()) text += "PARENTCLASS=" + parent + "\n";
    TMemIniFile merged(text);
    TsGeneralData data = ReadSection(merged, section);
    // Text colours without a value anywhere are "none" here rather than black.
    auto none = [&](const char* key) { return LookUpInheritedValue(merged, section, key, "?") == "?"; };
    const char* const keys[2][4] = {{"TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"},
                                    {"HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM"}};
    std::uint32_t* flat[2][4] = {{&data.TCLeft, &data.TCTop, &data.TCRight, &data.TCBottom},
                                 {&data.HotTCLeft, &data.HotTCTop, &data.HotTCRight, &data.HotTCBottom}};
    for (size_t state = 0; state < 2; ++state) {
        TsGenState& props = data.StateProps[state];
        std::uint32_t* inState[4] = {&props.TCLeft, &props.TCTop, &props.TCRight, &props.TCBottom};
        for (size_t side = 0; side < 4; ++side)
            if (none(keys[state][side])) *flat[state][side] = *inState[side] = 0xFFFFFFFFu;
    }
    data.ParentSection = parent.empty() ? "-1" : parent;
    return data;
}

}  // namespace

void ReadSkinSections(const TsSkinReadContext& context, TsSkinTables& tables) {
    tables.Sections.clear();
    if (context.Ini == nullptr) return;
    const TMemIniFile& ini = *context.Ini;
    ReadGlobalInfo(ini, tables.SkinData);
    for (const std::string& section : ini.ReadSections()) tables.Sections.push_back(ReadSection(ini, section));
    if (context.Common != nullptr)
        for (const std::string& section : context.Common->ReadSections())
            if (GetSectionIndex(tables, section) < 0)
                tables.Sections.push_back(ReadCommonSection(ini, *context.Common, section));
    SectionMaskIndexes(tables);
}

void SectionMaskIndexes(TsSkinTables& tables) {
    for (size_t i = 0; i < tables.Sections.size(); ++i) {
        TsGeneralData& section = tables.Sections[i];
        if (section.SectionName == kGlobalInfo) continue;
        int index = static_cast<int>(i);
        const std::string& name = section.SectionName;
        section.BordersMaskIdx = GetMaskIndex(tables, index, name, "BORDERSMASK");
        section.ImgTopLeftIdx = GetMaskIndex(tables, index, name, "IMGTOPLEFT");
        section.ImgTopRightIdx = GetMaskIndex(tables, index, name, "IMGTOPRIGHT");
        section.ImgBottomLeftIdx = GetMaskIndex(tables, index, name, "IMGBTMLEFT");
        section.ImgBottomRightIdx = GetMaskIndex(tables, index, name, "IMGBTMRIGHT");
        section.PatternIdx = GetTextureIndex(tables, index, name, "PATTERN");
    }
}

// ---------------------------------------------------------------------------------------------
// Constant indexes

namespace {

std::int16_t Short(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

void InitConstIndexes(TsSkinTables& tables) {
    TsSkinConstIndexes& c = tables.ConstData;
    c = TsSkinConstIndexes{};
    auto section = [&](const char* name) { return GetSectionIndex(tables, name); };
    auto mask = [&](const char* sectionName, const char* key) {
        return GetMaskIndex(tables, section(sectionName), sectionName, key);
    };
    auto globalMask = [&](const char* key) { return Short(FindOwnMaskIndex(tables, kGlobalInfo, key)); };

    c.GlobalInfo = Short(section(kGlobalInfo));
    if (c.GlobalInfo >= 0) {
        c.ExBorderMask = globalMask("EXBORDER");
        const char* checks[9] = {"BOXCHECKED",   "BOXUNCHECKED",   "BOXGRAYED",   "RADIOCHECKED", "RADIOUNCHECKED",
                                 "RADIOGRAYED",  "SMALLCHECKED",   "SMALLUNCHECKED", "SMALLGRAYED"};
        for (int i = 0; i < 9; ++i) c.CheckGlyph[i] = globalMask(checks[i]);
        c.GripImage = globalMask("GRIPIMAGE");
        c.GripHorz = globalMask("GRIPHORZ");
        c.GripVert = globalMask("GRIPVERT");
    }
    c.ComboBtnSection = section("COMBOBTN");
    c.ComboBtnBorders = FindOwnMaskIndex(tables, "COMBOBTN", "BORDERSMASK");
    c.ComboBtnPattern = GetTextureIndex(tables, c.ComboBtnSection, "COMBOBTN", "PATTERN");
    c.ComboBtnHotPattern = GetTextureIndex(tables, c.ComboBtnSection, "COMBOBTN", "HOTPATTERN");
    c.ComboBoxGlyph = FindOwnMaskIndex(tables, "COMBOBOX", "GLYPHMASK");

    const char* tabs[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
    for (int i = 0; i < 4; ++i) {
        c.TabSection[i] = Short(section(tabs[i]));
        c.TabBorders[i] = Short(mask(tabs[i], "BORDERSMASK"));
    }
    const char* buttons[4] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
    for (int i = 0; i < 4; ++i) {
        c.ScrollBtnSection[i] = Short(section(buttons[i]));
        c.ScrollBtnBorders[i] = Short(mask(buttons[i], "BORDERSMASK"));
        c.ScrollBtnPattern[i] = Short(mask(buttons[i], "PATTERN"));
        c.ScrollBtnHotPattern[i] = Short(mask(buttons[i], "HOTPATTERN"));
        c.ScrollBtnGlyph[i] = Short(mask(buttons[i], "GLYPHMASK"));
    }
    const char* sliders[2] = {"SCROLLSLIDERV", "SCROLLSLIDERH"};
    for (int i = 0; i < 2; ++i) {
        c.SliderSection[i] = Short(section(sliders[i]));
        c.SliderBorders[i] = Short(mask(sliders[i], "BORDERSMASK"));
        c.SliderGlyph[i] = Short(mask(sliders[i], "GLYPHMASK"));
    }
    c.SliderHPattern = Short(mask("SCROLLSLIDERH", "PATTERN"));
    c.SliderHHotPattern = Short(mask("SCROLLSLIDERH", "HOTPATTERN"));
    c.SliderVPattern = Short(mask("SCROLLSLIDERV", "PATTERN"));
    c.SliderVHotPattern = Short(mask("SCROLLSLIDERV", "HOTPATTERN"));
    const char* bars[4] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
    for (int i = 0; i < 4; ++i) {
        c.ScrollBarSection[i] = Short(section(bars[i]));
        c.ScrollBarBorders[i] = Short(mask(bars[i], "BORDERSMASK"));
        c.ScrollBarPattern[i] = Short(mask(bars[i], "PATTERN"));
        c.ScrollBarHotPattern[i] = Short(mask(bars[i], "HOTPATTERN"));
    }
    c.WebButtonSection = section("WEBBUTTON");
    SectionMaskIndexes(tables);
}

TsSkinTables ReadSkinTables(const TsSkinReadContext& context) {
    TsSkinTables tables;
    ReadSkinImages(context, tables);
    ReadSkinPatterns(context, tables);
    ReadSkinSections(context, tables);
    InitConstIndexes(tables);
    return tables;
}

}  // namespace parch
