#include "pdf/render/ScrivletFontCollection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "base/Streams.h"
#include "framework/graphics/Graphics.h"
#include "pdf/core/ScrivletCMap.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/render/ScrivletFontSubstitution.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "pdf/render/ScrivletType1Decoder.h"
#include "platform/os/FontFamilies.h"
#include "resources/EmbeddedResources.h"

namespace parch {

namespace {

// A Type0 font has one level of descendants; anything deeper is a malformed or cyclic file.
constexpr int kFontCollectionMaxNesting = 2;
constexpr int kFontCollectionMaxReferenceChain = 32;
constexpr double kFontCollectionMissingWidth = 750;
constexpr std::int64_t kFontCollectionCIDWidth = 1000;
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

constexpr std::int64_t kFontCollectionLastCID = 0xFFFF;
constexpr int kHeiseiWidthsResource = 15904;
constexpr std::size_t kHeiseiWidthRecordSize = 513;  // the high byte, then 256 big-endian widths

// The widths of CID ranges as /W gives them: a CID keeps the first width given for it, and a
// range is kept as one range however many CIDs it names.
class TPDFCIDWidthBuilder {
public:
    void Add(std::int64_t first, std::int64_t last, std::int64_t width) {
        first = std::max<std::int64_t>(first, 0);
        last = std::min(last, kFontCollectionLastCID);
        // Past the start of a range that covers `first`.
        if (auto it = ranges_.upper_bound(first); it != ranges_.begin()) {
            const auto& previous = *std::prev(it);
            if (previous.second.first >= first) first = previous.second.first + 1;
        }
        while (first <= last) {
            const auto next = ranges_.lower_bound(first);
            const std::int64_t gapEnd = next == ranges_.end() ? last : std::min(last, next->first - 1);
            if (gapEnd >= first) ranges_.emplace(first, std::make_pair(gapEnd, width));
            if (next == ranges_.end()) break;
            first = next->second.first + 1;
        }
    }

