#include "platform/gdi/GlyphOutlines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "platform/gdi/FontMatch.h"

namespace parch {

// Each font owns its library, so fonts never share FreeType state and need no lock.
struct OutlineFont::Handles {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Handles() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

namespace {

constexpr FT_Int32 kOutlineLoadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
constexpr int kBoldWeight = 700;
constexpr int kRegularWeight = 400;

// Collects FreeType's decomposition into commands; a new contour closes the previous one.
struct GlyphOutlinesRecorder {
    std::vector<OutlineCommand>* commands;
    bool open = false;

    void Close() {
        if (open) commands->push_back({OutlineCommandKind::Close});
        open = false;
    }
};

GlyphOutlinesRecorder& RecorderOf(void* user) { return *static_cast<GlyphOutlinesRecorder*>(user); }

int GlyphOutlinesMoveTo(const FT_Vector* to, void* user) {
    GlyphOutlinesRecorder& recorder = RecorderOf(user);
    recorder.Close();
    recorder.commands->push_back(
        {OutlineCommandKind::MoveTo, static_cast<double>(to->x), static_cast<double>(to->y)});
    recorder.open = true;
    return 0;
}

int GlyphOutlinesLineTo(const FT_Vector* to, void* user) {
    RecorderOf(user).commands->push_back(
        {OutlineCommandKind::LineTo, static_cast<double>(to->x), static_cast<double>(to->y)});
    return 0;
}

int GlyphOutlinesConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    RecorderOf(user).commands->push_back({OutlineCommandKind::ConicTo, static_cast<double>(control->x),
                                          static_cast<double>(control->y), static_cast<double>(to->x),
                                          static_cast<double>(to->y)});
    return 0;
}

int GlyphOutlinesCubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to,
                         void* user) {
    RecorderOf(user).commands->push_back(
        {OutlineCommandKind::CubicTo, static_cast<double>(control1->x), static_cast<double>(control1->y),
         static_cast<double>(control2->x), static_cast<double>(control2->y), static_cast<double>(to->x),
         static_cast<double>(to->y)});
    return 0;
}

bool IsBuiltInEncoding(FT_Encoding encoding) {
    return encoding == FT_ENCODING_ADOBE_CUSTOM || encoding == FT_ENCODING_ADOBE_STANDARD ||
           encoding == FT_ENCODING_ADOBE_EXPERT || encoding == FT_ENCODING_MS_SYMBOL ||
           encoding == FT_ENCODING_APPLE_ROMAN;
}

}  // namespace

OutlineFont::OutlineFont(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
OutlineFont::~OutlineFont() = default;

std::unique_ptr<OutlineFont> OutlineFont::OpenFile(const std::string& path, int faceIndex) {
    auto handles = std::make_unique<Handles>();
    if (FT_Init_FreeType(&handles->library) != 0) {
        handles->library = nullptr;
        return nullptr;
    }
    if (FT_New_Face(handles->library, path.c_str(), faceIndex, &handles->face) != 0) {
        handles->face = nullptr;
        return nullptr;
    }
    if (!FT_IS_SCALABLE(handles->face) || handles->face->units_per_EM == 0) return nullptr;
    return std::unique_ptr<OutlineFont>(new OutlineFont(std::move(handles)));
}

std::unique_ptr<OutlineFont> OutlineFont::OpenInstalled(FontMatcher& matcher, std::string_view family,
                                                        bool bold, bool italic) {
    const FontFile file = matcher.Match(family, bold ? kBoldWeight : kRegularWeight, italic);
    if (file.path.empty()) return nullptr;
    return OpenFile(file.path, file.faceIndex);
}

std::shared_ptr<const OutlineFont> OutlineFont::SharedInstalled(std::string_view family, bool bold, bool italic) {
    // Per thread, because a FreeType face must not be used by two threads at once.
    struct Faces {
        FontMatcher matcher;
        std::map<std::tuple<std::string, bool, bool>, std::shared_ptr<const OutlineFont>> opened;
    };
    thread_local Faces faces;
    auto key = std::make_tuple(std::string(family), bold, italic);
    if (const auto found = faces.opened.find(key); found != faces.opened.end()) return found->second;
    std::shared_ptr<const OutlineFont> font = OpenInstalled(faces.matcher, family, bold, italic);
    faces.opened.emplace(std::move(key), font);
    return font;
}

std::string OutlineFont::FamilyName() const {
    return handles_->face->family_name ? handles_->face->family_name : "";
}

int OutlineFont::UnitsPerEm() const { return handles_->face->units_per_EM; }

std::uint32_t OutlineFont::GlyphCount() const {
    return static_cast<std::uint32_t>(handles_->face->num_glyphs);
}

bool OutlineFont::HasGlyphNames() const { return FT_HAS_GLYPH_NAMES(handles_->face); }

std::uint32_t OutlineFont::GlyphByName(std::string_view postScriptName) const {
    if (postScriptName.empty() || !HasGlyphNames()) return 0;
    const std::string name(postScriptName);
    return FT_Get_Name_Index(handles_->face, name.c_str());
}

std::uint32_t OutlineFont::GlyphByUnicode(char32_t unicode) const {
    FT_Face face = handles_->face;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return 0;
    return FT_Get_Char_Index(face, unicode);
}

std::uint32_t OutlineFont::GlyphByBuiltInCode(std::uint8_t code) const {
    FT_Face face = handles_->face;
    for (int i = 0; i < face->num_charmaps; ++i) {
        FT_CharMap charmap = face->charmaps[i];
        if (!IsBuiltInEncoding(charmap->encoding) || FT_Set_Charmap(face, charmap) != 0) continue;
        FT_UInt glyph = FT_Get_Char_Index(face, code);
        // Symbol cmaps of TrueType fonts place their codes in the private-use page.
        if (glyph == 0 && charmap->encoding == FT_ENCODING_MS_SYMBOL)
            glyph = FT_Get_Char_Index(face, 0xF000u + code);
        if (glyph != 0) return glyph;
    }
    return 0;
}

bool OutlineFont::LoadOutline(std::uint32_t glyph, GlyphOutline& outline) const {
    outline = {};
    FT_Face face = handles_->face;
    if (glyph >= GlyphCount() || FT_Load_Glyph(face, glyph, kOutlineLoadFlags) != 0) return false;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    outline.AdvanceWidth = static_cast<double>(face->glyph->metrics.horiAdvance);

    FT_Outline_Funcs funcs{};
    funcs.move_to = GlyphOutlinesMoveTo;
    funcs.line_to = GlyphOutlinesLineTo;
    funcs.conic_to = GlyphOutlinesConicTo;
    funcs.cubic_to = GlyphOutlinesCubicTo;
    GlyphOutlinesRecorder recorder{&outline.Commands};
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &recorder) != 0) {
        outline.Commands.clear();
        return false;
    }
    recorder.Close();
    return true;
}

double OutlineFont::AdvanceWidth(std::uint32_t glyph) const {
    FT_Face face = handles_->face;
    if (glyph >= GlyphCount() || FT_Load_Glyph(face, glyph, kOutlineLoadFlags) != 0) return 0;
    return static_cast<double>(face->glyph->metrics.horiAdvance);
}

}  // namespace parch
