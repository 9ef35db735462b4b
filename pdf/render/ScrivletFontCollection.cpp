#include "pdf/render/ScrivletFontCollection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string_view>
#include <utility>

#include "pdf/core/ScrivletCMap.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/render/ScrivletFontSubstitution.h"
#include "pdf/render/ScrivletInstalledFontRasterizer.h"
#include "platform/gdi/GlyphOutlines.h"

namespace parch {

namespace {

// A Type0 font has one level of descendants; anything deeper is a malformed or cyclic file.
constexpr int kFontCollectionMaxNesting = 2;
constexpr int kFontCollectionMaxReferenceChain = 32;
constexpr double kFontCollectionMissingWidth = 750;
constexpr std::int64_t kFontCollectionCIDWidth = 1000;
// Every 16-bit CID once; more widths than that only come from damaged or hostile arrays.
constexpr std::size_t kFontCollectionMaxCIDWidths = 65535;
constexpr int kFontCollectionLastSimpleCode = 255;
constexpr std::size_t kFontCollectionFirstStandardWidthCode = 24;  // of the standard width tables

const TPDFName* FontCollectionAsName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

const TPDFString* FontCollectionAsString(const TPDFObject* object) {
    return object && object->Kind == kPDFKindString ? static_cast<const TPDFString*>(object) : nullptr;
}

int FontCollectionEncodingNumber(std::string_view name, int current) {
    if (name == "StandardEncoding") return kStandardEncoding;
    if (name == "MacRomanEncoding") return kMacRomanEncoding;
    if (name == "WinAnsiEncoding") return kWinAnsiEncoding;
    if (name == "PDFDocEncoding") return kPDFDocEncoding;
    if (name == "MacExpertEncoding") return kMacExpertEncoding;
    return current;
}

std::int32_t FontCollectionClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// "CID:n" items with the width of each CID, plus "Default"; sorted, so that the renderer's
// look-up per glyph is a binary search.
std::unique_ptr<TScrivletStringList> FontCollectionCIDWidthList(
    const std::map<std::int64_t, std::int64_t>& widths, std::int64_t defaultWidth) {
    auto list = std::make_unique<TScrivletStringList>();
    list->AddObject("Default", CIDWidthObject(FontCollectionClampToInt32(defaultWidth)));
    for (const auto& [cid, width] : widths)
        list->AddObject("CID:" + std::to_string(cid), CIDWidthObject(FontCollectionClampToInt32(width)));
    list->SetSorted(true);
    return list;
}

bool FontCollectionIsCIDFont(std::string_view subtype) {
    return subtype == "CIDFontType0" || subtype == "CIDFontType2";
}

}  // namespace

// Builds one collection entry from a font dictionary.
class TPDFFontLoader {
public:
    TPDFFontLoader(TPDFFontCollection& collection, int depth) : collection_(collection), depth_(depth) {}

    void Load(TPDFObject* fontObject);

private:
    TPDFObject* Value(const TPDFDictionary* dictionary, std::string_view key) const {
        return dictionary ? collection_.ResolveObject(dictionary->GetValue(key)) : nullptr;
    }
    std::string NameValue(const TPDFDictionary* dictionary, std::string_view key) const {
        const TPDFName* name = FontCollectionAsName(Value(dictionary, key));
        return name ? name->NameBytes : std::string();
    }
    // The decoded data of a stream value, with the read callbacks around a referenced one.
    std::string StreamData(TPDFObject* value) const;

    void ReadDescriptor();
    void ReadEncoding();
    void ReadBySubtype();
    void ReadType1Family();
    void ReadTrueTypeFamily();
    void ReadType3();
    void LoadDescendant();
    void ReadMetrics();
    void CreateInstalledRasterizer();
    void ApplyNamesAndWidths();
    void ZapfDingbatsWidths();
    void ReadCIDSystemInfo();
    void ReadSimpleWidths();
    void ReadCIDWidths();
    void ReadTextTables();
    void TextFromNames();
    void ApplyToUnicode(TPDFFontCollectionData& entry);
    void TextFromCodesWhenNone();
    void ConnectRasterizer();
    void Store();

