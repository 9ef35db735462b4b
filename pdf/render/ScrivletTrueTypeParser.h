#pragma once
// Reads a TrueType or OpenType font program: the table directory, the header, glyph names,
// character maps and advance widths at load time; glyph outlines on demand, each from its own
// 'loca' range inside 'glyf', so a damaged font costs no more than the glyphs actually drawn.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class TStream;

struct TPDFTTDirectoryEntry {
    std::uint32_t Tag = 0;
    std::string TagName;        // the tag as four characters
    std::uint32_t Checksum = 0;
    std::int64_t Offset = 0;    // from the start of the loaded data (collection base removed)
    std::uint32_t Length = 0;
    std::int64_t EntryPosition = 0;  // where the entry's offset was read
};

struct TPDFTTHeader {
    double Version = 0;
    double FontRevision = 0;
    std::uint16_t Flags = 0;
    std::uint16_t UnitsPerEm = 2048;
    std::uint32_t Created = 0;
    std::uint32_t Modified = 0;
    std::int16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    std::uint16_t MacStyle = 0;
    std::int16_t IndexToLocFormat = 0;
    std::int16_t GlyphDataFormat = 0;
};

struct TPDFTTComponent {
    std::int32_t Flags = 0;
    std::int32_t GlyphIndex = 0;
    std::int32_t Argument1 = 0;
    std::int32_t Argument2 = 0;
    double A = 1.0, D = 1.0, B = 0.0, C = 0.0;
};

struct TPDFTTPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
};

struct TPDFTTglyfTable {
    std::int32_t NumberOfContours = 0;  // 0 for a composite glyph and for a glyph without data
    std::int32_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    std::vector<std::uint16_t> EndPtsOfContours;
    std::vector<TPDFTTPoint> Points;  // absolute font units
    std::vector<std::uint8_t> Flags;  // bit 0: on the curve
    std::vector<TPDFTTComponent> Components;
};

struct TPDFTTEncodingRecord {
    std::uint16_t PlatformID = 0;
    std::uint16_t EncodingID = 0;
    std::uint32_t Offset = 0;
    std::uint16_t Language = 0;
    std::uint16_t Format = 0;
    std::vector<std::uint16_t> Codes;   // code i maps to glyph i
    std::vector<std::uint16_t> Glyphs;
};

// Component flag bits.
inline constexpr std::int32_t kTTArgsAreWords = 0x0001;
inline constexpr std::int32_t kTTArgsAreXYValues = 0x0002;
inline constexpr std::int32_t kTTHaveScale = 0x0008;
inline constexpr std::int32_t kTTMoreComponents = 0x0020;
inline constexpr std::int32_t kTTHaveXYScale = 0x0040;
inline constexpr std::int32_t kTTHaveTwoByTwo = 0x0080;

class TPDFTrueTypeParser {
public:
    TPDFTrueTypeParser() = default;
    TPDFTrueTypeParser(const TPDFTrueTypeParser&) = delete;
    TPDFTrueTypeParser& operator=(const TPDFTrueTypeParser&) = delete;

    // Reads the stream from its start; damaged or missing tables leave their fields empty.
    void LoadFromStream(TStream& stream);
    void LoadFromString(std::string data);
    // The bytes the parser reads, as loaded.
    std::string_view Data() const { return data_; }

    // Directory index of the first table with the tag, -1 when none.
    int FindTable(std::string_view tag) const;
    const std::vector<TPDFTTDirectoryEntry>& Directory() const { return directory_; }
    const TPDFTTHeader& GetHeader() const { return header_; }
    double SfntVersion() const { return sfntVersion_; }
    std::uint16_t NumGlyphs() const { return numGlyphs_; }

    int GlyphCount() const;
    // Decodes the glyph from its own data; an empty record for an index outside the font or a
    // glyph whose data is damaged.
    void GetGlyph(int index, TPDFTTglyfTable& glyph) const;

    int FindEncoding(std::uint16_t platformID, std::uint16_t encodingID) const;
    void GetEncoding(int index, TPDFTTEncodingRecord& record) const;
    // The record itself, null outside the range.
    const TPDFTTEncodingRecord* Encoding(int index) const;
    int EncodingCount() const { return static_cast<int>(encodings_.size()); }

    int GlyphNameCount() const { return static_cast<int>(glyphNames_.size()); }
    // The last glyph with the name, -1 when none.
    int FindGlyphName(std::string_view name) const;
    const std::string& GlyphName(int index) const;
    double PostFormat() const { return postFormat_; }

    // Advance width in thousandths of an em; 750 when the font has none.
    int AdvanceWidth(int glyph) const;
    std::int32_t HheaAscender() const { return ascender_; }
    std::int32_t HheaDescender() const { return descender_; }

    // Offset of the 'CFF ' table within the loaded data, 0 when there is none.
    std::int64_t CFFTableOffset() const;
    // Positions the stream that holds the loaded data at the 'CFF ' table; false when the font
    // has none.
    bool SeekCFFTable(TStream& stream) const;

    // Subtracted from every table offset: an installed face inside a collection file is loaded
    // from its table directory on.
    std::int64_t CollectionBase = 0;

private:
    void Clear();
    void ReadDirectory();
    void ReadHead();
    void ReadMaxp();
    void ReadLoca();
    void ReadPost();
    void ReadCmap();
    void ReadEncodingData(TPDFTTEncodingRecord& record, std::string_view table, std::size_t& budget) const;
    void ReadHhea();
    void ReadHmtx();
    std::string_view TableData(std::string_view tag) const;
    std::int32_t ScaleToThousandths(std::int32_t value) const;

    std::string data_;
    double sfntVersion_ = 0;
    std::uint16_t numTables_ = 0, searchRange_ = 0, entrySelector_ = 0, rangeShift_ = 0;
    std::vector<TPDFTTDirectoryEntry> directory_;
    double maxpVersion_ = 0;
    std::uint16_t numGlyphs_ = 0;
    TPDFTTHeader header_;
    std::vector<std::uint32_t> loca_;  // glyph offsets relative to 'glyf', one more than glyphs
    std::size_t glyfOffset_ = 0, glyfLength_ = 0;  // 'glyf' within the data
    double postFormat_ = 0, italicAngle_ = 0;
    std::int16_t underlinePosition_ = 0, underlineThickness_ = 0;
    std::uint32_t isFixedPitch_ = 0;
    std::vector<std::string> glyphNames_;
    std::uint16_t cmapVersion_ = 0;
    std::vector<TPDFTTEncodingRecord> encodings_;
    std::int32_t ascender_ = 0, descender_ = 0, lineGap_ = 0, advanceWidthMax_ = 0;
    std::int32_t minLeftSideBearing_ = 0, minRightSideBearing_ = 0, xMaxExtent_ = 0;
    std::int16_t caretSlopeRise_ = 0, caretSlopeRun_ = 0, caretOffset_ = 0;
    std::uint16_t numberOfHMetrics_ = 0;
    std::vector<std::uint16_t> advanceWidths_;
};

}  // namespace parch
