#pragma once
// The anti-aliased drawing settings that the API object hands to every render.

#include <cstdint>
#include <string>

namespace parch {

struct TGDIPlusSettings {
    // File name of the anti-aliased drawing library; empty means the default. "LazyInit"
    // skips its start-up and shut-down.
    std::u16string LibraryName = u"gdiplus.dll";
    std::uint8_t AntiAlias = 1;
    // The renderer attaches its canvas through the anti-aliased service rather than plain GDI.
    std::uint8_t UseGDIPlus = 0;
    std::uint8_t Reserved = 0;  // read by nothing in this library
    std::uint8_t KeepImageQuality = 0;
};

}  // namespace parch