    std::unique_ptr<TPDFInstalledFontRasterizer> InstalledRasterizer(const TPDFSubstitutedFont& font);

    TPDFFontCollection& collection_;
    int depth_;
    std::unique_ptr<TPDFFontCollectionData> font_ = std::make_unique<TPDFFontCollectionData>();
    TPDFDictionary* dict_ = nullptr;
    TPDFDictionary* descriptor_ = nullptr;
    std::string subtype_;
    int encoding_ = kStandardEncoding;
    std::string encodingName_;  // only a composite font keeps it in its entry
    TPDFArray* differences_ = nullptr;
    bool differencesAside_ = false;
    int flags_ = 0;
    const TPDFStandardFontRow* standardRow_ = nullptr;
    // The names that text and widths come from, where they differ from the drawn glyph names
    // (the Symbol font's "U+" names, a symbolic font's "CID:" names).
    TGlyphNames textNames_;
    bool separateTextNames_ = false;
    TPDFInstalledFontRasterizer* installed_ = nullptr;  // the entry's rasterizer, when installed
};

void TPDFFontLoader::Load(TPDFObject* fontObject) {
    if (fontObject && fontObject->Kind == kPDFKindIndRef)
        font_->ObjectNumber = static_cast<TPDFIndRef*>(fontObject)->RefObjectNumber;
    GetEncodingGlyphNames(kStandardEncoding, font_->GlyphNames);
    font_->Widths.fill(0);

    dict_ = AsDictionary(collection_.ResolveObject(fontObject));
    if (dict_) {
        ReadDescriptor();
        if (const TPDFName* baseFont = FontCollectionAsName(Value(dict_, "BaseFont")))
            font_->BaseFont = baseFont->NameBytes;
        ReadEncoding();
        subtype_ = NameValue(dict_, "Subtype");
        ReadBySubtype();
        if (subtype_ == "Type0") {
            LoadDescendant();
            return;
        }
        CreateInstalledRasterizer();
        ApplyNamesAndWidths();
        if (FontCollectionIsCIDFont(subtype_)) {
            ReadCIDSystemInfo();
            ReadCIDWidths();
        } else {
            ReadSimpleWidths();
        }
    }
    ReadTextTables();
    ConnectRasterizer();
    Store();
}

std::string TPDFFontLoader::StreamData(TPDFObject* value) const {
    TPDFIndRef* reference = value && value->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(value) : nullptr;
    TPDFStream* stream = AsStream(collection_.ResolveObject(value));
    if (!stream) return {};
    if (reference && collection_.OnBeforeStreamRead) collection_.OnBeforeStreamRead(stream, reference);
    std::string data = GetDecodedData(*stream);
    if (reference && collection_.OnAfterStreamRead) collection_.OnAfterStreamRead(stream, reference);
    return data;
}

void TPDFFontLoader::ReadDescriptor() {
    descriptor_ = AsDictionary(Value(dict_, "FontDescriptor"));
    const TPDFNumeric* missing = AsNumber(Value(descriptor_, "MissingWidth"));
    font_->Widths.fill(missing ? missing->GetValue() : kFontCollectionMissingWidth);
}

void TPDFFontLoader::ReadEncoding() {
    TPDFObject* encoding = dict_->GetValue("Encoding");
    TPDFObject* resolved = collection_.ResolveObject(encoding);
    if (const TPDFName* name = FontCollectionAsName(resolved)) {
        encodingName_ = name->NameBytes;
        encoding_ = FontCollectionEncodingNumber(name->NameBytes, encoding_);
    } else if (const TPDFDictionary* dictionary = AsDictionary(resolved)) {
        if (const TPDFName* base = FontCollectionAsName(Value(dictionary, "BaseEncoding"))) {
            encodingName_ = base->NameBytes;
            encoding_ = FontCollectionEncodingNumber(base->NameBytes, encoding_);
        }
        differences_ = AsArray(Value(dictionary, "Differences"));
    } else if (AsStream(resolved)) {
        // Only the code space matters here: it decides whether codes are single bytes.
        TPDFCMap unused;
        ParseToUnicodeCMap(StreamData(encoding), font_->OneByteCodes, unused);
    }
    GetEncodingGlyphNames(encoding_, font_->GlyphNames);
}

void TPDFFontLoader::ReadBySubtype() {
    if (subtype_ == "Type1" || subtype_ == "MMType1" || subtype_ == "CIDFontType0")
        ReadType1Family();
    else if (subtype_ == "TrueType" || subtype_ == "CIDFontType2")
        ReadTrueTypeFamily();
    else if (subtype_ == "Type3")
        ReadType3();
}

// Embedded Type 1 and CFF programs are not read: the installed font stands in for them.
void TPDFFontLoader::ReadType1Family() {
    if (descriptor_) {
        ReadMetrics();
        return;
    }
    standardRow_ = FindStandardFontRow(font_->BaseFont);
    if (!standardRow_) return;
    font_->Ascent = standardRow_->Ascent;
    font_->Descent = standardRow_->Descent;
    if (standardRow_->Number == kSymbolFont) {
        encoding_ = kSymbolEncoding;
        GetSymbolUnicodeNames(kSymbolEncoding, font_->GlyphNames);
        // The "U+" names draw; the Symbol glyph names give the widths and the text.
        GetEncodingGlyphNames(kSymbolEncoding, textNames_);
        separateTextNames_ = true;
    }
    if (!collection_.RasterizeGlyphs) return;
    if (standardRow_->Number == kZapfDingbatsFont) {
        font_->BaseFont = "SVLDingbats";
        font_->Rasterizer = InstalledRasterizer({"ZapfDingbats", false, false});
    } else {
        font_->BaseFont = std::string(standardRow_->Target);
        font_->Rasterizer = InstalledRasterizer(
            SubstituteFont(font_->BaseFont, flags_, collection_.InstalledFamilies()));
    }
}

// An embedded TrueType program is not read: the installed font stands in for it. A symbolic
// font still names its glyphs by code, as its program's own cmap would be asked.
void TPDFFontLoader::ReadTrueTypeFamily() {
    ReadMetrics();
    if (!collection_.RasterizeGlyphs) return;
    const TPDFStream* program = AsStream(Value(descriptor_, "FontFile2"));
    if (!program || program->Data.empty() || !(flags_ & kFontFlagSymbolic)) return;
    textNames_ = font_->GlyphNames;
    separateTextNames_ = true;
    for (int code = 0; code <= kFontCollectionLastSimpleCode; ++code)
        font_->GlyphNames[static_cast<std::size_t>(code)] = "CID:" + std::to_string(code);
    differencesAside_ = !collection_.KeepSymbolicDifferences;
}

void TPDFFontLoader::ReadType3() {
    if (!collection_.RasterizeGlyphs) return;
    auto type3 = std::make_unique<TPDFType3Rasterizer>();
    type3->OnFindObject = collection_.OnFindObject;
    type3->OnBeforeStreamRead = collection_.OnBeforeStreamRead;
    type3->OnAfterStreamRead = collection_.OnAfterStreamRead;
    type3->Load(dict_);
    font_->Rasterizer = std::move(type3);
}

void TPDFFontLoader::LoadDescendant() {
    const bool oneByteCodes = font_->OneByteCodes;
    const std::size_t before = collection_.fonts_.size();
    const TPDFArray* descendants = AsArray(Value(dict_, "DescendantFonts"));
    if (descendants && descendants->GetCount() == 1 && depth_ + 1 < kFontCollectionMaxNesting)
        collection_.LoadFontAt(descendants->GetItem(0), depth_ + 1);
    // Without a descendant of its own the font keeps an entry with the start values, so that
    // it never completes a font loaded earlier.
    if (collection_.fonts_.size() == before) {
        TextFromNames();
        TextFromCodesWhenNone();
        Store();
    }
    TPDFFontCollectionData& descendant = *collection_.fonts_.back();
    descendant.Composite = true;
    descendant.EncodingName = encodingName_;
    descendant.OneByteCodes = oneByteCodes;
    ApplyToUnicode(descendant);
}

void TPDFFontLoader::ReadMetrics() {
    if (const TPDFNumeric* ascent = AsNumber(Value(descriptor_, "Ascent"))) {
        const auto rounded = static_cast<double>(ascent->GetInteger());
        font_->Ascent = rounded > 1 ? rounded : ascent->GetValue() * 1000;
    }
    if (const TPDFNumeric* descent = AsNumber(Value(descriptor_, "Descent"))) {
        const auto rounded = static_cast<double>(descent->GetInteger());
        font_->Descent = std::abs(rounded) > 1 ? rounded : descent->GetValue() * 1000;
    }
    if (const TPDFNumeric* flags = AsNumber(Value(descriptor_, "Flags")))
        flags_ = static_cast<int>(FontCollectionClampToInt32(flags->GetInteger()));
}

void TPDFFontLoader::CreateInstalledRasterizer() {
    if (!collection_.RasterizeGlyphs || font_->Rasterizer) return;
    font_->Rasterizer =
        InstalledRasterizer(SubstituteFont(font_->BaseFont, flags_, collection_.InstalledFamilies()));
}

std::unique_ptr<TPDFInstalledFontRasterizer> TPDFFontLoader::InstalledRasterizer(const TPDFSubstitutedFont& font) {
    auto rasterizer = std::make_unique<TPDFInstalledFontRasterizer>(
        OutlineFont::SharedInstalled(OutlineFamilyFor(font.Family), font.Bold, font.Italic));
    rasterizer->UseBuiltInEncoding = font.Family == "ZapfDingbats";
    installed_ = rasterizer.get();
    return rasterizer;
}

void TPDFFontLoader::ApplyNamesAndWidths() {
    if (differences_) {
        if (separateTextNames_) ApplyDifferences(textNames_, differences_);
        if (!differencesAside_) ApplyDifferences(font_->GlyphNames, differences_);
    }
    const TGlyphNames& names = separateTextNames_ ? textNames_ : font_->GlyphNames;
    // The file's own widths stay authoritative; the installed font only fills in for a font
    // that gives none.
    const bool hasWidths = AsArray(Value(dict_, "Widths")) != nullptr;
    if (installed_ && !standardRow_ && !hasWidths && !FontCollectionIsCIDFont(subtype_))
        installed_->InstalledFontWidths(names, font_->Widths);
    if (standardRow_) GetStandardFontWidths(standardRow_->Number, names, font_->Widths);
    if (standardRow_ && standardRow_->Number == kZapfDingbatsFont) ZapfDingbatsWidths();

    TGlyphAnsiCodes ansi{};
    GlyphNamesToWinAnsi(names, ansi);
    for (std::size_t code = 0; code < ansi.size(); ++code)
        font_->AnsiCodes[code] = ansi[code] ? std::string(1, static_cast<char>(ansi[code])) : std::string();
}

// The dingbats' widths belong to their codes, whatever the glyph names say.
void TPDFFontLoader::ZapfDingbatsWidths() {
    const TWidthsArray widths = StandardWidths(kStandardEncoding, kZapfDingbatsFont);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::size_t code = kFontCollectionFirstStandardWidthCode + i;
        if (widths[i] > 0 && code < font_->Widths.size()) font_->Widths[code] = widths[i];
    }
}

