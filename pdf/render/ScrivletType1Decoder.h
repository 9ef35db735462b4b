#pragma once
// The glyph rasterizer of embedded Type 1 and CFF font programs: loading turns the program into
// glyph names with their charstrings, subroutines and a built-in encoding; drawing a glyph
// translates its charstring into the glyph command text, which builds a shape that is cached and
// replayed through a matrix.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/render/ScrivletFontCollection.h"

namespace parch {

class TPDFDictionary;
class TPDFGenericShape;
class TPDFObject;
class TPDFStream;
class TPDFStructure;
class TStream;

class TPDFType1Decoder : public TPDFFontRasterizer {
public:
    TPDFType1Decoder();
    ~TPDFType1Decoder() override;
    TPDFType1Decoder(const TPDFType1Decoder&) = delete;
    TPDFType1Decoder& operator=(const TPDFType1Decoder&) = delete;

    // Type 1 programs (FontFile).
    bool SplitFontFile(TPDFStream* fontFile);
    bool ParseClearText();
    bool ParsePrivatePart();
    // CFF programs (FontFile3, or OpenType data with a 'CFF ' table).
    bool LoadFontFile3(TPDFStream* fontFile);
    bool LoadCFF(TStream& stream);
    // A bare CFF program, read in place: only what the decoder keeps is copied.
    bool LoadCFFTable(std::string_view cff);

    std::array<std::string, 256> GetBuiltInEncoding() const { return encoding_; }
    std::string GetCharString(const std::string& glyphName);
    std::string GetSubr(std::int32_t number) const;
    std::string GetLocalSubr(std::int32_t index) const;
    std::string GetGlobalSubr(std::int32_t index) const;
    TPDFObject* ResolveObject(TPDFObject* object) const;

    // The glyph command text of a glyph into CommandList (cached by name).
    bool LoadGlyphCommands(const std::string& glyphName);
    bool BuildType1Commands(const std::string& glyphName);
    bool BuildType2Commands(const std::string& glyphName);

    bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                     const std::string& glyphName) override;
    double GetScale() override { return scale_; }

    // Loaded data, read by the font collection and the tests.
    const TScrivletCaseSensitiveStringList& GlyphNames() const { return glyphNames_; }
    const TScrivletStringList& CharStrings() const { return charStrings_; }
    const TScrivletStringList& CommandList() const { return commandList_; }
    int FontKind() const { return fontKind_; }
    bool CIDKeyed() const { return cidKeyed_; }
    int LenIV() const { return lenIV_; }
    TPDFDictionary* FontDictionary() const { return fontDictionary_; }

private:
    // Loading state and results (see the implementation files for how each is filled).
    TScrivletStringList subroutines_;
    TScrivletStringList globalSubroutines_;
    std::vector<std::unique_ptr<TScrivletStringList>> perDictSubroutines_;
    std::vector<std::int32_t> fontDictSelect_;
    std::unique_ptr<TPDFStructure> structure_;
    TPDFDictionary* fontDictionary_ = nullptr;
    std::string clearText_, encryptedPart_, trailer_;
    TScrivletStringList commandList_;
    TScrivletCaseSensitiveStringList glyphNames_;
    TScrivletStringList charStrings_;
    std::int32_t currentFontDict_ = -1;
    std::string rdName_ = "RD", ndName_ = "ND", npName_ = "NP";
    int fontKind_ = 1;
    std::array<std::string, 256> encoding_;
    double scale_ = 1.0;
    bool cidKeyed_ = false;
    int lenIV_ = 4;
    // Caches by glyph name: command texts and shapes.
    struct Caches;
    std::unique_ptr<Caches> caches_;

    // Type 1 loading, look-ups and the command text.
    // The PostScript tokens of a font program; fills the subroutines and learns the RD, ND and
    // NP names on the way.
    std::vector<std::string> TokenizeFontProgram(const std::string& text);
    // The bytes of a charstring or subroutine with lenIV applied.
    std::string DecryptCharString(const std::string& bytes) const;
    const TScrivletStringList* CachedCommands(const std::string& glyphName) const;
    void CacheCommands(const std::string& glyphName);
    const TPDFGenericShape* CachedShape(const std::string& glyphName) const;
    TPDFGenericShape& AddCachedShape(const std::string& glyphName);
    // Type 1 subroutine numbers with their position in the subroutines list, sorted by number
    // (equal numbers in list order), so that a call finds its subroutine without a scan.
    struct SubrIndexEntry {
        std::int32_t number;
        int position;
    };
    std::vector<SubrIndexEntry> subrIndex_;
    void IndexSubroutines();

    // CFF loading and Type 2 translation.
    struct CFFLoader;
    class Type2Translator;
};

}  // namespace parch
