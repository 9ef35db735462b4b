#include "pdf/render/ScrivletTrueTypeParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "base/Streams.h"

namespace parch {

namespace {

// Big-endian reads over one table's bytes; past the end every read gives zero and marks the
// reader as overrun, so a damaged table can be told from a short one.
class TrueTypeReader {
public:
    explicit TrueTypeReader(std::string_view bytes, std::size_t position = 0) : bytes_(bytes), pos_(position) {}

    std::uint8_t U8() {
        if (pos_ >= bytes_.size()) {
            overrun_ = true;
            return 0;
        }
        return static_cast<std::uint8_t>(bytes_[pos_++]);
    }
    std::int8_t S8() { return static_cast<std::int8_t>(U8()); }
    std::uint16_t U16() {
        const std::uint16_t high = U8();
        return static_cast<std::uint16_t>((high << 8) | U8());
    }
    std::int16_t S16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32() {
        const std::uint32_t high = U16();
        return (high << 16) | U16();
    }
    double Fixed() { return static_cast<std::int32_t>(U32()) / 65536.0; }
    double F2Dot14() {
        const std::uint16_t raw = U16();
        const int integer = static_cast<std::int16_t>(raw) >> 14;
        return integer + (raw & 0x3FFF) / 16384.0;
    }
    void Skip(std::size_t count) {
        if (count > Remaining()) {
            overrun_ = true;
            pos_ = bytes_.size();
        } else {
            pos_ += count;
        }
    }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
    bool Overrun() const { return overrun_; }

private:
    std::string_view bytes_;
    std::size_t pos_;
    bool overrun_ = false;
};

std::uint32_t TrueTypeTagValue(std::string_view tag) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(i < tag.size() ? tag[i] : ' ');
    return value;
}

constexpr std::array<const char*, 258> kTrueTypeMacGlyphNames = {
    ".notdef", ".null", "nonmarkingreturn", "space", "exclam", "quotedbl", "numbersign", "dollar", "percent",
    "ampersand", "quotesingle", "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period",
    "slash", "zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "colon",
    "semicolon", "less", "equal", "greater", "question", "at", "A", "B", "C", "D", "E", "F", "G", "H", "I",
    "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "bracketleft",
    "backslash", "bracketright", "asciicircum", "underscore", "grave", "a", "b", "c", "d", "e", "f", "g",
    "h", "i", "j", "k", "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z",
    "braceleft", "bar", "braceright", "asciitilde", "Adieresis", "Aring", "Ccedilla", "Eacute", "Ntilde",
    "Odieresis", "Udieresis", "aacute", "agrave", "acircumflex", "adieresis", "atilde", "aring",
    "ccedilla", "eacute", "egrave", "ecircumflex", "edieresis", "iacute", "igrave", "icircumflex",
    "idieresis", "ntilde", "oacute", "ograve", "ocircumflex", "odieresis", "otilde", "uacute", "ugrave",
    "ucircumflex", "udieresis", "dagger", "degree", "cent", "sterling", "section", "bullet", "paragraph",
    "germandbls", "registered", "copyright", "trademark", "acute", "dieresis", "notequal", "AE", "Oslash",
    "infinity", "plusminus", "lessequal", "greaterequal", "yen", "mu", "partialdiff", "summation",
    "product", "pi", "integral", "ordfeminine", "ordmasculine", "Omega", "ae", "oslash", "questiondown",
    "exclamdown", "logicalnot", "radical", "florin", "approxequal", "Delta", "guillemotleft",
    "guillemotright", "ellipsis", "nonbreakingspace", "Agrave", "Atilde", "Otilde", "OE", "oe", "endash",
    "emdash", "quotedblleft", "quotedblright", "quoteleft", "quoteright", "divide", "lozenge",
    "ydieresis", "Ydieresis", "fraction", "currency", "guilsinglleft", "guilsinglright", "fi", "fl",
    "daggerdbl", "periodcentered", "quotesinglbase", "quotedblbase", "perthousand", "Acircumflex",
    "Ecircumflex", "Aacute", "Edieresis", "Egrave", "Iacute", "Icircumflex", "Idieresis", "Igrave",
    "Oacute", "Ocircumflex", "apple", "Ograve", "Uacute", "Ucircumflex", "Ugrave", "dotlessi",
    "circumflex", "tilde", "macron", "breve", "dotaccent", "ring", "cedilla", "hungarumlaut", "ogonek",
    "caron", "Lslash", "lslash", "Scaron", "scaron", "Zcaron", "zcaron", "brokenbar", "Eth", "eth",
    "Yacute", "yacute", "Thorn", "thorn", "minus", "multiply", "onesuperior", "twosuperior",
    "threesuperior", "onehalf", "onequarter", "threequarters", "franc", "Gbreve", "gbreve", "Idotaccent",
    "Scedilla", "scedilla", "Cacute", "cacute", "Ccaron", "ccaron", "dcroat"};

// A character map expands to at most this many code-glyph pairs in all: overlapping segments
// in a damaged font would otherwise multiply.
constexpr std::size_t kTrueTypeCmapEntryBudget = 1u << 20;

// Simple glyph flag bits.
constexpr std::uint8_t kTTXShort = 0x02;
constexpr std::uint8_t kTTYShort = 0x04;
constexpr std::uint8_t kTTRepeat = 0x08;
constexpr std::uint8_t kTTXSameOrPositive = 0x10;
constexpr std::uint8_t kTTYSameOrPositive = 0x20;

// One coordinate axis of a simple glyph, summed into absolute values.
bool TrueTypeReadCoordinates(TrueTypeReader& reader, const std::vector<std::uint8_t>& flags, std::uint8_t shortBit,
                             std::uint8_t sameBit, std::vector<TPDFTTPoint>& points, bool isX) {
    std::int32_t value = 0;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const std::uint8_t flag = flags[i];
        if (flag & shortBit) {
            const std::int32_t delta = reader.U8();
            value += (flag & sameBit) ? delta : -delta;
        } else if (!(flag & sameBit)) {
            value += reader.S16();
        }
        (isX ? points[i].X : points[i].Y) = value;
    }
    return !reader.Overrun();
}