void TPDFFontLoader::ReadCIDSystemInfo() {
    const TPDFDictionary* info = AsDictionary(Value(dict_, "CIDSystemInfo"));
    if (!info) return;
    std::string text;
    if (const TPDFString* registry = FontCollectionAsString(Value(info, "Registry"))) text += registry->Bytes;
    text += "-";
    if (const TPDFString* ordering = FontCollectionAsString(Value(info, "Ordering"))) text += ordering->Bytes;
    text += "-";
    if (const TPDFNumeric* supplement = AsNumber(Value(info, "Supplement")))
        text += std::to_string(supplement->GetInteger());
    font_->CIDSystemInfo = text;
}

void TPDFFontLoader::ReadSimpleWidths() {
    const TPDFNumeric* first = AsNumber(Value(dict_, "FirstChar"));
    const TPDFNumeric* last = AsNumber(Value(dict_, "LastChar"));
    if (!first || !last) return;
    const std::int64_t firstChar = first->GetInteger();
    const std::int64_t lastChar = std::min<std::int64_t>(last->GetInteger(), kFontCollectionLastSimpleCode);
    font_->FirstChar = FontCollectionClampToInt32(firstChar);
    font_->LastChar = FontCollectionClampToInt32(lastChar);
    const TPDFArray* widths = AsArray(Value(dict_, "Widths"));
    if (!widths) return;
    for (int i = 0; i < widths->GetCount(); ++i) {
        const std::int64_t code = firstChar + i;
        if (code > lastChar) break;
        if (code < 0) continue;
        const TPDFNumeric* width = AsNumber(widths->GetItem(i));
        font_->Widths[static_cast<std::size_t>(code)] = width ? width->GetValue() : 0;
    }
}

