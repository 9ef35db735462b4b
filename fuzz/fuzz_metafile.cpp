// Metafile playback: any bytes, read as an enhanced metafile (also converted to WMF) or as WMF
// records, play onto a small bitmap without a crash, a hang or an oversized allocation.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetafile.h"

namespace {

using namespace parch;

struct Target {
    Target() {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = 48;
        info.bmiHeader.biHeight = -48;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Target() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ previous;
};

}  // namespace

// Text records load fonts; fontconfig keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Target target;
    const RECT rect{0, 0, 48, 48};
    if (HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(size), data)) {
        PlayEnhMetaFile(target.dc, emf, &rect);
        std::vector<BYTE> wmf(GetWinMetaFileBits(emf, 0, nullptr, MM_ANISOTROPIC, nullptr));
        if (!wmf.empty()) {
            GetWinMetaFileBits(emf, static_cast<UINT>(wmf.size()), wmf.data(), MM_ANISOTROPIC, nullptr);
            if (HMETAFILE converted = SetMetaFileBitsEx(static_cast<UINT>(wmf.size()), wmf.data())) {
                PlayMetaFileInRect(target.dc, converted, rect, rect);
                DeleteMetaFile(converted);
            }
        }
        DeleteEnhMetaFile(emf);
    }
    if (HMETAFILE wmf = SetMetaFileBitsEx(static_cast<UINT>(size), data)) {
        PlayMetaFile(target.dc, wmf);
        DeleteMetaFile(wmf);
    }
    return 0;
}
