#include "pdf/render/ScrivletGDIPlus.h"

#include <atomic>

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

bool FindImageEncoderClsid(std::u16string_view mimeType, TImageEncoderId& encoder) {
    encoder = TImageEncoderId::None;
    if (GDIPlusState() != kGDIPlusComplete) return false;
    if (mimeType == u"image/bmp") {
        encoder = TImageEncoderId::Bmp;
    } else if (mimeType == u"image/png") {
        encoder = TImageEncoderId::Png;
    }
    return encoder != TImageEncoderId::None;
}

bool TCairoDLL::Load(const std::u16string& path) {
    loaded_ = !path.empty();
    return loaded_;
}

}  // namespace parch