void TPDFFontLoader::ReadCIDWidths() {
    const TPDFNumeric* dw = AsNumber(Value(dict_, "DW"));
    const std::int64_t defaultWidth = dw ? dw->GetInteger() : kFontCollectionCIDWidth;
    if (subtype_ == "CIDFontType2") font_->CIDToGIDMap = StreamData(dict_->GetValue("CIDToGIDMap"));

    std::map<std::int64_t, std::int64_t> widths;  // the first width given for a CID wins
    const auto add = [&widths](std::int64_t cid, std::int64_t width) {
        if (cid >= 0 && widths.size() < kFontCollectionMaxCIDWidths) widths.emplace(cid, width);
    };
    const TPDFArray* w = AsArray(Value(dict_, "W"));
    const int count = w ? w->GetCount() : 0;
    for (int i = 0; count - i >= 2 && widths.size() < kFontCollectionMaxCIDWidths;) {
        const TPDFNumeric* first = AsNumber(collection_.ResolveObject(w->GetItem(i)));
        if (!first) break;
        TPDFObject* next = collection_.ResolveObject(w->GetItem(i + 1));
        if (const TPDFNumeric* last = AsNumber(next)) {
            const TPDFNumeric* width = AsNumber(w->GetItem(i + 2));
            if (!width) break;
            // Stops at the cap: a range may name billions of CIDs.
            for (std::int64_t cid = std::max<std::int64_t>(first->GetInteger(), 0);
                 cid <= last->GetInteger() && widths.size() < kFontCollectionMaxCIDWidths; ++cid)
                add(cid, width->GetInteger());
            i += 3;
        } else if (const TPDFArray* list = AsArray(next)) {
            for (int k = 0; k < list->GetCount(); ++k)
                if (const TPDFNumeric* width = AsNumber(collection_.ResolveObject(list->GetItem(k))))
                    add(first->GetInteger() + k, width->GetInteger());
            i += 2;
        } else {
            break;
        }
    }
    font_->CIDWidths = FontCollectionCIDWidthList(widths, defaultWidth);
}

