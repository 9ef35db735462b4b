#include "platform/gdi/Fonts.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"

namespace parch {

GdiFont::GdiFont(const LOGFONT& logical) : GdiObject(kKind), logical_(logical) {
    logical_.lfFaceName[LF_FACESIZE - 1] = 0;
}

int GdiFont::Describe(int size, void* buffer) const {
    if (!buffer) return static_cast<int>(sizeof(LOGFONT));
    if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
    std::memcpy(buffer, &logical_, sizeof(LOGFONT));
    return static_cast<int>(sizeof(LOGFONT));
}

FontInstance& GdiFont::Instance() {
    // Realized late, so creating fonts (the stock fonts of every new context among them)
    // costs nothing until text is measured or drawn.
    std::call_once(realized_, [this] { instance_ = FontEngine::Instance().Realize(logical_); });
    return *instance_;
}

GdiFont* SelectedFont(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return nullptr;
    GdiObject* selected = context->State().font;
    if (selected && selected->Kind() == GdiObjectKind::Font) return static_cast<GdiFont*>(selected);
    return static_cast<GdiFont*>(ResolveGdiObject(GetStockObject(SYSTEM_FONT), GdiObjectKind::Font));
}

HFONT CreateFontIndirect(const LOGFONT* logical) {
    if (!logical) return nullptr;
    return AdoptGdiObject(std::make_unique<GdiFont>(*logical));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName) {
    LOGFONT logical;
    logical.lfHeight = height;
    logical.lfWidth = width;
    logical.lfEscapement = escapement;
    logical.lfOrientation = orientation;
    logical.lfWeight = weight;
    logical.lfItalic = italic ? 1 : 0;
    logical.lfUnderline = underline ? 1 : 0;
    logical.lfStrikeOut = strikeOut ? 1 : 0;
    logical.lfCharSet = static_cast<BYTE>(charSet);
    logical.lfOutPrecision = static_cast<BYTE>(outPrecision);
    logical.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    logical.lfQuality = static_cast<BYTE>(quality);
    logical.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(logical.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&logical);
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics) {
    GdiFont* font = SelectedFont(dc);
    if (!font || !metrics) return 0;
    *metrics = font->Instance().Metrics();
    return 1;
}

int GetTextFace(HDC dc, int count, char* name) {
    GdiFont* font = SelectedFont(dc);
    if (!font) return 0;
    const std::string& family = font->Instance().FaceFamily();
    if (!name) return static_cast<int>(family.size()) + 1;
    if (count <= 0) return 0;
    const std::size_t copied = std::min(family.size(), static_cast<std::size_t>(count - 1));
    std::memcpy(name, family.data(), copied);
    name[copied] = 0;
    return static_cast<int>(copied);
}

}  // namespace parch
