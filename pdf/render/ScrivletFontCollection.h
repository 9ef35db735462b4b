#pragma once
// The fonts of one page render: each font dictionary the content selects becomes one entry with
// its glyph names, widths, text per code and a rasterizer that adds glyph outlines to a path.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletToUnicode.h"

namespace parch {

class TPDFDictionary;
class TPDFGenericCanvas;
class TPDFIndRef;
class TPDFObject;
class TPDFStream;

using TPDFFindObjectEvent = std::function<TPDFObject*(TPDFIndRef*)>;
using TPDFStreamReadEvent = std::function<void(TPDFStream*, TPDFIndRef*)>;

// Glyph rasterizer: glyphs are asked for by PostScript name, "CID:n", "GID:n" or "U+XXXX".
class TPDFFontRasterizer {
public:
    virtual ~TPDFFontRasterizer() = default;

    // Adds the glyph's outline, moved by (x, y) in thousandths of text space and mapped through
    // matrix, to the canvas's current path; opens no path and paints nothing. False when the
    // rasterizer cannot draw at all.
    virtual bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                             const std::string& glyphName) = 0;
    // The rasterizer's glyph unit relative to thousandths of text space.
    virtual double GetScale() { return 1.0; }

    TPDFFindObjectEvent OnFindObject;
    TPDFStreamReadEvent OnBeforeStreamRead;
    TPDFStreamReadEvent OnAfterStreamRead;
    std::int32_t RenderMode = 0;
};

// Type 3 fonts: each glyph is a content stream that the renderer runs with the font's resources.
class TPDFType3Rasterizer : public TPDFFontRasterizer {
public:
    void Load(TPDFDictionary* fontDict);
    // The decoded procedure of the glyph (case-sensitive name), or empty.
    std::string GetGlyphProcedure(const std::string& glyphName) const;
    bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                     const std::string& glyphName) override;

    TPDFDictionary* FontDict = nullptr;
    TScrivletCaseSensitiveStringList GlyphNames;
    std::vector<std::string> GlyphProcs;  // parallel to GlyphNames
    TPDFMatrix FontMatrix;
    std::int32_t FillColor = 0;
};

// The width that a CIDWidths item carries as its object.
inline void* CIDWidthObject(std::int32_t width) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(width)); }
inline std::int32_t CIDWidthOf(const TScrivletStringList& widths, int index) {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(widths.GetObject(index)));
}

// The width of the CIDs First..Last.
struct TPDFCIDWidthRange {
    std::uint16_t First = 0;
    std::uint16_t Last = 0;
    std::int32_t Width = 0;
};

struct TPDFFontCollectionData {
    std::int32_t ObjectNumber = 0;
    std::array<double, 256> Widths{};
    std::array<std::string, 256> AnsiCodes;
    std::string BaseFont = "Arial";
    std::unique_ptr<TPDFFontRasterizer> Rasterizer;
    std::array<std::string, 256> GlyphNames;
    bool Composite = false;
    // The "Default" item carrying the default width as its integer; the widths of single CIDs
    // are kept as ranges in CIDWidthRanges.
    std::unique_ptr<TScrivletStringList> CIDWidths;
    std::vector<TPDFCIDWidthRange> CIDWidthRanges;  // sorted, disjoint
    double Ascent = 0;
    double Descent = 0;
    std::array<std::string, 256> AnsiText;
    std::array<std::u16string, 256> UnicodeText;
    TPDFCMap ToUnicode;  // empty when the font has none
    std::int32_t FirstChar = 0;
    std::int32_t LastChar = 0;
    std::string CIDToGIDMap;
    bool OneByteCodes = false;
    std::string EncodingName;
    std::string CIDSystemInfo;

    // The width of a CID: its range's, else the default; false when the font has no CID widths.
    bool FindCIDWidth(std::uint32_t cid, std::int32_t& width) const;

    TPDFType3Rasterizer* Type3() const { return dynamic_cast<TPDFType3Rasterizer*>(Rasterizer.get()); }
};

class TPDFFontCollection {
public:
    TPDFFontCollection();
    ~TPDFFontCollection();
    TPDFFontCollection(const TPDFFontCollection&) = delete;
    TPDFFontCollection& operator=(const TPDFFontCollection&) = delete;

    void SelectFont(TPDFIndRef* fontRef);
    void SelectFontNumber(std::int32_t objectNumber);
    void LoadAndSelectFont(TPDFDictionary* fontDict);
    void LoadFont(TPDFObject* fontObject);
    TPDFObject* ResolveObject(TPDFObject* object) const;

    // The character codes of a shown string for the current font.
    void SplitCodes(const std::string& text, std::vector<std::uint32_t>& codes) const;
    // The Unicode text of one code of the current font.
    void GetUnicode(std::uint32_t code, std::u16string& text) const;

    TPDFFontCollectionData* CurrentFont = nullptr;
    bool RasterizeGlyphs = false;
    bool KeepSymbolicDifferences = false;
    TPDFFindObjectEvent OnFindObject;
    TPDFStreamReadEvent OnBeforeStreamRead;
    TPDFStreamReadEvent OnAfterStreamRead;

    int FontCount() const { return static_cast<int>(fonts_.size()); }

    // The installed families that substitution searches; read from the system on first use
    // unless set before.
    void SetInstalledFamilies(std::vector<std::string> families);
    const std::vector<std::string>& InstalledFamilies();

private:
    friend class TPDFFontLoader;
    void AppendFont(std::unique_ptr<TPDFFontCollectionData> font);
    void RebuildIndex();
    TPDFFontCollectionData* FindFont(std::int32_t objectNumber) const;
    void LoadFontAt(TPDFObject* fontObject, int depth);

    std::vector<std::unique_ptr<TPDFFontCollectionData>> fonts_;
    std::vector<std::int32_t> objectNumbers_;  // sorted
    std::vector<std::int32_t> sortedIndex_;    // parallel: position in fonts_
    // Fonts given as direct dictionaries, loaded once each.
    std::vector<std::pair<const TPDFDictionary*, TPDFFontCollectionData*>> directFonts_;
    std::vector<std::string> families_;
    bool familiesKnown_ = false;
};

}  // namespace parch