void TPDFFontLoader::ReadTextTables() {
    TextFromNames();
    ApplyToUnicode(*font_);
    TextFromCodesWhenNone();
}

void TPDFFontLoader::TextFromNames() {
    const TGlyphNames& names = separateTextNames_ ? textNames_ : font_->GlyphNames;
    TGlyphAnsiCodes ansi{};
    TGlyphUnicodes unicodes{};
    GlyphNamesToWinAnsi(names, ansi);
    GlyphNamesToUnicode(names, unicodes);
    for (std::size_t code = 0; code < ansi.size(); ++code) {
        font_->AnsiText[code] = ansi[code] ? std::string(1, static_cast<char>(ansi[code])) : std::string();
        font_->UnicodeText[code] = unicodes[code] ? std::u16string(1, unicodes[code]) : std::u16string();
    }
}

// The font's /ToUnicode map overrides the text its glyph names give. A composite font whose
// encoding CMap already said its codes are single bytes keeps that.
void TPDFFontLoader::ApplyToUnicode(TPDFFontCollectionData& entry) {
    if (!dict_) return;
    TPDFObject* value = dict_->GetValue("ToUnicode");
    if (!AsStream(collection_.ResolveObject(value))) return;
    bool oneByteCodes = false;
    ParseToUnicodeCMap(StreamData(value), oneByteCodes, entry.ToUnicode);
    if (!(entry.Composite && entry.OneByteCodes)) entry.OneByteCodes = oneByteCodes;
    BuildAnsiTextFromToUnicode(entry.ToUnicode, entry.AnsiText, entry.AnsiText);
    BuildUnicodeTextFromToUnicode(entry.ToUnicode, entry.UnicodeText, entry.UnicodeText);
    entry.AnsiCodes = entry.AnsiText;
}