bool TrueTypeReadSimpleGlyph(TrueTypeReader& reader, TPDFTTglyfTable& glyph) {
    glyph.EndPtsOfContours.resize(static_cast<std::size_t>(glyph.NumberOfContours));
    std::int32_t previous = -1;
    for (auto& end : glyph.EndPtsOfContours) {
        end = reader.U16();
        if (static_cast<std::int32_t>(end) < previous) return false;  // contours must not run backwards
        previous = end;
    }
    const std::size_t pointCount = static_cast<std::size_t>(previous) + 1;
    reader.Skip(reader.U16());  // instructions
    if (reader.Overrun()) return false;
    glyph.Flags.reserve(pointCount);
    while (glyph.Flags.size() < pointCount) {
        const std::uint8_t flag = reader.U8();
        std::size_t repeat = (flag & kTTRepeat) ? reader.U8() : 0;
        if (reader.Overrun()) return false;
        glyph.Flags.push_back(flag);
        while (repeat-- > 0 && glyph.Flags.size() < pointCount) glyph.Flags.push_back(flag);
    }
    glyph.Points.resize(pointCount);
    return TrueTypeReadCoordinates(reader, glyph.Flags, kTTXShort, kTTXSameOrPositive, glyph.Points, true) &&
           TrueTypeReadCoordinates(reader, glyph.Flags, kTTYShort, kTTYSameOrPositive, glyph.Points, false);
}

bool TrueTypeReadComposite(TrueTypeReader& reader, TPDFTTglyfTable& glyph) {
    std::int32_t flags = kTTMoreComponents;
    while (flags & kTTMoreComponents) {
        TPDFTTComponent component;
        flags = component.Flags = reader.U16();
        component.GlyphIndex = reader.U16();
        if (flags & kTTArgsAreWords) {
            component.Argument1 = reader.S16();
            component.Argument2 = reader.S16();
        } else {
            component.Argument1 = reader.S8();
            component.Argument2 = reader.S8();
        }
        if (flags & kTTHaveScale) {
            component.A = component.D = reader.F2Dot14();
        } else if (flags & kTTHaveXYScale) {
            component.A = reader.F2Dot14();
            component.D = reader.F2Dot14();
        } else if (flags & kTTHaveTwoByTwo) {
            component.A = reader.F2Dot14();
            component.B = reader.F2Dot14();
            component.C = reader.F2Dot14();
            component.D = reader.F2Dot14();
        }
        if (reader.Overrun()) return false;
        glyph.Components.push_back(component);
    }
    glyph.NumberOfContours = 0;
    return true;
}

}  // namespace

