#include "pdf/render/ScrivletGDIPlus.h"

#include <atomic>
#include <string>

namespace parch {

namespace {

// Process-wide, as the binding is shared by every surface; atomic so that a render on another
// thread never reads a torn value.
std::atomic<std::int32_t> gGDIPlusBindingState{kGDIPlusNotLoaded};

bool GDIPlusNameIsBuiltIn(std::u16string_view name) {
    return name.empty() || name == kGDIPlusDefaultLibrary || name == kGDIPlusLazyInit;
}

}  // namespace

std::int32_t LoadGDIPlus(std::u16string_view libraryName) {
    UnloadGDIPlus();
    const std::int32_t state = GDIPlusNameIsBuiltIn(libraryName) ? kGDIPlusComplete : kGDIPlusNotFound;
    gGDIPlusBindingState.store(state);
    return state;
}

void UnloadGDIPlus() { gGDIPlusBindingState.store(kGDIPlusNotLoaded); }

std::int32_t GDIPlusState() { return gGDIPlusBindingState.load(); }

bool FindImageEncoderClsid(std::u16string_view mimeType, AaImageFormat& encoder) {
    if (GDIPlusState() != kGDIPlusComplete) return false;
    // MIME types are ASCII; anything else names no encoder.
    std::string ascii;
    for (char16_t c : mimeType) {
        if (c >= 0x80) return false;
        ascii += static_cast<char>(c);
    }
    return AaImageFormatOfMimeType(ascii, encoder);
}

bool TCairoDLL::Load(const std::u16string& path) {
    loaded_ = !path.empty();
    return loaded_;
}

}  // namespace parch
