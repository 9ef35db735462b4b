// Metafile playback: any bytes, read as an enhanced metafile (also converted to WMF) or as WMF
// records, play onto a small bitmap without a crash, a hang or an oversized allocation.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetafile.h"

namespace {

struct Target {
    Target() {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = 48;
        info.bmiHeader.biHeight = -48;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = parch::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = parch::CreateCompatibleDC(nullptr);
        previous = parch::SelectObject(dc, bitmap);
    }
    ~Target() {
        parch::SelectObject(dc, previous);
        parch::DeleteDC(dc);
        parch::DeleteObject(bitmap);
    }
    parch::HBITMAP bitmap;
    parch::HDC dc;
    parch::HGDIOBJ previous;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
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