void TPDFTrueTypeParser::Clear() {
    data_.clear();
    sfntVersion_ = 0;
    numTables_ = searchRange_ = entrySelector_ = rangeShift_ = 0;
    directory_.clear();
    maxpVersion_ = 0;
    numGlyphs_ = 0;
    header_ = TPDFTTHeader();
    loca_.clear();
    glyfOffset_ = glyfLength_ = 0;
    postFormat_ = italicAngle_ = 0;
    underlinePosition_ = underlineThickness_ = 0;
    isFixedPitch_ = 0;
    glyphNames_.clear();
    cmapVersion_ = 0;
    encodings_.clear();
    ascender_ = descender_ = lineGap_ = advanceWidthMax_ = 0;
    minLeftSideBearing_ = minRightSideBearing_ = xMaxExtent_ = 0;
    caretSlopeRise_ = caretSlopeRun_ = caretOffset_ = 0;
    numberOfHMetrics_ = 0;
    advanceWidths_.clear();
}

void TPDFTrueTypeParser::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    LoadFromString(stream.ReadToEnd());
}

void TPDFTrueTypeParser::LoadFromString(std::string data) {
    Clear();
    data_ = std::move(data);
    if (data_.size() < 4) return;
    TrueTypeReader reader(data_);
    const std::uint32_t version = reader.U32();
    if (version != 0x00010000 && version != TrueTypeTagValue("true") && version != TrueTypeTagValue("typ1") &&
        version != TrueTypeTagValue("OTTO"))
        return;
    sfntVersion_ = static_cast<std::int32_t>(version) / 65536.0;
    ReadDirectory();
    ReadHead();
    ReadMaxp();
    ReadLoca();
    ReadPost();
    ReadCmap();
    ReadHhea();
    ReadHmtx();
}

void TPDFTrueTypeParser::ReadDirectory() {
    TrueTypeReader reader(data_, 4);
    numTables_ = reader.U16();
    searchRange_ = reader.U16();
    entrySelector_ = reader.U16();
    rangeShift_ = reader.U16();
    const std::size_t count = std::min<std::size_t>(numTables_, reader.Remaining() / 16);
    directory_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TPDFTTDirectoryEntry entry;
        entry.Tag = reader.U32();
        entry.TagName.assign(data_, reader.Position() - 4, 4);
        entry.Checksum = reader.U32();
        entry.EntryPosition = static_cast<std::int64_t>(reader.Position());
        entry.Offset = static_cast<std::int64_t>(reader.U32()) - CollectionBase;
        entry.Length = reader.U32();
        directory_.push_back(std::move(entry));
    }
}

int TPDFTrueTypeParser::FindTable(std::string_view tag) const {
    const std::uint32_t value = TrueTypeTagValue(tag);
    for (std::size_t i = 0; i < directory_.size(); ++i)
        if (directory_[i].Tag == value) return static_cast<int>(i);
    return -1;
}

// The table's bytes, cut to what the data holds; empty when it is missing or lies outside.
std::string_view TPDFTrueTypeParser::TableData(std::string_view tag) const {
    const int index = FindTable(tag);
    if (index < 0) return {};
    const TPDFTTDirectoryEntry& entry = directory_[static_cast<std::size_t>(index)];
    const auto size = static_cast<std::int64_t>(data_.size());
    if (entry.Offset < 0 || entry.Offset >= size) return {};
    const std::int64_t length = std::min<std::int64_t>(entry.Length, size - entry.Offset);
    return std::string_view(data_).substr(static_cast<std::size_t>(entry.Offset), static_cast<std::size_t>(length));
}

