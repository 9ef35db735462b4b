#include "pdf/render/ScrivletInstalledFontRasterizer.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "platform/gdi/GlyphOutlines.h"

namespace parch {

namespace {

constexpr double kInstalledFontGlyphUnits = 1000.0;

bool InstalledFontParseHex(std::string_view digits, char32_t& value) {
    if (digits.empty()) return false;
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
    if (error != std::errc() || end != digits.data() + digits.size() || number > 0x10FFFF) return false;
    value = number;
    return true;
}

bool InstalledFontParseDecimal(std::string_view digits, std::uint32_t& value) {
    if (digits.empty()) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size();
}

// "U+XXXX" and the glyph list's "uniXXXX" and "uXXXX" forms.
bool InstalledFontUnicodeOfNameForm(std::string_view name, char32_t& unicode) {
    if (name.starts_with("U+")) return InstalledFontParseHex(name.substr(2), unicode);
    if (name.starts_with("uni") && name.size() == 7) return InstalledFontParseHex(name.substr(3), unicode);
    if (name.starts_with("u") && name.size() >= 5 && name.size() <= 7)
        return InstalledFontParseHex(name.substr(1), unicode);
    return false;
}

// The code of "CID:n" and "GID:n" names.
bool InstalledFontCodeOfName(std::string_view name, std::uint32_t& code) {
    if (!name.starts_with("CID:") && !name.starts_with("GID:")) return false;
    return InstalledFontParseDecimal(name.substr(4), code);
}

char32_t InstalledFontFirstCharacter(const std::u16string& text) {
    if (text.empty()) return 0;
    const char16_t first = text[0];
    if (first >= 0xD800 && first <= 0xDBFF && text.size() > 1 && text[1] >= 0xDC00 && text[1] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) + (text[1] - 0xDC00);
    return first;
}

}  // namespace

TPDFInstalledFontRasterizer::TPDFInstalledFontRasterizer(std::shared_ptr<const OutlineFont> font)
    : font_(std::move(font)) {}

TPDFInstalledFontRasterizer::~TPDFInstalledFontRasterizer() = default;

std::string TPDFInstalledFontRasterizer::FamilyName() const { return font_ ? font_->FamilyName() : ""; }

bool TPDFInstalledFontRasterizer::RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x,
                                              double y, const std::string& glyphName) {
    if (!font_) return false;
    if (const TPDFGenericShape* shape = GlyphShape(glyphName)) {
        TPDFMatrix placed;
        SetMatrix(placed, 1, 0, 0, 1, x, y);
        PaintShape(canvas, *shape, MatrixProduct(placed, matrix));
    }
    return true;
}

const TPDFGenericShape* TPDFInstalledFontRasterizer::GlyphShape(const std::string& glyphName) {
    if (!font_) return nullptr;
    auto found = shapes_.find(glyphName);
    if (found == shapes_.end()) {
        const std::uint32_t glyph = FindGlyph(glyphName);
        found = shapes_.emplace(glyphName, glyph != 0 ? RecordShape(glyph) : nullptr).first;
    }
    return found->second.get();
}

void TPDFInstalledFontRasterizer::InstalledFontWidths(const TGlyphNames& glyphNames, TGlyphWidths& widths) const {
    if (!font_ || !font_->HasGlyphNames()) return;
    const double scale = kInstalledFontGlyphUnits / font_->UnitsPerEm();
    for (std::size_t code = 0; code < glyphNames.size(); ++code) {
        const std::uint32_t glyph = font_->GlyphByName(glyphNames[code]);
        if (glyph != 0) widths[code] = font_->AdvanceWidth(glyph) * scale;
    }
}

std::uint32_t TPDFInstalledFontRasterizer::FindGlyph(std::string_view glyphName) const {
    std::uint32_t code = 0;
    if (InstalledFontCodeOfName(glyphName, code))
        return OnCodeText ? GlyphOfText(OnCodeText(code)) : 0;

    char32_t unicode = 0;
    if (glyphName.starts_with("U+"))
        return InstalledFontUnicodeOfNameForm(glyphName, unicode) ? GlyphOfUnicode(unicode) : 0;

    if (std::uint32_t glyph = font_->GlyphByName(glyphName)) return glyph;
    if (UseBuiltInEncoding) return GlyphOfStandardCode(glyphName);
    unicode = GlyphNameToUnicode(glyphName);
    if (unicode == 0 && !InstalledFontUnicodeOfNameForm(glyphName, unicode)) return 0;
    return GlyphOfUnicode(unicode);
}

// The glyph at the font's own code for the standard encoding's code of the name.
std::uint32_t TPDFInstalledFontRasterizer::GlyphOfStandardCode(std::string_view glyphName) const {
    TGlyphNames standard;
    GetEncodingGlyphNames(kStandardEncoding, standard);
    const auto found = std::find(standard.begin(), standard.end(), glyphName);
    if (found == standard.end()) return 0;
    return font_->GlyphByBuiltInCode(static_cast<std::uint8_t>(found - standard.begin()));
}

std::uint32_t TPDFInstalledFontRasterizer::GlyphOfText(const std::u16string& text) const {
    const char32_t unicode = InstalledFontFirstCharacter(text);
    return unicode != 0 ? GlyphOfUnicode(unicode) : 0;
}

// By the standard glyph name first: symbol fonts map their own codes, not the characters, in
// their Unicode tables.
std::uint32_t TPDFInstalledFontRasterizer::GlyphOfUnicode(char32_t unicode) const {
    std::string name;
    if (unicode <= 0xFFFF) UnicodeToGlyphName(static_cast<char16_t>(unicode), name);
    if (std::uint32_t glyph = font_->GlyphByName(name)) return glyph;
    return font_->GlyphByUnicode(unicode);
}

std::unique_ptr<TPDFGenericShape> TPDFInstalledFontRasterizer::RecordShape(std::uint32_t glyph) const {
    GlyphOutline outline;
    if (!font_->LoadOutline(glyph, outline)) return nullptr;
    const double scale = kInstalledFontGlyphUnits / font_->UnitsPerEm();
    auto shape = std::make_unique<TPDFGenericShape>();
    for (const OutlineCommand& command : outline.Commands) {
        switch (command.Kind) {
        case OutlineCommandKind::MoveTo: shape->AddMoveTo(command.X1 * scale, command.Y1 * scale); break;
        case OutlineCommandKind::LineTo: shape->AddLineTo(command.X1 * scale, command.Y1 * scale); break;
        case OutlineCommandKind::ConicTo:
            shape->AddQuadCurveTo(command.X1 * scale, command.Y1 * scale, command.X2 * scale, command.Y2 * scale);
            break;
        case OutlineCommandKind::CubicTo:
            shape->AddCurveTo(command.X1 * scale, command.Y1 * scale, command.X2 * scale, command.Y2 * scale,
                              command.X3 * scale, command.Y3 * scale);
            break;
        case OutlineCommandKind::Close: shape->AddClosePath(); break;
        }
    }
    return shape;
}

}  // namespace parch
