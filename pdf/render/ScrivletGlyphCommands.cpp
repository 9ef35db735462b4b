// The glyph command text: Type 1 charstrings are translated into it, and RenderGlyph executes it
// into a cached shape that is replayed through a matrix.

#include <string>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace parch {

bool TPDFType1Decoder::LoadGlyphCommands(const std::string& glyphName) {
    if (const TScrivletStringList* cached = CachedCommands(glyphName)) {
        commandList_ = *cached;
        return true;
    }
    bool built = fontKind_ == 2 ? BuildType2Commands(glyphName) : BuildType1Commands(glyphName);
    CacheCommands(glyphName);
    return built;
}

bool TPDFType1Decoder::BuildType1Commands(const std::string&) {
    commandList_.Clear();
    return false;
}

bool TPDFType1Decoder::RenderGlyph(TPDFGenericCanvas&, const TPDFMatrix&, double, double, const std::string&) {
    return false;
}

}  // namespace parch