void TPDFTrueTypeParser::ReadHead() {
    const std::string_view table = TableData("head");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    header_.Version = reader.Fixed();
    header_.FontRevision = reader.Fixed();
    reader.Skip(8);  // checksum adjustment, magic number
    header_.Flags = reader.U16();
    header_.UnitsPerEm = reader.U16();
    reader.U32();
    header_.Created = reader.U32();
    reader.U32();
    header_.Modified = reader.U32();
    header_.XMin = reader.S16();
    header_.YMin = reader.S16();
    header_.XMax = reader.S16();
    header_.YMax = reader.S16();
    header_.MacStyle = reader.U16();
    reader.U16();  // lowestRecPPEM
    reader.S16();  // fontDirectionHint
    header_.IndexToLocFormat = reader.S16();
    header_.GlyphDataFormat = reader.S16();
    // Every scale divides by the em; an em outside what fonts use would divide by zero or blow
    // coordinates up, so it counts as missing.
    if (header_.UnitsPerEm < 16 || header_.UnitsPerEm > 16384) header_.UnitsPerEm = 2048;
}

void TPDFTrueTypeParser::ReadMaxp() {
    const std::string_view table = TableData("maxp");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    maxpVersion_ = reader.Fixed();
    numGlyphs_ = reader.U16();
}

void TPDFTrueTypeParser::ReadLoca() {
    const std::string_view table = TableData("loca");
    const std::string_view glyf = TableData("glyf");
    if (table.empty() || glyf.empty() || numGlyphs_ == 0) return;
    glyfOffset_ = static_cast<std::size_t>(glyf.data() - data_.data());
    glyfLength_ = glyf.size();
    const int format = header_.IndexToLocFormat;
    if (format != 0 && format != 1) return;
    const std::size_t entrySize = format == 0 ? 2 : 4;
    // A glyph count the table cannot hold is cut to what it holds.
    const std::size_t count = std::min<std::size_t>(std::size_t{numGlyphs_} + 1, table.size() / entrySize);
    if (count < 2) return;
    TrueTypeReader reader(table);
    loca_.resize(count);
    for (auto& offset : loca_) {
        offset = format == 0 ? std::uint32_t{reader.U16()} * 2 : reader.U32();
        if (offset > 0xFFFFFF) offset = 0;
    }
}

int TPDFTrueTypeParser::GlyphCount() const {
    return loca_.empty() ? numGlyphs_ : static_cast<int>(loca_.size() - 1);
}

void TPDFTrueTypeParser::GetGlyph(int index, TPDFTTglyfTable& glyph) const {
    glyph = TPDFTTglyfTable();
    if (index < 0 || static_cast<std::size_t>(index) + 1 >= loca_.size()) return;
    const std::uint32_t start = loca_[static_cast<std::size_t>(index)];
    const std::uint32_t end = loca_[static_cast<std::size_t>(index) + 1];
    if (end <= start || end > glyfLength_) return;
    TrueTypeReader reader(std::string_view(data_).substr(glyfOffset_ + start, end - start));
    TPDFTTglyfTable decoded;
    decoded.NumberOfContours = reader.S16();
    decoded.XMin = reader.S16();
    decoded.YMin = reader.S16();
    decoded.XMax = reader.S16();
    decoded.YMax = reader.S16();
    if (reader.Overrun()) return;
    const bool complete = decoded.NumberOfContours > 0 ? TrueTypeReadSimpleGlyph(reader, decoded)
                                                       : TrueTypeReadComposite(reader, decoded);
    if (complete) glyph = std::move(decoded);
}