    std::vector<TPDFCIDWidthRange> Ranges() const {
        std::vector<TPDFCIDWidthRange> result;
        result.reserve(ranges_.size());
        for (const auto& [first, range] : ranges_)
            result.push_back({static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(range.first),
                              FontCollectionClampToInt32(range.second)});
        return result;
    }

private:
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> ranges_;  // first -> (last, width)
};

// The built-in widths of the Japanese gothic face: records of a high byte and the 256 widths
// of its low bytes; 0 is no entry.
void FontCollectionHeiseiWidths(TPDFCIDWidthBuilder& builder) {
    const std::optional<std::string> table = ReadEmbeddedResource(kHeiseiWidthsResource);
    if (!table) return;
    for (std::size_t record = 0; record + kHeiseiWidthRecordSize <= table->size(); record += kHeiseiWidthRecordSize) {
        const std::int64_t high = static_cast<std::uint8_t>((*table)[record]);
        for (std::int64_t low = 0; low < 256; ++low) {
            const std::size_t at = record + 1 + 2 * static_cast<std::size_t>(low);
            const std::int64_t width = static_cast<std::uint8_t>((*table)[at]) << 8 | static_cast<std::uint8_t>((*table)[at + 1]);
            if (width != 0) builder.Add(high << 8 | low, high << 8 | low, width);
        }
    }
}

bool FontCollectionIsCIDFont(std::string_view subtype) {
    return subtype == "CIDFontType0" || subtype == "CIDFontType2";
}

// A CFF program not wrapped in OpenType: version 1, a header of at least four bytes.
bool FontCollectionIsBareCFF(std::string_view program) {
    return program.size() >= 4 && program[0] == 1 && static_cast<std::uint8_t>(program[2]) >= 4;
}

constexpr std::string_view kHeiseiKakuGoName = "HeiseiKakuGo-W5";

// The installed Japanese family that stands in for the gothic face: the Windows families when
// present, else the first installed Japanese family in sorted order.
std::string JapaneseFamily(std::vector<std::string> families) {
    for (const char* preferred : {"MS UI Gothic", "MS Mincho"})
        if (std::find(families.begin(), families.end(), preferred) != families.end()) return preferred;
    std::sort(families.begin(), families.end());
    return families.empty() ? std::string() : families.front();
}

}  // namespace

bool TPDFFontCollectionData::FindCIDWidth(std::uint32_t cid, std::int32_t& width) const {
    if (!CIDWidths) return false;
    const auto after = std::upper_bound(CIDWidthRanges.begin(), CIDWidthRanges.end(), cid,
                                        [](std::uint32_t value, const TPDFCIDWidthRange& range) { return value < range.First; });
    if (after != CIDWidthRanges.begin() && cid <= std::prev(after)->Last) {
        width = std::prev(after)->Width;
        return true;
    }
    const int index = CIDWidths->IndexOf("Default");
    if (index < 0) return false;
    width = CIDWidthOf(*CIDWidths, index);
    return true;
}

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
    void ReadEmbeddedType1();
    void ReadEmbeddedCFF();
    std::unique_ptr<TPDFType1Decoder> NewDecoder() const;
    void TakeBuiltInEncoding(const TPDFType1Decoder& decoder);
    void CreateJapaneseRasterizer();
    void CreateDingbatsRasterizer();
    void NameGlyphsByCode();
    void CreateInstalledRasterizer(const TPDFSubstitutedFont& substitute);
    void ApplyNamesAndWidths();
    void ZapfDingbatsWidths();
    void InstalledCFFWidths(const TGlyphNames& names);
    void ReadCIDSystemInfo();
    void ReadSimpleWidths();
    void ReadCIDWidths();
    void ReadW(TPDFCIDWidthBuilder& widths) const;
    void ReadTextTables();
    void TextFromNames();
    void ApplyToUnicode(TPDFFontCollectionData& entry);
    void TextFromCodesWhenNone();
    void ConnectRasterizer();
    void Store();

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
    TPDFTrueTypeRasterizer2* installed_ = nullptr;  // the entry's rasterizer, when an installed TrueType font
    // An installed OpenType font: the entry's CFF decoder and the font's metrics.
    TPDFType1Decoder* installedCFF_ = nullptr;
    std::unique_ptr<TPDFTrueTypeRasterizer2> installedMetrics_;
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
        if (collection_.RasterizeGlyphs && !font_->Rasterizer)
            CreateInstalledRasterizer(SubstituteFont(font_->BaseFont, flags_, collection_.InstalledFamilies()));
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

// An embedded Type 1 (FontFile) or CFF (FontFile3) program draws the font; a standard font
// without a descriptor takes its table metrics and an installed stand-in.
void TPDFFontLoader::ReadType1Family() {
    if (descriptor_) {
        ReadMetrics();
        ReadEmbeddedType1();
        ReadEmbeddedCFF();
        if (!font_->Rasterizer && font_->BaseFont.starts_with(kHeiseiKakuGoName)) CreateJapaneseRasterizer();
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
        CreateDingbatsRasterizer();
    } else {
        font_->BaseFont = std::string(standardRow_->Target);
        CreateInstalledRasterizer(SubstituteFont(font_->BaseFont, flags_, collection_.InstalledFamilies()));
    }
}

void TPDFFontLoader::ReadEmbeddedType1() {
    if (!collection_.RasterizeGlyphs) return;
    TPDFStream* program = AsStream(Value(descriptor_, "FontFile"));
    if (!program) return;
    auto decoder = NewDecoder();
    if (decoder->SplitFontFile(program)) {
        decoder->ParseClearText();
        decoder->ParsePrivatePart();
    }
    if (encodingName_.empty() || (flags_ & kFontFlagSymbolic)) TakeBuiltInEncoding(*decoder);
    font_->Rasterizer = std::move(decoder);
}

// Loaded whether glyphs are drawn or not: its built-in encoding names the codes.
void TPDFFontLoader::ReadEmbeddedCFF() {
    TPDFStream* program = AsStream(Value(descriptor_, "FontFile3"));
    if (!program) return;
    auto decoder = NewDecoder();
    decoder->LoadFontFile3(program);
    if (encodingName_.empty()) TakeBuiltInEncoding(*decoder);
    font_->Rasterizer = std::move(decoder);
}

std::unique_ptr<TPDFType1Decoder> TPDFFontLoader::NewDecoder() const {
    auto decoder = std::make_unique<TPDFType1Decoder>();
    decoder->OnFindObject = collection_.OnFindObject;
    return decoder;
}

// Codes the program's encoding leaves empty keep the names they had.
void TPDFFontLoader::TakeBuiltInEncoding(const TPDFType1Decoder& decoder) {
    const std::array<std::string, 256> builtIn = decoder.GetBuiltInEncoding();
    if (std::all_of(builtIn.begin(), builtIn.end(), [](const std::string& name) { return name.empty(); })) return;
    font_->GlyphNames = builtIn;
}

// The Japanese gothic face has no outline source: its rasterizer only names the installed
// family that stands in.
void TPDFFontLoader::CreateJapaneseRasterizer() {
    auto rasterizer = std::make_unique<TPDFSimpleTrueTypeRasterizer>();
    TFont& font = rasterizer->FontOf();
    font.SetName(std::string(OutlineFamilyFor(JapaneseFamily(InstalledFontFamilies(SHIFTJIS_CHARSET)))));
    const std::string style = font_->BaseFont.substr(std::min<std::size_t>(font_->BaseFont.size(), 15));
    if (style == ",Bold") font.SetStyle(fsBold);
    if (style == ",Italic") font.SetStyle(fsItalic);
    if (style == ",BoldItalic") font.SetStyle(fsBold | fsItalic);
    font_->Rasterizer = std::move(rasterizer);
}

// The built-in dingbats program, asked by code: its symbol cmap holds every glyph at its
// standard code, whatever name the standard encoding gives that code.
void TPDFFontLoader::CreateDingbatsRasterizer() {
    auto rasterizer = std::make_unique<TPDFTrueTypeRasterizer2>();
    rasterizer->Parser().LoadFromString(GetDingbatsFontProgram());
    if (!differences_) {
        rasterizer->SetSymbolic(kFontFlagSymbolic);
        textNames_ = font_->GlyphNames;
        separateTextNames_ = true;
        NameGlyphsByCode();
    }
    font_->Rasterizer = std::move(rasterizer);
}

void TPDFFontLoader::NameGlyphsByCode() {
    for (int code = 0; code <= kFontCollectionLastSimpleCode; ++code)
        font_->GlyphNames[static_cast<std::size_t>(code)] = "CID:" + std::to_string(code);
}

// An embedded TrueType program draws the font, or the CFF program that an OpenType font holds.
// A symbolic font names its glyphs by code, as its program's own cmap is asked.
void TPDFFontLoader::ReadTrueTypeFamily() {
    ReadMetrics();
    if (!collection_.RasterizeGlyphs) return;
    TPDFObject* value = descriptor_ ? descriptor_->GetValue("FontFile2") : nullptr;
    if (!AsStream(collection_.ResolveObject(value))) return;
    std::string program = StreamData(value);
    if (program.empty()) return;
    auto rasterizer = std::make_unique<TPDFTrueTypeRasterizer2>();
    rasterizer->Parser().LoadFromString(program);
    if (rasterizer->Parser().FindTable("CFF ") >= 0 || FontCollectionIsBareCFF(program)) {
        auto decoder = NewDecoder();
        TStringStream stream(std::move(program));
        decoder->LoadCFF(stream);
        font_->Rasterizer = std::move(decoder);
        return;
    }
    rasterizer->SetSymbolic(flags_);
    font_->Rasterizer = std::move(rasterizer);
    if (!(flags_ & kFontFlagSymbolic)) return;
    textNames_ = font_->GlyphNames;
    separateTextNames_ = true;
    NameGlyphsByCode();
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
    // Only a CID font descends from a composite font; another Type0 (or the font itself)
    // would load without end.
    if (descendants && descendants->GetCount() == 1 && depth_ + 1 < kFontCollectionMaxNesting &&
        FontCollectionIsCIDFont(NameValue(AsDictionary(collection_.ResolveObject(descendants->GetItem(0))), "Subtype")))
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

// A font the file does not embed is drawn with the installed font that substitution picks;
// an installed OpenType font's CFF program goes to the CFF decoder.
void TPDFFontLoader::CreateInstalledRasterizer(const TPDFSubstitutedFont& substitute) {
    auto rasterizer = std::make_unique<TPDFTrueTypeRasterizer2>();
    TFont& font = rasterizer->FontOf();
    font.SetName(std::string(OutlineFamilyFor(substitute.Family)));
    font.SetStyle((substitute.Bold ? fsBold : 0) | (substitute.Italic ? fsItalic : 0));
    rasterizer->LoadInstalledFont();
    if (rasterizer->IsCFF) {
        auto decoder = NewDecoder();
        const TPDFTrueTypeParser& parser = rasterizer->Parser();
        decoder->LoadCFFTable(parser.Data().substr(static_cast<std::size_t>(parser.CFFTableOffset())));
        installedCFF_ = decoder.get();
        installedMetrics_ = std::move(rasterizer);
        font_->Rasterizer = std::move(decoder);
        return;
    }
    installed_ = rasterizer.get();
    font_->Rasterizer = std::move(rasterizer);
}

void TPDFFontLoader::ApplyNamesAndWidths() {
    if (differences_) {
        if (separateTextNames_) ApplyDifferences(textNames_, differences_);
        if (!differencesAside_) ApplyDifferences(font_->GlyphNames, differences_);
    }
    const TGlyphNames& names = separateTextNames_ ? textNames_ : font_->GlyphNames;
    // The installed font's advances first; the file's own /Widths override them later.
    if (!standardRow_ && !FontCollectionIsCIDFont(subtype_)) {
        if (installed_) installed_->InstalledFontWidths(names, font_->Widths);
        if (installedCFF_) InstalledCFFWidths(names);
    }
    if (standardRow_) GetStandardFontWidths(standardRow_->Number, names, font_->Widths);
    if (standardRow_ && standardRow_->Number == kZapfDingbatsFont) ZapfDingbatsWidths();

    TGlyphAnsiCodes ansi{};
    GlyphNamesToWinAnsi(names, ansi);
    for (std::size_t code = 0; code < ansi.size(); ++code)
        font_->AnsiCodes[code] = ansi[code] ? std::string(1, static_cast<char>(ansi[code])) : std::string();
}

// An installed OpenType font names its glyphs in its CFF charset; its 'hmtx' gives their advances.
void TPDFFontLoader::InstalledCFFWidths(const TGlyphNames& names) {
    const TScrivletCaseSensitiveStringList& glyphs = installedCFF_->GlyphNames();
    for (std::size_t code = 0; code < names.size(); ++code) {
        if (names[code].empty()) continue;
        const int glyph = glyphs.IndexOf(names[code]);
        if (glyph >= 0) font_->Widths[code] = installedMetrics_->Parser().AdvanceWidth(glyph);
    }
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

    TPDFCIDWidthBuilder widths;
    if (subtype_ == "CIDFontType0" && font_->BaseFont.starts_with(kHeiseiKakuGoName))
        FontCollectionHeiseiWidths(widths);
    else
        ReadW(widths);
    font_->CIDWidths = std::make_unique<TScrivletStringList>();
    font_->CIDWidths->AddObject("Default", CIDWidthObject(FontCollectionClampToInt32(defaultWidth)));
    font_->CIDWidthRanges = widths.Ranges();
}

void TPDFFontLoader::ReadW(TPDFCIDWidthBuilder& widths) const {
    const TPDFArray* w = AsArray(Value(dict_, "W"));
    const int count = w ? w->GetCount() : 0;
    for (int i = 0; count - i >= 2;) {
        const TPDFNumeric* first = AsNumber(collection_.ResolveObject(w->GetItem(i)));
        if (!first) break;
        TPDFObject* next = collection_.ResolveObject(w->GetItem(i + 1));
        if (const TPDFNumeric* last = AsNumber(next)) {
            const TPDFNumeric* width = AsNumber(w->GetItem(i + 2));
            if (!width) break;
            widths.Add(first->GetInteger(), last->GetInteger(), width->GetInteger());
            i += 3;
        } else if (const TPDFArray* list = AsArray(next)) {
            for (int k = 0; k < list->GetCount() && first->GetInteger() + k <= kFontCollectionLastCID; ++k)
                if (const TPDFNumeric* width = AsNumber(collection_.ResolveObject(list->GetItem(k))))
                    widths.Add(first->GetInteger() + k, first->GetInteger() + k, width->GetInteger());
            i += 2;
        } else {
            break;
        }
    }
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

void TPDFFontLoader::ConnectRasterizer() {
    if (!font_->Rasterizer) return;
    font_->Rasterizer->OnFindObject = collection_.OnFindObject;
    font_->Rasterizer->OnBeforeStreamRead = collection_.OnBeforeStreamRead;
    font_->Rasterizer->OnAfterStreamRead = collection_.OnAfterStreamRead;
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
