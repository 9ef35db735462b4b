#pragma once
// Font objects: a logical font as a graphics object, realized on first use through the font
// engine, and the calls that create and describe fonts.

#include <memory>
#include <mutex>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/FontTypes.h"
#include "platform/gdi/GdiObject.h"

namespace parch {

class GdiFont : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Font;

    explicit GdiFont(const LOGFONT& logical);

    DWORD ObjectType() const override { return OBJ_FONT; }
    // The LOGFONT.
    int Describe(int size, void* buffer) const override;

    const LOGFONT& Logical() const { return logical_; }
    FontInstance& Instance();

private:
    LOGFONT logical_;
    std::once_flag realized_;
    std::shared_ptr<FontInstance> instance_;
};

// The font selected into the context (the system font when none is), or nullptr for a
// handle that is not a live context.
GdiFont* SelectedFont(HDC dc);

// Win32 calls. Face names are UTF-8.
HFONT CreateFontIndirect(const LOGFONT* logical);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
// Copies the family of the face in use (null-terminated, at most count bytes); returns the
// bytes copied without the terminator, or the size needed when name is null.
int GetTextFace(HDC dc, int count, char* name);

}  // namespace parch