void TPDFTrueTypeParser::ReadPost() {
    const std::string_view table = TableData("post");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    postFormat_ = reader.Fixed();
    italicAngle_ = reader.Fixed();
    underlinePosition_ = reader.S16();
    underlineThickness_ = reader.S16();
    isFixedPitch_ = reader.U32();
    reader.Skip(16);  // memory use hints
    glyphNames_.assign(numGlyphs_, std::string());
    if (postFormat_ == 1.0) {
        for (std::size_t i = 0; i < std::min<std::size_t>(numGlyphs_, kTrueTypeMacGlyphNames.size()); ++i)
            glyphNames_[i] = kTrueTypeMacGlyphNames[i];
    } else if (postFormat_ == 2.0) {
        const std::size_t count = std::min<std::size_t>(reader.U16(), numGlyphs_);
        std::vector<std::uint16_t> indices(std::min(count, reader.Remaining() / 2));
        for (auto& nameIndex : indices) nameIndex = reader.U16();
        std::vector<std::string> strings;
        while (reader.Remaining() > 0) {
            const std::size_t length = reader.U8();
            if (length > reader.Remaining()) break;
            strings.emplace_back(table.substr(reader.Position(), length));
            reader.Skip(length);
        }
        for (std::size_t i = 0; i < indices.size(); ++i) {
            if (indices[i] < kTrueTypeMacGlyphNames.size())
                glyphNames_[i] = kTrueTypeMacGlyphNames[indices[i]];
            else if (indices[i] - kTrueTypeMacGlyphNames.size() < strings.size())
                glyphNames_[i] = strings[indices[i] - kTrueTypeMacGlyphNames.size()];
        }
    } else if (postFormat_ == 2.5) {
        for (std::size_t i = 0; i < numGlyphs_ && reader.Remaining() > 0; ++i) {
            const std::int64_t standard = static_cast<std::int64_t>(i) + reader.S8();
            if (standard >= 1 && standard <= 257) glyphNames_[i] = kTrueTypeMacGlyphNames[static_cast<std::size_t>(standard)];
        }
    } else if (postFormat_ == 3.0) {
        glyphNames_.clear();
    }
}

void TPDFTrueTypeParser::ReadCmap() {
    const std::string_view table = TableData("cmap");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    cmapVersion_ = reader.U16();
    const std::size_t count = std::min<std::size_t>(reader.U16(), reader.Remaining() / 8);
    encodings_.resize(count);
    for (auto& record : encodings_) {
        record.PlatformID = reader.U16();
        record.EncodingID = reader.U16();
        record.Offset = reader.U32();
    }
    std::size_t budget = kTrueTypeCmapEntryBudget;
    for (auto& record : encodings_) ReadEncodingData(record, table, budget);
    glyphNames_.resize(numGlyphs_);
}

void TPDFTrueTypeParser::ReadEncodingData(TPDFTTEncodingRecord& record, std::string_view table,
                                          std::size_t& budget) const {
    if (record.Offset >= table.size()) return;
    TrueTypeReader reader(table, record.Offset);
    record.Format = reader.U16();
    const std::uint16_t length = reader.U16();
    record.Language = reader.U16();
    (void)length;
    auto add = [&](std::uint32_t code, std::uint16_t glyph) {
        if (budget == 0) return false;
        --budget;
        record.Codes.push_back(static_cast<std::uint16_t>(code));
        record.Glyphs.push_back(glyph);
        return true;
    };
    if (record.Format == 0) {
        for (std::uint32_t code = 0; code < 256 && reader.Remaining() > 0; ++code)
            if (!add(code, reader.U8())) return;
    } else if (record.Format == 4) {
        const std::size_t segCount = std::min<std::size_t>(reader.U16() / 2, reader.Remaining() / 8);
        reader.Skip(6);  // searchRange, entrySelector, rangeShift
        const std::size_t endCodes = reader.Position();
        const std::size_t startCodes = endCodes + segCount * 2 + 2;  // after reservedPad
        const std::size_t idDeltas = startCodes + segCount * 2;
        const std::size_t idRangeOffsets = idDeltas + segCount * 2;
        for (std::size_t s = 0; s < segCount; ++s) {
            const std::uint16_t endCode = TrueTypeReader(table, endCodes + 2 * s).U16();
            const std::uint16_t startCode = TrueTypeReader(table, startCodes + 2 * s).U16();
            const std::uint16_t idDelta = TrueTypeReader(table, idDeltas + 2 * s).U16();
            const std::size_t rangeOffsetPosition = idRangeOffsets + 2 * s;
            const std::uint16_t idRangeOffset = TrueTypeReader(table, rangeOffsetPosition).U16();
            if (endCode == 0xFFFF) continue;
            for (std::uint32_t code = startCode; code <= endCode; ++code) {
                std::uint16_t glyph = 0;
                if (idRangeOffset == 0) {
                    glyph = static_cast<std::uint16_t>(code + idDelta);
                } else {
                    TrueTypeReader entry(table, rangeOffsetPosition + idRangeOffset + 2 * (code - startCode));
                    glyph = entry.U16();
                    if (glyph != 0) glyph = static_cast<std::uint16_t>(glyph + idDelta);
                }
                if (!add(code, glyph)) return;
            }
        }
    } else if (record.Format == 6) {
        const std::uint16_t firstCode = reader.U16();
        const std::size_t entryCount = std::min<std::size_t>(reader.U16(), reader.Remaining() / 2);
        for (std::size_t j = 0; j < entryCount; ++j)
            if (!add(firstCode + j, reader.U16())) return;
    }
}