// A font whose codes have no text at all stands for its codes.
void TPDFFontLoader::TextFromCodesWhenNone() {
    const bool anyText = std::any_of(font_->AnsiText.begin(), font_->AnsiText.end(),
                                     [](const std::string& text) { return !text.empty(); });
    if (anyText) return;
    for (std::size_t code = 0; code < font_->AnsiText.size(); ++code) {
        font_->AnsiText[code] = std::string(1, static_cast<char>(code));
        font_->UnicodeText[code] = std::u16string(1, static_cast<char16_t>(code));
    }
}

// Glyphs named by code are drawn as the code's text: a simple font's text table, a CID
// font's text from the built-in maps of its ordering. Identity orderings say nothing about
// the glyph, so their codes draw nothing.
void TPDFFontLoader::ConnectRasterizer() {
    if (!font_->Rasterizer) return;
    font_->Rasterizer->OnFindObject = collection_.OnFindObject;
    font_->Rasterizer->OnBeforeStreamRead = collection_.OnBeforeStreamRead;
    font_->Rasterizer->OnAfterStreamRead = collection_.OnAfterStreamRead;
    if (!installed_) return;
    TPDFFontCollectionData* entry = font_.get();
    installed_->OnCodeText = [entry](std::uint32_t code) -> std::u16string {
        if (entry->Composite) {
            if (entry->CIDSystemInfo.empty() || entry->CIDSystemInfo.find("-Identity-") != std::string::npos)
                return {};
            return MapCIDToUnicode(entry->EncodingName, entry->CIDSystemInfo, code);
        }
        if (code > kFontCollectionLastSimpleCode) return {};
        const std::u16string& text = entry->UnicodeText[code];
        return text.empty() ? std::u16string(1, static_cast<char16_t>(code)) : text;
    };
}

void TPDFFontLoader::Store() { collection_.AppendFont(std::move(font_)); }

TPDFFontCollection::TPDFFontCollection() = default;
TPDFFontCollection::~TPDFFontCollection() = default;

void TPDFFontCollection::SelectFont(TPDFIndRef* fontRef) {
    if (!fontRef) return;
    if (TPDFFontCollectionData* found = FindFont(fontRef->RefObjectNumber)) {
        CurrentFont = found;
        return;
    }
    LoadFont(fontRef);
    fonts_.back()->ObjectNumber = fontRef->RefObjectNumber;
    RebuildIndex();
    CurrentFont = fonts_.back().get();
}

void TPDFFontCollection::SelectFontNumber(std::int32_t objectNumber) {
    if (TPDFFontCollectionData* found = FindFont(objectNumber)) CurrentFont = found;
}

void TPDFFontCollection::LoadAndSelectFont(TPDFDictionary* fontDict) {
    for (const auto& [dictionary, font] : directFonts_) {
        if (dictionary == fontDict) {
            CurrentFont = font;
            return;
        }
    }
    LoadFont(fontDict);
    CurrentFont = fonts_.back().get();
    directFonts_.emplace_back(fontDict, CurrentFont);
}

void TPDFFontCollection::LoadFont(TPDFObject* fontObject) { LoadFontAt(fontObject, 0); }

