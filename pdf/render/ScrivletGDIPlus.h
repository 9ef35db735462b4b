#pragma once
// The bindings of the drawing surface's two library back ends. Both libraries are built in here:
// the anti-aliased service of platform/gdi stands in for the dynamically loaded GDI+ library,
// and cairo is linked directly. The bindings keep the load answers the surface relies on.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/gdi/AntiAliasedGraphics.h"

namespace parch {

// Load states of the anti-aliased binding.
inline constexpr std::int32_t kGDIPlusNotLoaded = 0;
inline constexpr std::int32_t kGDIPlusNotFound = 1;
inline constexpr std::int32_t kGDIPlusIncomplete = 2;
inline constexpr std::int32_t kGDIPlusComplete = 3;

// The library name the settings mean when they name none.
inline constexpr std::u16string_view kGDIPlusDefaultLibrary = u"gdiplus.dll";
// The library name that makes a surface skip start-up and shut-down.
inline constexpr std::u16string_view kGDIPlusLazyInit = u"LazyInit";

// Unloads first, so every call starts from state 0; an empty name means the default library.
// The names of the built-in service ("gdiplus.dll", empty, "LazyInit") load completely; any
// other name is not found. Returns the new state.
std::int32_t LoadGDIPlus(std::u16string_view libraryName);
void UnloadGDIPlus();
std::int32_t GDIPlusState();

// The service's image encoder for a MIME type ("image/bmp", "image/png"), compared
// case-sensitively; only with a complete binding.
bool FindImageEncoderClsid(std::u16string_view mimeType, AaImageFormat& encoder);

// The cairo binding of one surface. cairo is linked into the program, so loading only decides
// whether the caller named a library at all: an empty path is refused without touching the
// file system, any other path binds the linked cairo.
class TCairoDLL {
public:
    bool Load(const std::u16string& path);
    bool Loaded() const { return loaded_; }

private:
    bool loaded_ = false;
};

}  // namespace parch