std::int32_t TPDFTrueTypeParser::ScaleToThousandths(std::int32_t value) const {
    return value * 1000 / header_.UnitsPerEm;
}

void TPDFTrueTypeParser::ReadHhea() {
    const std::string_view table = TableData("hhea");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    if (reader.U32() != 0x00010000) return;
    ascender_ = ScaleToThousandths(reader.S16());
    descender_ = ScaleToThousandths(reader.S16());
    lineGap_ = ScaleToThousandths(reader.S16());
    advanceWidthMax_ = ScaleToThousandths(reader.U16());
    minLeftSideBearing_ = ScaleToThousandths(reader.S16());
    minRightSideBearing_ = ScaleToThousandths(reader.S16());
    xMaxExtent_ = ScaleToThousandths(reader.S16());
    caretSlopeRise_ = reader.S16();
    caretSlopeRun_ = reader.S16();
    caretOffset_ = reader.S16();
    reader.Skip(10);  // reserved, metricDataFormat
    numberOfHMetrics_ = reader.U16();
}

void TPDFTrueTypeParser::ReadHmtx() {
    const std::string_view table = TableData("hmtx");
    if (table.empty()) return;
    TrueTypeReader reader(table);
    advanceWidths_.resize(std::min<std::size_t>(numberOfHMetrics_, table.size() / 4));
    for (auto& width : advanceWidths_) {
        width = static_cast<std::uint16_t>(ScaleToThousandths(reader.U16()));
        reader.S16();  // left side bearing
    }
}

int TPDFTrueTypeParser::AdvanceWidth(int glyph) const {
    if (advanceWidths_.empty()) return 750;
    if (glyph >= 0 && static_cast<std::size_t>(glyph) < advanceWidths_.size())
        return advanceWidths_[static_cast<std::size_t>(glyph)];
    return advanceWidths_.back();
}

int TPDFTrueTypeParser::FindEncoding(std::uint16_t platformID, std::uint16_t encodingID) const {
    for (int i = static_cast<int>(encodings_.size()) - 1; i >= 0; --i)
        if (encodings_[static_cast<std::size_t>(i)].PlatformID == platformID &&
            encodings_[static_cast<std::size_t>(i)].EncodingID == encodingID)
            return i;
    return -1;
}

const TPDFTTEncodingRecord* TPDFTrueTypeParser::Encoding(int index) const {
    if (index < 0 || index >= EncodingCount()) return nullptr;
    return &encodings_[static_cast<std::size_t>(index)];
}

void TPDFTrueTypeParser::GetEncoding(int index, TPDFTTEncodingRecord& record) const {
    const TPDFTTEncodingRecord* found = Encoding(index);
    record = found ? *found : TPDFTTEncodingRecord();
}

int TPDFTrueTypeParser::FindGlyphName(std::string_view name) const {
    if (name.empty()) return -1;  // glyphs without a name are not named by ""
    for (int i = GlyphNameCount() - 1; i >= 0; --i)
        if (glyphNames_[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

const std::string& TPDFTrueTypeParser::GlyphName(int index) const {
    static const std::string kNoName;
    if (index < 0 || index >= GlyphNameCount()) return kNoName;
    return glyphNames_[static_cast<std::size_t>(index)];
}

std::int64_t TPDFTrueTypeParser::CFFTableOffset() const {
    const int index = FindTable("CFF ");
    if (index < 0) return 0;
    const std::int64_t offset = directory_[static_cast<std::size_t>(index)].Offset;
    return offset > 0 && offset < static_cast<std::int64_t>(data_.size()) ? offset : 0;
}

bool TPDFTrueTypeParser::SeekCFFTable(TStream& stream) const {
    const std::int64_t offset = CFFTableOffset();
    if (offset == 0) return false;
    stream.SetPosition(offset);
    return true;
}

}  // namespace parch