void TPDFFontCollection::LoadFontAt(TPDFObject* fontObject, int depth) {
    TPDFFontLoader(*this, depth).Load(fontObject);
}

TPDFObject* TPDFFontCollection::ResolveObject(TPDFObject* object) const {
    for (int step = 0; object && object->Kind == kPDFKindIndRef; ++step) {
        if (step == kFontCollectionMaxReferenceChain) return nullptr;
        auto* reference = static_cast<TPDFIndRef*>(object);
        object = OnFindObject ? OnFindObject(reference) : reference->Resolve();
    }
    return object;
}

// A simple font's codes are single bytes whatever its maps say. A composite font's built-in
// encoding CMap splits its text even when a ToUnicode map is present: that map only gives the
// codes their text, and pairs would break the single-byte codes of a Shift-JIS encoding.
void TPDFFontCollection::SplitCodes(const std::string& text, std::vector<std::uint32_t>& codes) const {
    codes.clear();
    if (!CurrentFont || text.empty()) return;
    if (CurrentFont->OneByteCodes || !CurrentFont->Composite) {
        for (char byte : text) codes.push_back(static_cast<std::uint8_t>(byte));
        return;
    }
    if (!CurrentFont->CIDSystemInfo.empty() &&
        SplitCharCodes(CurrentFont->EncodingName, CurrentFont->CIDSystemInfo, text, codes))
        return;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        codes.push_back(static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[i])) << 8 |
                        static_cast<std::uint8_t>(text[i + 1]));
}

void TPDFFontCollection::GetUnicode(std::uint32_t code, std::u16string& text) const {
    text.clear();
    if (!CurrentFont) return;
    if (CurrentFont->Composite) {
        if (!CurrentFont->ToUnicode.empty()) {
            // The first entry wins here, unlike the per-code tables, where the last does.
            for (const TPDFCMapEntry& entry : CurrentFont->ToUnicode) {
                if (code >= entry.Low && code <= entry.High) {
                    text = CMapEntryText(entry, code);
                    return;
                }
            }
            return;
        }
        if (!CurrentFont->CIDSystemInfo.empty())
            text = MapCIDToUnicode(CurrentFont->EncodingName, CurrentFont->CIDSystemInfo, code);
        return;
    }
    if (code > kFontCollectionLastSimpleCode) return;
    text = CurrentFont->UnicodeText[code];
    if (text.empty()) text.assign(1, static_cast<char16_t>(code));
}

void TPDFFontCollection::SetInstalledFamilies(std::vector<std::string> families) {
    families_ = std::move(families);
    familiesKnown_ = true;
}

const std::vector<std::string>& TPDFFontCollection::InstalledFamilies() {
    if (!familiesKnown_) SetInstalledFamilies(SubstitutionFamilies());
    return families_;
}

void TPDFFontCollection::AppendFont(std::unique_ptr<TPDFFontCollectionData> font) {
    fonts_.push_back(std::move(font));
}

void TPDFFontCollection::RebuildIndex() {
    std::vector<std::pair<std::int32_t, std::int32_t>> index;
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i]->ObjectNumber != 0) index.emplace_back(fonts_[i]->ObjectNumber, static_cast<std::int32_t>(i));
    // Stable, so that of two entries with one number the first loaded is found.
    std::stable_sort(index.begin(), index.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    objectNumbers_.clear();
    sortedIndex_.clear();
    for (const auto& [number, position] : index) {
        objectNumbers_.push_back(number);
        sortedIndex_.push_back(position);
    }
}

TPDFFontCollectionData* TPDFFontCollection::FindFont(std::int32_t objectNumber) const {
    const auto found = std::lower_bound(objectNumbers_.begin(), objectNumbers_.end(), objectNumber);
    if (found == objectNumbers_.end() || *found != objectNumber) return nullptr;
    return fonts_[static_cast<std::size_t>(sortedIndex_[static_cast<std::size_t>(found - objectNumbers_.begin())])]
        .get();
}

}  // namespace parch
